// The program's start-up path in this process: the application creates the
// main window, runs the loop until the window closes and destroys it. A
// separate test program, since ending the loop ends it for the process.
#include <gtest/gtest.h>

#include "app/MainFormIds.h"
#include "app/uKelpaInstall.h"
#include "core/Exceptions.h"
#include "ui/Application.h"

namespace {
void PostClick(TButton* aButton, int anId)
{
    PostMessageA(GetParent(aButton->Handle()), WM_COMMAND, MAKEWPARAM(anId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(aButton->Handle()));
}
} // namespace

// Started minimised (by a shortcut or another program), the window waits
// behind the taskbar entry as after its minimise button, and restoring the
// entry brings it back where a normal start puts it. Runs before the loop test:
// that one ends the loop for the process.
TEST(ApplicationStart, MinimisedStartWaitsBehindTheTaskbarEntry)
{
    std::vector<std::string> shown;
    Application.ErrorDisplay = [&](const std::string& aText) { shown.push_back(aText); };
    for (int command : {SW_SHOWMINNOACTIVE, SW_SHOWMINIMIZED}) {
        SCOPED_TRACE(command);
        Application.CreateForm(fKLPInst);
        ASSERT_NE(fKLPInst, nullptr);
        HWND wnd = fKLPInst->Handle();
        Application.ShowMainForm(command);
        Application.ProcessMessages();
        EXPECT_TRUE(IsWindowVisible(Application.Handle()));
        EXPECT_TRUE(IsIconic(Application.Handle()));
        EXPECT_FALSE(IsWindowVisible(wnd));
        EXPECT_FALSE(IsIconic(wnd)); // no title bar of its own on the desktop

        SendMessageA(Application.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
        Application.ProcessMessages();
        EXPECT_FALSE(IsIconic(Application.Handle()));
        EXPECT_TRUE(IsWindowVisible(wnd));
        EXPECT_FALSE(IsIconic(wnd));
        EXPECT_TRUE(fKLPInst->cbSource->Focused());
        RECT r;
        GetWindowRect(wnd, &r);
        EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
        EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
        Application.DestroyForms();
        fKLPInst = nullptr;
    }

    Application.CreateForm(fKLPInst);
    ASSERT_NE(fKLPInst, nullptr);
    Application.ShowMainForm(SW_SHOWMAXIMIZED);
    EXPECT_TRUE(IsZoomed(fKLPInst->Handle()));
    EXPECT_FALSE(IsIconic(Application.Handle()));
    Application.DestroyForms();
    fKLPInst = nullptr;
    EXPECT_TRUE(shown.empty());
    Application.ErrorDisplay = nullptr;
}

TEST(ApplicationStart, ShowCommandFollowsTheStartUpInformation)
{
    const struct {
        DWORD Flags;
        WORD Show;
        int Expected;
    } cases[] = {
        {0, SW_SHOWMINIMIZED, SW_SHOWNORMAL}, // the value counts only with its flag
        {STARTF_USESHOWWINDOW, SW_SHOWNORMAL, SW_SHOWNORMAL},
        {STARTF_USESHOWWINDOW, SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED},
        {STARTF_USESHOWWINDOW, SW_SHOWMINIMIZED, SW_SHOWMINIMIZED},
        {STARTF_USESHOWWINDOW, SW_MINIMIZE, SW_SHOWMINIMIZED},
        {STARTF_USESHOWWINDOW, SW_FORCEMINIMIZE, SW_SHOWMINIMIZED},
        {STARTF_USESHOWWINDOW, SW_SHOWMINNOACTIVE, SW_SHOWMINNOACTIVE},
        {STARTF_USESHOWWINDOW, SW_HIDE, SW_SHOWNORMAL},
        {STARTF_USESHOWWINDOW, SW_SHOWNOACTIVATE, SW_SHOWNORMAL},
        {STARTF_USESHOWWINDOW, SW_SHOWDEFAULT, SW_SHOWNORMAL},
    };
    for (const auto& c : cases) {
        STARTUPINFOA info{};
        info.cb = sizeof info;
        info.dwFlags = c.Flags;
        info.wShowWindow = c.Show;
        EXPECT_EQ(MainFormShowCommand(info), c.Expected) << "flags " << c.Flags << ", show " << c.Show;
    }
}

TEST(ApplicationRun, MainWindowRunsUntilCancelAndErrorsDoNotEndIt)
{
    std::vector<std::string> shown;
    Application.ErrorDisplay = [&](const std::string& aText) { shown.push_back(aText); };
    Application.Initialize();
    EXPECT_TRUE(Application.ComInitialized());
    Application.SetTitle("Kelpa installer");
    Application.CreateForm(fKLPInst);
    ASSERT_NE(fKLPInst, nullptr);
    EXPECT_EQ(Application.MainForm(), fKLPInst);
    TfKLPInst* form = fKLPInst;
    HWND wnd = form->Handle();
    EXPECT_FALSE(IsWindowVisible(wnd)); // hidden until the loop runs

    struct {
        bool Visible = false;
        bool Centred = false;
        bool FocusInSource = false;
        bool TaskbarEntry = false;
        bool MinimisedTogether = false;
        bool RestoredTogether = false;
    } seen;
    form->bOK->OnClick = [&](TComponent*) {
        RECT r;
        GetWindowRect(wnd, &r);
        seen.Visible = IsWindowVisible(wnd) != FALSE;
        seen.Centred = r.left == (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2 &&
                       r.top == (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
        seen.FocusInSource = form->cbSource->Focused();
        char title[64] = {};
        GetWindowTextA(Application.Handle(), title, sizeof title);
        seen.TaskbarEntry = IsWindowVisible(Application.Handle()) && std::string(title) == "Kelpa installer" &&
                            GetWindow(wnd, GW_OWNER) == Application.Handle();
        // Minimising the window minimises the taskbar entry with it, and
        // restoring the entry brings the window back.
        SendMessageA(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        seen.MinimisedTogether = IsIconic(Application.Handle()) && !IsWindowVisible(wnd);
        SendMessageA(Application.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
        seen.RestoredTogether = !IsIconic(Application.Handle()) && IsWindowVisible(wnd);
        throw Exception("Cannot install");
    };
    PostClick(form->bOK, idOK);
    PostClick(form->bCancel, idCancel);
    Application.Run();

    EXPECT_TRUE(seen.Visible);
    EXPECT_TRUE(seen.Centred);
    EXPECT_TRUE(seen.FocusInSource);
    EXPECT_TRUE(seen.TaskbarEntry);
    EXPECT_TRUE(seen.MinimisedTogether);
    EXPECT_TRUE(seen.RestoredTogether);
    EXPECT_EQ(shown, (std::vector<std::string>{"Cannot install."}));
    EXPECT_TRUE(Application.Terminated());

    Application.DestroyForms();
    EXPECT_EQ(Application.MainForm(), nullptr);
    EXPECT_FALSE(IsWindow(wnd));
    Application.Finalize();
    EXPECT_FALSE(Application.ComInitialized());
    Application.ErrorDisplay = nullptr;
}
