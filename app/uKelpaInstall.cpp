#include "app/uKelpaInstall.h"

#include <shellapi.h>
#include <iterator>

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

TfKLPInst* fKLPInst = nullptr;

namespace {
using enum TControlKind;

// Pixels at 96 dpi; the form scales them to the screen.
const TControlDescription kMainControls[] = {
    {.Kind = ckBevel, .Name = "Bevel1", .Id = idBevel, .Left = 8, .Top = 8, .Width = 273, .Height = 137},
    {.Kind = ckLabel, .Name = "Label1", .Id = idSourceLabel, .Left = 16, .Top = 16, .Width = 79, .Height = 13,
     .Text = "Kelpa CAB file :"},
    {.Kind = ckComboBox, .Name = "cbSource", .Id = idSource, .Left = 16, .Top = 32, .Width = 249, .Height = 21,
     .TabOrder = 1, .ItemHeight = 13},
    {.Kind = ckLabel, .Name = "Label2", .Id = idDestinationLabel, .Left = 16, .Top = 56, .Width = 102, .Height = 13,
     .Text = "Destination directory :"},
    {.Kind = ckEdit, .Name = "eDestination", .Id = idDestination, .Left = 16, .Top = 72, .Width = 225, .Height = 21,
     .TabOrder = 2},
    {.Kind = ckImageList, .Name = "ImageList1", .Width = 16, .Height = 16, .Resource = "FOLDER"},
    {.Kind = ckToolBar, .Name = "ToolBar1", .Id = idToolBar, .Left = 242, .Top = 71, .Width = 31, .Height = 29,
     .Text = "ToolBar1", .TabOrder = 5, .Resource = "ImageList1"},
    {.Kind = ckToolButton, .Name = "ToolButton1", .Parent = "ToolBar1", .Id = idBrowseButton, .Width = 23,
     .Height = 22, .Text = "ToolButton1", .ImageIndex = 0},
    {.Kind = ckCheckBox, .Name = "cStart", .Id = idStart, .Left = 16, .Top = 104, .Width = 249, .Height = 17,
     .Text = "Link in the START menu", .TabOrder = 3},
    {.Kind = ckCheckBox, .Name = "cDesk", .Id = idDesk, .Left = 16, .Top = 120, .Width = 249, .Height = 17,
     .Text = "Link on the DESKTOP", .TabOrder = 4},
    {.Kind = ckPanel, .Name = "Panel1", .Id = idLogoPanel, .Left = 288, .Top = 8, .Width = 169, .Height = 73,
     .TabOrder = 0},
    {.Kind = ckImage, .Name = "Image2", .Parent = "Panel1", .Id = idLogo, .Left = 4, .Top = 8, .Width = 157,
     .Height = 57, .Resource = "LOGO"},
    {.Kind = ckButton, .Name = "bOK", .Id = idOK, .Left = 320, .Top = 112, .Width = 65, .Height = 25,
     .Text = "&Install", .TabOrder = 6, .Options = coDefault},
    {.Kind = ckButton, .Name = "bCancel", .Id = idCancel, .Left = 392, .Top = 112, .Width = 65, .Height = 25,
     .Text = "&Cancel", .TabOrder = 7, .Options = coCancel},
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
};
} // namespace

const TFormDescription& MainFormDescription()
{
    return kMainForm;
}

TfKLPInst::TfKLPInst(TComponent* anOwner, int aPixelsPerInch) : TForm(anOwner, aPixelsPerInch)
{
    Build(kMainForm);
    Bevel1 = Field<TBevel>("Bevel1");
    Label1 = Field<TLabel>("Label1");
    cbSource = Field<TComboBox>("cbSource");
    Label2 = Field<TLabel>("Label2");
    eDestination = Field<TEdit>("eDestination");
    ImageList1 = Field<TImageList>("ImageList1");
    ToolBar1 = Field<TToolBar>("ToolBar1");
    ToolButton1 = Field<TToolButton>("ToolButton1");
    cStart = Field<TCheckBox>("cStart");
    cDesk = Field<TCheckBox>("cDesk");
    Panel1 = Field<TPanel>("Panel1");
    Image2 = Field<TImage>("Image2");
    bOK = Field<TButton>("bOK");
    bCancel = Field<TButton>("bCancel");

    CabRead = new TSTCabReader(this);
    CabRead->Name = "CabRead";
    StartMenuFolder = StartMenuDirectory;
    DesktopFolder = DesktopDirectory;

    Panel1->Color = RGB(255, 255, 255);
    bOK->OnClick = [this](TComponent* sender) { bOKClick(sender); };
    bCancel->OnClick = [this](TComponent* sender) { bCancelClick(sender); };
    Image2->OnClick = [this](TComponent* sender) { Image2Click(sender); };
    ToolButton1->OnClick = [this](TComponent* sender) { ToolButton1Click(sender); };
    OnCreate = [this](TComponent* sender) { FormCreate(sender); };
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
    // An empty field would report success with nothing installed, or unpack
    // into the root of the current drive: refuse before anything is touched.
    if (cbSource->Text().empty())
        throw Exception("Choose the Kelpa CAB file to install");
    if (eDestination->Text().empty())
        throw Exception("Choose the destination directory");

    std::string destDir = IncludeTrailingBackslash(eDestination->Text());
    std::string cabFileName = ArchiveLocation(cbSource->Text(), ModuleFileName());
    CabRead->Extract(cabFileName, destDir, 0);
    // The shortcuts get the destination as typed: its form decides their
    // working directory.
    if (cStart->Checked())
        CreateShortcut(ShortcutFileIn(StartMenuFolder(), StartMenuMissingMessage), eDestination->Text());
    if (cDesk->Checked())
        CreateShortcut(ShortcutFileIn(DesktopFolder(), DesktopMissingMessage), eDestination->Text());
    MessageBoxA(nullptr, "Kelpa editor was installed", "", MB_OK | MB_ICONINFORMATION);
    Close();
}

void TfKLPInst::bCancelClick(TComponent*)
{
    Close();
}

void TfKLPInst::Image2Click(TComponent*)
{
    // The shell's answer is not looked at: a browser that cannot be started
    // is not the installer's failure.
    ShellExecuteA(nullptr, "Open", ProductWebSite, nullptr, nullptr, SW_SHOWNORMAL);
}

void TfKLPInst::ToolButton1Click(TComponent*)
{
    // A typed directory comes back as typed and is neither confirmed nor
    // created here: the installation creates it.
    std::string directory = eDestination->Text();
    if (BrowseDirectory(directory, bdEditablePath, 0))
        eDestination->SetText(directory);
}
