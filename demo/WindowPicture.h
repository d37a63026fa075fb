#pragma once
// A picture of a window as the screen shows it, for the demo.
#include <windows.h>

// Saves the window's screen rectangle as a 24-bit BMP once two captures in a
// row agree (the window has painted everything); false when the file could
// not be written.
bool SaveWindowPicture(HWND window, const char* bmpPath);
