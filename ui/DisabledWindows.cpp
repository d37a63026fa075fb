#include "ui/DisabledWindows.h"

namespace {
struct TEnumState {
    HWND Except;
    std::vector<HWND>* Found;
};

BOOL CALLBACK CollectEnabledWindow(HWND aWnd, LPARAM aState) noexcept
{
    auto* state = reinterpret_cast<TEnumState*>(aState);
    if (aWnd == state->Except || !IsWindowVisible(aWnd) || !IsWindowEnabled(aWnd))
        return TRUE;
    try {
        state->Found->push_back(aWnd);
    } catch (...) {
        return FALSE; // out of memory: disable what was found so far
    }
    return TRUE;
}
} // namespace

TDisabledWindows::TDisabledWindows(HWND aExcept)
{
    TEnumState state{aExcept, &FWindows};
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow, reinterpret_cast<LPARAM>(&state));
    for (HWND wnd : FWindows)
        EnableWindow(wnd, FALSE);
}

TDisabledWindows::~TDisabledWindows()
{
    for (auto it = FWindows.rbegin(); it != FWindows.rend(); ++it)
        if (IsWindow(*it))
            EnableWindow(*it, TRUE);
}
