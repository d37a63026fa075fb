#include <gtest/gtest.h>

#include <set>

#include "core/FileSystem.h"
#include "harness/TestFiles.h"

TEST(DirectorySearch, SkipsOnlyAttributesMissingFromTheMask)
{
    TempDir dir;
    WriteFile(dir.Path() + "Kelpa1.cab", "a");
    WriteFile(dir.Path() + "Kelpa2.cab", "b");
    SetFileAttributesA((dir.Path() + "Kelpa2.cab").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    WriteFile(dir.Path() + "Kelpa3.cab", "c");
    SetFileAttributesA((dir.Path() + "Kelpa3.cab").c_str(), FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA((dir.Path() + "Kelpa4.cab").c_str(), nullptr);
    WriteFile(dir.Path() + "Other.cab", "d");

    auto names = [&](DWORD mask) {
        std::set<std::string> found;
        TDirectorySearch search(dir.Path() + "Kelpa*.cab", mask);
        while (search.Next())
            found.insert(search.Current().Name);
        return found;
    };
    EXPECT_EQ(names(0x2F), (std::set<std::string>{"Kelpa1.cab", "Kelpa2.cab", "Kelpa3.cab"}));
    EXPECT_EQ(names(faAnyFile), (std::set<std::string>{"Kelpa1.cab", "Kelpa2.cab", "Kelpa3.cab", "Kelpa4.cab"}));
    EXPECT_EQ(names(0), (std::set<std::string>{"Kelpa1.cab"}));
    SetFileAttributesA((dir.Path() + "Kelpa2.cab").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(DirectorySearch, NoMatchEndsAtOnce)
{
    TempDir dir;
    TDirectorySearch search(dir.Path() + "Kelpa*.cab", 0x2F);
    EXPECT_FALSE(search.Next());
    EXPECT_FALSE(search.Next());
}

TEST(FileSystem, ExistenceAndExpansion)
{
    TempDir dir;
    WriteFile(dir.Path() + "f.txt", "x");
    CreateDirectoryA((dir.Path() + "d").c_str(), nullptr);
    EXPECT_TRUE(FileExists(dir.Path() + "f.txt"));
    EXPECT_FALSE(FileExists(dir.Path() + "d"));
    EXPECT_FALSE(FileExists(dir.Path() + "missing"));
    EXPECT_TRUE(DirectoryExists(dir.Path() + "d"));
    EXPECT_FALSE(DirectoryExists(dir.Path() + "f.txt"));
    EXPECT_EQ(ExpandFileName(""), "");
    CurrentDirectoryScope inDir(dir.Path());
    EXPECT_EQ(ExpandFileName("f.txt"), dir.Path() + "f.txt");
    EXPECT_EQ(ExpandFileName("d\\..\\f.txt"), dir.Path() + "f.txt");
}

TEST(FileSystem, AFileExistsWhateverItsTimeStamp)
{
    TempDir dir;
    // 1970 and 2110 have no DOS date; 1980 and 2107 are its ends.
    for (WORD year : {1970, 1980, 2107, 2110}) {
        std::string name = dir.Path() + "stamped" + std::to_string(year) + ".cab";
        WriteFile(name, "MSCF");
        ASSERT_NO_THROW(StampYear(name, year));
        EXPECT_TRUE(FileExists(name)) << year;
    }
    // A directory stamped so is still no file; a pattern names no file even
    // where it matches some.
    std::string old = dir.Path() + "old";
    ASSERT_TRUE(CreateDirectoryA(old.c_str(), nullptr));
    EXPECT_FALSE(FileExists(old));
    EXPECT_FALSE(FileExists(dir.Path() + "stamped*.cab"));
    EXPECT_FALSE(FileExists(dir.Path() + "stamped197?.cab"));
}
