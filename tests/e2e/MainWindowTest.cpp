// The installer's main window as a user meets it: started from a kit folder,
// read and driven from outside through its controls.
#include <windows.h>
#include <gtest/gtest.h>
#include <cmath>
#include <memory>

#include "app/InstallDefaults.h"
#include "app/MainFormIds.h"
#include "app/ShellFolders.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "tests/TestRegistry.h"
#include "harness/Harness.h"
#include "tests/e2e/InstallerFixture.h"

namespace {

struct TLayout {
    int Id;
    const char* Name;
    int Left, Top, Width, Height;
    // Labels size themselves to their text, whose width depends on the font
    // the system supplies; the combo box's height follows its font too.
    enum { Fixed, TextWidth, FontHeight } Sizing = Fixed;
};

// Positions and sizes at 96 dpi, relative to the client area of the window.
const TLayout FormLayout[] = {
    {idBevel, "Bevel1", 8, 8, 273, 137},
    {idSourceLabel, "Label1", 16, 16, 79, 13, TLayout::TextWidth},
    {idSource, "cbSource", 16, 32, 249, 21, TLayout::FontHeight},
    {idDestinationLabel, "Label2", 16, 56, 102, 13, TLayout::TextWidth},
    {idDestination, "eDestination", 16, 72, 225, 21},
    {idToolBar, "ToolBar1", 242, 71, 31, 29},
    {idStart, "cStart", 16, 104, 249, 17},
    {idDesk, "cDesk", 16, 120, 249, 17},
    {idLogoPanel, "Panel1", 288, 8, 169, 73},
    {idOK, "bOK", 320, 112, 65, 25},
    {idCancel, "bCancel", 392, 112, 65, 25},
};
const TLayout LogoInPanel = {idLogo, "Image2", 4, 8, 157, 57};

// The files a run could leave behind outside the kit folder.
struct TTraces {
    bool Destination, DesktopLink, StartMenuLink, KelpaKeyPresent;
    bool operator==(const TTraces&) const = default;
};

TTraces CurrentTraces()
{
    RegKey key;
    bool keyPresent = RegOpenKeyExA(HKEY_CURRENT_USER, KelpaKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
    return {DirectoryExists(DefaultDestination()), FileExists(DesktopDirectory() + "\\Kelpa.lnk"),
            FileExists(StartMenuDirectory() + "\\Kelpa.lnk"), keyPresent};
}

std::vector<std::wstring> Wide(const std::vector<std::string>& names)
{
    std::vector<std::wstring> out;
    for (const auto& n : names)
        out.push_back(AnsiToWide(n));
    return out;
}

// One run of the installer from a kit folder.
class InstallerRun : public FirstInstallationFixture {
protected:
    // The control of the form that the focus window belongs to (the edit
    // field inside the combo box counts as the combo box).
    int FocusedControlId()
    {
        HWND w = FocusWindow(Form);
        while (w && GetParent(w) && GetParent(w) != Form)
            w = GetParent(w);
        return w ? GetDlgCtrlID(w) : 0;
    }
};

void ExpectScaled(const char* name, int expected96, int actual, double scale, const char* what, double tolerance = 1.0)
{
    EXPECT_LE(std::abs(actual - expected96 * scale), tolerance)
        << name << " " << what << ": " << actual << " at scale " << scale << ", designed " << expected96;
}

void ExpectLayout(const TLayout& layout, const RECT& actual, double scale)
{
    ExpectScaled(layout.Name, layout.Left, actual.left, scale, "left");
    ExpectScaled(layout.Name, layout.Top, actual.top, scale, "top");
    if (layout.Sizing != TLayout::TextWidth)
        ExpectScaled(layout.Name, layout.Width, Width(actual), scale, "width");
    // At 96 dpi the combo box has its designed height exactly; scaled, the
    // system rounds the font's height its own way.
    ExpectScaled(layout.Name, layout.Height, Height(actual), scale, "height",
                 layout.Sizing == TLayout::FontHeight && scale != 1.0 ? 2.0 : 1.0);
}

} // namespace

TEST_F(InstallerRun, OpensCentredWithItsCaptionTitleAndControls)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(FormCaption, WindowText(Form));

    // The application's own window carries the title shown in the taskbar.
    bool titled = false;
    for (HWND w : TopLevelWindows(Process->Id()))
        titled = titled || WindowText(w) == L"Kelpa installer";
    EXPECT_TRUE(titled) << "no window of the program is titled \"Kelpa installer\"";

    RECT r = ScreenRect(Form);
    EXPECT_EQ(475, Width(r));
    EXPECT_EQ(181, Height(r));
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_LE(std::abs(r.left - (screenWidth - Width(r)) / 2), 1) << r.left;
    EXPECT_LE(std::abs(r.top - (screenHeight - Height(r)) / 2), 1) << r.top;

    EXPECT_EQ(L"Kelpa CAB file :", WindowText(Control(idSourceLabel)));
    EXPECT_EQ(L"Destination directory :", WindowText(Control(idDestinationLabel)));
    EXPECT_EQ(L"Link in the START menu", WindowText(Control(idStart)));
    EXPECT_EQ(L"Link on the DESKTOP", WindowText(Control(idDesk)));
    EXPECT_EQ(L"&Install", WindowText(Control(idOK)));
    EXPECT_EQ(L"&Cancel", WindowText(Control(idCancel)));
    EXPECT_FALSE(IsChecked(Control(idStart)));
    EXPECT_FALSE(IsChecked(Control(idDesk)));
    EXPECT_EQ(AnsiToWide(DefaultDestination()), WindowText(Control(idDestination)));

    for (const TLayout& layout : FormLayout)
        ExpectLayout(layout, RectInClient(Control(layout.Id), Form), 1.0);
    ExpectLayout(LogoInPanel, RectInClient(Control(idLogo), Control(idLogoPanel)), 1.0);

    Click(Control(idCancel));
    ExpectEndsWithExitCode0();
}

// Started from a shortcut set to run minimised, the window waits behind the
// taskbar entry, as after its minimise button, and restoring the entry brings
// it back centred; set to run maximised, it opens maximised.
TEST_F(InstallerRun, StartsMinimisedBehindItsTaskbarEntryOrMaximised)
{
    for (int command : {SW_SHOWMINNOACTIVE, SW_SHOWMINIMIZED, SW_MINIMIZE}) {
        SCOPED_TRACE("show command " + std::to_string(command));
        Process = std::make_unique<TProcess>(Kit.ExePath(), "", std::vector<std::string>{}, command);
        HWND entry = WaitForTopLevel(*Process, [](HWND w) { return ClassName(w) == L"TApplication" && IsIconic(w); });
        ASSERT_NE(nullptr, entry) << "the taskbar entry is not minimised";
        HWND form = WaitForTopLevel(*Process, [](HWND w) { return ClassName(w) == L"TfKLPInst"; });
        ASSERT_NE(nullptr, form);
        EXPECT_FALSE(IsWindowVisible(form));
        EXPECT_FALSE(IsIconic(form)) << "the window lies on the desktop as a title bar of its own";

        PostMessageW(entry, WM_SYSCOMMAND, SC_RESTORE, 0);
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(form) && !IsIconic(entry); }));
        EXPECT_FALSE(IsIconic(form));
        RECT r = ScreenRect(form);
        EXPECT_LE(std::abs(r.left - (GetSystemMetrics(SM_CXSCREEN) - Width(r)) / 2), 1) << r.left;
        EXPECT_LE(std::abs(r.top - (GetSystemMetrics(SM_CYSCREEN) - Height(r)) / 2), 1) << r.top;
        Form = form;
        Click(Control(idCancel));
        ExpectEndsWithExitCode0();
    }

    Process = std::make_unique<TProcess>(Kit.ExePath(), "", std::vector<std::string>{}, SW_SHOWMAXIMIZED);
    Form = WaitForWindow(*Process, FormCaption);
    ASSERT_NE(nullptr, Form);
    EXPECT_TRUE(WaitFor([&] { return IsZoomed(Form) != FALSE; }));
    Click(Control(idCancel));
    ExpectEndsWithExitCode0();
}

TEST_F(InstallerRun, TabMovesThroughTheControlsInOrder)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitFor([&] { return FocusedControlId() == idSource; })) << FocusedControlId();
    for (int next : {idDestination, idStart, idDesk, idOK, idCancel, idSource}) {
        int before = FocusedControlId();
        PressKey(Form, VK_TAB);
        EXPECT_TRUE(WaitFor([&] { return FocusedControlId() == next; }, 3000))
            << "after " << before << " the focus is on " << FocusedControlId() << ", not " << next;
    }
    Click(Control(idCancel));
    ExpectEndsWithExitCode0();
}

TEST_F(InstallerRun, EscCancelAndAltCEndTheProgramWritingNothing)
{
    Kit.AddFile("Kelpa.cab");
    TTraces before = CurrentTraces();
    std::vector<std::string> listing = Kit.Listing();

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitFor([&] { return FocusWindow(Form) != nullptr; }));
    PressKey(Form, VK_ESCAPE);
    ExpectEndsWithExitCode0();

    ASSERT_NO_FATAL_FAILURE(Start());
    Click(Control(idCancel));
    ExpectEndsWithExitCode0();

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitFor([&] { return FocusWindow(Form) != nullptr; }));
    PressAltKey(Form, L'c');
    ExpectEndsWithExitCode0();

    EXPECT_EQ(listing, Kit.Listing());
    EXPECT_EQ(before, CurrentTraces());
}

TEST_F(InstallerRun, ListsTheArchivesBesideItAndSelectsTheLast)
{
    for (const char* name : {"Kelpa1.cab", "Kelpa2.cab", "Kelpa3.cab", "Other.cab"})
        Kit.AddFile(name);
    ASSERT_TRUE(CreateDirectoryA((Kit.Path() + "Kelpa4.cab").c_str(), nullptr));
    std::vector<std::wstring> expected = Wide(ArchivesBeside(Kit.ExePath()));
    ASSERT_EQ(3u, expected.size());

    ASSERT_NO_FATAL_FAILURE(Start());
    HWND source = Control(idSource);
    EXPECT_EQ(expected, ComboItems(source));
    EXPECT_EQ(2, ComboSelection(source));
    EXPECT_EQ(expected.back(), WindowText(source));
    Click(Control(idCancel));
    ExpectEndsWithExitCode0();
}

TEST_F(InstallerRun, OffersNothingWhenNoArchiveLiesBesideIt)
{
    Kit.AddFile("Setup.cab");
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND source = Control(idSource);
    EXPECT_EQ(0, ComboCount(source));
    EXPECT_EQ(CB_ERR, ComboSelection(source));
    EXPECT_EQ(L"", WindowText(source));
    Click(Control(idCancel));
    ExpectEndsWithExitCode0();
}

TEST_F(InstallerRun, ProposesTheDirectoryOfAnEarlierInstallation)
{
    ScopedRegValue path(HKEY_CURRENT_USER, KelpaKey, "KelpaPath", REG_SZ,
                        Sz("\"C:\\Tools\\Kelpa\\Kelpa.exe\" /open C:\\Notes\\todo.txt"));
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(L"C:\\Tools\\Kelpa\\", WindowText(Control(idDestination)));
    Click(Control(idCancel));
    ExpectEndsWithExitCode0();
}

// A number where the path should be: the error is shown, and the archives
// are still offered.
TEST_F(InstallerRun, ShowsTheErrorForANumberAsPathAndStillListsTheArchives)
{
    Kit.AddFile("Kelpa1.cab");
    Kit.AddFile("Kelpa2.cab");
    std::vector<std::wstring> expected = Wide(ArchivesBeside(Kit.ExePath()));
    ScopedRegValue number(HKEY_CURRENT_USER, KelpaKey, "KelpaPath", REG_DWORD, std::string("\x07\0\0\0", 4));

    Process = std::make_unique<TProcess>(Kit.ExePath());
    HWND box = WaitForMessageBox(*Process);
    ASSERT_NE(nullptr, box) << "no error box";
    TMessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(L"Kelpa installer", content.Caption);
    EXPECT_EQ(L"Invalid data type for 'KelpaPath'", content.Text);
    EXPECT_EQ(TBoxIcon::Stop, content.Icon);
    EXPECT_EQ(std::vector<std::wstring>{L"OK"}, content.Buttons);
    HWND owner = GetWindow(box, GW_OWNER);
    EXPECT_TRUE(owner && WindowText(owner) == L"Kelpa installer") << "the box is not owned by the application";
    PressButton(box, L"OK");

    Form = WaitForWindow(*Process, FormCaption);
    ASSERT_NE(nullptr, Form) << "no main window after the error";
    HWND source = Control(idSource);
    EXPECT_EQ(expected, ComboItems(source));
    EXPECT_EQ(static_cast<int>(expected.size()) - 1, ComboSelection(source));
    EXPECT_EQ(AnsiToWide(DefaultDestination()), WindowText(Control(idDestination)));
    Click(Control(idCancel));
    ExpectEndsWithExitCode0();
}

namespace {

// The ink of a label's text on the button-face background, waiting until it
// has been painted.
RECT LabelInk(HWND label)
{
    RECT ink{};
    WaitFor([&] {
        TScreenCapture capture(ScreenRect(label));
        ink = capture.InkBounds(GetSysColor(COLOR_BTNFACE));
        return !IsRectEmpty(&ink);
    });
    return ink;
}

} // namespace

// The screen resolution is read by each program when it starts: the setting
// is changed for one run only and put back at once.
TEST_F(InstallerRun, ScalesEveryPositionSizeAndTheFontAt120Dpi)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    RECT ink96 = LabelInk(Control(idSourceLabel));
    Click(Control(idCancel));
    ExpectEndsWithExitCode0();

    {
        SavedRegValue saved(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
        SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, std::string("\x78\0\0\0", 4));
        ASSERT_NO_FATAL_FAILURE(Start());
    }
    const double scale = 1.25;
    RECT r = ScreenRect(Form);
    EXPECT_LE(std::abs(Width(r) - 475 * scale), 2.0) << Width(r);
    EXPECT_LE(std::abs(Height(r) - 181 * scale), 2.0) << Height(r);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_LE(std::abs(r.left - (screenWidth - Width(r)) / 2), 1) << r.left;
    EXPECT_LE(std::abs(r.top - (screenHeight - Height(r)) / 2), 1) << r.top;
    for (const TLayout& layout : FormLayout)
        ExpectLayout(layout, RectInClient(Control(layout.Id), Form), scale);
    ExpectLayout(LogoInPanel, RectInClient(Control(idLogo), Control(idLogoPanel)), scale);

    // 8 points are 11 pixels at 96 dpi and 14 at 120: the text grows with
    // them. Its width tells (the height is cut by the label's scaled box).
    RECT ink120 = LabelInk(Control(idSourceLabel));
    ASSERT_FALSE(IsRectEmpty(&ink96));
    ASSERT_FALSE(IsRectEmpty(&ink120));
    double widthRatio = double(Width(ink120)) / Width(ink96);
    EXPECT_NEAR(1.25, widthRatio, 0.1) << Width(ink96) << " -> " << Width(ink120);
    Click(Control(idCancel));
    ExpectEndsWithExitCode0();
}
