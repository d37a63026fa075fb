// The main window, built for real in this process and driven by messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>

#include "app/InstallDefaults.h"
#include "app/MainFormIds.h"
#include "app/uKelpaInstall.h"
#include "core/FileSystem.h"
#include "core/Handle.h"
#include "dirdlg/SelectDirIds.h"
#include "harness/Harness.h"
#include "harness/TestFiles.h"
#include "tests/TestRegistry.h"
#include "tests/UiTestSupport.h"
#include "tests/dirdlg/ChooserTestSupport.h"
#include "ui/Application.h"

namespace {

struct Expected {
    int Id;
    int Left, Top, Width, Height;
    const char* Text;
};

// Every window of the main form at 96 dpi.
const Expected kLayout[] = {
    {idBevel, 8, 8, 273, 137, ""},
    {idSourceLabel, 16, 16, 79, 13, "Kelpa CAB file :"},
    {idSource, 16, 32, 249, 21, ""},
    {idDestinationLabel, 16, 56, 102, 13, "Destination directory :"},
    {idDestination, 16, 72, 225, 21, nullptr}, // text from the defaults
    {idToolBar, 242, 71, 31, 29, "ToolBar1"},
    {idStart, 16, 104, 249, 17, "Link in the START menu"},
    {idDesk, 16, 120, 249, 17, "Link on the DESKTOP"},
    {idLogoPanel, 288, 8, 169, 73, ""},
    {idOK, 320, 112, 65, 25, "&Install"},
    {idCancel, 392, 112, 65, 25, "&Cancel"},
};

bool IsLabel(int anId)
{
    return anId == idSourceLabel || anId == idDestinationLabel;
}

// The field a label names, which lies just below it in the stacking order:
// there a screen reader finds the field's name.
int NamedField(int aLabelId)
{
    return aLabelId == idSourceLabel ? idSource : idDestination;
}

RECT ChildRect(HWND aChild)
{
    RECT r;
    GetWindowRect(aChild, &r);
    MapWindowPoints(nullptr, GetParent(aChild), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string ControlText(HWND aWnd)
{
    char text[256] = {};
    GetWindowTextA(aWnd, text, sizeof text);
    return text;
}

void CheckLayout(const TfKLPInst& aForm, int aDpi)
{
    auto scale = [aDpi](int v) { return MulDiv(v, aDpi, 96); };
    RECT outer;
    GetWindowRect(aForm.Handle(), &outer);
    EXPECT_EQ(outer.right - outer.left, scale(475));
    EXPECT_EQ(outer.bottom - outer.top, scale(181));
    for (const Expected& e : kLayout) {
        SCOPED_TRACE("control id " + std::to_string(e.Id));
        HWND child = GetDlgItem(aForm.Handle(), e.Id);
        ASSERT_NE(child, nullptr);
        RECT r = ChildRect(child);
        EXPECT_EQ(r.left, scale(e.Left));
        EXPECT_EQ(r.top, scale(e.Top));
        // A label grows where the system's substitute font is wider.
        if (IsLabel(e.Id)) {
            EXPECT_GE(r.right - r.left, scale(e.Width));
            EXPECT_GE(r.bottom - r.top, scale(e.Height));
            // ... as wide as its text drawn in its own window.
            std::string text = ControlText(child);
            RECT extent{0, 0, 0, 0};
            WindowDc dc(child);
            SelectObjectScope font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(child, WM_GETFONT, 0, 0)));
            DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent, DT_CALCRECT | DT_SINGLELINE);
            EXPECT_GE(r.right - r.left, extent.right);
            EXPECT_EQ(GetWindow(child, GW_HWNDNEXT), GetDlgItem(aForm.Handle(), NamedField(e.Id)));
        } else {
            EXPECT_EQ(r.right - r.left, scale(e.Width));
            EXPECT_EQ(r.bottom - r.top, scale(e.Height));
        }
        if (e.Text) {
            EXPECT_EQ(ControlText(child), e.Text);
        }
        LOGFONTA font{};
        auto handle = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
        ASSERT_NE(handle, nullptr);
        GetObjectA(handle, sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -scale(11));
        EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
    }
    HWND logo = GetDlgItem(aForm.Panel1->Handle(), idLogo);
    ASSERT_NE(logo, nullptr);
    RECT r = ChildRect(logo);
    EXPECT_EQ(r.left, scale(4));
    EXPECT_EQ(r.top, scale(8));
    EXPECT_EQ(r.right - r.left, scale(157));
    EXPECT_EQ(r.bottom - r.top, scale(57));
    RECT button;
    ASSERT_TRUE(SendMessageA(aForm.ToolBar1->Handle(), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button)));
    EXPECT_EQ(button.left, 0);
    EXPECT_EQ(button.top, 0);
    EXPECT_EQ(button.right - button.left, scale(23));
    EXPECT_EQ(button.bottom - button.top, scale(22));
}

// Sets or removes HKCU\Software\Kelpa "KelpaPath" for one test; the key is
// removed again afterwards.
class KelpaPathValue {
public:
    KelpaPathValue() { RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kelpa"); }
    ~KelpaPathValue()
    {
        FKey.reset();
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kelpa");
    }
    void Set(DWORD aType, const void* aData, DWORD aSize)
    {
        if (!FKey) {
            ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kelpa", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                      FKey.put(), nullptr),
                      ERROR_SUCCESS);
        }
        ASSERT_EQ(RegSetValueExA(FKey.get(), "KelpaPath", 0, aType, static_cast<const BYTE*>(aData), aSize),
                  ERROR_SUCCESS);
    }
    void SetString(const std::string& aText) { Set(REG_SZ, aText.c_str(), static_cast<DWORD>(aText.size() + 1)); }

private:
    RegKey FKey;
};

// Archive files beside the test program, removed afterwards.
class ArchivesBesideProgram {
public:
    ~ArchivesBesideProgram()
    {
        for (const std::string& name : FFiles) {
            SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(name.c_str());
        }
        for (const std::string& name : FDirs)
            RemoveDirectoryA(name.c_str());
    }
    void File(const std::string& aName, DWORD anAttributes = FILE_ATTRIBUTE_NORMAL)
    {
        std::string path = ExeDir() + aName;
        WriteFile(path, "MSCF");
        SetFileAttributesA(path.c_str(), anAttributes);
        FFiles.push_back(path);
    }
    void Directory(const std::string& aName)
    {
        std::string path = ExeDir() + aName;
        CreateDirectoryA(path.c_str(), nullptr);
        FDirs.push_back(path);
    }

private:
    std::vector<std::string> FFiles, FDirs;
};

std::vector<std::string> Items(const TComboBox& aCombo)
{
    std::vector<std::string> items;
    for (int i = 0; i < aCombo.Count(); ++i)
        items.push_back(aCombo.Item(i));
    return items;
}

// The archives lying beside the test program before a test puts its own there.
std::vector<std::string> ArchivesBesideTheTestProgram()
{
    return ArchivesBeside(ModuleFileName());
}
} // namespace

TEST(MainWindow, EveryControlAsLaidOutAt96Dpi)
{
    ErrorRecorder errors;
    TfKLPInst form(nullptr, 96);
    EXPECT_EQ(form.Text(), "Kelpa editor installer");
    char cls[64] = {};
    GetClassNameA(form.Handle(), cls, sizeof cls);
    EXPECT_STREQ(cls, "TfKLPInst");
    LONG style = GetWindowLongA(form.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_EQ(GetMenu(form.Handle()), nullptr);
    // The window has no icon of its own; its class carries the program's.
    EXPECT_EQ(SendMessageA(form.Handle(), WM_GETICON, ICON_BIG, 0), 0);
    CheckLayout(form, 96);

    EXPECT_FALSE(form.cStart->Checked());
    EXPECT_FALSE(form.cDesk->Checked());
    LONG combo = GetWindowLongA(form.cbSource->Handle(), GWL_STYLE);
    EXPECT_EQ(combo & 0x3, CBS_DROPDOWN);
    EXPECT_FALSE(combo & CBS_SORT);
    EXPECT_EQ(SendMessageA(form.cbSource->Handle(), CB_GETITEMHEIGHT, 0, 0), 13);
    EXPECT_EQ(GetWindowLongA(form.bOK->Handle(), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongA(form.bCancel->Handle(), GWL_STYLE) & 0xF, BS_PUSHBUTTON);
    EXPECT_TRUE(GetWindowLongA(form.ToolBar1->Handle(), GWL_STYLE) & TBSTYLE_FLAT);
    EXPECT_EQ(form.ToolBar1->Images(), form.ImageList1);
    EXPECT_EQ(form.Panel1->Color, RGB(255, 255, 255));
    EXPECT_EQ(GetParent(form.Image2->Handle()), form.Panel1->Handle());
    EXPECT_EQ(form.ToolButton1->ImageIndex, 0);
    EXPECT_EQ(form.ToolButton1->Caption, "ToolButton1");
}

TEST(MainWindow, EverythingScaledBy125PercentAt120Dpi)
{
    ErrorRecorder errors;
    TfKLPInst form(nullptr, 120);
    CheckLayout(form, 120);
    EXPECT_EQ(SendMessageA(form.cbSource->Handle(), CB_GETITEMHEIGHT, 0, 0), 16);
    // A few values worked out by hand: 475 x 181 is 593.75 x 226.25, a
    // font of 11 pixels is 13.75, the source box's left edge 16 is 20.
    RECT outer;
    GetWindowRect(form.Handle(), &outer);
    EXPECT_EQ(outer.right - outer.left, 594);
    EXPECT_EQ(outer.bottom - outer.top, 226);
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(form.cbSource->Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -14);
    EXPECT_EQ(ChildRect(form.cbSource->Handle()).left, 20);
}

// The progress bar waits hidden under the logo, inside the window, where it
// covers no other control when the run shows it.
TEST(MainWindow, TheProgressBarWaitsHiddenWhereItCoversNothing)
{
    ErrorRecorder errors;
    for (int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        auto scale = [dpi](int v) { return MulDiv(v, dpi, 96); };
        TfKLPInst form(nullptr, dpi);
        HWND bar = GetDlgItem(form.Handle(), idProgress);
        ASSERT_EQ(bar, form.ProgressBar1->Handle());
        EXPECT_FALSE(GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE);
        RECT r = ChildRect(bar), client, overlap;
        EXPECT_EQ(r.left, scale(288));
        EXPECT_EQ(r.top, scale(88));
        EXPECT_EQ(r.right - r.left, scale(169));
        EXPECT_EQ(r.bottom - r.top, scale(17));
        GetClientRect(form.Handle(), &client);
        EXPECT_TRUE(IntersectRect(&overlap, &r, &client) && EqualRect(&overlap, &r));
        for (HWND child = GetWindow(form.Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT other = ChildRect(child);
            EXPECT_TRUE(child == bar || !IntersectRect(&overlap, &r, &other))
                << "covers control " << GetDlgCtrlID(child);
        }
    }
}

namespace {
// Every colour of the logo bitmap the program carries.
std::set<COLORREF> LogoColours()
{
    BitmapHandle logo(
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), "LOGO", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    GetObjectA(logo.get(), sizeof info, &info);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    WindowDc screen(nullptr);
    GetDIBits(screen.get(), logo.get(), 0, info.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    std::set<COLORREF> colours;
    for (DWORD p : pixels)
        colours.insert(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return colours;
}
} // namespace

// Drawn at its own size the logo shows only its own colours; scaled by 1.5 at
// 144 dpi it is smoothed, so that its edges take colours between those of the
// picture instead of doubled pixels in steps.
TEST(MainWindow, TheLogoIsSmoothedWhenScaled)
{
    ErrorRecorder errors;
    const std::set<COLORREF> own = LogoColours();
    ASSERT_GT(own.size(), 2u);
    for (int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        TfKLPInst form(nullptr, dpi);
        form.Show();
        RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Application.ProcessMessages();
        RECT r;
        GetWindowRect(form.Image2->Handle(), &r);
        ASSERT_EQ(r.right - r.left, MulDiv(157, dpi, 96));
        TScreenCapture capture(r);
        size_t between = 0;
        for (int y = 0; y < capture.Height(); ++y)
            for (int x = 0; x < capture.Width(); ++x)
                between += own.count(capture.At(x, y)) == 0;
        size_t all = static_cast<size_t>(capture.Width()) * capture.Height();
        if (dpi == 96)
            EXPECT_EQ(between, 0u);
        else
            EXPECT_GT(between, all / 20) << between << " of " << all << " pixels in colours of their own";
    }
}

TEST(MainWindow, TabGoesRoundTheInputsAndSkipsLogoAndToolBar)
{
    ErrorRecorder errors;
    TfKLPInst form(nullptr, 96);
    form.Show();
    Application.ProcessMessages();
    EXPECT_EQ(FocusedControl(form), form.cbSource->Handle());
    const HWND order[] = {form.eDestination->Handle(), form.cStart->Handle(),  form.cDesk->Handle(),
                          form.bOK->Handle(),          form.bCancel->Handle(), form.cbSource->Handle()};
    for (HWND expected : order) {
        PressKey(VK_TAB);
        EXPECT_EQ(FocusedControl(form), expected);
    }
    PressKey(VK_TAB, true);
    EXPECT_EQ(FocusedControl(form), form.bCancel->Handle());
    PressKey(VK_TAB, true);
    EXPECT_EQ(FocusedControl(form), form.bOK->Handle());
}

TEST(MainWindow, EnterAndAltIInstallEscAndAltCClose)
{
    ErrorRecorder errors;
    TfKLPInst form(nullptr, 96);
    int installs = 0;
    form.bOK->OnClick = [&](TComponent*) { ++installs; };
    form.Show();
    Application.ProcessMessages();
    form.eDestination->SetFocus();
    PressKey(VK_RETURN);
    PostMessageA(GetFocus(), WM_SYSCHAR, 'i', 0x20000001);
    Application.ProcessMessages();
    EXPECT_EQ(installs, 2);
    EXPECT_TRUE(form.Visible());

    PressKey(VK_ESCAPE);
    EXPECT_FALSE(form.Visible());
    form.Show();
    Application.ProcessMessages();
    PostMessageA(GetFocus(), WM_SYSCHAR, 'c', 0x20000001);
    Application.ProcessMessages();
    EXPECT_FALSE(form.Visible());
    form.Show();
    SendMessageA(form.bCancel->Handle(), BM_CLICK, 0, 0);
    Application.ProcessMessages();
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(errors.Shown.empty());
}

TEST(MainWindow, BrowseButtonRunsTheChooserAndTakesOnlyAnAcceptedChoice)
{
    ErrorRecorder errors;
    TfKLPInst form(nullptr, 96);
    std::string destination = form.eDestination->Text();
    // Types into the chooser's path field and leaves with the given button.
    auto choose = [&](const char* aTyped, int aButton) {
        TModalDriver driver({[=] {
            HWND chooser = FindOwnWindow("Select Directory");
            if (!chooser)
                return false;
            SetDlgItemTextA(chooser, sdDirEdit, aTyped);
            PostClick(chooser, aButton);
            return true;
        }});
        SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(idBrowseButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(form.ToolBar1->Handle()));
        EXPECT_TRUE(driver.Done()) << "the browse button opened no chooser";
        EXPECT_EQ("", driver.Failure());
    };
    choose("C:\\Elsewhere", sdCancel);
    EXPECT_EQ(destination, form.eDestination->Text());
    choose("C:\\Chosen place\\", sdOK);
    EXPECT_EQ("C:\\Chosen place\\", form.eDestination->Text());
    EXPECT_TRUE(errors.Shown.empty());

    // A chooser that cannot open (no drive can be listed, down to the
    // system's) shows its error and leaves the field alone.
    TDirSystemScope seam;
    InstallFakeDrives();
    FakeDrives().NotReady = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(idBrowseButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form.ToolBar1->Handle()));
    Pump();
    EXPECT_EQ(nullptr, FindOwnWindow("Select Directory"));
    EXPECT_EQ(std::vector<std::string>{"Drive C: has no medium or is not ready."}, errors.Shown);
    EXPECT_EQ("C:\\Chosen place\\", form.eDestination->Text());
}

TEST(MainWindow, CreationProposesTheDefaultsWithoutAnEarlierInstallation)
{
    ErrorRecorder errors;
    KelpaPathValue none;
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion";
    SavedRegValue saved(HKEY_LOCAL_MACHINE, key, "ProgramFilesDir", KEY_WOW64_32KEY);
    SetRegValue(HKEY_LOCAL_MACHINE, key, "ProgramFilesDir", REG_SZ, Sz("C:\\Apps"), KEY_WOW64_32KEY);
    TfKLPInst form(nullptr, 96);
    EXPECT_EQ(form.eDestination->Text(), "C:\\Apps\\Kelpa");
    EXPECT_TRUE(errors.Shown.empty());
}

TEST(MainWindow, CreationListsTheArchivesBesideTheProgramAndSelectsTheLast)
{
    ASSERT_EQ(ArchivesBesideTheTestProgram(), std::vector<std::string>{}) << "left by an earlier run";
    ErrorRecorder errors;
    ArchivesBesideProgram files;
    files.File("Kelpa1.cab");
    files.File("Kelpa2.cab", FILE_ATTRIBUTE_HIDDEN);
    files.File("Kelpa3.cab", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
    files.Directory("Kelpa4.cab");
    files.File("Other.cab");
    TfKLPInst form(nullptr, 96);
    std::vector<std::string> items = Items(*form.cbSource);
    EXPECT_EQ(std::set<std::string>(items.begin(), items.end()),
              (std::set<std::string>{"Kelpa1.cab", "Kelpa2.cab", "Kelpa3.cab"}));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(form.cbSource->ItemIndex(), 2);
    EXPECT_EQ(form.cbSource->Text(), items[2]);
}

TEST(MainWindow, CreationWithoutArchivesLeavesTheFieldEmpty)
{
    ASSERT_EQ(ArchivesBesideTheTestProgram(), std::vector<std::string>{}) << "left by an earlier run";
    ErrorRecorder errors;
    TfKLPInst form(nullptr, 96);
    EXPECT_EQ(form.cbSource->Count(), 0);
    EXPECT_EQ(form.cbSource->ItemIndex(), -1);
    EXPECT_EQ(form.cbSource->Text(), "");
}

TEST(MainWindow, CreationTakesTheEarlierInstallationsDirectory)
{
    ErrorRecorder errors;
    KelpaPathValue value;
    value.SetString("\"C:\\Tools\\Kelpa\\Kelpa.exe\"");
    {
        TfKLPInst form(nullptr, 96);
        EXPECT_EQ(form.eDestination->Text(), "C:\\Tools\\Kelpa\\");
    }
    value.SetString("Kelpa.exe");
    {
        TfKLPInst form(nullptr, 96);
        EXPECT_EQ(form.eDestination->Text(), "");
    }
    EXPECT_TRUE(errors.Shown.empty());
}

TEST(MainWindow, BrokenEarlierInstallationIsShownButTheArchivesAreStillListed)
{
    ASSERT_EQ(ArchivesBesideTheTestProgram(), std::vector<std::string>{}) << "left by an earlier run";
    ErrorRecorder errors;
    KelpaPathValue value;
    DWORD number = 7;
    value.Set(REG_DWORD, &number, sizeof number);
    ArchivesBesideProgram files;
    files.File("Kelpa1.cab");
    TfKLPInst form(nullptr, 96);
    EXPECT_EQ(errors.Shown, (std::vector<std::string>{"Invalid data type for 'KelpaPath'"}));
    EXPECT_EQ(form.eDestination->Text(), DefaultDestination());
    EXPECT_EQ(Items(*form.cbSource), (std::vector<std::string>{"Kelpa1.cab"}));
    EXPECT_EQ(form.cbSource->ItemIndex(), 0);
}
