#include "tests/UiTestSupport.h"

#include "harness/Harness.h"
#include "ui/Application.h"
#include "ui/Forms.h"

ErrorRecorder::ErrorRecorder()
{
    Application.ErrorDisplay = [this](const std::string& aText) { Shown.push_back(aText); };
}

ErrorRecorder::~ErrorRecorder()
{
    Application.ErrorDisplay = nullptr;
}

TSuccessBoxAnswer::TSuccessBoxAnswer()
    : FThread([this] {
          while (!FDone) {
              if (HWND box = FindWindowA("#32770", ""); box && IsWindowVisible(box)) {
                  PostMessageA(box, WM_COMMAND, IDOK, 0);
                  ++Answered;
                  WaitFor([&] { return !IsWindow(box) || FDone; }, 5000);
              }
              Sleep(20);
          }
      })
{
}

TSuccessBoxAnswer::~TSuccessBoxAnswer()
{
    FDone = true;
    FThread.join();
}

void Pump()
{
    Application.ProcessMessages();
}

HWND PressKey(WPARAM aKey, bool aShift)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = aShift ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageA(GetFocus(), WM_KEYDOWN, aKey, 0x00010001);
    Pump();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    return GetFocus();
}

HWND FocusedControl(const TForm& aForm)
{
    HWND focus = GetFocus();
    while (focus && GetParent(focus) != aForm.Handle())
        focus = GetParent(focus);
    return focus;
}
