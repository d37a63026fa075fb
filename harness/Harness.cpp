#include "harness/Harness.h"

#include <shlobj.h>
#include <wrl/client.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <stdexcept>

#include "core/FileSystem.h"
#include "core/Strings.h"

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

std::string BuildDirectory()
{
    return ExtractFilePath(ExpandFileName(ExeDir() + "..\\..\\"));
}

std::string InstallerExe()
{
    return BuildDirectory() + "app\\KLPInst.exe";
}

TKitFolder::TKitFolder()
{
    CopyIn(InstallerExe(), "KLPInst.exe");
}

void TKitFolder::AddFile(const std::string& name, const std::string& content)
{
    WriteFile(Path() + name, content);
}

void TKitFolder::CopyIn(const std::string& source, const std::string& name)
{
    if (!CopyFileA(source.c_str(), (Path() + name).c_str(), FALSE))
        throw std::runtime_error("cannot copy " + source);
}

std::vector<std::string> TKitFolder::Listing() const
{
    std::vector<std::string> out;
    WalkTree(Path(), [&](const std::string& relative, const TSearchRec& e) {
        const WIN32_FIND_DATAA& d = e.FindData;
        out.push_back(Format("%s size=%lu attr=%lx time=%lx%08lx", relative.c_str(), d.nFileSizeLow, e.Attr,
                             d.ftLastWriteTime.dwHighDateTime, d.ftLastWriteTime.dwLowDateTime));
    });
    std::sort(out.begin(), out.end());
    return out;
}

namespace {

// The calling process's environment with the given "NAME=value" entries in
// place of (or beside) the inherited ones, as a block for CreateProcess.
std::string EnvironmentBlock(const std::vector<std::string>& overrides)
{
    auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=', 1)); };
    std::vector<std::string> entries;
    LPCH inherited = GetEnvironmentStringsA();
    for (const char* p = inherited; p && *p; p += strlen(p) + 1) {
        std::string entry = p;
        bool replaced = std::any_of(overrides.begin(), overrides.end(),
                                    [&](const std::string& o) { return SameText(nameOf(o), nameOf(entry)); });
        if (!replaced)
            entries.push_back(entry);
    }
    if (inherited)
        FreeEnvironmentStringsA(inherited);
    entries.insert(entries.end(), overrides.begin(), overrides.end());
    std::string block;
    for (const std::string& e : entries)
        block += e + '\0';
    return block + '\0';
}

} // namespace

TProcess::TProcess(const std::string& exe, const std::string& workDir, const std::vector<std::string>& environment,
                   int showCommand)
{
    std::string dir = workDir.empty() ? ExtractFilePath(exe) : workDir;
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (showCommand >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
    }
    PROCESS_INFORMATION info{};
    std::string block = environment.empty() ? std::string() : EnvironmentBlock(environment);
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        block.empty() ? nullptr : block.data(), dir.c_str(), &startup, &info))
        throw std::runtime_error(Format("cannot start %s (error %lu)", exe.c_str(), GetLastError()));
    FProcess.reset(info.hProcess);
    FThread.reset(info.hThread);
    FId = info.dwProcessId;
}

TProcess::~TProcess()
{
    if (Running())
        Terminate();
}

bool TProcess::Running() const
{
    return WaitForSingleObject(FProcess.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> TProcess::WaitForExit(DWORD timeoutMs)
{
    if (WaitForSingleObject(FProcess.get(), timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(FProcess.get(), &code);
    return code;
}

void TProcess::Terminate()
{
    TerminateProcess(FProcess.get(), 255);
    WaitForSingleObject(FProcess.get(), WaitTimeoutMs);
}

namespace {

struct EnumState {
    DWORD ProcessId;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) noexcept
{
    auto* state = reinterpret_cast<EnumState*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == state->ProcessId)
        state->Found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) noexcept
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> TopLevelWindows(DWORD processId)
{
    EnumState state{processId, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
    return state.Found;
}

HWND WaitForTopLevel(const TProcess& process, const std::function<bool(HWND)>& match, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND w : TopLevelWindows(process.Id()))
                if (match(w)) {
                    found = w;
                    return true;
                }
            return !process.Running();
        },
        timeoutMs);
    return found;
}

HWND WaitForWindow(const TProcess& process, const std::wstring& caption, DWORD timeoutMs)
{
    return WaitForTopLevel(
        process, [&](HWND w) { return IsWindowVisible(w) && ClassName(w) != L"#32770" && WindowText(w) == caption; },
        timeoutMs);
}

HWND WaitForMessageBox(const TProcess& process, DWORD timeoutMs)
{
    return WaitForTopLevel(
        process, [](HWND w) { return IsWindowVisible(w) && ClassName(w) == L"#32770"; }, timeoutMs);
}

LRESULT Request(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &result))
        throw std::runtime_error(Format("window %p did not answer message 0x%x", static_cast<void*>(window), message));
    return static_cast<LRESULT>(result);
}

std::wstring WindowText(HWND window)
{
    auto length = static_cast<size_t>(Request(window, WM_GETTEXTLENGTH));
    std::wstring text(length + 1, L'\0');
    auto copied = static_cast<size_t>(Request(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(copied, length));
    return text;
}

void SetText(HWND window, const std::wstring& text)
{
    Request(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring ClassName(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::vector<HWND> ChildWindows(HWND parent)
{
    std::vector<HWND> found;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND FindControl(HWND parent, int id)
{
    for (HWND child : ChildWindows(parent))
        if (GetDlgCtrlID(child) == id)
            return child;
    return nullptr;
}

int ComboCount(HWND combo)
{
    return static_cast<int>(Request(combo, CB_GETCOUNT));
}

std::wstring ComboItem(HWND combo, int index)
{
    auto length = Request(combo, CB_GETLBTEXTLEN, index);
    if (length == CB_ERR)
        throw std::runtime_error("no combo item " + std::to_string(index));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    auto copied = Request(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

std::vector<std::wstring> ComboItems(HWND combo)
{
    std::vector<std::wstring> items;
    for (int i = 0, n = ComboCount(combo); i < n; ++i)
        items.push_back(ComboItem(combo, i));
    return items;
}

int ComboSelection(HWND combo)
{
    return static_cast<int>(Request(combo, CB_GETCURSEL));
}

bool IsChecked(HWND button)
{
    return Request(button, BM_GETCHECK) == BST_CHECKED;
}

void SetChecked(HWND checkBox, bool checked)
{
    if (IsChecked(checkBox) == checked)
        return;
    Click(checkBox);
    if (!WaitFor([&] { return IsChecked(checkBox) == checked; }, RequestTimeoutMs))
        throw std::runtime_error("the check box does not follow the click");
}

void Click(HWND button)
{
    PostMessageW(button, BM_CLICK, 0, 0);
}

HWND FocusWindow(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

void PressKey(HWND window, WORD virtualKey)
{
    HWND target = FocusWindow(window);
    if (!target)
        target = window;
    UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

void PressAltKey(HWND window, wchar_t letter)
{
    HWND target = FocusWindow(window);
    if (!target)
        target = window;
    WORD key = static_cast<WORD>(towupper(letter));
    UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    LPARAM context = 1 | (scan << 16) | (1u << 29); // bit 29: Alt is down
    PostMessageW(target, WM_SYSKEYDOWN, key, context);
    PostMessageW(target, WM_SYSKEYUP, key, context | (1u << 30) | (1u << 31));
}

RECT ScreenRect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

RECT RectInClient(HWND window, HWND parent)
{
    RECT r = ScreenRect(window);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

namespace {

// A 32-bit top-down DIB section selected into a memory DC.
class TDibCanvas {
public:
    TDibCanvas(int width, int height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        FDc.reset(CreateCompatibleDC(nullptr));
        FBitmap.reset(CreateDIBSection(FDc.get(), &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0));
        if (!FDc || !FBitmap)
            throw std::runtime_error("cannot create a bitmap");
        FOld = SelectObject(FDc.get(), FBitmap.get());
        FCount = static_cast<size_t>(width) * height;
    }
    ~TDibCanvas() { SelectObject(FDc.get(), FOld); }
    HDC Dc() const { return FDc.get(); }
    std::vector<DWORD> Pixels() const
    {
        GdiFlush();
        std::vector<DWORD> out(FBits, FBits + FCount);
        for (DWORD& p : out)
            p &= 0xFFFFFF;
        return out;
    }

private:
    MemoryDc FDc;
    BitmapHandle FBitmap;
    HGDIOBJ FOld = nullptr;
    DWORD* FBits = nullptr;
    size_t FCount = 0;
};

DWORD ToPixel(COLORREF c)
{
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

COLORREF ToColor(DWORD p)
{
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

} // namespace

TScreenCapture::TScreenCapture(const RECT& r) : FWidth(r.right - r.left), FHeight(r.bottom - r.top)
{
    if (FWidth <= 0 || FHeight <= 0)
        throw std::runtime_error("empty capture rectangle");
    TDibCanvas canvas(FWidth, FHeight);
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.Dc(), 0, 0, FWidth, FHeight, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
    ReleaseDC(nullptr, screen);
    FPixels = canvas.Pixels();
}

COLORREF TScreenCapture::At(int x, int y) const
{
    return ToColor(FPixels.at(static_cast<size_t>(y) * FWidth + x));
}

RECT TScreenCapture::InkBounds(COLORREF background) const
{
    DWORD bg = ToPixel(background);
    RECT r{FWidth, FHeight, 0, 0};
    for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x)
            if (FPixels[static_cast<size_t>(y) * FWidth + x] != bg) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    if (r.right == 0)
        return RECT{};
    return r;
}

namespace {

// Which of the system's message-box icons the icon control shows: each is
// drawn on the control's background and compared with the screen, and the
// closest one wins.
TBoxIcon IdentifyIcon(HWND iconControl)
{
    RECT r = ScreenRect(iconControl);
    int w = Width(r), h = Height(r);
    if (w <= 0 || h <= 0)
        return TBoxIcon::None;
    std::vector<DWORD> shown;
    COLORREF background = 0;
    // The control may not have painted yet: wait for something besides its
    // background to appear.
    WaitFor(
        [&] {
            TScreenCapture capture(r);
            background = capture.At(0, 0);
            RECT ink = capture.InkBounds(background);
            if (IsRectEmpty(&ink))
                return false;
            TDibCanvas copy(w, h);
            HDC screen = GetDC(nullptr);
            BitBlt(copy.Dc(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
            ReleaseDC(nullptr, screen);
            shown = copy.Pixels();
            return true;
        },
        RequestTimeoutMs);
    if (shown.empty())
        return TBoxIcon::None;

    const std::pair<LPCSTR, TBoxIcon> candidates[] = {{IDI_HAND, TBoxIcon::Stop},
                                                      {IDI_EXCLAMATION, TBoxIcon::Exclamation},
                                                      {IDI_ASTERISK, TBoxIcon::Information},
                                                      {IDI_QUESTION, TBoxIcon::Question}};
    TBoxIcon best = TBoxIcon::None;
    unsigned long long bestDistance = ~0ull;
    for (const auto& [id, kind] : candidates) {
        TDibCanvas drawn(w, h);
        BrushHandle brush(CreateSolidBrush(background));
        RECT all{0, 0, w, h};
        FillRect(drawn.Dc(), &all, brush.get());
        HICON icon = LoadIconA(nullptr, id);
        int size = std::min(std::min(w, h), GetSystemMetrics(SM_CXICON));
        DrawIconEx(drawn.Dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        std::vector<DWORD> pixels = drawn.Pixels();
        unsigned long long distance = 0;
        for (size_t i = 0; i < pixels.size(); ++i)
            for (int shift = 0; shift < 24; shift += 8)
                distance += std::abs(static_cast<int>((pixels[i] >> shift) & 0xFF) -
                                     static_cast<int>((shown[i] >> shift) & 0xFF));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = kind;
        }
    }
    return best;
}

} // namespace

TMessageBoxContent ReadMessageBox(HWND box)
{
    TMessageBoxContent content;
    content.Caption = WindowText(box);
    for (HWND child : ChildWindows(box)) {
        std::wstring cls = ClassName(child);
        LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(cls.c_str(), L"Button") == 0)
            content.Buttons.push_back(WindowText(child));
        else if (_wcsicmp(cls.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON)
            content.Icon = IdentifyIcon(child);
        else if (GetDlgCtrlID(child) == 0xFFFF)
            content.Text = WindowText(child);
    }
    return content;
}

void PressButton(HWND box, const std::wstring& text)
{
    for (HWND child : ChildWindows(box))
        if (_wcsicmp(ClassName(child).c_str(), L"Button") == 0 && WindowText(child) == text) {
            Click(child);
            return;
        }
    throw std::runtime_error("the box has no such button");
}
