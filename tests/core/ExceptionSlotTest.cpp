// The slot that carries an exception across frames of system DLLs.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/ExceptionSlot.h"

namespace {

// The message of the exception the slot raises; "" when it raises none.
std::string Raised(ExceptionSlot& slot)
{
    try {
        slot.Rethrow();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(ExceptionSlot, FirstCaptureWinsAndRethrowEmptiesTheSlot)
{
    ExceptionSlot slot;
    EXPECT_FALSE(slot.Pending());
    EXPECT_EQ(Raised(slot), ""); // an empty slot raises nothing
    for (const char* text : {"first", "second"}) {
        try {
            throw std::runtime_error(text);
        } catch (...) {
            slot.Capture();
        }
    }
    EXPECT_TRUE(slot.Pending());
    EXPECT_EQ(Raised(slot), "first");
    EXPECT_FALSE(slot.Pending());
    EXPECT_EQ(Raised(slot), "");

    try {
        throw std::runtime_error("cleared");
    } catch (...) {
        slot.Capture();
    }
    slot.Clear();
    EXPECT_FALSE(slot.Pending());
}

TEST(ExceptionSlot, GuardReturnsTheResultOrTheFailValueAndKeepsTheException)
{
    ExceptionSlot slot;
    EXPECT_EQ(slot.Guard([] { return 42; }, -1), 42);
    EXPECT_FALSE(slot.Pending());

    EXPECT_EQ(slot.Guard([]() -> int { throw std::logic_error("inside"); }, -1), -1);
    ASSERT_TRUE(slot.Pending());
    // A later failure does not replace the one that stopped the work.
    EXPECT_EQ(slot.Guard([]() -> int { throw std::logic_error("later"); }, -2), -2);
    EXPECT_EQ(Raised(slot), "inside");

    // Whatever is thrown, not only standard exceptions.
    EXPECT_EQ(slot.Guard([]() -> int { throw 7; }, 0), 0);
    ASSERT_TRUE(slot.Pending());
    EXPECT_THROW(slot.Rethrow(), int);
}
