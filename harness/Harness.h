#pragma once
// Runs the real KLPInst.exe from a scratch folder and drives it from outside,
// the way a user would: through its windows, with window messages.
//
// Every request to the other process goes through SendMessageTimeoutW (the
// wide form: Wine returns only the first letter of a combo item to a
// cross-process ANSI request), every wait polls and has a time-out, and the
// process is ended when its owner goes so that a failed test never leaves an
// installer running.
#include <windows.h>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Handle.h"
#include "harness/ShellLinkReader.h"
#include "harness/TestFiles.h"

constexpr DWORD WaitTimeoutMs = 15000;
constexpr DWORD RequestTimeoutMs = 5000;

// Polls condition every few milliseconds until it holds or timeoutMs pass.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = WaitTimeoutMs);

// The build tree the test executable lives in (build\tests\e2e\x.exe gives
// build\), with a trailing backslash.
std::string BuildDirectory();
// The installer as the build made it.
std::string InstallerExe();

// A scratch folder holding a copy of the installer and whatever files a test
// puts beside it; removed with its contents when the object goes.
class TKitFolder {
public:
    TKitFolder();
    const std::string& Path() const { return FDir.Path(); }
    std::string ExePath() const { return Path() + "KLPInst.exe"; }
    void AddFile(const std::string& name, const std::string& content = "MSCF");
    void CopyIn(const std::string& source, const std::string& name);
    // Every file and directory below the folder, as relative names with
    // size, attributes and write time, sorted: equal listings mean nothing
    // was written.
    std::vector<std::string> Listing() const;

private:
    TempDir FDir;
};

// A started program. The destructor ends it if it still runs.
class TProcess {
public:
    // Starts exe with its own folder (or workDir) as current directory. Each
    // "NAME=value" of environment replaces or adds that variable in the
    // environment the program inherits. A showCommand of 0 or more is handed
    // over in the start-up information, as a shortcut set to start
    // minimised or maximised does.
    explicit TProcess(const std::string& exe, const std::string& workDir = "",
                      const std::vector<std::string>& environment = {}, int showCommand = -1);
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;
    ~TProcess();
    DWORD Id() const noexcept { return FId; }
    HANDLE Handle() const noexcept { return FProcess.get(); }
    bool Running() const;
    // The exit code once the process has ended within timeoutMs.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs = WaitTimeoutMs);
    void Terminate();

private:
    KernelHandle FProcess, FThread;
    DWORD FId = 0;
};

// Top-level windows of a process, hidden ones included.
std::vector<HWND> TopLevelWindows(DWORD processId);
// The first top-level window of the process for which match holds, waiting
// for it to appear; nullptr after the time-out.
HWND WaitForTopLevel(const TProcess& process, const std::function<bool(HWND)>& match, DWORD timeoutMs = WaitTimeoutMs);
// A visible top-level window with that caption that is not a dialog box.
HWND WaitForWindow(const TProcess& process, const std::wstring& caption, DWORD timeoutMs = WaitTimeoutMs);
// A visible message box (dialog class "#32770") of the process.
HWND WaitForMessageBox(const TProcess& process, DWORD timeoutMs = WaitTimeoutMs);

// A message to a window of another process; raises when it does not answer
// within the time-out.
LRESULT Request(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, DWORD timeoutMs = RequestTimeoutMs);
std::wstring WindowText(HWND window);
void SetText(HWND window, const std::wstring& text);
std::wstring ClassName(HWND window);
// A descendant of parent with that control id; nullptr when there is none.
HWND FindControl(HWND parent, int id);
std::vector<HWND> ChildWindows(HWND parent);

int ComboCount(HWND combo);
std::wstring ComboItem(HWND combo, int index);
std::vector<std::wstring> ComboItems(HWND combo);
int ComboSelection(HWND combo);
bool IsChecked(HWND button);
// Clicks a check box as a user would until it shows the wanted state; raises
// when it does not follow within the time-out.
void SetChecked(HWND checkBox, bool checked);

// Posts a click: a click may open a modal box in the other process, which a
// sent message would wait for.
void Click(HWND button);
// The window that holds the keyboard focus in the thread that owns window.
HWND FocusWindow(HWND window);
// Posts a key press (down and up) to the focus window of window's thread, as
// the keyboard would deliver it. Modifier keys cannot be faked this way.
void PressKey(HWND window, WORD virtualKey);

// Posts the key messages of Alt plus a letter (a mnemonic such as Alt+C) to
// the focus window of window's thread; the program's own message loop turns
// them into the mnemonic character, as with a real keyboard.
void PressAltKey(HWND window, wchar_t letter);

// Screen rectangle of a window, and its position relative to the client area
// of another window.
RECT ScreenRect(HWND window);
RECT RectInClient(HWND window, HWND parent);
inline int Width(const RECT& r)
{
    return r.right - r.left;
}
inline int Height(const RECT& r)
{
    return r.bottom - r.top;
}

// The pixels of a screen rectangle at the time of construction.
class TScreenCapture {
public:
    explicit TScreenCapture(const RECT& screenRect);
    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    COLORREF At(int x, int y) const;
    // The smallest rectangle around every pixel that differs from background;
    // empty when there is none.
    RECT InkBounds(COLORREF background) const;

private:
    int FWidth, FHeight;
    std::vector<DWORD> FPixels; // 0x00RRGGBB, top row first
};

// What a message box shows.
enum class TBoxIcon { None, Stop, Exclamation, Information, Question };
struct TMessageBoxContent {
    std::wstring Caption;
    std::wstring Text;
    TBoxIcon Icon = TBoxIcon::None;
    std::vector<std::wstring> Buttons;
};
TMessageBoxContent ReadMessageBox(HWND box);
// Clicks the box's button with that text ("OK").
void PressButton(HWND box, const std::wstring& text);
