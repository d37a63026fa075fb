// Starts a program, waits for its window with the given caption, saves a
// picture of that window as a 24-bit BMP and closes the window again.
//   WindowShot <program> <caption> <picture.bmp>
// Exit code 0 on success; 1 when the program or its window did not appear,
// 2 when the picture could not be written.
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD ProcessId;
    const char* Caption;
    HWND Found;
};

BOOL CALLBACK Match(HWND window, LPARAM param) noexcept
{
    auto* s = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    if (owner == s->ProcessId && IsWindowVisible(window) && std::string(text) == s->Caption) {
        s->Found = window;
        return FALSE;
    }
    return TRUE;
}

// The window's pixels as they are on the screen now, bottom row first.
std::vector<BYTE> Capture(const RECT& r, BITMAPINFOHEADER& header)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    header = {};
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    std::vector<BYTE> bits(static_cast<size_t>((w * 3 + 3) & ~3) * h);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    GetDIBits(memory, bitmap, 0, h, bits.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bits;
}

bool WriteBmp(const char* name, const BITMAPINFOHEADER& header, const std::vector<BYTE>& bits)
{
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(bits.size());
    FILE* f = std::fopen(name, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&header, sizeof header, 1, f) == 1 &&
              std::fwrite(bits.data(), bits.size(), 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: WindowShot <program> <caption> <picture.bmp>\n");
        return 1;
    }
    std::string program = argv[1];
    std::string folder = program.substr(0, program.find_last_of("\\/:") + 1);
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        return 1;
    }
    Search search{info.dwProcessId, argv[2], nullptr};
    for (int i = 0; i < 600 && !search.Found; ++i) {
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0)
            break;
        EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        if (!search.Found)
            Sleep(100);
    }
    int result = 1;
    if (search.Found) {
        // Take the picture once two captures in a row agree: the window has
        // painted everything.
        RECT r{};
        GetWindowRect(search.Found, &r);
        BITMAPINFOHEADER header{};
        std::vector<BYTE> bits = Capture(r, header), previous;
        for (int i = 0; i < 50 && bits != previous; ++i) {
            Sleep(100);
            previous = bits;
            bits = Capture(r, header);
        }
        result = WriteBmp(argv[3], header, bits) ? 0 : 2;
        PostMessageA(search.Found, WM_CLOSE, 0, 0);
    } else {
        std::fprintf(stderr, "no window \"%s\"\n", argv[2]);
    }
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return result;
}
