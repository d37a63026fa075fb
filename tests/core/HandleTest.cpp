// The owner template through a traits type that counts what it closes.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/Handle.h"
#include "harness/TestFiles.h"

namespace {

std::vector<int> Closed;

struct CountingTraits {
    static int Invalid() noexcept { return -1; }
    static void Close(int h) noexcept { Closed.push_back(h); }
};
using Owner = UniqueHandle<int, CountingTraits>;

struct HandleTest : testing::Test {
    HandleTest() { Closed.clear(); }
};

} // namespace

TEST_F(HandleTest, ClosesExactlyOnceWhenItGoes)
{
    {
        Owner empty;
        EXPECT_FALSE(empty);
        EXPECT_EQ(empty.get(), -1);
        Owner owner(7);
        EXPECT_TRUE(owner);
        EXPECT_EQ(owner.get(), 7);
    }
    EXPECT_EQ(Closed, std::vector<int>{7}); // the empty one closed nothing
    // 0 is a value like any other for a traits type whose empty value is -1.
    {
        Owner zero(0);
    }
    EXPECT_EQ(Closed, (std::vector<int>{7, 0}));
}

TEST_F(HandleTest, ResetClosesTheOldValueReleaseHandsItOut)
{
    Owner owner(1);
    owner.reset(2);
    EXPECT_EQ(Closed, std::vector<int>{1});
    owner.reset(2); // the same value again: closed, then owned
    EXPECT_EQ(Closed, (std::vector<int>{1, 2}));
    owner.reset();
    EXPECT_EQ(Closed, (std::vector<int>{1, 2, 2}));
    EXPECT_FALSE(owner);
    owner.reset();
    EXPECT_EQ(Closed.size(), 3u);

    owner.reset(3);
    EXPECT_EQ(owner.release(), 3);
    EXPECT_FALSE(owner);
    EXPECT_EQ(Closed.size(), 3u); // released, not closed
}

TEST_F(HandleTest, MoveHandsOverWithoutClosing)
{
    Owner a(4);
    Owner b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), 4);
    EXPECT_TRUE(Closed.empty());

    Owner c(5);
    c = std::move(b); // c's old value goes, b's moves in
    EXPECT_EQ(Closed, std::vector<int>{5});
    EXPECT_EQ(c.get(), 4);
    EXPECT_FALSE(b);
    Owner& self = c;
    c = std::move(self);
    EXPECT_EQ(c.get(), 4);
    EXPECT_EQ(Closed, std::vector<int>{5});
}

TEST_F(HandleTest, PutClosesTheOldValueAndTakesTheNew)
{
    Owner owner(6);
    int* slot = owner.put();
    EXPECT_EQ(Closed, std::vector<int>{6});
    EXPECT_EQ(*slot, -1);
    *slot = 8; // as an out-parameter API would
    EXPECT_EQ(owner.get(), 8);
    owner.reset();
    EXPECT_EQ(Closed, (std::vector<int>{6, 8}));
}

TEST(KernelHandles, AFileIsClosedWhenItsOwnerGoes)
{
    TempDir dir;
    std::string path = dir.Path() + "owned.txt";
    {
        FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
        // Opened without sharing: nobody else may open it meanwhile.
        FileHandle other(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(other);
    }
    FileHandle again(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(again);
}
