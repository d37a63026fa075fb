// The real error box: a helper thread finds it, reads it and presses OK.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "core/Exceptions.h"
#include "tests/BoxWatchdog.h"
#include "tests/ui/TestForm.h"

namespace {
struct SeenBox {
    std::string Caption;
    std::string Text;
    HWND Owner = nullptr;
    bool FormEnabled = true;
    bool HasCancel = true;
};

struct FindState {
    DWORD Pid;
    HWND Found;
};

BOOL CALLBACK FindBox(HWND aWnd, LPARAM aState) noexcept
{
    auto* state = reinterpret_cast<FindState*>(aState);
    char cls[32] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(aWnd, &pid);
    if (pid == state->Pid && GetClassNameA(aWnd, cls, sizeof cls) && std::string(cls) == "#32770" &&
        IsWindowVisible(aWnd)) {
        state->Found = aWnd;
        return FALSE;
    }
    return TRUE;
}

// Waits up to 10 s for the box, records it and closes it with OK.
void AnswerBox(SeenBox& aSeen, HWND aForm, std::atomic<bool>& aDone)
{
    for (int i = 0; i < 1000 && !aDone; ++i) {
        FindState state{GetCurrentProcessId(), nullptr};
        EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&state));
        if (state.Found) {
            char text[512] = {};
            GetWindowTextA(state.Found, text, sizeof text);
            aSeen.Caption = text;
            GetDlgItemTextA(state.Found, 0xFFFF, text, sizeof text);
            aSeen.Text = text;
            aSeen.Owner = GetWindow(state.Found, GW_OWNER);
            aSeen.FormEnabled = IsWindowEnabled(aForm) != FALSE;
            HWND cancel = GetDlgItem(state.Found, IDCANCEL);
            aSeen.HasCancel = cancel && IsWindowVisible(cancel);
            PostMessageA(state.Found, WM_COMMAND, IDOK, 0);
            return;
        }
        Sleep(10);
    }
}
} // namespace

TEST(ErrorBox, ModalToTheProgramAndRestoresActivationAndFocus)
{
    std::string oldTitle = Application.Title();
    Application.SetTitle("Kelpa installer");
    TTestForm form;
    form.Show();
    Pump();
    form.Edit->SetFocus();
    form.ThrowButton->OnClick = [](TComponent*) { throw Exception("Broken [x]"); };

    SeenBox seen;
    std::atomic<bool> done{false};
    std::thread helper([&] { AnswerBox(seen, form.Handle(), done); });
    // As a click reports itself, without moving the focus.
    PostMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(tidThrow, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form.ThrowButton->Handle()));
    Pump();
    done = true;
    helper.join();
    Application.SetTitle(oldTitle);

    EXPECT_EQ(seen.Caption, "Kelpa installer");
    EXPECT_EQ(seen.Text, "Broken [x].");
    EXPECT_EQ(seen.Owner, Application.Handle());
    EXPECT_FALSE(seen.FormEnabled);
    EXPECT_FALSE(seen.HasCancel);
    EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    EXPECT_EQ(GetActiveWindow(), form.Handle());
    EXPECT_EQ(GetFocus(), form.Edit->Handle());
}

// Every test program's watchdog answers a box that nobody answers (Cancel,
// else No, else OK) and names it; here it is quick, and its report taken.
TEST(ErrorBox, TheWatchdogAnswersAndNamesABoxNobodyAnswers)
{
    TBoxWatchdog* watchdog = TBoxWatchdog::Current();
    ASSERT_NE(watchdog, nullptr);
    watchdog->GraceMs = 200;
    struct Row {
        UINT Buttons;
        int Answer;
    };
    const Row rows[] = {{MB_OK, IDOK}, {MB_YESNO, IDNO}, {MB_OKCANCEL, IDCANCEL}};
    for (const Row& row : rows)
        EXPECT_EQ(MessageBoxA(nullptr, "Nobody reads this", "Unexpected", row.Buttons), row.Answer);
    watchdog->GraceMs = TBoxWatchdog::DefaultGraceMs;
    EXPECT_EQ(watchdog->TakeAnswered(), std::vector<std::string>(3, "message box \"Unexpected\": Nobody reads this"));
}
