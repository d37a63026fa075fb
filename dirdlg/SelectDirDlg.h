#pragma once
// The directory chooser: a modal dialog with a drive list, a directory list,
// a greyed file list and a path label or an editable path field, run by
// BrowseDirectory.
#include <memory>
#include <string>

#include "dirdlg/DirSystem.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;
class TPathLabel;

// What BrowseDirectory lets the user do; the bits are the ones callers pass.
enum TBrowseDirOption : unsigned {
    bdEditablePath = 1,   // the path is typed in an edit field and returned as typed
    bdCreateOnOk = 2,     // the accepted directory is created with its missing parents
    bdConfirmMissing = 4, // with bdEditablePath: OK on a missing directory asks first
};
using TBrowseDirOptions = unsigned;

class TSelectDirDlg : public TForm {
public:
    // Owned by the application; aPixelsPerInch 0 lays it out for the screen.
    explicit TSelectDirDlg(TComponent* anOwner, int aPixelsPerInch = 0);

    TDirectoryListBox* DirList = nullptr;
    TEdit* DirEdit = nullptr;
    TDriveComboBox* DriveList = nullptr;
    TPathLabel* DirLabel = nullptr;
    TButton* OKButton = nullptr;
    TButton* CancelButton = nullptr;
    TButton* HelpButton = nullptr;
    TButton* NetButton = nullptr;
    TFileListBox* FileList = nullptr;

    bool EditablePath() const noexcept { return FEditablePath; }
    // Shows the edit field instead of the path label, or the label instead.
    void SetEditablePath(bool aValue);
    bool ConfirmMissing() const noexcept { return FConfirmMissing; }
    void SetConfirmMissing(bool aValue) { FConfirmMissing = aValue; }

    // The edit field's text in editable mode, the path label's otherwise.
    std::string ChosenDir() const;
    // Starts at Value: the lists move to the deepest part of it that exists,
    // on a drive or a share, and stay where they are when no part does, when
    // its drive is missing or not ready, or when they cannot go there. The
    // edit field holds Value exactly as given, "" included.
    void SetChosenDir(const std::string& Value);

    // The system's network-connection dialog, or null.
    TNetConnectDialogProc NetConnectEntry() const noexcept { return FNetConnect.Entry; }
    int HelpContext = 0;

    void FormCreate(TComponent* Sender);
    void DirListChange(TComponent* Sender);
    void DriveListChange(TComponent* Sender);
    void OKClick(TComponent* Sender);
    void NetClick(TComponent* Sender);
    void HelpButtonClick(TComponent* Sender);

private:
    void MoveListsTo(const std::string& aDir);

    bool FEditablePath = false;
    bool FConfirmMissing = false;
    TNetConnectDialog FNetConnect;
};

// The description the dialog is built from.
const TFormDescription& SelectDirDescription();

// The chooser that BrowseDirectory shows, at aPixelsPerInch (0: the
// screen's), set up for the options and help context. Its lists open at the
// deepest existing part of aStart, else at the current directory when that
// can be listed, else at the root of the system drive; its edit field holds
// aStart. Raises only when not even that root can be listed.
std::unique_ptr<TSelectDirDlg> NewSelectDirDlg(const std::string& aStart, TBrowseDirOptions anOptions, int aHelpContext,
                                               int aPixelsPerInch = 0);

// Runs the chooser modally, starting at Directory. True when the user accepted
// with OK; only then is Directory replaced, with the chosen directory (created
// first under bdCreateOnOk). HelpContext 0 shows no Help button.
bool BrowseDirectory(std::string& Directory, TBrowseDirOptions Options, int HelpContext);
