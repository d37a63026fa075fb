#pragma once
// Helpers for tests that drive real forms in their own process.
#include <windows.h>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

class TForm;

// Records what the application would show in its error box.
class ErrorRecorder {
public:
    ErrorRecorder();
    ~ErrorRecorder();
    std::vector<std::string> Shown;
};

// Answers with OK every box of this process captioned "" (the installer's
// success box, which MessageBoxA runs itself) from another thread while it
// lives.
class TSuccessBoxAnswer {
public:
    TSuccessBoxAnswer();
    ~TSuccessBoxAnswer();
    std::atomic<int> Answered = 0;

private:
    std::atomic<bool> FDone = false;
    std::thread FThread;
};

// Handles the messages waiting for this thread.
void Pump();

// Posts a key to the focus window (with Shift held when asked), lets the
// message loop handle it and returns the focus afterwards.
HWND PressKey(WPARAM aKey, bool aShift = false);

// The child of the form that holds the focus (a combo box holds it in its
// edit field).
HWND FocusedControl(const TForm& aForm);
