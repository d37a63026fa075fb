// The directory chooser run modally by BrowseDirectory, driven from inside its
// own message loop: layout and buttons, the start directory (never silently
// replaced), OK, Cancel, the confirmation, creation, a drive that cannot be
// entered, Enter in the directory list, the Network button, and no window or
// GDI object left behind.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "core/Handle.h"
#include "core/Strings.h"
#include "dirdlg/DirFiles.h"
#include "dirdlg/DirPaths.h"
#include "dirdlg/DirectoryListBox.h"
#include "dirdlg/DriveComboBox.h"
#include "dirdlg/FileListBox.h"
#include "dirdlg/PathLabel.h"
#include "dirdlg/SelectDirDlg.h"
#include "dirdlg/SelectDirIds.h"
#include "harness/SearchCounter.h"
#include "tests/UiTestSupport.h"
#include "tests/cab/CabTestSupport.h"
#include "tests/dirdlg/ChooserTestSupport.h"
#include "tests/dirdlg/DirTestSupport.h"
#include "ui/Application.h"

namespace {
using TStep = TModalDriver::TStep;

// The chooser that is shown now, or null.
TSelectDirDlg* ShownChooser()
{
    HWND wnd = FindOwnWindow("Select Directory");
    return wnd ? dynamic_cast<TSelectDirDlg*>(TWinControl::FromHandle(wnd)) : nullptr;
}

// Waits for the chooser, then runs a check on it.
TStep OnChooser(std::function<void(TSelectDirDlg&)> aCheck)
{
    return [aCheck] {
        TSelectDirDlg* dialog = ShownChooser();
        if (!dialog)
            return false;
        aCheck(*dialog);
        return true;
    };
}

TStep Press(int anId)
{
    return OnChooser([anId](TSelectDirDlg& d) { PostClick(d.Handle(), anId); });
}

bool SamePath(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::string NoSlashAtEnd(std::string aPath)
{
    if (aPath.size() > 3 && aPath.back() == '\\')
        aPath.pop_back();
    return aPath;
}

class Chooser : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectoryA((Root.Path() + "alpha").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((Root.Path() + "alpha\\beta").c_str(), nullptr));
        WriteFile(Root.Path() + "alpha\\note.txt", "x");
        ASSERT_TRUE(SetCurrentDirectoryA(Root.Path().c_str()));
    }
    // Runs BrowseDirectory with the steps acting on it; fails the test when a
    // step failed or did not finish.
    bool Browse(std::string& aDirectory, TBrowseDirOptions anOptions, int aHelpContext, std::vector<TStep> aSteps)
    {
        TModalDriver driver(std::move(aSteps));
        bool accepted = BrowseDirectory(aDirectory, anOptions, aHelpContext);
        EXPECT_EQ("", driver.Failure());
        EXPECT_TRUE(driver.Done()) << "the dialog closed before every step ran";
        return accepted;
    }
    std::string Alpha() const { return Root.Path() + "alpha"; }

    // Declared first, removed last: the seam's scope has put the current
    // directory back by then, so nothing keeps the folder.
    TempDir Root;
    TDirSystemScope Seam;
    ErrorRecorder Errors;
};
} // namespace

TEST_F(Chooser, WithoutHelpTheButtonsMoveRightAndTheLabelSharesTheFieldsPlace)
{
    for (int help : {0, 7}) {
        SCOPED_TRACE(help);
        std::string directory = Alpha();
        Browse(directory, 0, help,
               {OnChooser([&](TSelectDirDlg& d) {
                    ASSERT_EQ(96, d.PixelsPerInch()) << "positions are checked at 96 dpi";
                    EXPECT_EQ(help ? 172 : 256, d.OKButton->BoundsRect().left);
                    EXPECT_EQ(help ? 256 : 340, d.CancelButton->BoundsRect().left);
                    EXPECT_EQ(help != 0, d.HelpButton->Visible());
                    RECT label = d.DirLabel->BoundsRect(), edit = d.DirEdit->BoundsRect();
                    EXPECT_EQ(edit.left, label.left);
                    EXPECT_EQ(edit.top, label.top);
                    // Without bdEditablePath the label shows the path and no field.
                    EXPECT_TRUE(d.DirLabel->Visible());
                    EXPECT_FALSE(d.DirEdit->Visible());
                    EXPECT_EQ(d.DirList->Handle(), GetFocus());
                    EXPECT_EQ(GetSysColor(COLOR_GRAYTEXT), d.FileList->FontColor);
                }),
                Press(sdCancel)});
    }
    EXPECT_TRUE(Errors.Shown.empty());
}

namespace {
// A control's place in the client area: left, top, width, height.
struct TBounds {
    int Left, Top, Width, Height;
    bool operator==(const TBounds&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TBounds& b)
{
    return os << "{" << b.Left << ", " << b.Top << ", " << b.Width << ", " << b.Height << "}";
}

TBounds BoundsOf(HWND aChild)
{
    RECT r;
    GetWindowRect(aChild, &r);
    MapWindowPoints(nullptr, GetParent(aChild), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::string TextOf(HWND aWnd)
{
    char text[256] = {};
    GetWindowTextA(aWnd, text, sizeof text);
    return text;
}

// Every window of the chooser with its Help button shown, at 96 and at 144
// dpi (each length times 1.5, halves rounded up). The directory list's
// height is rounded down to whole lines of its item height, plus its border.
struct TLayoutRow {
    int Id;
    const char* Text; // null: not checked (the path)
    TBounds At96, At144;
    int Focuses = 0; // a label's accelerator: the control it focuses
    char Accelerator = 0;
};

const TLayoutRow kLayout[] = {
    {sdDirEdit, nullptr, {8, 24, 313, 20}, {12, 36, 470, 30}},
    {sdDirEditLabel, "Directory &Name:", {8, 8, 92, 13}, {12, 12, 138, 20}, sdDirEdit, 'N'},
    {sdDriveList, nullptr, {232, 192, 185, 19}, {348, 288, 278, 29}},
    {sdDriveLabel, "D&rives:", {232, 176, 41, 13}, {348, 264, 62, 20}, sdDriveList, 'R'},
    {sdDirLabel, nullptr, {8, 24, 313, 20}, {12, 36, 470, 30}},
    {sdDirList, nullptr, {8, 72, 213, 123}, {12, 108, 320, 186}},
    {sdDirListLabel, "&Directories:", {8, 56, 66, 13}, {12, 84, 99, 20}, sdDirList, 'D'},
    {sdFileList, nullptr, {232, 72, 185, 93}, {348, 108, 278, 140}},
    {sdFileListLabel, "&Files: (*.*)", {232, 56, 57, 13}, {348, 84, 86, 20}, sdFileList, 'F'},
    {sdNetButton, "Ne&twork...", {8, 224, 77, 27}, {12, 336, 116, 41}},
    {sdOK, "OK", {172, 224, 77, 27}, {258, 336, 116, 41}},
    {sdCancel, "Cancel", {256, 224, 77, 27}, {384, 336, 116, 41}},
    {sdHelpButton, "&Help", {340, 224, 77, 27}, {510, 336, 116, 41}},
};

struct TResolutionRow {
    int Dpi;
    SIZE Client;
    int DirItem, FileItem, DriveItem;
    // Centred with each size halved before the subtraction after scaling,
    // with the difference halved at 96 dpi.
    bool HalvesFirst;
    // The controls' bounds are checked at 96 and 144 dpi.
    bool Controls = true;
};

const TResolutionRow kResolutions[] = {
    {96, {424, 255}, 17, 13, 13, false},
    {144, {636, 383}, 26, 20, 20, true},
    // An odd outer width (477 + 6), where the two ways of centring differ;
    // the file list's lines are its font's (14), not 13 scaled (15).
    {108, {477, 287}, 19, 14, 14, true, false},
};
} // namespace

TEST_F(Chooser, TheLayoutAtBothResolutions)
{
    for (const TResolutionRow& res : kResolutions) {
        SCOPED_TRACE(res.Dpi);
        std::unique_ptr<TSelectDirDlg> dialog = NewSelectDirDlg(Alpha(), bdEditablePath, 7, res.Dpi);
        TModalDriver driver({OnChooser([&](TSelectDirDlg& d) {
                                 HWND wnd = d.Handle();
                                 EXPECT_EQ("Select Directory", TextOf(wnd));
                                 RECT client, frame;
                                 GetClientRect(wnd, &client);
                                 GetWindowRect(wnd, &frame);
                                 EXPECT_EQ(res.Client.cx, client.right);
                                 EXPECT_EQ(res.Client.cy, client.bottom);
                                 const int width = frame.right - frame.left, height = frame.bottom - frame.top;
                                 const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
                                 EXPECT_EQ(res.HalvesFirst ? sw / 2 - width / 2 : (sw - width) / 2, frame.left);
                                 EXPECT_EQ(res.HalvesFirst ? sh / 2 - height / 2 : (sh - height) / 2, frame.top);
                                 for (const TLayoutRow& row : kLayout) {
                                     if (!res.Controls)
                                         break;
                                     SCOPED_TRACE(row.Id);
                                     HWND child = GetDlgItem(wnd, row.Id);
                                     ASSERT_NE(nullptr, child);
                                     EXPECT_EQ(res.Dpi == 96 ? row.At96 : row.At144, BoundsOf(child));
                                     if (row.Text) {
                                         EXPECT_EQ(row.Text, TextOf(child));
                                     }
                                     if (!row.Focuses)
                                         continue;
                                     auto* label = dynamic_cast<TLabel*>(TWinControl::FromHandle(child));
                                     ASSERT_NE(nullptr, label);
                                     EXPECT_EQ(row.Accelerator, label->Accelerator());
                                     ASSERT_NE(nullptr, label->FocusControl());
                                     EXPECT_EQ(GetDlgItem(wnd, row.Focuses), label->FocusControl()->Handle());
                                     // ... and lies just above it, where a screen reader and the
                                     // dialog manager's mnemonic look for a field's label.
                                     EXPECT_EQ(GetWindow(child, GW_HWNDNEXT), label->FocusControl()->Handle());
                                 }
                                 // Tab order: the controls that take the focus, in the
                                 // order Tab visits them.
                                 std::vector<int> order;
                                 for (HWND c = GetWindow(wnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                                     if (GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP)
                                         order.push_back(GetDlgCtrlID(c));
                                 EXPECT_EQ((std::vector<int>{sdDirList, sdDirEdit, sdDriveList, sdNetButton, sdOK,
                                                             sdCancel, sdFileList, sdHelpButton}),
                                           order);
                                 EXPECT_EQ(res.DirItem, SendMessageA(d.DirList->Handle(), LB_GETITEMHEIGHT, 0, 0));
                                 EXPECT_EQ(res.FileItem, SendMessageA(d.FileList->Handle(), LB_GETITEMHEIGHT, 0, 0));
                                 EXPECT_EQ(res.DriveItem, SendMessageA(d.DriveList->Handle(), CB_GETITEMHEIGHT, 0, 0));
                                 EXPECT_EQ(d.DirList->Handle(), GetFocus());
                             }),
                             Press(sdCancel)});
        dialog->ShowModal();
        EXPECT_EQ("", driver.Failure());
        EXPECT_TRUE(driver.Done());
    }
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(Chooser, TheNetworkButtonIsShownExactlyWhenTheConnectionDialogIsFound)
{
    // The system's own lookup: Wine has the dialog in its network router.
    TNetConnectDialog real = TDirSystem::SystemNetConnectDialog();
    EXPECT_NE(nullptr, real.Entry);
    InstallFakeDrives();
    for (bool found : {false, true}) {
        FakeDrives().HasConnectDialog = found;
        std::string directory = Alpha();
        Browse(directory, 0, 0,
               {OnChooser([&](TSelectDirDlg& d) {
                    EXPECT_EQ(found, d.NetButton->Visible());
                    EXPECT_EQ(found, d.NetConnectEntry() != nullptr);
                }),
                Press(sdCancel)});
    }
}

// Opening lists the start directory once per list, after the dialog's last
// move there.
TEST_F(Chooser, OpeningSearchesTheStartDirectoryOncePerList)
{
    for (const std::string& start : {Alpha() + "\\beta", Alpha()}) {
        SCOPED_TRACE(start);
        ASSERT_TRUE(SetCurrentDirectoryA(Root.Path().c_str()));
        TSearchCounter searches(start);
        std::string directory = start;
        Browse(directory, bdEditablePath, 0,
               {OnChooser([&](TSelectDirDlg&) { EXPECT_EQ(2, searches.Count()); }), Press(sdCancel)});
    }
}

// The moves a user makes take a few changes of directory and search each list
// once: the lists never go back to the old drive on the way, and a full path
// is not walked again to be taken apart.
TEST_F(Chooser, ADrivePickOrAnOpenedLineChangesDirectoryAFewTimesAndSearchesEachListOnce)
{
    TTestDrive other(DRIVE_FIXED, "Other");
    ASSERT_NE(0, other.Letter());
    ASSERT_TRUE(CreateDirectoryA((other.Folder() + "sub").c_str(), nullptr));
    InstallFakeDrives();
    std::unique_ptr<TSelectDirDlg> dialog = NewSelectDirDlg(Alpha(), 0, 0, 96);
    const char home = PathDriveLetter(Alpha());
    auto openLine = [&](TDirLineKind aKind) {
        for (int i = 0; i < dialog->DirList->Count(); ++i)
            if (dialog->DirList->LineKind(i) == aKind) {
                dialog->DirList->SetItemIndex(i);
                dialog->DirList->OpenSelected();
                return;
            }
        ADD_FAILURE() << "no such line";
    };
    struct {
        const char* Move;
        std::function<void()> Act;
        int MaxChanges;
    } const rows[] = {
        {"pick the other drive", [&] { dialog->DriveList->SetSelectedDrive(other.Letter()); }, 4},
        {"open a sub-directory", [&] { openLine(TDirLineKind::dlkClosed); }, 3},
        {"open the root", [&] { dialog->DirList->SetItemIndex(0), dialog->DirList->OpenSelected(); }, 3},
        {"pick the first drive again", [&] { dialog->DriveList->SetSelectedDrive(home); }, 4},
        {"open a sub-directory there", [&] { openLine(TDirLineKind::dlkClosed); }, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Move);
        const std::string before = dialog->DirList->CurrentDir();
        FakeDrives().Reset();
        row.Act();
        const std::string now = dialog->DirList->CurrentDir();
        EXPECT_FALSE(SamePath(before, now)) << now;
        EXPECT_TRUE(SamePath(now, dialog->FileList->ListedDir())) << dialog->FileList->ListedDir();
        EXPECT_LE(FakeDrives().DirectoryChanges, row.MaxChanges);
        // The directory list and the file list, once each, and nothing else.
        EXPECT_EQ(2, FakeDrives().SearchesOf(now));
        EXPECT_EQ(2u, FakeDrives().SearchedDirs.size());
    }
    dialog.reset();
    EXPECT_TRUE(Errors.Shown.empty());
}

// Where the process is when the chooser is asked for.
enum class TBefore {
    bfRoot,     // the scratch folder
    bfRemoved,  // a folder removed meanwhile
    bfUnlisted, // a folder that can be entered but not listed
    bfEjected,  // a drive whose medium went
};

TEST_F(Chooser, TheChooserAlwaysOpensWhereItCanListKeepingTheStartText)
{
    TTestDrive cd(DRIVE_CDROM, "Disc");
    ASSERT_NE(0, cd.Letter());
    ASSERT_TRUE(CreateDirectoryA((cd.Folder() + "sub").c_str(), nullptr));
    const char missing = MissingDriveLetter();
    ASSERT_NE(0, missing);
    TTestShare share("ChooserStart");
    ASSERT_TRUE(CreateDirectoryA((share.Folder() + "sub").c_str(), nullptr));
    InstallFakeDrives();
    FakeDrives().NotReady = std::string(1, cd.Letter());
    const std::string cwd = NoSlashAtEnd(Root.Path());
    const std::string locked = Root.Path() + "locked";
    ASSERT_TRUE(CreateDirectoryA(locked.c_str(), nullptr));
    char windows[MAX_PATH + 1] = {};
    ASSERT_GT(GetSystemWindowsDirectoryA(windows, sizeof windows), 3u);
    const std::string systemRoot = std::string(windows, 3);
    const std::string driveRoot = Root.Path().substr(0, 3);

    struct {
        std::string Start;
        std::string ListsAt;
        TBefore Before = TBefore::bfRoot;
    } const rows[] = {
        {Alpha() + "\\", Alpha()}, // exists: kept with its backslash
        {Alpha() + "\\beta", Alpha() + "\\beta"},
        {Alpha() + "\\missing\\deeper", Alpha()}, // a first installation
        {Alpha() + "\\\\missing\\\\", Alpha()},
        {Alpha() + "\\note.txt\\x", Alpha()},        // a file is no directory
        {std::string(1, missing) + ":\\Kelpa", cwd}, // no such drive
        {cd.Root() + "sub", cwd},                    // drive without its medium
        {"alpha\\beta", Alpha() + "\\beta"},         // relative to the current directory
        {driveRoot, driveRoot},
        {"", cwd},                    // nothing to start at: the field stays empty
        {std::string(300, 'a'), cwd}, // longer than the system expands
        {locked + "\\below", cwd},    // can be entered, not listed
        {share.Path() + "\\Kelpa", share.Path()},
        {share.Path() + "\\sub\\missing", share.Path() + "\\sub"},
        // The folder, medium or share the chooser was last left in went away.
        {Alpha() + "\\beta", Alpha() + "\\beta", TBefore::bfRemoved},
        {"", systemRoot, TBefore::bfRemoved},
        {std::string(1, missing) + ":\\Kelpa", systemRoot, TBefore::bfRemoved},
        {"", systemRoot, TBefore::bfUnlisted},
        {cd.Root() + "sub", systemRoot, TBefore::bfEjected},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Start + " from " + std::to_string(static_cast<int>(row.Before)));
        FakeDrives().Unlisted = locked;
        ASSERT_TRUE(SetCurrentDirectoryA(Root.Path().c_str()));
        switch (row.Before) {
        case TBefore::bfRoot: break;
        case TBefore::bfRemoved: {
            const std::string gone = Root.Path() + "gone";
            ASSERT_TRUE(CreateDirectoryA(gone.c_str(), nullptr));
            ASSERT_TRUE(SetCurrentDirectoryA(gone.c_str()));
            ASSERT_EQ(0, RunUnix("rm -rf '" + UnixPath(gone) + "'"));
            break;
        }
        case TBefore::bfUnlisted: ASSERT_TRUE(SetCurrentDirectoryA(locked.c_str())); break;
        // Entered while the medium was in: past the seam.
        case TBefore::bfEjected: ASSERT_TRUE(SetCurrentDirectoryA((cd.Root() + "sub").c_str())); break;
        }
        std::string directory = row.Start;
        bool accepted =
            Browse(directory, bdEditablePath, 0,
                   {OnChooser([&](TSelectDirDlg& d) {
                        EXPECT_TRUE(SamePath(row.ListsAt, d.DirList->CurrentDir())) << d.DirList->CurrentDir();
                        EXPECT_EQ(row.Start, d.DirEdit->Text());
                        EXPECT_TRUE(d.DirEdit->Visible());
                        EXPECT_FALSE(d.DirLabel->Visible());
                        EXPECT_EQ(toupper(PathDriveLetter(row.ListsAt)), toupper(d.DriveList->SelectedDrive()));
                        EXPECT_GT(d.DirList->Count(), 0);
                    }),
                    Press(sdOK)});
        EXPECT_TRUE(accepted);
        EXPECT_EQ(row.Start, directory) << "OK without typing returns the start text";
        EXPECT_TRUE(SamePath(row.ListsAt, Cwd())) << "the process stays where the chooser left it: " << Cwd();
    }
    EXPECT_TRUE(Errors.Shown.empty());
    // Out of the drive's and the share's folders before they go.
    ASSERT_TRUE(SetCurrentDirectoryA(Root.Path().c_str()));
}

// ChosenDir written on a dialog that is open: the lists move where they can,
// and otherwise stay with the drive list and the process.
TEST_F(Chooser, WritingChosenDirMovesTheListsOnlyWhereTheyCanGo)
{
    TTestShare share("ChosenDir");
    InstallFakeDrives();
    const std::string locked = Root.Path() + "locked";
    ASSERT_TRUE(CreateDirectoryA(locked.c_str(), nullptr));
    FakeDrives().Unlisted = locked;
    std::unique_ptr<TSelectDirDlg> dialog = NewSelectDirDlg(Alpha(), bdEditablePath, 0, 96);
    struct {
        std::string Value;
        std::string ListsAt;
    } const rows[] = {
        {Alpha() + "\\beta\\missing", Alpha() + "\\beta"},
        {std::string(1, MissingDriveLetter()) + ":\\nowhere", Alpha() + "\\beta"}, // no such drive
        {locked, Alpha() + "\\beta"},                                              // can be entered, not listed
        {"", Alpha() + "\\beta"},
        {share.Path() + "\\x", share.Path()},
        {Alpha(), Alpha()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Value);
        dialog->SetChosenDir(row.Value);
        EXPECT_TRUE(SamePath(row.ListsAt, dialog->DirList->CurrentDir())) << dialog->DirList->CurrentDir();
        EXPECT_TRUE(SamePath(row.ListsAt, dialog->FileList->ListedDir())) << dialog->FileList->ListedDir();
        EXPECT_EQ(toupper(PathDriveLetter(row.ListsAt)), toupper(dialog->DriveList->SelectedDrive()));
        EXPECT_TRUE(SamePath(row.ListsAt, Cwd())) << Cwd();
        EXPECT_EQ(row.Value, dialog->DirEdit->Text());
    }
    dialog.reset();
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(Chooser, OkReturnsTheTypedTextOrTheListsDirectoryAndCancelChangesNothing)
{
    std::string typed = Root.Path() + "new place\\";
    std::string directory = Alpha();
    EXPECT_TRUE(Browse(directory, bdEditablePath, 0,
                       {OnChooser([&](TSelectDirDlg& d) { d.DirEdit->SetText(typed); }), Press(sdOK)}));
    EXPECT_EQ(typed, directory);
    EXPECT_FALSE(DirectoryExists(typed)) << "nothing is created without bdCreateOnOk";

    // Without the edit field: the directory the lists show.
    directory = Alpha() + "\\";
    EXPECT_TRUE(Browse(directory, 0, 0, {Press(sdOK)}));
    EXPECT_TRUE(SamePath(Alpha(), directory)) << directory;

    directory = Alpha();
    EXPECT_FALSE(Browse(directory, bdEditablePath, 0,
                        {OnChooser([&](TSelectDirDlg& d) { d.DirEdit->SetText("elsewhere"); }), Press(sdCancel)}));
    EXPECT_EQ(Alpha(), directory);
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(Chooser, AMissingDirectoryIsConfirmedAndCreatedOnlyWhenAsked)
{
    std::string wanted = Root.Path() + "made\\\\deeper\\";
    auto type = OnChooser([&](TSelectDirDlg& d) { d.DirEdit->SetText(wanted); });
    auto answer = [](int aButton, std::string* aText) -> TStep {
        return [aButton, aText] {
            HWND box = FindOwnMessageBox();
            if (!box)
                return false;
            *aText = MessageBoxText(box);
            PostClick(box, aButton);
            return true;
        };
    };
    std::string question;
    std::string directory = Alpha();
    // No keeps the dialog open with the text; then Yes accepts it.
    EXPECT_TRUE(Browse(directory, bdEditablePath | bdConfirmMissing | bdCreateOnOk, 0,
                       {type, Press(sdOK), answer(IDNO, &question), OnChooser([&](TSelectDirDlg& d) {
                            EXPECT_EQ(wanted, d.DirEdit->Text());
                            EXPECT_EQ(mrNone, d.ModalResult);
                        }),
                        Press(sdOK), answer(IDYES, &question)}));
    EXPECT_EQ("The specified directory does not exist. Create it?", question);
    EXPECT_EQ(wanted, directory);
    EXPECT_TRUE(DirectoryExists(Root.Path() + "made\\deeper"));

    // An existing directory is not asked about.
    directory = Alpha();
    EXPECT_TRUE(Browse(directory, bdEditablePath | bdConfirmMissing, 0, {Press(sdOK)}));
    EXPECT_EQ(Alpha(), directory);
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(Chooser, AFailedCreationRaisesAndLeavesTheCallersDirectory)
{
    WriteFile(Root.Path() + "taken", "x");
    struct {
        std::string Typed;
        int Code;
    } const rows[] = {
        {"", ERROR_PATH_NOT_FOUND},
        {Root.Path() + "taken\\below", ERROR_ALREADY_EXISTS},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Typed);
        std::string directory = Alpha();
        EInOutError error = Raised<EInOutError>([&] {
            Browse(directory, bdEditablePath | bdCreateOnOk, 0,
                   {OnChooser([&](TSelectDirDlg& d) { d.DirEdit->SetText(row.Typed); }), Press(sdOK)});
        });
        EXPECT_EQ("Unable to create directory", error.Message());
        EXPECT_EQ(row.Code, error.ErrorCode);
        EXPECT_EQ(Alpha(), directory);
        EXPECT_EQ(nullptr, ShownChooser());
    }
}

TEST_F(Chooser, AFailedDriveChangeChangesNothingAndPickingAgainRetries)
{
    TTestDrive cd(DRIVE_CDROM, "Disc");
    ASSERT_NE(0, cd.Letter());
    InstallFakeDrives();
    FakeDrives().NotReady = std::string(1, cd.Letter());
    std::string dir, edit;
    int index = -1;
    auto pick = OnChooser([&](TSelectDirDlg& d) {
        int item = -1;
        for (int i = 0; i < d.DriveList->Count(); ++i)
            if (toupper(d.DriveList->Item(i)[0]) == cd.Letter())
                item = i;
        ASSERT_GE(item, 0);
        SendMessageA(d.DriveList->Handle(), CB_SETCURSEL, static_cast<WPARAM>(item), 0);
        PostMessageA(d.Handle(), WM_COMMAND, MAKEWPARAM(sdDriveList, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(d.DriveList->Handle()));
    });
    auto unchanged = [&](size_t anErrors) {
        return OnChooser([&, anErrors](TSelectDirDlg& d) {
            ASSERT_EQ(anErrors, Errors.Shown.size());
            EXPECT_EQ(std::string("Drive ") + cd.Letter() + ": has no medium or is not ready.", Errors.Shown.back());
            EXPECT_EQ(dir, d.DirList->CurrentDir());
            EXPECT_EQ(edit, d.DirEdit->Text());
            EXPECT_EQ(index, d.DriveList->ItemIndex());
        });
    };
    std::string directory = Alpha() + "\\beta";
    Browse(directory, bdEditablePath, 0,
           {OnChooser([&](TSelectDirDlg& d) {
                d.DirEdit->SetText("typed");
                dir = d.DirList->CurrentDir();
                edit = d.DirEdit->Text();
                index = d.DriveList->ItemIndex();
            }),
            pick, [&] { return !Errors.Shown.empty(); }, unchanged(1), pick, [&] { return Errors.Shown.size() > 1; },
            unchanged(2), Press(sdCancel)});
}

TEST_F(Chooser, EnterInTheDirectoryListOpensTheLineAndTheDialogStaysOpen)
{
    // Whichever button closes the chooser, the process stays in the
    // directory it showed last.
    for (int button : {int{sdCancel}, int{sdOK}}) {
        SCOPED_TRACE(button);
        ASSERT_TRUE(SetCurrentDirectoryA(Root.Path().c_str()));
        std::string directory = Alpha() + "\\beta";
        std::string opened;
        bool accepted = Browse(directory, bdEditablePath, 0,
                               {OnChooser([&](TSelectDirDlg& d) {
                                    // The line of alpha, one above the current one.
                                    int line = d.DirList->ItemIndex() - 1;
                                    ASSERT_GE(line, 0);
                                    d.DirList->SetItemIndex(line);
                                    d.DirList->SetFocus();
                                    PostMessageA(d.DirList->Handle(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
                                }),
                                OnChooser([&](TSelectDirDlg& d) {
                                    opened = d.DirList->CurrentDir();
                                    EXPECT_EQ(mrNone, d.ModalResult);
                                    EXPECT_EQ(opened, d.DirEdit->Text());
                                }),
                                Press(button)});
        EXPECT_TRUE(SamePath(Alpha(), opened)) << opened;
        EXPECT_EQ(button == sdOK, accepted);
        EXPECT_EQ(button == sdOK ? Alpha() : Alpha() + "\\beta", directory);
        EXPECT_TRUE(SamePath(Alpha(), Cwd())) << Cwd();
    }
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(Chooser, ANewNetworkConnectionRefillsTheDrivesKeepingTheSelection)
{
    InstallFakeDrives();
    for (DWORD result : {static_cast<DWORD>(ERROR_CANCELLED), static_cast<DWORD>(NO_ERROR)}) {
        SCOPED_TRACE(result);
        FakeDrives().ConnectCalls.clear();
        FakeDrives().ConnectResult = result;
        int queries = 0, index = -1;
        char drive = 0;
        HWND owner = nullptr;
        std::string directory = Alpha();
        Browse(directory, 0, 0,
               {OnChooser([&](TSelectDirDlg& d) {
                    ASSERT_TRUE(d.NetButton->Visible());
                    queries = FakeDrives().DriveQueries;
                    index = d.DriveList->ItemIndex();
                    drive = d.DriveList->SelectedDrive();
                    owner = d.Handle();
                }),
                Press(sdNetButton), [&] { return !FakeDrives().ConnectCalls.empty(); },
                OnChooser([&](TSelectDirDlg& d) {
                    ASSERT_EQ(1u, FakeDrives().ConnectCalls.size());
                    EXPECT_EQ(owner, FakeDrives().ConnectCalls[0].first);
                    EXPECT_EQ(static_cast<DWORD>(RESOURCETYPE_DISK), FakeDrives().ConnectCalls[0].second);
                    EXPECT_EQ(result == NO_ERROR, FakeDrives().DriveQueries > queries) << "refilled";
                    EXPECT_EQ(index, d.DriveList->ItemIndex());
                    EXPECT_EQ(drive, d.DriveList->SelectedDrive());
                }),
                Press(sdCancel)});
    }
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(Chooser, FiftyOpenAndCloseCyclesLeaveNoWindowOrGdiObjectBehind)
{
    auto live = [] {
        return std::vector<long>{LiveHandles(THandleKind::hkGdiObject), LiveHandles(THandleKind::hkDc),
                                 LiveHandles(THandleKind::hkIcon), LiveHandles(THandleKind::hkWindow)};
    };
    // One cycle first: whatever is made once per process (the application's
    // window) is made then.
    std::string directory = Alpha();
    Browse(directory, bdEditablePath, 0, {Press(sdCancel)});
    std::vector<long> before = live();
    long windowsShown = 0, gdiShown = 0;
    for (int cycle = 0; cycle < 50; ++cycle) {
        Browse(directory, cycle % 2 ? TBrowseDirOptions{bdEditablePath} : 0, cycle % 3,
               {OnChooser([&](TSelectDirDlg& d) {
                    // Drawn at least once: the glyphs and fonts are in use.
                    RedrawWindow(d.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                    windowsShown = LiveHandles(THandleKind::hkWindow);
                    gdiShown = LiveHandles(THandleKind::hkGdiObject);
                }),
                Press(cycle % 2 ? int{sdOK} : int{sdCancel})});
    }
    EXPECT_GT(windowsShown, before[3] + 10) << "the dialog's windows are counted";
    EXPECT_GT(gdiShown, before[0] + 5) << "its font and glyphs are counted";
    EXPECT_EQ(before, live());
}

TEST_F(Chooser, TheHelpButtonShowsTheDialogsTopicThroughTheApplication)
{
    std::vector<int> topics;
    Application.OnHelp = [&](int aContext) { topics.push_back(aContext); };
    std::string directory = Alpha();
    Browse(directory, 0, 42, {Press(sdHelpButton), [&] { return !topics.empty(); }, Press(sdCancel)});
    Application.OnHelp = nullptr;
    EXPECT_EQ(std::vector<int>{42}, topics);
    EXPECT_EQ(Alpha(), directory);
}
