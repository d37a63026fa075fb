#pragma once
// Shared helpers of the directory chooser's tests.
#include <windows.h>
#include <string>

// Puts the process's current directory back when the test ends.
class CurrentDirGuard {
public:
    CurrentDirGuard();
    CurrentDirGuard(const CurrentDirGuard&) = delete;
    CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;
    ~CurrentDirGuard();
    const std::string& Saved() const { return FSaved; }

private:
    std::string FSaved;
};

// The process's current directory.
std::string Cwd();
// Creates a directory (with its attributes) or a file, failing the test on error.
void MakeDir(const std::string& aPath, DWORD anAttributes = 0);
void MakeFile(const std::string& aPath, DWORD anAttributes = 0);
// aPath without its "C:" (the directory part a split returns).
std::string WithoutDrive(const std::string& aPath);
// aPath without its trailing backslash.
std::string NoSlash(const std::string& aPath);

class TForm;
class TWinControl;

// A hidden form to put lists on, at a given resolution.
TForm* NewHostForm(int aPixelsPerInch = 96);

// Draws item anIndex (-1: none) of an owner-drawn list into a white bitmap of
// the item's size, through the parent's WM_DRAWITEM as the list would, and
// returns the leftmost column that has a pixel of aColour; -1 when none has.
int LeftmostColumn(TWinControl& aList, int anIndex, COLORREF aColour, bool aFocused = false);

// Paints a control's client area through WM_PRINTCLIENT into a bitmap and
// returns the rightmost column that has a pixel other than the background
// (the colour of the bottom-right pixel); -1 when none has.
int RightmostInk(TWinControl& aControl);
