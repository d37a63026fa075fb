#include "app/uKelpaInstall.h"

#include <shellapi.h>
#include <iterator>
#include <utility>

#include "app/InstallDefaults.h"
#include "app/MainFormIds.h"
#include "app/Product.h"
#include "app/ShellFolders.h"
#include "app/Shortcut.h"
#include "core/ExceptionSlot.h"
#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "dirdlg/SelectDirDlg.h"
#include "ui/Application.h"

TfKLPInst* fKLPInst = nullptr;

namespace {
using F = TfKLPInst;

// Pixels at 96 dpi; the form scales them to the screen.
// clang-format off
const TControlDescription kMainControls[] = {
    {.Name = FieldOf<&F::Bevel1>, .Id = idBevel, .Left = 8, .Top = 8, .Width = 273, .Height = 137},
    {.Name = FieldOf<&F::Label1>, .Id = idSourceLabel, .Left = 16, .Top = 16, .Width = 79,
     .Height = 13, .Text = "Kelpa CAB file :", .Link = FieldOf<&F::cbSource>},
    {.Name = FieldOf<&F::cbSource>, .Id = idSource, .Left = 16, .Top = 32, .Width = 249,
     .Height = 21, .TabOrder = 1, .ItemHeight = 13},
    {.Name = FieldOf<&F::Label2>, .Id = idDestinationLabel, .Left = 16, .Top = 56, .Width = 102,
     .Height = 13, .Text = "Destination directory :", .Link = FieldOf<&F::eDestination>},
    {.Name = FieldOf<&F::eDestination>, .Id = idDestination, .Left = 16, .Top = 72,
     .Width = 225, .Height = 21, .TabOrder = 2},
    {.Name = FieldOf<&F::ImageList1>, .Width = 16, .Height = 16, .Resource = "FOLDER"},
    {.Name = FieldOf<&F::ToolBar1>, .Id = idToolBar, .Left = 242, .Top = 71, .Width = 31,
     .Height = 29, .Text = "ToolBar1", .TabOrder = 5, .Link = FieldOf<&F::ImageList1>},
    {.Name = FieldOf<&F::ToolButton1>, .Parent = FieldOf<&F::ToolBar1>,
     .Id = idBrowseButton, .Width = 23, .Height = 22, .Text = "ToolButton1", .ImageIndex = 0,
     .OnClick = HandlerOf<&F::ToolButton1Click>},
    {.Name = FieldOf<&F::cStart>, .Id = idStart, .Left = 16, .Top = 104, .Width = 249,
     .Height = 17, .Text = "Link in the START menu", .TabOrder = 3},
    {.Name = FieldOf<&F::cDesk>, .Id = idDesk, .Left = 16, .Top = 120, .Width = 249, .Height = 17,
     .Text = "Link on the DESKTOP", .TabOrder = 4},
    {.Name = FieldOf<&F::Panel1>, .Id = idLogoPanel, .Left = 288, .Top = 8, .Width = 169,
     .Height = 73, .TabOrder = 0},
    {.Name = FieldOf<&F::Image2>, .Parent = FieldOf<&F::Panel1>, .Id = idLogo, .Left = 4,
     .Top = 8, .Width = 157, .Height = 57, .Resource = "LOGO", .OnClick = HandlerOf<&F::Image2Click>},
    {.Name = FieldOf<&F::bOK>, .Id = idOK, .Left = 320, .Top = 112, .Width = 65, .Height = 25,
     .Text = "&Install", .TabOrder = 6, .Options = coDefault, .OnClick = HandlerOf<&F::bOKClick>},
    {.Name = FieldOf<&F::bCancel>, .Id = idCancel, .Left = 392, .Top = 112, .Width = 65,
     .Height = 25, .Text = "&Cancel", .TabOrder = 7, .Options = coCancel, .OnClick = HandlerOf<&F::bCancelClick>},
    {.Name = FieldOf<&F::ProgressBar1>, .Id = idProgress, .Left = 288, .Top = 88, .Width = 169, .Height = 17,
     .Options = coHidden},
    {.Name = FieldOf<&F::CabRead>},
};

const TFormDescription kMainForm = {
    .ClassName = "TfKLPInst",
    .Caption = "Kelpa editor installer",
    .Width = 475,
    .Height = 181,
    .BorderStyle = TBorderStyle::bsSizeable,
    .Position = TPosition::poScreenCenter,
    .FontName = "MS Sans Serif",
    .FontHeight = 11,
    .Controls = kMainControls,
    .ControlCount = std::size(kMainControls),
    .OnCreate = HandlerOf<&F::FormCreate>,
};
// clang-format on

// Posted by the unpacking thread when the percentage changed.
constexpr UINT WM_RUNPROGRESS = WM_APP + 1;
} // namespace

const TFormDescription& MainFormDescription()
{
    return kMainForm;
}

TfKLPInst::TfKLPInst(TComponent* anOwner, int aPixelsPerInch) : TForm(anOwner, aPixelsPerInch)
{
    Build(kMainForm);
    StartMenuFolder = StartMenuDirectory;
    DesktopFolder = DesktopDirectory;
    Panel1->Color = RGB(255, 255, 255);
    // On the unpacking thread: a cancel asked for stops the run here, and
    // the window hears of a new percentage by a posted message, a few times
    // a second at most.
    CabRead->OnProgress = [this](TSTCabReader*, uint64_t aDone, uint64_t aTotal) {
        FProgress.CheckCancel();
        if (FProgress.Report(aDone, aTotal, GetTickCount64()))
            PostMessageA(Handle(), WM_RUNPROGRESS, 0, 0);
    };
    DoCreate();
}

void TfKLPInst::FormCreate(TComponent*)
{
    eDestination->SetText(DefaultDestination());
    // A broken "KelpaPath" must not hide the archives: its error is raised
    // again only after the list is filled.
    ExceptionSlot earlier;
    try {
        if (auto directory = EarlierInstallationDirectory())
            eDestination->SetText(*directory);
    } catch (...) {
        earlier.Capture();
    }
    for (const std::string& name : ArchivesBeside(ModuleFileName()))
        cbSource->AddItem(name);
    cbSource->SetItemIndex(cbSource->Count() - 1);
    earlier.Rethrow();
}

void TfKLPInst::bOKClick(TComponent*)
{
    // A click that waited in the queue during the run, or one while the
    // success box is shown, starts nothing.
    if (FRunning || FInstalled)
        return;
    // An empty field would report success with nothing installed, or unpack
    // into the root of the current drive: refuse before anything is touched.
    if (cbSource->Text().empty())
        throw Exception("Choose the Kelpa CAB file to install");
    if (eDestination->Text().empty())
        throw Exception("Choose the destination directory");

    // A destination that is not a full path is placed as an archive name is,
    // never against the current directory; the field keeps what was typed.
    std::string destination = DestinationLocation(eDestination->Text(), ModuleFileName());
    std::string cabFileName = ArchiveLocation(cbSource->Text(), ModuleFileName());
    BeginRun();
    try {
        Application.RunInBackground([&] { CabRead->Extract(cabFileName, IncludeTrailingBackslash(destination), 0); });
        EndProgress();
        // On this thread, whose apartment the shell's link object expects; the
        // apartment starts here, with the first shortcut. Should it fail to
        // start, making the link object fails and that error is reported. The
        // shortcuts get the same full path, in the form typed (with or without
        // a final backslash): that form decides their working directory.
        if (cStart->Checked() || cDesk->Checked())
            Application.EnsureCom();
        if (cStart->Checked())
            CreateShortcut(ShortcutFileIn(StartMenuFolder(), StartMenuMissingMessage), destination);
        if (cDesk->Checked())
            CreateShortcut(ShortcutFileIn(DesktopFolder(), DesktopMissingMessage), destination);
    } catch (...) {
        EndRun();
        if (!std::exchange(FCloseAfterRun, false))
            throw;
        // The window was closed during the run: say why the run stopped, as
        // the loop would, then close.
        Application.HandleException(std::current_exception());
        Close();
        return;
    }
    FRunning = false;
    FInstalled = true;
    MessageBoxA(nullptr, "Kelpa editor was installed", "", MB_OK | MB_ICONINFORMATION);
    Close();
}

void TfKLPInst::bCancelClick(TComponent*)
{
    if (FRunning) {
        FProgress.RequestCancel();
        return;
    }
    Close();
}

bool TfKLPInst::CloseQuery()
{
    if (!FRunning)
        return true;
    FCloseAfterRun = true;
    FProgress.RequestCancel();
    return false;
}

void TfKLPInst::SetInputsEnabled(bool anEnabled)
{
    for (TWinControl* input : {static_cast<TWinControl*>(cbSource), static_cast<TWinControl*>(eDestination),
                               static_cast<TWinControl*>(ToolBar1), static_cast<TWinControl*>(cStart),
                               static_cast<TWinControl*>(cDesk), static_cast<TWinControl*>(bOK)})
        input->SetEnabled(anEnabled);
}

void TfKLPInst::BeginRun()
{
    FProgress.Reset();
    FRunning = true;
    FCloseAfterRun = false;
    FFocusBeforeRun = GetFocus();
    SetInputsEnabled(false);
    // On the window itself, Esc still reaches Cancel and Enter presses nothing.
    ::SetFocus(Handle());
    ProgressBar1->SetPosition(0);
    ProgressBar1->SetVisible(true);
}

void TfKLPInst::ShowProgress(int aPercent)
{
    ProgressBar1->SetPosition(aPercent);
    SetText(ProgressCaption(aPercent, kMainForm.Caption));
    Application.SetTaskbarCaption(ProgressCaption(aPercent, Application.Title()));
}

void TfKLPInst::EndProgress()
{
    ShutdownBlockReasonDestroy(Handle());
    // Captions first: while a caption shows a percentage, the bar is there too.
    SetText(kMainForm.Caption);
    Application.SetTaskbarCaption("");
    ProgressBar1->SetVisible(false);
}

void TfKLPInst::EndRun()
{
    EndProgress();
    FRunning = false;
    SetInputsEnabled(true);
    if (FFocusBeforeRun && IsWindow(FFocusBeforeRun) && IsWindowEnabled(FFocusBeforeRun))
        ::SetFocus(FFocusBeforeRun);
}

LRESULT TfKLPInst::WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam)
{
    // Windows asks before it logs off or shuts down. During a run the answer
    // is no, with the reason shown beside the program in the list of those
    // that hold the shutdown, where the user can still end it. Ended anyway,
    // the run is told to stop as by Cancel: every replaced file stays whole.
    if (aMsg == WM_QUERYENDSESSION && FRunning) {
        ShutdownBlockReasonCreate(Handle(), ShutdownBlockReason);
        return FALSE;
    }
    if (aMsg == WM_ENDSESSION && wParam && FRunning) {
        FProgress.RequestCancel();
        return 0;
    }
    if (aMsg == WM_RUNPROGRESS) {
        // One posted before the run ended finds the bar gone.
        if (ProgressBar1->Visible())
            ShowProgress(FProgress.Percent());
        return 0;
    }
    return TForm::WndProc(aMsg, wParam, lParam);
}

void TfKLPInst::Image2Click(TComponent*)
{
    // The shell may hand the address to a component object, which needs this
    // thread's apartment. The shell's answer is not looked at: a browser that
    // cannot be started is not the installer's failure.
    Application.EnsureCom();
    ShellExecuteA(nullptr, "Open", ProductWebSite, nullptr, nullptr, SW_SHOWNORMAL);
}

void TfKLPInst::ToolButton1Click(TComponent*)
{
    if (FRunning || FInstalled)
        return;
    // A typed directory comes back as typed and is neither confirmed nor
    // created here: the installation creates it.
    std::string directory = eDestination->Text();
    if (BrowseDirectory(directory, bdEditablePath, 0))
        eDestination->SetText(directory);
}
