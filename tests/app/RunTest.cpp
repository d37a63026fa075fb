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
