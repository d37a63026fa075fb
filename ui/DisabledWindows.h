#pragma once
// Every other window of the program disabled while a modal window is shown.
#include <windows.h>
#include <vector>

// Disables every enabled, visible top-level window of this thread but
// aExcept, and enables them again when it goes.
class TDisabledWindows {
public:
    explicit TDisabledWindows(HWND aExcept);
    TDisabledWindows(const TDisabledWindows&) = delete;
    TDisabledWindows& operator=(const TDisabledWindows&) = delete;
    ~TDisabledWindows();

private:
    std::vector<HWND> FWindows;
};
