#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "core/Exceptions.h"
#include "dirdlg/DirectoryListBox.h"
#include "dirdlg/FileListBox.h"
#include "harness/TestFiles.h"
#include "tests/UiTestSupport.h"
#include "tests/dirdlg/ChooserTestSupport.h"
#include "tests/dirdlg/DirTestSupport.h"
#include "ui/Forms.h"

namespace {
constexpr COLORREF Navy = RGB(0, 0, 128); // the executable glyph's title bar

std::vector<std::string> Names(const TFileListBox& aList)
{
    std::vector<std::string> names;
    for (int i = 0; i < aList.Count(); ++i)
        names.push_back(aList.Item(i));
    return names;
}
using Strings = std::vector<std::string>;
} // namespace

class FileListTest : public HostedListTest<TFileListBox> {
protected:
    void SetUp() override
    {
        for (const char* name : {"g.dat", "c.exe", "a.txt", "B.ini", "D.BAT", "e.Com", "f.pif"})
            MakeFile(Dir() + name);
        MakeFile(Dir() + "h.txt", FILE_ATTRIBUTE_HIDDEN);
        MakeFile(Dir() + "s.txt", FILE_ATTRIBUTE_SYSTEM);
        MakeDir(Dir() + "sub");
        MakeFile(Dir() + "sub\\inner.txt");
        PlaceList(Dir());
    }
    const std::string& Dir() const { return Tree.Path(); }
};

TEST_F(FileListTest, ListsSortedEntriesByMaskAndKind)
{
    EXPECT_EQ(List->ListedDir(), NoSlash(Dir()));
    EXPECT_EQ(List->Mask(), "*.*");
    // Hidden and system files and directories are left out by default.
    EXPECT_EQ(Names(*List), (Strings{"a.txt", "B.ini", "c.exe", "D.BAT", "e.Com", "f.pif", "g.dat"}));
    // Both patterns, sorted together.
    List->SetMask("*.txt;*.ini");
    EXPECT_EQ(Names(*List), (Strings{"a.txt", "B.ini"}));
    List->SetMask("*.ini;;*.txt");
    EXPECT_EQ(Names(*List), (Strings{"a.txt", "B.ini"}));
    List->SetMask("*.*");
    List->SetFileType(FileAttr(ftDirectory));
    // In the control's own order, whatever the locale puts first.
    Strings dirs = Names(*List);
    EXPECT_TRUE(std::is_permutation(dirs.begin(), dirs.end(), Strings{"[.]", "[..]", "[sub]"}.begin()));
    EXPECT_EQ(dirs.back(), "[sub]");
    List->SetFileType(FileAttr(ftHidden) | FileAttr(ftSystem));
    EXPECT_EQ(Names(*List), (Strings{"h.txt", "s.txt"}));
    List->SetFileType(FileAttr(ftNormal) | FileAttr(ftHidden));
    EXPECT_EQ(Names(*List), (Strings{"a.txt", "B.ini", "c.exe", "D.BAT", "e.Com", "f.pif", "g.dat", "h.txt"}));
}

TEST_F(FileListTest, ExecutablesGetTheirGlyphDrawnOnlyWhileGlyphsAreShown)
{
    for (int i = 0; i < List->Count(); ++i) {
        std::string name = List->Item(i);
        bool exe = name == "c.exe" || name == "D.BAT" || name == "e.Com" || name == "f.pif";
        EXPECT_EQ(List->LineGlyph(i), exe ? &List->ExecutableGlyph() : &List->UnknownGlyph()) << name;
        EXPECT_EQ(LeftmostColumn(*List, i, Navy), -1) << name;
    }
    List->SetShowGlyphs(true);
    EXPECT_GE(List->ItemHeight, List->ExecutableGlyph().Height() + 1);
    // The glyph at 2 and its title bar one pixel inside its frame.
    EXPECT_EQ(LeftmostColumn(*List, List->IndexOf("c.exe"), Navy), 3);
    EXPECT_EQ(LeftmostColumn(*List, List->IndexOf("a.txt"), Navy), -1);
    // Directories have the folder glyph only when listed with glyphs on.
    List->SetFileType(FileAttr(ftDirectory));
    EXPECT_EQ(List->LineGlyph(List->IndexOf("[sub]")), &List->FolderGlyph());
    // No line: background and focus only.
    EXPECT_EQ(LeftmostColumn(*List, -1, Navy, true), -1);
}

TEST_F(FileListTest, SelectionKeepsTheEditFieldAndEventUpToDate)
{
    auto* edit = new TEdit(Form.get());
    edit->SetBounds(8, 220, 200, 20);
    edit->SetParent(Form.get());
    List->SetFileEdit(edit);
    EXPECT_EQ(edit->Text(), "*.*");
    const int changes = Changes;
    List->SetSelectedName("C.EXE");
    EXPECT_EQ(List->SelectedName(), "c.exe");
    EXPECT_EQ(List->SelectedPath(), Dir() + "c.exe");
    EXPECT_EQ(edit->Text(), "c.exe");
    EXPECT_EQ(Changes, changes + 1);
    // The same name in other case is no change.
    List->SetSelectedName("c.EXE");
    EXPECT_EQ(Changes, changes + 1);
    List->SetSelectedName("nothing.txt");
    EXPECT_EQ(List->ItemIndex(), -1);
    EXPECT_EQ(List->SelectedPath(), "");
    EXPECT_EQ(edit->Text(), "*.*");

    // A click on a line runs the change once.
    RECT r;
    SendMessageA(List->Handle(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2);
    SendMessageA(List->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(List->Handle(), WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_EQ(edit->Text(), "B.ini");
    delete edit;
    EXPECT_EQ(List->FileEdit(), nullptr);
    List->SetSelectedName("a.txt");
    EXPECT_EQ(List->SelectedName(), "a.txt");
}

TEST_F(FileListTest, FollowPathMovesMasksOrSelects)
{
    List->FollowPath(Dir() + "sub");
    EXPECT_EQ(List->ListedDir(), Dir() + "sub");
    EXPECT_EQ(List->Mask(), "*.*");
    EXPECT_EQ(Names(*List), (Strings{"inner.txt"}));
    List->FollowPath(Dir() + "*.ini");
    EXPECT_EQ(List->ListedDir(), NoSlash(Dir()));
    EXPECT_EQ(List->Mask(), "*.ini");
    // A file the mask hides is shown by its own name.
    List->FollowPath(Dir() + "g.dat");
    EXPECT_EQ(List->Mask(), "g.dat");
    EXPECT_EQ(List->SelectedName(), "g.dat");
    List->FollowPath(Dir() + "g.dat");
    // A name that is not a file is taken for a directory, which cannot be entered.
    try {
        List->FollowPath(Dir() + "missing.dat");
        ADD_FAILURE() << "no exception";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(List->SelectedName(), "g.dat");
    // A linked directory list takes the directory and passes it on.
    auto* dirs = new TDirectoryListBox(Form.get());
    dirs->SetParent(Form.get());
    dirs->SetFileList(List);
    List->FollowPath(Dir() + "sub\\inner.txt");
    EXPECT_EQ(dirs->CurrentDir(), Dir() + "sub");
    EXPECT_EQ(List->ListedDir(), Dir() + "sub");
    EXPECT_EQ(List->SelectedName(), "inner.txt");
}

TEST_F(FileListTest, FailuresKeepTheEntriesAndTheSettings)
{
    TDirSystemScope seam;
    InstallFakeDrives();
    const Strings before = Names(*List);
    const std::string sub = Dir() + "sub";
    const struct {
        const char* What;
        std::function<void()> Arrange, Act;
        int Code;
    } rows[] = {
        {"a missing folder", [] {}, [&] { List->SetListedDir(Dir() + "missing"); }, ERROR_FILE_NOT_FOUND},
        // A search that fails for a reason other than "no entries" raises.
        {"a pattern in a missing folder", [] {}, [&] { List->SetMask("missing\\*.txt"); }, ERROR_PATH_NOT_FOUND},
        {"a folder that cannot be listed", [&] { FakeDrives().Unlisted = sub; }, [&] { List->SetListedDir(sub); },
         ERROR_ACCESS_DENIED},
        {"a search that fails part way", [&] { FakeDrives().BrokenList = Dir(); }, [&] { List->SetMask("*.txt"); },
         ERROR_ACCESS_DENIED},
        {"the folder listed, read again", [&] { FakeDrives().BrokenList = Dir(); }, [&] { List->Refill(); },
         ERROR_ACCESS_DENIED},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.What);
        FakeDrives().Reset();
        row.Arrange();
        try {
            row.Act();
            ADD_FAILURE() << "no exception";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode, row.Code);
        }
        EXPECT_EQ(List->ListedDir(), NoSlash(Dir()));
        EXPECT_EQ(List->Mask(), "*.*");
        EXPECT_EQ(Names(*List), before);
    }
    FakeDrives().Reset();
    // No entries is an empty list, not a failure.
    List->SetMask("*.none");
    EXPECT_EQ(List->Count(), 0);
    EXPECT_EQ(List->SelectedName(), "");
}

TEST_F(FileListTest, ListedDirWithoutAWindowMovesTheProcessButAddsNoLines)
{
    auto* unplaced = new TFileListBox(Form.get());
    unplaced->SetListedDir(Dir() + "sub");
    EXPECT_EQ(Cwd(), Dir() + "sub");
    EXPECT_EQ(unplaced->ListedDir(), Dir() + "sub");
    EXPECT_EQ(unplaced->Count(), 0);
    // Without lines there is nothing to select, and nothing fails.
    int changes = 0;
    unplaced->OnChange = [&](TComponent*) { ++changes; };
    unplaced->SetSelectedName("inner.txt");
    EXPECT_EQ(unplaced->SelectedName(), "");
    EXPECT_EQ(unplaced->ItemIndex(), -1);
    EXPECT_EQ(changes, 1);
    unplaced->SetParent(Form.get());
    EXPECT_EQ(Names(*unplaced), (Strings{"inner.txt"}));
}
