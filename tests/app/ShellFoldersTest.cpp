#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include "app/ShellFolders.h"
#include "core/FileSystem.h"
#include "core/Strings.h"

namespace {

// The folder path the shell reports through another entry point, for comparison.
std::string FolderPath(int csidl)
{
    char buffer[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, buffer)) ? buffer : "";
}

} // namespace

TEST(ProgramFilesDirectory, IsTheDirectoryFor32BitPrograms)
{
    std::string dir = ProgramFilesDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(DirectoryExists(dir)) << dir;
    EXPECT_NE('\\', dir.back());
    EXPECT_TRUE(SameText(FolderPath(CSIDL_PROGRAM_FILESX86), dir)) << dir;
}

TEST(SpecialFolderPath, GivesTheUsersOwnFoldersWithoutTrailingBackslash)
{
    std::string desktop = DesktopDirectory();
    std::string startMenu = StartMenuDirectory();
    ASSERT_FALSE(desktop.empty());
    ASSERT_FALSE(startMenu.empty());
    EXPECT_NE('\\', desktop.back());
    EXPECT_NE('\\', startMenu.back());
    EXPECT_TRUE(DirectoryExists(desktop)) << desktop;
    EXPECT_TRUE(DirectoryExists(startMenu)) << startMenu;

    EXPECT_TRUE(SameText(FolderPath(CSIDL_DESKTOPDIRECTORY), desktop)) << desktop;
    EXPECT_FALSE(SameText(FolderPath(CSIDL_COMMON_DESKTOPDIRECTORY), desktop));
    // The top of the Start menu, not its Programs folder.
    EXPECT_TRUE(SameText(FolderPath(CSIDL_PROGRAMS), startMenu + "\\Programs")) << startMenu;
    EXPECT_TRUE(SameText("Start Menu", ExtractFileName(startMenu))) << startMenu;
}

TEST(SpecialFolderPath, IsEmptyForFoldersWithoutFileSystemPath)
{
    EXPECT_EQ("", SpecialFolderPath(CSIDL_DRIVES));
    EXPECT_EQ("", SpecialFolderPath(0x7FFF));
}

TEST(FreeItemIdList, FreesOnlyListsTheShellAllocated)
{
    LPITEMIDLIST none = nullptr;
    EXPECT_TRUE(FreeItemIdList(none));

    LPITEMIDLIST list = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list)));
    EXPECT_FALSE(ItemIdListToPath(list).empty());
    EXPECT_TRUE(FreeItemIdList(list));
    EXPECT_EQ(nullptr, list);

    // A list in memory of our own must not reach the shell's allocator.
    static SHITEMID foreign[2] = {};
    LPITEMIDLIST mine = reinterpret_cast<LPITEMIDLIST>(foreign);
    EXPECT_FALSE(FreeItemIdList(mine));
    EXPECT_EQ(reinterpret_cast<LPITEMIDLIST>(foreign), mine);
}
