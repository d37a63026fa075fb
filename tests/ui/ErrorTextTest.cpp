#include <gtest/gtest.h>

#include <stdexcept>

#include "core/Exceptions.h"
#include "ui/Application.h"

TEST(ErrorBoxText, FullStopOnlyAfterCharactersThatSortAfterIt)
{
    EXPECT_EQ(ErrorBoxText("Cannot open file"), "Cannot open file.");
    EXPECT_EQ(ErrorBoxText("Error 5"), "Error 5.");
    EXPECT_EQ(ErrorBoxText("Archive [Kelpa.cab]"), "Archive [Kelpa.cab].");
    EXPECT_EQ(ErrorBoxText("Really?"), "Really?.");
    EXPECT_EQ(ErrorBoxText("path C:/"), "path C:/.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("trailing "), "trailing ");
    EXPECT_EQ(ErrorBoxText("Stop!"), "Stop!");
    EXPECT_EQ(ErrorBoxText("(code 5)"), "(code 5)");
    EXPECT_EQ(ErrorBoxText("a,"), "a,");
    EXPECT_EQ(ErrorBoxText("a-"), "a-");
    // The closing quote sorts before ".".
    EXPECT_EQ(ErrorBoxText("Invalid data type for 'KelpaPath'"), "Invalid data type for 'KelpaPath'");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(ErrorBoxText, ComparesUnsignedAndTakesTheLeadByteOfADoubleByteCharacter)
{
    // A byte above 0x7F is above "." when compared unsigned.
    EXPECT_EQ(ErrorBoxText("caf\xE9", 1252), "caf\xE9.");
    // Shift-JIS: 0x83 0x40 is one character; its lead byte decides.
    EXPECT_EQ(ErrorBoxText("x\x83\x40", 932), "x\x83\x40.");
}

TEST(ExceptionMessage, TakesTheTextOfEveryKindOfException)
{
    EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(Exception("plain"))), "plain");
    EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(EOSError(2))).rfind("System Error.  Code: 2.", 0), 0u);
    EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(std::runtime_error("std"))), "std");
    EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(std::bad_alloc())), "Out of memory");
    EXPECT_FALSE(ExceptionMessage(std::make_exception_ptr(42)).empty());
}
