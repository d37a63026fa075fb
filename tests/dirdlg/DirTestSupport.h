#pragma once
// Shared helpers of the directory chooser's tests.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "harness/TestFiles.h"
#include "ui/Forms.h"

// The process's current directory.
std::string Cwd();
// Creates a directory (with its attributes) or a file, failing the test on error.
void MakeDir(const std::string& aPath, DWORD anAttributes = 0);
void MakeFile(const std::string& aPath, DWORD anAttributes = 0);
// aPath without its "C:" (the directory part a split returns).
std::string WithoutDrive(const std::string& aPath);
// aPath without its trailing backslash.
std::string NoSlash(const std::string& aPath);

// A hidden form to put lists on, at a given resolution.
TForm* NewHostForm(int aPixelsPerInch = 96);

// The fixture of the tests of one list: a scratch tree, the current
// directory put back afterwards, and a hidden host form on which PlaceList
// puts a list of class T at (8, 8, 200, 200), counting its changes. The
// members go in reverse order: the form first, the tree last.
template <class T>
class HostedListTest : public testing::Test {
protected:
    // Enters aDir, where a new list starts, and places the list.
    void PlaceList(const std::string& aDir)
    {
        ASSERT_TRUE(SetCurrentDirectoryA(aDir.c_str()));
        List = new T(Form.get());
        List->SetBounds(8, 8, 200, 200);
        List->SetParent(Form.get());
        List->OnChange = [this](TComponent*) { ++Changes; };
    }

    TempDir Tree;
    CurrentDirectoryScope Guard;
    std::unique_ptr<TForm> Form{NewHostForm()};
    T* List = nullptr;
    int Changes = 0;
};

// Draws item anIndex (-1: none) of an owner-drawn list into a white bitmap of
// the item's size, through the parent's WM_DRAWITEM as the list would, and
// returns the leftmost column that has a pixel of aColour; -1 when none has.
int LeftmostColumn(TWinControl& aList, int anIndex, COLORREF aColour, bool aFocused = false);

// Paints a control's client area through WM_PRINTCLIENT into a bitmap and
// returns the rightmost column that has a pixel other than the background
// (the colour of the bottom-right pixel); -1 when none has.
int RightmostInk(TWinControl& aControl);
