#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include "app/ShellFolders.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "tests/TestRegistry.h"

namespace {

const std::string TestKey = "Software\\KelpaTests";
const std::string Default = "<default>";

std::string Read(const std::string& keyPath, const std::string& name)
{
    return ReadRegistryString(HKEY_CURRENT_USER, keyPath, name, Default);
}

std::string Raw(const char* bytes, size_t n)
{
    return std::string(bytes, n);
}

// The folder path the shell reports through another entry point, for comparison.
std::string FolderPath(int csidl)
{
    char buffer[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, buffer)) ? buffer : "";
}

} // namespace

TEST(ReadRegistryString, TakesTheTextUpToTheFirstNul)
{
    ScopedRegValue embedded(HKEY_CURRENT_USER, TestKey, "Embedded", REG_SZ, Raw("C:\\One\0C:\\Two\0", 15));
    ScopedRegValue unterminated(HKEY_CURRENT_USER, TestKey, "Unterminated", REG_SZ, "C:\\Tools");
    ScopedRegValue empty(HKEY_CURRENT_USER, TestKey, "Empty", REG_SZ, "");
    ScopedRegValue onlyNul(HKEY_CURRENT_USER, TestKey, "OnlyNul", REG_SZ, Sz(""));
    EXPECT_EQ("C:\\One", Read(TestKey, "Embedded"));
    // Data stored without a terminating NUL keeps its last character.
    EXPECT_EQ("C:\\Tools", Read(TestKey, "Unterminated"));
    // An empty string is a value: it gives "", not the default.
    EXPECT_EQ("", Read(TestKey, "Empty"));
    EXPECT_EQ("", Read(TestKey, "OnlyNul"));
}

TEST(ReadRegistryString, ReturnsAnExpandableStringAsStored)
{
    ScopedRegValue v(HKEY_CURRENT_USER, TestKey, "Expand", REG_EXPAND_SZ, Sz("%WINDIR%\\Kelpa"));
    EXPECT_EQ("%WINDIR%\\Kelpa", Read(TestKey, "Expand"));
}

TEST(ReadRegistryString, GivesTheDefaultForOtherTypesAndMissingEntries)
{
    ScopedRegValue dword(HKEY_CURRENT_USER, TestKey, "Number", REG_DWORD, Raw("\x2a\0\0\0", 4));
    ScopedRegValue binary(HKEY_CURRENT_USER, TestKey, "Binary", REG_BINARY, "C:\\Tools");
    ScopedRegValue multi(HKEY_CURRENT_USER, TestKey, "Multi", REG_MULTI_SZ, Raw("C:\\A\0\0", 6));
    EXPECT_EQ(Default, Read(TestKey, "Number"));
    EXPECT_EQ(Default, Read(TestKey, "Binary"));
    EXPECT_EQ(Default, Read(TestKey, "Multi"));
    EXPECT_EQ(Default, Read(TestKey, "NoSuchValue"));
    EXPECT_EQ(Default, Read(TestKey + "\\NoSuchKey", "Embedded"));
}

TEST(ReadRegistryString, ReadsTheSameKeyWithOrWithoutOneLeadingBackslash)
{
    ScopedRegValue v(HKEY_CURRENT_USER, TestKey, "Path", REG_SZ, Sz("D:\\Kelpa"));
    EXPECT_EQ("D:\\Kelpa", Read(TestKey, "Path"));
    EXPECT_EQ("D:\\Kelpa", Read("\\" + TestKey, "Path"));
    // Only one backslash is the root marker.
    EXPECT_EQ(Default, Read("\\\\" + TestKey, "Path"));
}

// HKLM\Software has a 32-bit and a 64-bit view on a 64-bit system; a view
// named by the caller is read whichever build asks.
TEST(ReadRegistryString, ReadsMachineValuesThroughTheViewAskedFor)
{
    ScopedRegValue narrow(HKEY_LOCAL_MACHINE, TestKey, "View", REG_SZ, Sz("32"), KEY_WOW64_32KEY);
    ScopedRegValue wide(HKEY_LOCAL_MACHINE, TestKey, "View", REG_SZ, Sz("64"), KEY_WOW64_64KEY);
    EXPECT_EQ("32", ReadRegistryString(HKEY_LOCAL_MACHINE, TestKey, "View", "", KEY_WOW64_32KEY));
    EXPECT_EQ("64", ReadRegistryString(HKEY_LOCAL_MACHINE, TestKey, "View", "", KEY_WOW64_64KEY));
    // Without a view, the program's own: the 32-bit one for the 32-bit build.
    EXPECT_EQ(sizeof(void*) == 4 ? "32" : "64", ReadRegistryString(HKEY_LOCAL_MACHINE, TestKey, "View", ""));
}

TEST(ProgramFilesDirectory, IsTheDirectoryFor32BitPrograms)
{
    std::string dir = ProgramFilesDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(DirectoryExists(dir)) << dir;
    EXPECT_NE('\\', dir.back());
    EXPECT_TRUE(SameText(FolderPath(CSIDL_PROGRAM_FILESX86), dir)) << dir;
    EXPECT_TRUE(SameText("C:\\Program Files (x86)", dir)) << dir;
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
