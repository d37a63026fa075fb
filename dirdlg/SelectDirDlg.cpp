#include "dirdlg/SelectDirDlg.h"

#include <exception>
#include <iterator>
#include <memory>
#include <vector>

#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "dirdlg/DirFiles.h"
#include "dirdlg/DirPaths.h"
#include "dirdlg/DirTree.h"
#include "dirdlg/DirectoryListBox.h"
#include "dirdlg/DriveComboBox.h"
#include "dirdlg/FileListBox.h"
#include "dirdlg/PathLabel.h"
#include "dirdlg/SelectDirIds.h"
#include "ui/Application.h"

namespace {
using F = TSelectDirDlg;

// Pixels at 96 dpi in the client area; the form scales them to the screen.
// The controls are not linked to each other: the two change handlers pass
// the changes along.
// clang-format off
const TControlDescription kSelectDirControls[] = {
    {.Name = FieldOf<&F::DirEdit>, .Id = sdDirEdit, .Left = 8, .Top = 24, .Width = 313,
     .Height = 20, .TabOrder = 1, .Options = coHidden},
    {.Kind = KindOf<TLabel>, .Name = "DirEditLabel", .Id = sdDirEditLabel, .Left = 8, .Top = 8, .Width = 92,
     .Height = 13, .Text = "Directory &Name:", .Link = FieldOf<&F::DirEdit>},
    {.Name = FieldOf<&F::DriveList>, .Id = sdDriveList, .Left = 232, .Top = 192, .Width = 185,
     .Height = 19, .TabOrder = 2, .OnChange = HandlerOf<&F::DriveListChange>},
    {.Kind = KindOf<TLabel>, .Name = "DriveLabel", .Id = sdDriveLabel, .Left = 232, .Top = 176, .Width = 41,
     .Height = 13, .Text = "D&rives:", .Link = FieldOf<&F::DriveList>},
    // Moved onto the edit field's place by FormCreate.
    {.Name = FieldOf<&F::DirLabel>, .Id = sdDirLabel, .Left = 120, .Top = 8, .Width = 213,
     .Height = 13},
    {.Name = FieldOf<&F::DirList>, .Id = sdDirList, .Left = 8, .Top = 72, .Width = 213,
     .Height = 138, .TabOrder = 0, .Options = coTabStop | coIntegralHeight, .ItemHeight = 17,
     .OnChange = HandlerOf<&F::DirListChange>},
    {.Kind = KindOf<TLabel>, .Name = "DirListLabel", .Id = sdDirListLabel, .Left = 8, .Top = 56, .Width = 66,
     .Height = 13, .Text = "&Directories:", .Link = FieldOf<&F::DirList>},
    // Mask "*.*" and [ftNormal] are the file list's own defaults; the grey
    // text is set by the constructor.
    {.Name = FieldOf<&F::FileList>, .Id = sdFileList, .Left = 232, .Top = 72, .Width = 185,
     .Height = 93, .TabOrder = 6, .Options = coTabStop, .ItemHeight = 13},
    {.Kind = KindOf<TLabel>, .Name = "FileListLabel", .Id = sdFileListLabel, .Left = 232, .Top = 56, .Width = 57,
     .Height = 13, .Text = "&Files: (*.*)", .Link = FieldOf<&F::FileList>},
    {.Name = FieldOf<&F::NetButton>, .Id = sdNetButton, .Left = 8, .Top = 224, .Width = 77,
     .Height = 27, .Text = "Ne&twork...", .TabOrder = 3, .Options = coHidden, .OnClick = HandlerOf<&F::NetClick>},
    {.Name = FieldOf<&F::OKButton>, .Id = sdOK, .Left = 172, .Top = 224, .Width = 77,
     .Height = 27, .Text = "OK", .TabOrder = 4, .Options = coDefault, .ModalResult = mrOk,
     .OnClick = HandlerOf<&F::OKClick>},
    {.Name = FieldOf<&F::CancelButton>, .Id = sdCancel, .Left = 256, .Top = 224,
     .Width = 77, .Height = 27, .Text = "Cancel", .TabOrder = 5, .Options = coCancel, .ModalResult = mrCancel},
    {.Name = FieldOf<&F::HelpButton>, .Id = sdHelpButton, .Left = 340, .Top = 224,
     .Width = 77, .Height = 27, .Text = "&Help", .TabOrder = 7, .OnClick = HandlerOf<&F::HelpButtonClick>},
};

const TFormDescription kSelectDirForm = {
    .ClassName = "TSelectDirDlg",
    .Caption = "Select Directory",
    .Width = 424,
    .Height = 255,
    .ClientSize = true,
    .BorderStyle = TBorderStyle::bsDialog,
    // The dialog centres itself: at construction, and again after scaling.
    .Position = TPosition::poDesigned,
    .Controls = kSelectDirControls,
    .ControlCount = std::size(kSelectDirControls),
    .OnCreate = HandlerOf<&F::FormCreate>,
};
// clang-format on

constexpr const char* kConfirmCreate = "The specified directory does not exist. Create it?";

// Moves a control to another left position, keeping the rest of its bounds.
void MoveLeft(TWinControl& aControl, int aLeft)
{
    RECT r = aControl.BoundsRect();
    aControl.SetBounds(aLeft, r.top, r.right - r.left, r.bottom - r.top);
}

// Places a form in the centre of the screen. A scaled dialog has the screen's
// and its own size halved each before the subtraction; otherwise the
// difference is halved.
void PlaceCentred(TForm& aForm, bool aHalvesFirst)
{
    RECT r = aForm.BoundsRect();
    int width = r.right - r.left, height = r.bottom - r.top;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    int left = aHalvesFirst ? screenWidth / 2 - width / 2 : (screenWidth - width) / 2;
    int top = aHalvesFirst ? screenHeight / 2 - height / 2 : (screenHeight - height) / 2;
    aForm.SetBounds(left, top, width, height);
}

// A drive-letter path or a share (\\server\share...); not a device or a
// \\?\ path, which name no directory the lists could show.
bool IsListablePathForm(const std::string& aPath)
{
    if (PathDriveLetter(aPath))
        return true;
    return aPath.size() > 2 && aPath[0] == '\\' && aPath[1] == '\\' && aPath[2] != '?' && aPath[2] != '.';
}

// The directory the lists open at for a start text: the deepest part of it
// that exists; "" when no part does, when its drive is missing or not ready,
// or when the text cannot be expanded at all.
std::string StartDirectory(const std::string& aStart)
{
    if (aStart.empty())
        return {};
    std::string full;
    {
        TCriticalErrorsOff quiet;
        if (!TryFullPath(JoinPath(aStart, "*.*"), full))
            return {};
    }
    if (!IsListablePathForm(full))
        return {};
    return DeepestExistingDirectory(ExtractFileDir(full));
}

// The process's current directory, or "" when it cannot be read.
std::string CurrentDirectoryIfAny()
{
    TCriticalErrorsOff quiet;
    std::string dir;
    TryCurrentDirectory(dir);
    return dir;
}

// The root of the drive the system lives on, the last place to open at.
std::string SystemDriveRoot()
{
    char windows[MAX_PATH + 1] = {};
    UINT n = GetSystemWindowsDirectoryA(windows, sizeof windows);
    if (n >= 2 && n <= MAX_PATH && PathDriveLetter(windows))
        return std::string(windows, 2) + '\\';
    return "C:\\";
}

// Builds the dialog with its lists at the first of aDirs that can be entered
// and listed. The lists fill while the dialog is built, so a directory that
// cannot be listed fails the building; the next one is tried then. When none
// can be listed, the last failure passes on.
std::unique_ptr<TSelectDirDlg> BuildAtFirstListable(const std::vector<std::string>& aDirs, int aPixelsPerInch)
{
    std::exception_ptr failure;
    for (const std::string& dir : aDirs) {
        if (dir.empty())
            continue;
        try {
            ChangeDirectory(dir);
            return std::make_unique<TSelectDirDlg>(&Application, aPixelsPerInch);
        } catch (const EInOutError&) {
            failure = std::current_exception();
        }
    }
    if (!failure)
        throw EInOutError(ERROR_PATH_NOT_FOUND);
    std::rethrow_exception(failure);
}
} // namespace

const TFormDescription& SelectDirDescription()
{
    return kSelectDirForm;
}

TSelectDirDlg::TSelectDirDlg(TComponent* anOwner, int aPixelsPerInch) : TForm(anOwner, aPixelsPerInch)
{
    Build(kSelectDirForm);
    // Two kinds of control are given their row's bounds once more. A label
    // keeps the size its row gives: the form widens a label whose text is
    // wider in the system's font. The directory list rounds its height down
    // to whole lines when placed, which was before it had its own item
    // height; placed again, it rounds to lines of that height.
    for (const TControlDescription& row : kSelectDirControls)
        if (dynamic_cast<TLabel*>(FindComponent(row.ComponentName())) || (row.Options & coIntegralHeight))
            Field<TWinControl>(row.ComponentName())
                ->SetBounds(Scale(row.Left), Scale(row.Top), Scale(row.Width), Scale(row.Height));
    PlaceCentred(*this, false);
    // Grey text marks the file list as a view; it still takes the focus.
    FileList->FontColor = GetSysColor(COLOR_GRAYTEXT);
    FileList->SetFileType(FileAttr(ftNormal));
    FileList->SetMask("*.*");
    ActiveControl = DirList;
    DoCreate();
}

void TSelectDirDlg::FormCreate(TComponent*)
{
    FNetConnect = DirSystem().LoadNetConnectDialog();
    NetButton->SetVisible(FNetConnect.Entry != nullptr);
    SetEditablePath(false);
    // The label and the edit field share one place; only one is ever shown.
    RECT edit = DirEdit->BoundsRect();
    DirLabel->SetBounds(edit.left, edit.top, edit.right - edit.left, edit.bottom - edit.top);
    DirListChange(this);
}

void TSelectDirDlg::SetEditablePath(bool aValue)
{
    if (aValue == FEditablePath)
        return;
    FEditablePath = aValue;
    DirLabel->SetVisible(!aValue);
    DirEdit->SetVisible(aValue);
}

std::string TSelectDirDlg::ChosenDir() const
{
    return FEditablePath ? DirEdit->Text() : DirLabel->Text();
}

void TSelectDirDlg::SetChosenDir(const std::string& Value)
{
    std::string target = StartDirectory(Value);
    if (!target.empty() && !SameText(target, DirList->CurrentDir()))
        MoveListsTo(target);
    // The start text is kept exactly, an empty one too: OK without typing
    // returns it.
    DirEdit->SetText(Value);
}

void TSelectDirDlg::MoveListsTo(const std::string& aDir)
{
    try {
        // The directory list first: it moves once, and the drive list then
        // names the drive it is on already. A share has no drive letter: the
        // drive list then shows none.
        DirList->SetCurrentDir(aDir);
        DriveList->SetSelectedDrive(PathDriveLetter(aDir));
    } catch (const EInOutError&) {
        // The lists still show a directory they could list (a failed change
        // keeps the old one): the drive list and the process follow them
        // there. Failing that too, they stay as they are.
        try {
            DriveList->SetSelectedDrive(DirList->DriveLetter());
            ChangeDirectory(DirList->CurrentDir());
        } catch (const EInOutError&) {
            // Nothing more to fall back to: the lists keep what they show.
        }
    }
}

void TSelectDirDlg::DirListChange(TComponent*)
{
    // The directory list is made before the file list; FormCreate runs this
    // once they all exist.
    if (!FileList || !DirLabel)
        return;
    DirLabel->SetText(DirList->CurrentDir());
    FileList->FollowPath(DirList->CurrentDir());
    DirEdit->SetText(DirLabel->Text());
    if (DirEdit->HandleAllocated())
        SendMessageA(DirEdit->Handle(), EM_SETSEL, 0, -1);
}

void TSelectDirDlg::DriveListChange(TComponent*)
{
    // The drive list is made (and selects its drive) before the directory
    // list exists; and only a letter names a drive to move to.
    if (!DirList || !IsDriveLetter(DriveList->SelectedDrive()))
        return;
    DirList->SetDriveLetter(DriveList->SelectedDrive());
}

void TSelectDirDlg::OKClick(TComponent*)
{
    if (!FEditablePath || !FConfirmMissing)
        return;
    try {
        if (IsDirectory(ChosenDir()))
            return;
        if (MessageBoxA(Handle(), kConfirmCreate, "Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES)
            ModalResult = mrNone;
    } catch (...) {
        ModalResult = mrNone;
        throw;
    }
}

void TSelectDirDlg::NetClick(TComponent*)
{
    if (!FNetConnect.Entry)
        return;
    if (FNetConnect.Entry(Handle(), RESOURCETYPE_DISK) != NO_ERROR)
        return;
    // A new connection is a new drive: list it, keeping the drive shown.
    char drive = DriveList->SelectedDrive();
    DriveList->Refill();
    DriveList->SetSelectedDrive(drive);
}

void TSelectDirDlg::HelpButtonClick(TComponent*)
{
    Application.HelpContext(HelpContext);
}

std::unique_ptr<TSelectDirDlg> NewSelectDirDlg(const std::string& aStart, TBrowseDirOptions anOptions, int aHelpContext,
                                               int aPixelsPerInch)
{
    // The lists open where they can be listed, so that a folder, medium or
    // share that went away never keeps the chooser from opening.
    std::unique_ptr<TSelectDirDlg> dialog =
        BuildAtFirstListable({StartDirectory(aStart), CurrentDirectoryIfAny(), SystemDriveRoot()}, aPixelsPerInch);
    // The lists already show what ChosenDir would move them to: only the
    // start text is left to keep.
    dialog->DirEdit->SetText(aStart);
    dialog->SetEditablePath((anOptions & bdEditablePath) != 0);
    dialog->SetConfirmMissing((anOptions & bdConfirmMissing) != 0);
    if (dialog->PixelsPerInch() != 96) {
        // The file list takes the dialog's font again, and with it an item
        // height for that font instead of the scaled one, which can be lower.
        SendMessageA(dialog->FileList->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(dialog->FontHandle()), FALSE);
        PlaceCentred(*dialog, true);
    }
    if (aHelpContext == 0) {
        dialog->HelpButton->SetVisible(false);
        int cancelLeft = dialog->CancelButton->BoundsRect().left;
        MoveLeft(*dialog->CancelButton, dialog->HelpButton->BoundsRect().left);
        MoveLeft(*dialog->OKButton, cancelLeft);
    } else {
        dialog->HelpContext = aHelpContext;
    }
    return dialog;
}

bool BrowseDirectory(std::string& Directory, TBrowseDirOptions Options, int HelpContext)
{
    std::string chosen;
    {
        std::unique_ptr<TSelectDirDlg> dialog = NewSelectDirDlg(Directory, Options, HelpContext);
        if (dialog->ShowModal() != mrOk)
            return false;
        chosen = dialog->ChosenDir();
    }
    // The caller's text changes only once the directory is really there.
    if (Options & bdCreateOnOk)
        CreateDirectoryPath(chosen);
    Directory = chosen;
    return true;
}
