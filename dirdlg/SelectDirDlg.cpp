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
using enum TControlKind;

TWinControl* MakeDriveList(TForm& aForm, const TControlDescription&)
{
    return new TDriveComboBox(&aForm);
}

TWinControl* MakePathLabel(TForm& aForm, const TControlDescription&)
{
    return new TPathLabel(&aForm);
}

TWinControl* MakeDirList(TForm& aForm, const TControlDescription& d)
{
    auto* list = new TDirectoryListBox(&aForm);
    list->IntegralHeight = (d.Options & coIntegralHeight) != 0;
    return list;
}

TWinControl* MakeFileList(TForm& aForm, const TControlDescription&)
{
    auto* list = new TFileListBox(&aForm);
    list->SetFileType(FileAttr(ftNormal));
    list->SetMask("*.*");
    // Grey text marks the list as a view; it still takes the focus.
    list->FontColor = GetSysColor(COLOR_GRAYTEXT);
    return list;
}

// Pixels at 96 dpi in the client area; the form scales them to the screen.
const TControlDescription kSelectDirControls[] = {
    {.Kind = ckEdit, .Name = "DirEdit", .Id = sdDirEdit, .Left = 8, .Top = 24, .Width = 313, .Height = 20,
     .TabOrder = 1, .Options = coHidden},
    {.Kind = ckLabel, .Name = "DirEditLabel", .Id = sdDirEditLabel, .Left = 8, .Top = 8, .Width = 92, .Height = 13,
     .Text = "Directory &Name:", .Resource = "DirEdit"},
    {.Kind = ckCustom, .Name = "DriveList", .Id = sdDriveList, .Left = 232, .Top = 192, .Width = 185, .Height = 19,
     .TabOrder = 2, .Create = MakeDriveList},
    {.Kind = ckLabel, .Name = "DriveLabel", .Id = sdDriveLabel, .Left = 232, .Top = 176, .Width = 41, .Height = 13,
     .Text = "D&rives:", .Resource = "DriveList"},
    {.Kind = ckCustom, .Name = "DirLabel", .Id = sdDirLabel, .Left = 120, .Top = 8, .Width = 213, .Height = 13,
     .Create = MakePathLabel},
    {.Kind = ckCustom, .Name = "DirList", .Id = sdDirList, .Left = 8, .Top = 72, .Width = 213, .Height = 138,
     .TabOrder = 0, .Options = coTabStop | coIntegralHeight, .ItemHeight = 17, .Create = MakeDirList},
    {.Kind = ckLabel, .Name = "DirListLabel", .Id = sdDirListLabel, .Left = 8, .Top = 56, .Width = 66, .Height = 13,
     .Text = "&Directories:", .Resource = "DirList"},
    {.Kind = ckCustom, .Name = "FileList", .Id = sdFileList, .Left = 232, .Top = 72, .Width = 185, .Height = 93,
     .TabOrder = 6, .Options = coTabStop, .ItemHeight = 13, .Create = MakeFileList},
    {.Kind = ckLabel, .Name = "FileListLabel", .Id = sdFileListLabel, .Left = 232, .Top = 56, .Width = 57,
     .Height = 13, .Text = "&Files: (*.*)", .Resource = "FileList"},
    {.Kind = ckButton, .Name = "NetButton", .Id = sdNetButton, .Left = 8, .Top = 224, .Width = 77, .Height = 27,
     .Text = "Ne&twork...", .TabOrder = 3, .Options = coHidden},
    {.Kind = ckButton, .Name = "OKButton", .Id = sdOK, .Left = 172, .Top = 224, .Width = 77, .Height = 27,
     .Text = "OK", .TabOrder = 4, .Options = coDefault, .ModalResult = mrOk},
    {.Kind = ckButton, .Name = "CancelButton", .Id = sdCancel, .Left = 256, .Top = 224, .Width = 77, .Height = 27,
     .Text = "Cancel", .TabOrder = 5, .Options = coCancel, .ModalResult = mrCancel},
    {.Kind = ckButton, .Name = "HelpButton", .Id = sdHelpButton, .Left = 340, .Top = 224, .Width = 77, .Height = 27,
     .Text = "&Help", .TabOrder = 7},
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
};

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
    DirList = Field<TDirectoryListBox>("DirList");
    DirEdit = Field<TEdit>("DirEdit");
    DriveList = Field<TDriveComboBox>("DriveList");
    DirLabel = Field<TPathLabel>("DirLabel");
    OKButton = Field<TButton>("OKButton");
    CancelButton = Field<TButton>("CancelButton");
    HelpButton = Field<TButton>("HelpButton");
    NetButton = Field<TButton>("NetButton");
    FileList = Field<TFileListBox>("FileList");

    // The controls are not linked to each other: the two change handlers pass
    // the changes along.
    DirList->OnChange = [this](TComponent* sender) { DirListChange(sender); };
    DriveList->OnChange = [this](TComponent* sender) { DriveListChange(sender); };
    OKButton->OnClick = [this](TComponent* sender) { OKClick(sender); };
    NetButton->OnClick = [this](TComponent* sender) { NetClick(sender); };
    HelpButton->OnClick = [this](TComponent* sender) { HelpButtonClick(sender); };
    ActiveControl = DirList;
    OnCreate = [this](TComponent* sender) { FormCreate(sender); };
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
    DirLabel->SetText(DirList->CurrentDir());
    FileList->FollowPath(DirList->CurrentDir());
    DirEdit->SetText(DirLabel->Text());
    if (DirEdit->HandleAllocated())
        SendMessageA(DirEdit->Handle(), EM_SETSEL, 0, -1);
}

void TSelectDirDlg::DriveListChange(TComponent*)
{
    // The drive list is made before the directory list; and only a letter
    // names a drive to move to.
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
