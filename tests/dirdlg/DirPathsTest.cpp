#include <gtest/gtest.h>

#include <functional>

#include "core/Exceptions.h"
#include "dirdlg/DirFiles.h"
#include "dirdlg/DirPaths.h"
#include "dirdlg/DirSystem.h"
#include "dirdlg/PathLabel.h"
#include "harness/TestFiles.h"
#include "tests/dirdlg/DirTestSupport.h"

namespace {
constexpr UINT ShiftJis = 932;
// Shift-JIS characters whose trail byte is a backslash or a closing bracket.
const std::string So = "\x83\x5C";  // katakana so
const std::string Hyo = "\x95\x5C"; // kanji for "table"
const std::string Zo = "\x83\x5D";  // katakana zo

struct PathRow {
    std::string In;
    UINT CodePage;
    std::string Out;
};

// One pixel per byte: the steps of the shortening are plain to see.
int ByteWidth(const std::string& s)
{
    return static_cast<int>(s.size());
}
} // namespace

TEST(DirPaths, JoinPathAddsOneBackslashUnlessTheLastCharacterIsOne)
{
    const PathRow rows[] = {
        {"C:\\", 1252, "C:\\a"},
        {"C:\\x", 1252, "C:\\x\\a"},
        {"", 1252, "\\a"},
        {"\\\\srv\\share\\", 1252, "\\\\srv\\share\\a"},
        {"C:\\" + So, ShiftJis, "C:\\" + So + "\\a"},
        {"C:\\" + Hyo, ShiftJis, "C:\\" + Hyo + "\\a"},
        {"C:\\" + Hyo, 1252, "C:\\" + Hyo + "a"},
        {"C:\\" + So + "\\", ShiftJis, "C:\\" + So + "\\a"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(JoinPath(r.In, "a", r.CodePage), r.Out) << r.In << " cp " << r.CodePage;
}

TEST(DirPaths, PathLevelCountsRealBackslashesOnly)
{
    const struct {
        std::string Path;
        UINT CodePage;
        int Level;
    } rows[] = {
        {"", 1252, 0},
        {"C:\\", 1252, 1},
        {"C:\\alpha\\beta", 1252, 2},
        {"\\\\srv\\share\\a", 1252, 4},
        {"C:\\" + So + "\\" + Hyo, ShiftJis, 2},
        {"C:\\" + So + "\\" + Hyo, 1252, 4},
    };
    for (const auto& r : rows)
        EXPECT_EQ(PathLevel(r.Path, r.CodePage), r.Level) << r.Path << " cp " << r.CodePage;
}

TEST(DirPaths, DropFirstDirectoryStepByStep)
{
    const PathRow rows[] = {
        {"\\", 1252, ""},
        {"\\alpha\\beta\\", 1252, "\\...\\beta\\"},
        {"\\...\\beta\\", 1252, "\\...\\"},
        {"\\...\\", 1252, "\\"},
        {"...\\", 1252, ""},
        {"alpha\\beta\\", 1252, "...\\beta\\"},
        {"beta\\", 1252, "...\\"},
        // The first step on a UNC directory part makes it longer.
        {"\\\\srv\\share\\a\\", 1252, "\\...\\srv\\share\\a\\"},
        {"\\...\\srv\\share\\a\\", 1252, "\\...\\share\\a\\"},
        // A name that begins with a dot is a name, not the marker.
        {"\\.git\\x\\y\\", 1252, "\\...\\x\\y\\"},
        {"\\" + So + "\\b\\", ShiftJis, "\\...\\b\\"},
        {"\\" + So + "\\b\\", 1252, "\\...\\\\b\\"},
        {"\\a" + Hyo + "\\", ShiftJis, "\\...\\"},
    };
    for (const auto& r : rows) {
        std::string s = r.In;
        DropFirstDirectory(s, r.CodePage);
        EXPECT_EQ(s, r.Out) << r.In << " cp " << r.CodePage;
    }
}

TEST(DirPaths, FitPathToWidthNarrowsStepByStep)
{
    const struct {
        std::string Path;
        int MaxWidth;
        UINT CodePage;
        std::string Out;
    } rows[] = {
        {"C:\\alpha\\beta\\gamma\\file.txt", 100, 1252, "C:\\alpha\\beta\\gamma\\file.txt"},
        {"C:\\alpha\\beta\\gamma\\file.txt", 28, 1252, "C:\\alpha\\beta\\gamma\\file.txt"},
        {"C:\\alpha\\beta\\gamma\\file.txt", 27, 1252, "C:\\...\\beta\\gamma\\file.txt"},
        {"C:\\alpha\\beta\\gamma\\file.txt", 21, 1252, "C:\\...\\gamma\\file.txt"},
        {"C:\\alpha\\beta\\gamma\\file.txt", 20, 1252, "C:\\...\\file.txt"},
        {"C:\\alpha\\beta\\gamma\\file.txt", 12, 1252, "...\\file.txt"},
        {"C:\\alpha\\beta\\gamma\\file.txt", 11, 1252, "file.txt"},
        // With no room at all the bare name is left, still too wide.
        {"C:\\alpha\\beta\\gamma\\file.txt", 0, 1252, "file.txt"},
        {"C:\\alpha\\beta", 11, 1252, "C:\\...\\beta"},
        {"C:\\alpha\\beta", 8, 1252, "...\\beta"},
        {"C:\\alpha\\beta", 2, 1252, "beta"},
        {"C:\\", 0, 1252, ""},
        {"C:file", 0, 1252, "file"},
        {"\\\\srv\\share\\a\\f", 9, 1252, "\\...\\a\\f"},
        {"\\\\srv\\share\\a\\f", 5, 1252, "...\\f"},
        {"\\\\srv\\share\\a\\f", 0, 1252, "f"},
        // Double-byte names: the trail byte 0x5C is not a separator.
        {"C:\\a\\b" + Hyo + "\\file.txt", 16, ShiftJis, "C:\\...\\file.txt"},
        {"C:\\a\\b" + Hyo + "\\file.txt", 16, 1252, "C:\\...\\\\file.txt"},
        {"C:\\dir\\" + So, 6, ShiftJis, "...\\" + So},
        {"C:\\dir\\" + So, 0, ShiftJis, So},
    };
    for (const auto& r : rows)
        EXPECT_EQ(FitPathToWidth(r.Path, ByteWidth, r.MaxWidth, r.CodePage), r.Out)
            << r.Path << " in " << r.MaxWidth << " cp " << r.CodePage;
}

TEST(DirPaths, DrivePartOfDriveAndUncPaths)
{
    const PathRow rows[] = {
        {"C:\\alpha", 1252, "C:"},
        {"c:", 1252, "c:"},
        {"\\\\srv\\share\\alpha", 1252, "\\\\srv\\share"},
        {"\\\\srv\\share", 1252, "\\\\srv\\share"},
        {"\\\\srv", 1252, "\\\\srv"},
        {"\\\\s" + So + "\\share\\x", ShiftJis, "\\\\s" + So + "\\share"},
        {"\\alpha", 1252, ""},
        {"alpha", 1252, ""},
        // Only letters are drives.
        {"1:\\alpha", 1252, ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(DrivePart(r.In, r.CodePage), r.Out) << r.In;
    EXPECT_EQ(PathDriveLetter("d:\\x"), 'd');
    EXPECT_EQ(PathDriveLetter("\\\\srv\\share"), 0);
    EXPECT_EQ(PathDriveLetter("@:"), 0);
}

TEST(DirPaths, FontLineHeightIsTheTextMetricHeight)
{
    LOGFONTA lf{};
    lf.lfHeight = -20;
    lstrcpyA(lf.lfFaceName, "Tahoma");
    FontHandle font(CreateFontIndirectA(&lf));
    int height = FontLineHeight(font.get());
    EXPECT_GE(height, 20);
    EXPECT_LT(height, 30);
    EXPECT_GT(FontLineHeight(nullptr), 0);
}

class SplitEditPathTest : public testing::Test {
protected:
    void SetUp() override
    {
        MakeDir(Tree.Path() + "sub");
        MakeFile(Tree.Path() + "sub\\file.txt");
        MakeDir(Tree.Path() + "sub\\deeper");
    }
    TempDir Tree;
    CurrentDirectoryScope Guard;
    // The tree's path without drive and trailing backslash.
    std::string Dir() const { return WithoutDrive(NoSlash(Tree.Path())); }
    char Drive() const { return Tree.Path()[0]; }
    // The tree's path with its drive letter in the other case.
    std::string LowerDrivePath() const
    {
        return std::string(1, static_cast<char>(Drive() | 0x20)) + Tree.Path().substr(1);
    }
};

TEST_F(SplitEditPathTest, DirectoriesFilesPatternsAndBracketedEntries)
{
    const char drive = Drive();
    const std::string lower = LowerDrivePath();
    ASSERT_TRUE(SetCurrentDirectoryA((Tree.Path() + "sub").c_str()));
    const struct {
        std::string Text;
        char Drive;
        std::string DirPart, FilePart;
    } rows[] = {
        {Tree.Path() + "sub", drive, Dir() + "\\sub", ""},
        {Tree.Path() + "sub\\", drive, Dir() + "\\sub", ""},
        {Tree.Path() + "sub\\file.txt", drive, Dir() + "\\sub", "file.txt"},
        {Tree.Path() + "*.txt", drive, Dir(), "*.txt"},
        {Tree.Path() + "sub\\fi?e.*", drive, Dir() + "\\sub", "fi?e.*"},
        // The letter comes back as typed.
        {lower + "sub", static_cast<char>(drive | 0x20), Dir() + "\\sub", ""},
        // Relative to the current directory: a bracketed file-list entry, a
        // bare directory name and a bare file name.
        {"[deeper]", drive, Dir() + "\\sub\\deeper", ""},
        {"deeper", drive, Dir() + "\\sub\\deeper", ""},
        {"file.txt", drive, Dir() + "\\sub", "file.txt"},
        {"\\", drive, "\\", ""},
    };
    for (const auto& r : rows) {
        TEditPath split = SplitEditPath(r.Text);
        EXPECT_EQ(split.Drive, r.Drive) << r.Text;
        EXPECT_EQ(split.DirPart, r.DirPart) << r.Text;
        EXPECT_EQ(split.FilePart, r.FilePart) << r.Text;
        // The directory it found is the one it leaves.
        EXPECT_EQ(Cwd(), Tree.Path() + "sub") << r.Text;
    }
}

namespace {
int DirectoryChanges = 0;
BOOL WINAPI CountingChange(LPCSTR aPath)
{
    ++DirectoryChanges;
    return SetCurrentDirectoryA(aPath);
}
} // namespace

// A full path of an existing directory in plain form comes apart as text, with
// the parts the walk gives; anything else is still walked.
TEST_F(SplitEditPathTest, APlainFullPathOfAnExistingDirectoryIsNotWalked)
{
    const char drive = Drive();
    const std::string lower = LowerDrivePath();
    ASSERT_TRUE(SetCurrentDirectoryA((Tree.Path() + "sub").c_str()));
    const struct {
        std::string Text;
        char Drive;
        std::string DirPart;
        bool Walked;
    } rows[] = {
        {Tree.Path() + "sub", drive, Dir() + "\\sub", false},
        {Tree.Path() + "sub\\", drive, Dir() + "\\sub", false},
        {lower + "sub", static_cast<char>(drive | 0x20), Dir() + "\\sub", false},
        {Tree.Path().substr(0, 3), drive, "\\", false},
        {Tree.Path() + "sub\\.\\deeper", drive, Dir() + "\\sub\\.\\deeper", true},
        {Tree.Path() + "sub\\\\deeper", drive, Dir() + "\\sub\\deeper", true},
        {Tree.Path() + "sub/deeper", drive, Dir() + "\\sub/deeper", true},
        {Tree.Path().substr(0, 2), drive, Dir() + "\\sub", true},
        {"[deeper]", drive, Dir() + "\\sub\\deeper", true},
    };
    TDirSystem saved = DirSystem();
    DirSystem().SetCurrentDirectoryA = &CountingChange;
    for (const auto& r : rows) {
        DirectoryChanges = 0;
        TEditPath split = SplitEditPath(r.Text);
        EXPECT_EQ(split.Drive, r.Drive) << r.Text;
        EXPECT_EQ(split.DirPart, r.DirPart) << r.Text;
        EXPECT_EQ(split.FilePart, "") << r.Text;
        EXPECT_EQ(r.Walked, DirectoryChanges > 0) << r.Text;
        EXPECT_EQ(Cwd(), Tree.Path() + "sub") << r.Text;
    }
    DirSystem() = saved;
}

TEST_F(SplitEditPathTest, DoubleByteNamesEndingInABackslashOrBracketByte)
{
    // Under the process's single-byte code page these bytes name "ƒ" plus a
    // separator; read as Shift-JIS they are one character. The directories
    // exist under their single-byte reading.
    MakeDir(Tree.Path() + "\x83");
    MakeDir(Tree.Path() + "[\x83\x5D");
    ASSERT_TRUE(SetCurrentDirectoryA(Tree.Path().c_str()));
    TEditPath so = SplitEditPath(Tree.Path() + So, ShiftJis);
    EXPECT_EQ(so.DirPart, Dir() + "\\" + So);
    EXPECT_EQ(so.FilePart, "");
    TEditPath single = SplitEditPath(Tree.Path() + So, 1252);
    EXPECT_EQ(single.DirPart, Dir() + "\\\x83");
    // "[" + zo does not end in a bracket: it is a name, not a file-list entry.
    TEditPath zo = SplitEditPath("[" + Zo, ShiftJis);
    EXPECT_EQ(zo.DirPart, Dir() + "\\[" + Zo);
    EXPECT_EQ(zo.FilePart, "");
    EXPECT_EQ(Cwd(), NoSlash(Tree.Path()));
}

TEST_F(SplitEditPathTest, AFailedChangeRaisesAndStillRestoresTheDirectory)
{
    ASSERT_TRUE(SetCurrentDirectoryA(Tree.Path().c_str()));
    const std::string texts[] = {Tree.Path() + "missing\\x", Tree.Path() + "missing\\deeper\\*.txt", "[missing]",
                                 "Q:\\nowhere"};
    for (const auto& text : texts) {
        EXPECT_THROW(SplitEditPath(text), EInOutError) << text;
        EXPECT_EQ(Cwd(), NoSlash(Tree.Path())) << text;
    }
}

TEST(DirFiles, ChangesSearchesAndExpansionsReportTheSystemCode)
{
    TempDir tree;
    CurrentDirectoryScope guard;
    int count = 0;
    const struct {
        const char* What;
        std::function<void()> Act;
        int Code;
        const char* Message; // null: not checked
    } rows[] = {
        {"change to a missing folder", [&] { ChangeDirectory(tree.Path() + "missing"); }, ERROR_FILE_NOT_FOUND,
         "File not found"},
        {"search a missing folder",
         [&] { SearchDirectory(tree.Path() + "missing\\*.*", 0, [&](const WIN32_FIND_DATAA&) { ++count; }); },
         ERROR_PATH_NOT_FOUND, nullptr},
        // Longer than the system expands an 8-bit name: raised, not returned
        // as it came.
        {"expand an overlong name", [&] { FullPath(std::string(300, 'a')); }, ERROR_FILENAME_EXCED_RANGE, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.What);
        try {
            row.Act();
            ADD_FAILURE() << "no exception";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode, row.Code);
            if (row.Message) {
                EXPECT_EQ(e.Message(), row.Message);
            }
        }
        EXPECT_EQ(Cwd(), guard.Saved());
    }
    // No entries is an empty result.
    SearchDirectory(tree.Path() + "*.none", 0, [&](const WIN32_FIND_DATAA&) { ++count; });
    EXPECT_EQ(count, 0);
    ChangeDirectory(tree.Path());
    EXPECT_EQ(CurrentDirectory(), NoSlash(tree.Path()));
    EXPECT_EQ(FullPath("a\\..\\b"), tree.Path() + "b");
    EXPECT_EQ(FullPath(""), "");
}
