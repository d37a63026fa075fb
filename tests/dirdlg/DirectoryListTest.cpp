#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/Exceptions.h"
#include "core/Strings.h"
#include "dirdlg/DirPaths.h"
#include "dirdlg/DirSystem.h"
#include "dirdlg/DirectoryListBox.h"
#include "dirdlg/FileListBox.h"
#include "dirdlg/PathLabel.h"
#include "harness/TestFiles.h"
#include "tests/UiTestSupport.h"
#include "tests/dirdlg/ChooserTestSupport.h"
#include "tests/dirdlg/DirTestSupport.h"
#include "ui/Forms.h"

namespace {
constexpr COLORREF Olive = RGB(128, 128, 0); // every folder glyph's outline
constexpr COLORREF Blue = RGB(0, 0, 255);    // the page in the current folder

struct Line {
    std::string Text;
    TDirLineKind Kind;
    std::string Path;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Line& l)
{
    return os << "{" << l.Text << ", " << static_cast<int>(l.Kind) << ", " << l.Path << "}";
}

std::vector<Line> Lines(const TDirectoryListBox& aList)
{
    std::vector<Line> lines;
    for (int i = 0; i < aList.Count(); ++i)
        lines.push_back({aList.Item(i), aList.LineKind(i), aList.LinePath(i)});
    return lines;
}

// The volume flags the directory list is given instead of the real ones.
DWORD FakeFlags = 0;
BOOL WINAPI FlagsOnly(LPCSTR, LPSTR, DWORD, LPDWORD, LPDWORD, LPDWORD aFlags, LPSTR, DWORD)
{
    *aFlags = FakeFlags;
    return TRUE;
}
BOOL WINAPI NoVolume(LPCSTR, LPSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPSTR, DWORD)
{
    SetLastError(ERROR_NOT_READY);
    return FALSE;
}

class VolumeFlagsOverride {
public:
    explicit VolumeFlagsOverride(decltype(TDirSystem::GetVolumeInformationA) aCall)
        : FSaved(DirSystem().GetVolumeInformationA)
    {
        DirSystem().GetVolumeInformationA = aCall;
    }
    ~VolumeFlagsOverride() { DirSystem().GetVolumeInformationA = FSaved; }

private:
    decltype(TDirSystem::GetVolumeInformationA) FSaved;
};
} // namespace

class DirectoryListTest : public HostedListTest<TDirectoryListBox> {
protected:
    void SetUp() override
    {
        MakeDir(Tree.Path() + "Alpha");
        MakeDir(Beta());
        for (const char* name : {"zeta", "Eta", "eta2", "Mu"})
            MakeDir(Beta() + "\\" + name);
        MakeDir(Beta() + "\\hid", FILE_ATTRIBUTE_HIDDEN);
        MakeDir(Beta() + "\\sys", FILE_ATTRIBUTE_SYSTEM);
        MakeFile(Beta() + "\\f.txt");
        // The list starts in the process's current directory: the scratch
        // tree, wherever the tests run from.
        PlaceList(Tree.Path());
    }
    std::string Beta() const { return Tree.Path() + "Alpha\\Beta"; }
    // The open-folder lines from the drive root down to the tree, then the tree's own.
    std::vector<Line> AncestorsOf(const std::string& aDir) const
    {
        std::vector<Line> lines;
        std::string path = aDir.substr(0, 2);
        size_t start = 3;
        lines.push_back({path + "\\", TDirLineKind::dlkOpen, path + "\\"});
        while (start < aDir.size()) {
            size_t end = aDir.find('\\', start);
            if (end == std::string::npos)
                end = aDir.size();
            path = aDir.substr(0, end);
            lines.push_back({aDir.substr(start, end - start), TDirLineKind::dlkOpen, path});
            start = end + 1;
        }
        return lines;
    }
};

TEST_F(DirectoryListTest, ShowsRootAncestorsCurrentAndSortedVisibleSubDirectories)
{
    EXPECT_EQ(List->CurrentDir(), NoSlash(Tree.Path()));
    EXPECT_EQ(List->LineKind(List->CurrentIndex()), TDirLineKind::dlkCurrent);
    List->SetCurrentDir(Beta());
    EXPECT_EQ(List->CurrentDir(), Beta());
    EXPECT_EQ(Cwd(), Beta()) << "the process directory is left where the list is";
    EXPECT_EQ(Changes, 1);
    std::vector<Line> expected = AncestorsOf(Beta());
    expected.back().Kind = TDirLineKind::dlkCurrent;
    // Sorted without regard to case; hidden and system directories and files left out.
    for (const char* name : {"Eta", "eta2", "Mu", "zeta"})
        expected.push_back({name, TDirLineKind::dlkClosed, Beta() + "\\" + name});
    EXPECT_EQ(Lines(*List), expected);
    EXPECT_EQ(List->CurrentIndex(), static_cast<int>(AncestorsOf(Beta()).size()) - 1);
    EXPECT_EQ(List->ItemIndex(), List->CurrentIndex());
    EXPECT_EQ(List->DriveLetter(), Beta()[0]);
}

TEST_F(DirectoryListTest, DriveRootIsOneCurrentLineAndLineZeroOpensIt)
{
    const std::string root = Beta().substr(0, 3);
    List->SetCurrentDir(root);
    ASSERT_GE(List->Count(), 1);
    EXPECT_EQ(List->Item(0), root);
    EXPECT_EQ(List->LineKind(0), TDirLineKind::dlkCurrent);
    EXPECT_EQ(List->LinePath(0), root);
    for (int i = 1; i < List->Count(); ++i)
        EXPECT_EQ(List->LineKind(i), TDirLineKind::dlkClosed) << List->Item(i);

    // A double click on line 0 of a deep directory opens the root.
    List->SetCurrentDir(Beta());
    RECT r;
    SendMessageA(List->Handle(), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM(r.left + 30, (r.top + r.bottom) / 2);
    SendMessageA(List->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(List->Handle(), WM_LBUTTONUP, 0, at);
    SendMessageA(List->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(List->Handle(), WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_EQ(List->CurrentDir(), root);
}

TEST_F(DirectoryListTest, EnterOpensTheSelectedLineAndBracketedNamesOpenSubDirectories)
{
    ErrorRecorder errors;
    List->SetCurrentDir(Beta());
    // Enter goes to the list, not to the form's default button.
    auto* ok = new TButton(Form.get());
    ok->Default = true;
    ok->SetBounds(300, 250, 75, 25);
    ok->SetParent(Form.get());
    Form->DefaultButton = ok;
    int pressed = 0;
    ok->OnClick = [&](TComponent*) { ++pressed; };
    Form->Show();
    List->SetFocus();
    List->SetItemIndex(List->CurrentIndex() + 3); // Mu
    PressKey(VK_RETURN);
    EXPECT_EQ(List->CurrentDir(), Beta() + "\\Mu");
    EXPECT_EQ(pressed, 0);
    EXPECT_TRUE(errors.Shown.empty());

    // Bracketed: a sub-directory of the process's current directory.
    ASSERT_TRUE(SetCurrentDirectoryA(Beta().c_str()));
    List->SetCurrentDir("[Eta]");
    EXPECT_EQ(List->CurrentDir(), Beta() + "\\Eta");
    // A relative name is taken relative to the directory shown.
    List->SetCurrentDir("..\\zeta");
    EXPECT_EQ(List->CurrentDir(), Beta() + "\\zeta");
    // The same directory in other letter case is no change.
    int before = Changes;
    std::string upper = List->CurrentDir();
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    List->SetCurrentDir(upper);
    EXPECT_EQ(Changes, before);
}

TEST_F(DirectoryListTest, NothingSelectedOrNoLineIsNoPathAndNoMove)
{
    List->SetCurrentDir(Beta());
    List->SetItemIndex(-1);
    List->OpenSelected();
    EXPECT_EQ(List->CurrentDir(), Beta());
    EXPECT_EQ(List->LinePath(-1), "");
    EXPECT_EQ(List->LinePath(List->Count()), "");
    // Drawing no line paints the background and the focus only.
    EXPECT_EQ(LeftmostColumn(*List, -1, Olive, true), -1);
    // Only letters are drives.
    List->SetDriveLetter('\0');
    List->SetDriveLetter('1');
    EXPECT_EQ(List->CurrentDir(), Beta());
}

TEST_F(DirectoryListTest, AFailedChangeLeavesDirectoryLinesAndLabelAsTheyWere)
{
    auto* label = new TPathLabel(Form.get());
    label->SetBounds(8, 220, 400, 16);
    label->SetParent(Form.get());
    List->SetDirLabel(label);
    List->SetCurrentDir(Beta());
    const auto lines = Lines(*List);
    const std::string caption = label->Text();
    const int changes = Changes;

    // A line whose directory went away meanwhile.
    ASSERT_TRUE(RemoveDirectoryA((Beta() + "\\Mu").c_str()));
    List->SetItemIndex(List->CurrentIndex() + 3);
    EXPECT_THROW(List->OpenSelected(), EInOutError);
    // A directory on a drive that does not exist.
    EXPECT_THROW(List->SetCurrentDir("Q:\\nowhere"), EInOutError);
    EXPECT_THROW(List->SetDriveLetter('Q'), EInOutError);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(List->CurrentDir(), Beta());
        EXPECT_EQ(Lines(*List), lines);
        EXPECT_EQ(label->Text(), caption);
        EXPECT_EQ(Changes, changes);
        EXPECT_FALSE(List->InDriveChange());
        // A directory that vanished under the list: its search fails and
        // the lines stay.
        ASSERT_TRUE(SetCurrentDirectoryA(Tree.Path().c_str()));
        RemoveTree(Beta());
        try {
            List->Rebuild();
            ADD_FAILURE() << "no exception";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode, ERROR_PATH_NOT_FOUND);
        }
    }
}

TEST_F(DirectoryListTest, FailuresInsideExistingFoldersKeepTheLinesAndNameADriveThatIsNotReady)
{
    TDirSystemScope seam;
    TTestDrive cd(DRIVE_CDROM, "Disc");
    ASSERT_NE(0, cd.Letter());
    MakeDir(cd.Folder() + "sub");
    MakeDir(cd.Folder() + "sub\\deeper");
    InstallFakeDrives();
    const std::string eta = Beta() + "\\Eta";
    const std::string onDisc = cd.Root() + "sub\\deeper";
    const std::string notReady = std::string("Drive ") + cd.Letter() + ": has no medium or is not ready";
    auto eject = [&] { FakeDrives().NotReady = std::string(1, cd.Letter()); };
    auto openLine = [&](int anIndex) {
        List->SetItemIndex(anIndex);
        List->OpenSelected();
    };
    struct {
        const char* What;
        std::string Shown;
        std::function<void()> Arrange, Act;
        int Code;
        std::string Message; // "": the system's
    } const rows[] = {
        {"a folder that cannot be listed", Beta(), [&] { FakeDrives().Unlisted = eta; },
         [&] { List->SetCurrentDir(eta); }, ERROR_ACCESS_DENIED, ""},
        {"a search that fails part way", Beta(), [&] { FakeDrives().BrokenList = eta; },
         [&] { List->SetCurrentDir(eta); }, ERROR_ACCESS_DENIED, ""},
        {"the folder shown, read again", Beta(), [&] { FakeDrives().BrokenList = Beta(); }, [&] { List->Rebuild(); },
         ERROR_ACCESS_DENIED, ""},
        {"a line opened on an ejected disc", onDisc, eject, [&] { openLine(1); }, ERROR_NOT_READY, notReady},
        {"a directory written on it", onDisc, eject, [&] { List->SetCurrentDir(cd.Root() + "sub"); }, ERROR_NOT_READY,
         notReady},
        {"a relative one", onDisc, eject, [&] { List->SetCurrentDir(".."); }, ERROR_NOT_READY, notReady},
        {"its lines read again", onDisc, eject, [&] { List->Rebuild(); }, ERROR_NOT_READY, notReady},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.What);
        FakeDrives().Reset();
        List->SetCurrentDir(row.Shown);
        const auto lines = Lines(*List);
        const int changes = Changes;
        row.Arrange();
        try {
            row.Act();
            ADD_FAILURE() << "no exception";
        } catch (const EInOutError& e) {
            EXPECT_EQ(row.Code, e.ErrorCode);
            if (!row.Message.empty()) {
                EXPECT_EQ(row.Message, e.Message());
            }
        }
        EXPECT_EQ(row.Shown, List->CurrentDir());
        EXPECT_EQ(lines, Lines(*List));
        EXPECT_EQ(changes, Changes);
        FakeDrives().Reset();
    }
    ASSERT_TRUE(SetCurrentDirectoryA(Tree.Path().c_str()));
}

TEST_F(DirectoryListTest, GlyphsAndIndentFollowTheLevels)
{
    TTestShare share("IndentShare");
    MakeDir(share.Folder() + "Alpha");
    MakeDir(share.Folder() + "Alpha\\Inner");
    MakeDir(share.Folder() + "Top");
    struct {
        std::string Dir;
        // The current-folder line (or, at a share's root, the root's line).
        int Current;
        // Where the sub-directories' glyphs begin.
        int ClosedIndent;
    } const rows[] = {
        // Ancestors step in by 4 pixels a line; the sub-directories sit one
        // step below the current directory.
        {Beta(), PathLevel(Beta()), (PathLevel(Beta()) + 1) * 4 + 2},
        // At a drive root they sit two steps below the root's line.
        {Beta().substr(0, 3), 0, 10},
        // Under a share the same: the backslashes of \\server\share are no levels.
        {share.Path() + "\\Alpha", 1, 10},
        {share.Path(), 0, 10},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Dir);
        List->SetCurrentDir(row.Dir);
        ASSERT_EQ(row.Current, List->CurrentIndex());
        ASSERT_LT(row.Current + 1, List->Count()) << "a sub-directory to draw";
        for (int i = 0; i <= row.Current; ++i)
            EXPECT_EQ(LeftmostColumn(*List, i, Olive), i * 4 + 2) << List->Item(i);
        for (int i = row.Current + 1; i < List->Count(); ++i)
            EXPECT_EQ(LeftmostColumn(*List, i, Olive), row.ClosedIndent) << List->Item(i);
        // Only the current line has the current-folder glyph; a share's root
        // is an open folder.
        for (int i = 0; i < List->Count(); ++i)
            EXPECT_EQ(LeftmostColumn(*List, i, Blue) >= 0, List->LineKind(i) == TDirLineKind::dlkCurrent)
                << List->Item(i);
    }
    ASSERT_TRUE(SetCurrentDirectoryA(Tree.Path().c_str()));
}

TEST_F(DirectoryListTest, NamesAreLoweredOnlyOnAVolumeThatNeitherKeepsNorComparesCase)
{
    List->SetCurrentDir(Beta());
    const int eta = List->CurrentIndex() + 1;
    EXPECT_TRUE(List->PreserveCase());
    EXPECT_EQ(List->ShownText(eta), "Eta");
    {
        FakeFlags = 0;
        VolumeFlagsOverride flags(&FlagsOnly);
        List->Rebuild();
        EXPECT_FALSE(List->PreserveCase());
        EXPECT_EQ(List->ShownText(eta), "eta");
        EXPECT_EQ(List->LinePath(eta), Beta() + "\\Eta");
        FakeFlags = FILE_CASE_SENSITIVE_SEARCH;
        List->Rebuild();
        EXPECT_TRUE(List->CaseSensitive());
        EXPECT_TRUE(List->PreserveCase());
        EXPECT_EQ(List->ShownText(eta), "Eta");
    }
    {
        // Flags that cannot be read: names as stored, compared without case.
        VolumeFlagsOverride flags(&NoVolume);
        List->Rebuild();
        EXPECT_TRUE(List->PreserveCase());
        EXPECT_FALSE(List->CaseSensitive());
    }
}

TEST_F(DirectoryListTest, LinksFollowTheListAndClearWhenTheLinkedControlGoes)
{
    auto* files = new TFileListBox(Form.get());
    files->SetBounds(220, 8, 200, 200);
    files->SetParent(Form.get());
    // Wide enough for any path the list can show: nothing is shortened.
    auto* label = new TPathLabel(Form.get());
    label->SetBounds(8, 220, 3000, 16);
    label->SetParent(Form.get());
    List->SetFileList(files);
    List->SetDirLabel(label);
    EXPECT_EQ(files->DirList(), List);
    EXPECT_EQ(label->Text(), List->CurrentDir());

    List->SetCurrentDir(Beta());
    EXPECT_EQ(files->ListedDir(), Beta());
    EXPECT_EQ(files->Count(), 1); // f.txt
    EXPECT_EQ(label->Text(), Beta());

    // Another directory list takes the file list over.
    auto* other = new TDirectoryListBox(Form.get());
    other->SetFileList(files);
    EXPECT_EQ(List->FileList(), nullptr);
    EXPECT_EQ(files->DirList(), other);
    delete other;
    EXPECT_EQ(files->DirList(), nullptr);

    List->SetFileList(files);
    delete files;
    delete label;
    EXPECT_EQ(List->FileList(), nullptr);
    EXPECT_EQ(List->DirLabel(), nullptr);
    List->SetCurrentDir(Beta() + "\\Eta");
    EXPECT_EQ(List->CurrentDir(), Beta() + "\\Eta");
}

TEST_F(DirectoryListTest, ALinkedDriveListIsAskedToSwitchAndPutBackOnFailure)
{
    List->SetCurrentDir(Beta());
    const auto lines = Lines(*List);
    // A directory on the other drive of the prefix, which goes away while
    // the drive list switches.
    const std::string elsewhere = Format("Z:\\tmp\\klp_dirdlg_%lu", GetCurrentProcessId());
    MakeDir(elsewhere);
    std::vector<char> asked;
    TComponent driveList(nullptr);
    List->SetDriveList(&driveList, [&](char aDrive) {
        asked.push_back(aDrive);
        EXPECT_TRUE(List->InDriveChange());
        List->DriveChanged(aDrive);
        RemoveDirectoryA(elsewhere.c_str());
    });
    List->SetCurrentDir(Beta() + "\\Eta");
    EXPECT_TRUE(asked.empty()) << "same drive";
    List->SetCurrentDir(Beta());

    EXPECT_THROW(List->SetCurrentDir(elsewhere), EInOutError);
    EXPECT_EQ(asked, (std::vector<char>{'Z', Beta()[0]}));
    EXPECT_EQ(List->CurrentDir(), Beta());
    EXPECT_EQ(Lines(*List), lines);
    EXPECT_FALSE(List->InDriveChange());
    RemoveDirectoryA(elsewhere.c_str());
    List->SetDriveList(nullptr, nullptr);
    EXPECT_EQ(List->DriveList(), nullptr);
}

namespace {
UINT ErrorMode = 0;
std::vector<UINT> ModesSet;
bool QuietDuringQuery = false;
UINT WINAPI RecordErrorMode(UINT aMode)
{
    ModesSet.push_back(aMode);
    return std::exchange(ErrorMode, aMode);
}
BOOL WINAPI CheckQuiet(LPCSTR, LPSTR, DWORD, LPDWORD, LPDWORD, LPDWORD aFlags, LPSTR, DWORD)
{
    QuietDuringQuery = (ErrorMode & SEM_FAILCRITICALERRORS) != 0;
    *aFlags = FILE_CASE_PRESERVED_NAMES;
    return TRUE;
}
} // namespace

TEST_F(DirectoryListTest, FileSystemCallsRunWithTheCriticalErrorBoxOffAndPutTheModeBack)
{
    ErrorMode = 0x8000; // SEM_NOOPENFILEERRORBOX, as a caller might have set it
    ModesSet.clear();
    auto savedMode = DirSystem().SetErrorMode;
    DirSystem().SetErrorMode = &RecordErrorMode;
    {
        VolumeFlagsOverride flags(&CheckQuiet);
        List->SetCurrentDir(Beta());
        EXPECT_THROW(List->SetCurrentDir("Q:\\nowhere"), EInOutError);
    }
    DirSystem().SetErrorMode = savedMode;
    EXPECT_TRUE(QuietDuringQuery);
    EXPECT_EQ(ErrorMode, 0x8000u);
    ASSERT_FALSE(ModesSet.empty());
    // Every scope sets the quiet mode and puts back what it found.
    for (size_t i = 0; i < ModesSet.size(); ++i) {
        if (ModesSet[i] != SEM_FAILCRITICALERRORS) {
            EXPECT_EQ(ModesSet[i], 0x8000u) << i;
        }
    }
}

class PathLabelDpiTest : public testing::TestWithParam<int> {};

TEST_P(PathLabelDpiTest, LabelShortensTheDirectoryToItsWidth)
{
    TempDir tree;
    CurrentDirectoryScope guard;
    std::string deep = tree.Path() + "first directory";
    MakeDir(deep);
    for (const char* name : {"second directory", "third directory", "Last"}) {
        deep += std::string("\\") + name;
        MakeDir(deep);
    }
    std::unique_ptr<TForm> form(NewHostForm(GetParam()));
    auto* list = new TDirectoryListBox(form.get());
    list->SetBounds(form->Scale(8), form->Scale(8), form->Scale(145), form->Scale(100));
    list->SetParent(form.get());
    auto* label = new TPathLabel(form.get());
    label->SetBounds(form->Scale(8), form->Scale(120), form->Scale(160), form->Scale(13));
    label->SetParent(form.get());
    list->SetDirLabel(label);
    list->SetCurrentDir(deep);

    std::string caption = label->Text();
    EXPECT_EQ(caption.substr(0, 7), deep.substr(0, 3) + "...\\");
    EXPECT_EQ(caption.substr(caption.size() - 5), "\\Last");
    HDC dc = GetDC(label->Handle());
    SelectObjectScope font(dc, reinterpret_cast<HFONT>(SendMessageA(label->Handle(), WM_GETFONT, 0, 0)));
    SIZE extent;
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    ReleaseDC(label->Handle(), dc);
    EXPECT_LE(extent.cx, form->Scale(160));
    EXPECT_EQ(label->ShownText(), caption);

    // A label that sizes itself fits the path to the list's width instead.
    // This one is wide enough for any path the list can show.
    label->AutoSize = true;
    label->SetBounds(form->Scale(8), form->Scale(120), form->Scale(3000), form->Scale(13));
    list->SetCurrentDir(deep + "\\..");
    EXPECT_NE(label->Text(), ExtractFileDir(deep));
    EXPECT_LT(label->Text().size(), ExtractFileDir(deep).size());
    // With room enough the path is shown whole.
    label->AutoSize = false;
    list->SetCurrentDir(deep);
    EXPECT_EQ(label->Text(), deep);
    EXPECT_EQ(label->ShownText(), deep);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, PathLabelDpiTest, testing::Values(96, 120));

TEST(PathLabel, AnAmpersandIsShownAsItIs)
{
    std::unique_ptr<TForm> form(NewHostForm());
    auto* label = new TPathLabel(form.get());
    label->SetBounds(8, 8, 400, 16);
    label->SetParent(form.get());
    HDC dc = GetDC(label->Handle());
    SelectObjectScope font(dc, reinterpret_cast<HFONT>(SendMessageA(label->Handle(), WM_GETFONT, 0, 0)));
    auto width = [&](const std::string& aText) {
        SIZE extent;
        GetTextExtentPoint32A(dc, aText.c_str(), static_cast<int>(aText.size()), &extent);
        return static_cast<int>(extent.cx);
    };
    // The text as it is, and as an accelerator's prefix would leave it.
    const struct {
        std::string Caption, Prefixed;
    } rows[] = {
        {"C:\\Tom & Jerry", "C:\\Tom  Jerry"},
        {"C:\\A&&B\\&x", "C:\\A&B\\x"},
        {"C:\\dir\\end&", "C:\\dir\\end"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Caption);
        label->SetText(row.Caption);
        EXPECT_EQ(row.Caption, label->ShownText());
        // The last pixel drawn lies beyond where the prefixed text would end.
        int ink = RightmostInk(*label);
        EXPECT_GE(ink, width(row.Prefixed));
        EXPECT_LT(ink, width(row.Caption));
    }
    ReleaseDC(label->Handle(), dc);
}

TEST(ListItemHeight, FontAndGlyphGiveTheHeightUnlessTheFormSetsOne)
{
    TempDir tree;
    CurrentDirectoryScope inTree(tree.Path());
    std::unique_ptr<TForm> form(NewHostForm());
    auto* measured = new TDirectoryListBox(form.get());
    measured->SetParent(form.get());
    auto* described = new TDirectoryListBox(form.get());
    described->ItemHeight = 17;
    described->SetParent(form.get());
    auto* files = new TFileListBox(form.get());
    files->ItemHeight = 13;
    files->SetParent(form.get());
    auto height = [](TWinControl* aList) {
        return static_cast<int>(SendMessageA(aList->Handle(), LB_GETITEMHEIGHT, 0, 0));
    };
    // The form's small font is lower than the folder glyph.
    EXPECT_EQ(height(measured), 16);
    EXPECT_EQ(height(described), 17);
    EXPECT_EQ(height(files), 13);
    // A new font measures again.
    LOGFONTA lf{};
    lf.lfHeight = -30;
    lstrcpyA(lf.lfFaceName, "Tahoma");
    FontHandle big(CreateFontIndirectA(&lf));
    SendMessageA(described->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(big.get()), FALSE);
    SendMessageA(files->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(big.get()), FALSE);
    EXPECT_EQ(height(described), FontLineHeight(big.get()));
    EXPECT_EQ(height(files), FontLineHeight(big.get()));
    form.reset();
}
