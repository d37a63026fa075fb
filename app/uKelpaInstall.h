#pragma once
// The installer's main window: the archive and destination inputs, the two
// shortcut choices, the logo and the Install and Cancel buttons.
#include <functional>
#include <string>

#include "app/InstallProgress.h"
#include "cab/CabSTComps.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TfKLPInst : public TForm {
public:
    // aPixelsPerInch 0 lays the window out for the screen's resolution.
    explicit TfKLPInst(TComponent* anOwner, int aPixelsPerInch = 0);

    // Filled by Build from the description.
    TBevel* Bevel1 = nullptr;
    TLabel* Label1 = nullptr;
    TComboBox* cbSource = nullptr;
    TLabel* Label2 = nullptr;
    TEdit* eDestination = nullptr;
    TImageList* ImageList1 = nullptr;
    TToolBar* ToolBar1 = nullptr;
    TToolButton* ToolButton1 = nullptr;
    TCheckBox* cStart = nullptr;
    TCheckBox* cDesk = nullptr;
    TPanel* Panel1 = nullptr;
    TImage* Image2 = nullptr;
    TButton* bOK = nullptr;
    TButton* bCancel = nullptr;
    // Shown under the logo while the archive is unpacked.
    TProgressBar* ProgressBar1 = nullptr;
    TSTCabReader* CabRead = nullptr;

    // Where the shortcuts go; tests replace them to model a failed lookup.
    std::function<std::string()> StartMenuFolder;
    std::function<std::string()> DesktopFolder;

    // Proposes the destination and lists the archives beside the program.
    void FormCreate(TComponent* Sender);
    // Unpacks the archive on a thread of its own while the window goes on
    // answering, showing the progress, with the inputs disabled; then makes
    // the shortcuts, reports success and closes. Runs once per window.
    void bOKClick(TComponent* Sender);
    // Closes the window; during a run, asks the run to stop instead.
    void bCancelClick(TComponent* Sender);
    void Image2Click(TComponent* Sender);
    // Lets the user pick the destination in the directory chooser; the field
    // changes only when the chooser is accepted.
    void ToolButton1Click(TComponent* Sender);

    // An installation is under way (from the click until the success box).
    bool Running() const noexcept { return FRunning; }
    const TInstallProgress& RunProgress() const noexcept { return FProgress; }

protected:
    // Closing during a run stops the run; the window closes once its error
    // has been shown.
    bool CloseQuery() override;
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void BeginRun();
    void ShowProgress(int aPercent);
    // The progress bar goes and the captions are restored.
    void EndProgress();
    // After a failed or cancelled run: the inputs come back.
    void EndRun();
    void SetInputsEnabled(bool anEnabled);

    TInstallProgress FProgress;
    bool FRunning = false;
    // The installation succeeded: nothing starts another in this window.
    bool FInstalled = false;
    bool FCloseAfterRun = false;
    HWND FFocusBeforeRun = nullptr;
};

// The description the main window is built from.
const TFormDescription& MainFormDescription();

// The main window of the program.
extern TfKLPInst* fKLPInst;
