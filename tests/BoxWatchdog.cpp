#include "tests/BoxWatchdog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

struct TSeenBox {
    HWND Window;
    DWORD Since;
};

// Texts are asked for with a time-out: the box's thread might not answer.
std::string TextOf(HWND aWindow)
{
    char text[1024] = {};
    DWORD_PTR ignored = 0;
    if (aWindow)
        SendMessageTimeoutA(aWindow, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000,
                            &ignored);
    return text;
}

BOOL CALLBACK CollectBox(HWND aWindow, LPARAM aParam) noexcept
{
    DWORD pid = 0;
    GetWindowThreadProcessId(aWindow, &pid);
    char className[16] = {};
    if (pid == GetCurrentProcessId() && IsWindowVisible(aWindow) &&
        GetClassNameA(aWindow, className, sizeof className) && strcmp(className, "#32770") == 0)
        reinterpret_cast<std::vector<HWND>*>(aParam)->push_back(aWindow);
    return TRUE;
}

// Fails the running test for each box answered while it ran.
class TBoxListener : public testing::EmptyTestEventListener {
public:
    explicit TBoxListener(TBoxWatchdog& aWatchdog) : FWatchdog(aWatchdog) {}
    void OnTestEnd(const testing::TestInfo&) override
    {
        for (const std::string& box : FWatchdog.TakeAnswered())
            ADD_FAILURE() << "unexpected " << box;
    }

private:
    TBoxWatchdog& FWatchdog;
};

} // namespace

TBoxWatchdog::TBoxWatchdog() : FThread([this] { Watch(); })
{
    FCurrent = this;
    testing::UnitTest::GetInstance()->listeners().Append(new TBoxListener(*this));
}

bool TBoxWatchdog::Finish()
{
    if (FThread.joinable()) {
        FStop = true;
        FThread.join();
        FCurrent = nullptr;
    }
    return TakeAnswered().empty();
}

std::vector<std::string> TBoxWatchdog::TakeAnswered()
{
    std::lock_guard<std::mutex> hold(FLock);
    return std::exchange(FAnswered, {});
}

void TBoxWatchdog::Watch()
{
    std::vector<TSeenBox> seen;
    while (!FStop) {
        Sleep(100);
        std::vector<HWND> boxes;
        EnumWindows(&CollectBox, reinterpret_cast<LPARAM>(&boxes));
        std::vector<TSeenBox> still;
        for (HWND box : boxes) {
            DWORD since = GetTickCount();
            for (const TSeenBox& s : seen)
                if (s.Window == box)
                    since = s.Since;
            if (GetTickCount() - since < GraceMs) {
                still.push_back({box, since});
                continue;
            }
            std::string what = "message box \"" + TextOf(box) + "\": " + TextOf(GetDlgItem(box, 0xFFFF));
            fprintf(stderr, "%s, still open after %.1f s: answered by the test program's watchdog\n", what.c_str(),
                    GraceMs / 1000.0);
            fflush(stderr);
            {
                std::lock_guard<std::mutex> hold(FLock);
                FAnswered.push_back(what);
            }
            int answer = IDOK;
            for (int id : {IDCANCEL, IDNO, IDOK, IDABORT})
                if (GetDlgItem(box, id)) {
                    answer = id;
                    break;
                }
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
        }
        seen = std::move(still);
    }
}
