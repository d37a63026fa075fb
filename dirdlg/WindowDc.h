#pragma once
// Owns a device context fetched with GetDC and hands it back with ReleaseDC.
#include <windows.h>

class TWindowDc {
public:
    // aWnd null: the screen.
    explicit TWindowDc(HWND aWnd) noexcept : FWnd(aWnd), FDc(GetDC(aWnd)) {}
    TWindowDc(const TWindowDc&) = delete;
    TWindowDc& operator=(const TWindowDc&) = delete;
    ~TWindowDc()
    {
        if (FDc)
            ReleaseDC(FWnd, FDc);
    }
    HDC get() const noexcept { return FDc; }
    explicit operator bool() const noexcept { return FDc != nullptr; }

private:
    HWND FWnd;
    HDC FDc;
};
