// Walking a path towards its root: every step is shorter, roots of every form
// end the walk, double-byte names are never cut at a trail byte; the deepest
// existing part of a start directory; creating a directory with its parents.
#include <gtest/gtest.h>

#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "dirdlg/DirTree.h"
#include "harness/TestFiles.h"
#include "tests/cab/CabTestSupport.h"
#include "tests/dirdlg/ChooserTestSupport.h"

namespace {
struct TParentRow {
    const char* Path;
    const char* Parent;
    UINT CodePage = 1252;
};

const TParentRow kParents[] = {
    {"C:\\alpha\\beta", "C:\\alpha"},
    {"C:\\alpha", "C:\\"},
    {"C:\\alpha\\", "C:\\"},
    {"C:\\", ""},
    {"C:", ""},
    {"C:name", "C:"},
    {"C:\\alpha\\\\\\beta\\\\", "C:\\alpha"}, // repeated backslashes
    {"C:\\\\alpha", "C:\\"},
    {"\\\\srv\\share\\alpha", "\\\\srv\\share\\"},
    {"\\\\srv\\share\\", ""},
    {"\\\\srv\\share", ""},
    {"\\\\srv", ""},
    {"\\\\", ""},
    {"\\\\\\\\", ""},
    {"\\alpha", "\\"},
    {"\\", ""},
    {"alpha\\beta", "alpha"},
    {"alpha", ""},
    {"", ""},
    // Code page 932: the trail byte 0x5C of "so" (83 5C) and "hyo" (95 5C)
    // is not a separator.
    {"C:\\\x83\x5C", "C:\\", 932},
    {"C:\\\x95\x5C\\x", "C:\\\x95\x5C", 932},
    {"C:\\a\\\x83\x5C\\", "C:\\a", 932},
    {"\\\\srv\\\x83\x5C\\x", "\\\\srv\\\x83\x5C\\", 932},
};
} // namespace

TEST(DirTree, ParentsAreStrictlyShorterAndEveryWalkEndsAtARoot)
{
    for (const TParentRow& row : kParents) {
        SCOPED_TRACE(row.Path);
        EXPECT_EQ(row.Parent, ParentDirectory(row.Path, row.CodePage));
        // Walking up ends after at most one step per character.
        std::string path = row.Path;
        size_t steps = 0;
        while (!path.empty() && steps <= strlen(row.Path)) {
            std::string parent = ParentDirectory(path, row.CodePage);
            EXPECT_LT(parent.size(), path.size());
            path = parent;
            ++steps;
        }
        EXPECT_TRUE(path.empty());
    }
    EXPECT_TRUE(IsRootDirectory("\\\\srv\\share\\", 1252));
    EXPECT_FALSE(IsRootDirectory("\\\\srv\\share\\a", 1252));
    EXPECT_FALSE(IsRootDirectory("\\\\srv\\\x83\x5C\\x", 932));
    EXPECT_EQ("C:\\", WithoutTrailingBackslashes("C:\\\\\\", 1252));
    EXPECT_EQ("C:\\\x83\x5C", WithoutTrailingBackslashes("C:\\\x83\x5C", 932));
}

TEST(DirTree, DeepestExistingDirectoryStopsAtWhatExistsAndAtDrivesThatCannotBeEntered)
{
    TDirSystemScope seam;
    TempDir root;
    ASSERT_TRUE(CreateDirectoryA((root.Path() + "alpha").c_str(), nullptr));
    WriteFile(root.Path() + "file.txt", "x");
    std::string alpha = root.Path() + "alpha";
    EXPECT_EQ(alpha, DeepestExistingDirectory(alpha));
    EXPECT_EQ(alpha, DeepestExistingDirectory(alpha + "\\\\"));
    EXPECT_EQ(alpha, DeepestExistingDirectory(alpha + "\\missing\\deeper\\"));
    // A file is not a directory: its folder is the deepest one.
    EXPECT_EQ(root.Path().substr(0, root.Path().size() - 1), DeepestExistingDirectory(root.Path() + "file.txt\\x"));

    // A drive letter that does not exist, and one whose medium is missing.
    const char missing = MissingDriveLetter();
    ASSERT_NE(0, missing);
    EXPECT_EQ("", DeepestExistingDirectory(std::string(1, missing) + ":\\Kelpa"));
    TTestDrive cd(DRIVE_CDROM, "Disc");
    ASSERT_NE(0, cd.Letter());
    ASSERT_TRUE(CreateDirectoryA((cd.Folder() + "sub").c_str(), nullptr));
    EXPECT_EQ(cd.Root() + "sub", DeepestExistingDirectory(cd.Root() + "sub\\missing"));
    InstallFakeDrives();
    FakeDrives().NotReady = std::string(1, cd.Letter());
    EXPECT_EQ("", DeepestExistingDirectory(cd.Root() + "sub\\missing"));
}

TEST(DirTree, CreatesMissingParentsOutermostFirstAndReportsAFailureWithItsCode)
{
    TempDir root;
    std::string deep = root.Path() + "one\\\\two\\three\\";
    CreateDirectoryPath(deep);
    EXPECT_TRUE(DirectoryExists(root.Path() + "one\\two\\three"));
    // Already there: nothing to do, no error.
    CreateDirectoryPath(deep);

    WriteFile(root.Path() + "file.txt", "x");
    struct {
        std::string Path;
        int Code;
    } const failures[] = {
        {"", ERROR_PATH_NOT_FOUND},
        {root.Path() + "file.txt", ERROR_ALREADY_EXISTS},
        {root.Path() + "file.txt\\below", -1},
        {"\\\\klpnoserver\\noshare\\dir", -1},
    };
    for (const auto& row : failures) {
        SCOPED_TRACE(row.Path);
        EInOutError error = Raised<EInOutError>([&] { CreateDirectoryPath(row.Path); });
        EXPECT_EQ("Unable to create directory", error.Message());
        if (row.Code >= 0)
            EXPECT_EQ(row.Code, error.ErrorCode);
        else
            EXPECT_NE(0, error.ErrorCode);
    }
}
