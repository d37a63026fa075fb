#include "dirdlg/SelectDirDlg.h"

#include <iterator>
#include <memory>

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
    .Position = TPosition::poScreenCenter,
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
} // namespace

const TFormDescription& SelectDirDescription()
{
    return kSelectDirForm;
}

TSelectDirDlg::TSelectDirDlg(TComponent* anOwner, int aPixelsPerInch) : TForm(anOwner, aPixelsPerInch)
{
    Build(kSelectDirForm);
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
    if (Value.empty())
        return;
    std::string full;
    {
        TCriticalErrorsOff quiet;
        full = ExpandFileName(JoinPath(Value, "*.*"));
    }
    // Only a drive-letter path moves the lists; a UNC start keeps the
    // directory they show.
    if (full.size() >= 3 && PathDriveLetter(full)) {
        std::string target = DeepestExistingDirectory(ExtractFileDir(full));
        try {
            if (target.empty())
                throw EInOutError(ERROR_PATH_NOT_FOUND);
            DriveList->SetSelectedDrive(target[0]);
            DirList->SetCurrentDir(target);
        } catch (const EInOutError&) {
            // Nothing of it can be entered: the lists show the current
            // directory, and the drive list its drive.
            std::string current = CurrentDirectory();
            if (char drive = PathDriveLetter(current))
                DriveList->SetSelectedDrive(drive);
            DirList->SetCurrentDir(current);
        }
    }
    // The start text is kept exactly: OK without typing returns it.
    DirEdit->SetText(Value);
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

bool BrowseDirectory(std::string& Directory, TBrowseDirOptions Options, int HelpContext)
{
    std::string chosen;
    {
        std::unique_ptr<TSelectDirDlg> dialog(new TSelectDirDlg(&Application));
        dialog->SetChosenDir(Directory);
        dialog->SetEditablePath((Options & bdEditablePath) != 0);
        dialog->SetConfirmMissing((Options & bdConfirmMissing) != 0);
        if (HelpContext == 0) {
            dialog->HelpButton->SetVisible(false);
            int cancelLeft = dialog->CancelButton->BoundsRect().left;
            MoveLeft(*dialog->CancelButton, dialog->HelpButton->BoundsRect().left);
            MoveLeft(*dialog->OKButton, cancelLeft);
        } else {
            dialog->HelpContext = HelpContext;
        }
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
