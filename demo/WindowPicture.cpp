#include "demo/WindowPicture.h"

#include <cstdio>
#include <vector>

namespace {

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

bool SaveWindowPicture(HWND window, const char* bmpPath)
{
    // Take the picture once two captures in a row agree: the window has
    // painted everything.
    RECT r{};
    GetWindowRect(window, &r);
    BITMAPINFOHEADER header{};
    std::vector<BYTE> bits = Capture(r, header), previous;
    for (int i = 0; i < 50 && bits != previous; ++i) {
        Sleep(100);
        previous = bits;
        bits = Capture(r, header);
    }
    return WriteBmp(bmpPath, header, bits);
}
