// Shortcuts written by the shell's own link object under the test's Wine
// prefix and read back through the same object.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>
#include <gtest/gtest.h>

#include "app/Shortcut.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "harness/ShellLinkReader.h"
#include "harness/TestFiles.h"

using Microsoft::WRL::ComPtr;

namespace {

FILETIME LastWriteTime(const std::string& name)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)) << name;
    return data.ftLastWriteTime;
}

} // namespace

TEST(ShortcutRules, LinkFileInFolder)
{
    EXPECT_EQ(ShortcutFileIn("C:\\users\\me\\Desktop", DesktopMissingMessage), "C:\\users\\me\\Desktop\\Kelpa.lnk");
    EXPECT_EQ(ShortcutFileIn("C:\\Menu\\", StartMenuMissingMessage), "C:\\Menu\\Kelpa.lnk");
    EXPECT_EQ(ShortcutFileIn("D:\\", StartMenuMissingMessage), "D:\\Kelpa.lnk");
    try {
        ShortcutFileIn("", StartMenuMissingMessage);
        FAIL() << "an empty Start menu folder was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "The Start menu folder could not be found");
    }
    try {
        ShortcutFileIn("", DesktopMissingMessage);
        FAIL() << "an empty desktop folder was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "The desktop folder could not be found");
    }
}

TEST(ShellLink, WritesTargetAndWorkingDirectoryForEveryDestinationForm)
{
    TempDir dir;
    const struct {
        const char* installDir;
        const char* target;
        const char* workingDirectory;
    } cases[] = {
        {"C:\\Program Files\\Kelpa", "C:\\Program Files\\Kelpa\\Kelpa.EXE", "C:\\Program Files"},
        {"C:\\Tools\\Kelpa\\", "C:\\Tools\\Kelpa\\Kelpa.EXE", "C:\\Tools\\Kelpa"},
        {"C:\\Kelpa", "C:\\Kelpa\\Kelpa.EXE", "C:\\"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installDir);
        std::string folder = dir.Path() + std::to_string(++n);
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        std::string link = folder + "\\Kelpa.lnk";
        // None of the targets exists: the shortcut is written all the same.
        CreateShortcut(link, c.installDir);
        ASSERT_TRUE(FileExists(link));
        TShellLinkContents read = ReadShellLink(link);
        EXPECT_EQ(read.Path, c.target);
        EXPECT_EQ(read.WorkingDirectory, c.workingDirectory);
        EXPECT_EQ(read.Arguments, "");
        EXPECT_EQ(read.Description, "");
    }
}

TEST(ShellLink, EmptyDestinationPointsIntoTheCurrentDriveRoot)
{
    TempDir dir;
    CurrentDirectoryScope inDir(dir.Path());
    std::string link = dir.Path() + "Kelpa.lnk";
    CreateShortcut(link, "");
    TShellLinkContents read = ReadShellLink(link);
    EXPECT_EQ(read.Path, dir.Path().substr(0, 2) + "\\Kelpa.EXE");
    EXPECT_EQ(read.WorkingDirectory, "");
}

TEST(ShellLink, AnsiLinkNameReachesTheFileSystemAsUnicode)
{
    TempDir dir;
    std::string folder = dir.Path() + "Men\xFC"; // "Menü" in code page 1252
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    CreateShortcut(folder + "\\Kelpa.lnk", "C:\\Kelpa");
    std::wstring wide = AnsiToWide(dir.Path()) + L"Men\u00FC\\Kelpa.lnk";
    EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadShellLink(folder + "\\Kelpa.lnk").Path, "C:\\Kelpa\\Kelpa.EXE");
}

TEST(ShellLink, ExistingFileIsLeftByteIdentical)
{
    TempDir dir;
    const std::string content = std::string("not a shell link\0\x01\xFF", 20);
    struct Case {
        const char* name;
        DWORD attributes;
        WORD year;
    } cases[] = {
        {"plain", FILE_ATTRIBUTE_NORMAL, 2020},
        {"hidden", FILE_ATTRIBUTE_HIDDEN, 2020},
        // Dated before the earliest DOS date: still somebody's file.
        {"old", FILE_ATTRIBUTE_NORMAL, 1975},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string folder = dir.Path() + c.name;
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        std::string link = folder + "\\Kelpa.lnk";
        WriteFile(link, content);
        {
            FileHandle f(CreateFileA(link.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(f);
            SYSTEMTIME st{c.year, 6, 0, 15, 12, 0, 0, 0};
            FILETIME ft;
            ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
            ASSERT_TRUE(SetFileTime(f.get(), &ft, nullptr, &ft));
        }
        ASSERT_TRUE(SetFileAttributesA(link.c_str(), c.attributes));
        FILETIME before = LastWriteTime(link);

        EXPECT_NO_THROW(CreateShortcut(link, "C:\\Program Files\\Kelpa"));

        SetFileAttributesA(link.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadFile(link), content);
        FILETIME after = LastWriteTime(link);
        EXPECT_EQ(CompareFileTime(&before, &after), 0);
    }
}

TEST(ShellLink, DirectoryNamedLikeTheLinkGivesTheSaveFailure)
{
    TempDir dir;
    std::string link = dir.Path() + "Kelpa.lnk";
    ASSERT_TRUE(CreateDirectoryA(link.c_str(), nullptr));
    try {
        CreateShortcut(link, "C:\\Kelpa");
        FAIL() << "a directory was taken for an existing shortcut";
    } catch (const EOleSysError& e) {
        EXPECT_TRUE(FAILED(e.ErrorCode));
        std::string text = SysErrorMessage(static_cast<DWORD>(e.ErrorCode));
        EXPECT_FALSE(text.empty()) << "no system text for " << IntToHex(e.ErrorCode, 8);
        EXPECT_EQ(e.Message(), text);
    }
    EXPECT_TRUE(DirectoryExists(link));
}

TEST(ShellLink, MissingFolderIsNotCreatedAndGivesPathNotFound)
{
    TempDir dir;
    std::string folder = dir.Path() + "Start Menu";
    try {
        CreateShortcut(folder + "\\Kelpa.lnk", "C:\\Kelpa");
        FAIL() << "a shortcut was written into a missing folder";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
        EXPECT_EQ(e.Message(), SysErrorMessage(ERROR_PATH_NOT_FOUND));
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_FALSE(DirectoryExists(folder));
}
