#include "tests/dirdlg/DirTestSupport.h"

#include <gtest/gtest.h>

#include <optional>

#include "core/Handle.h"
#include "harness/HostForm.h"
#include "harness/TestFiles.h"
#include "ui/Forms.h"

std::string Cwd()
{
    char buffer[MAX_PATH * 2];
    DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    return std::string(buffer, n);
}

void MakeDir(const std::string& aPath, DWORD anAttributes)
{
    ASSERT_TRUE(CreateDirectoryA(aPath.c_str(), nullptr)) << aPath << " " << GetLastError();
    if (anAttributes) {
        ASSERT_TRUE(SetFileAttributesA(aPath.c_str(), anAttributes | FILE_ATTRIBUTE_DIRECTORY));
    }
}

void MakeFile(const std::string& aPath, DWORD anAttributes)
{
    WriteFile(aPath, "x");
    if (anAttributes) {
        ASSERT_TRUE(SetFileAttributesA(aPath.c_str(), anAttributes));
    }
}

std::string WithoutDrive(const std::string& aPath)
{
    return aPath.size() >= 2 && aPath[1] == ':' ? aPath.substr(2) : aPath;
}

std::string NoSlash(const std::string& aPath)
{
    return !aPath.empty() && aPath.back() == '\\' ? aPath.substr(0, aPath.size() - 1) : aPath;
}

TForm* NewHostForm(int aPixelsPerInch)
{
    static const TFormDescription host = HostFormDescription("TDirTestHost", "Directory lists", 480, 320);
    return NewHostForm(host, aPixelsPerInch);
}

namespace {
// A 32-bit top-down bitmap selected into a memory DC.
class TPixels {
public:
    TPixels(int aWidth, int aHeight) : FWidth(aWidth), FHeight(aHeight), FDc(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), aWidth, -aHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        FBitmap.reset(CreateDIBSection(FDc.get(), &info, DIB_RGB_COLORS, &FBits, nullptr, 0));
        FSelected.emplace(FDc.get(), FBitmap.get());
    }
    HDC Dc() const { return FDc.get(); }
    DWORD At(int x, int y) const
    {
        GdiFlush();
        return static_cast<const DWORD*>(FBits)[y * FWidth + x] & 0xFFFFFF;
    }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

private:
    int FWidth, FHeight;
    MemoryDc FDc;
    BitmapHandle FBitmap;
    void* FBits = nullptr;
    std::optional<SelectObjectScope> FSelected;
};
} // namespace

int RightmostInk(TWinControl& aControl)
{
    RECT client;
    GetClientRect(aControl.Handle(), &client);
    TPixels pixels(client.right, client.bottom);
    SendMessageA(aControl.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pixels.Dc()), PRF_CLIENT);
    const DWORD background = pixels.At(pixels.Width() - 1, pixels.Height() - 1);
    for (int x = pixels.Width() - 1; x >= 0; --x)
        for (int y = 0; y < pixels.Height(); ++y)
            if (pixels.At(x, y) != background)
                return x;
    return -1;
}

int LeftmostColumn(TWinControl& aList, int anIndex, COLORREF aColour, bool aFocused)
{
    RECT item{0, 0, aList.BoundsRect().right - aList.BoundsRect().left, 17};
    if (anIndex >= 0)
        SendMessageA(aList.Handle(), LB_GETITEMRECT, static_cast<WPARAM>(anIndex), reinterpret_cast<LPARAM>(&item));
    const int width = item.right - item.left, height = item.bottom - item.top;
    TPixels pixels(width, height);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_LISTBOX;
    draw.CtlID = static_cast<UINT>(GetDlgCtrlID(aList.Handle()));
    draw.itemID = static_cast<UINT>(anIndex);
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = aFocused ? ODS_FOCUS : 0;
    draw.hwndItem = aList.Handle();
    draw.hDC = pixels.Dc();
    draw.rcItem = {0, 0, width, height};
    SendMessageA(GetParent(aList.Handle()), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    const DWORD wanted = (GetRValue(aColour) << 16) | (GetGValue(aColour) << 8) | GetBValue(aColour);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            if (pixels.At(x, y) == wanted)
                return x;
    return -1;
}
