#include "ui/ExtCtrls.h"

#include "ui/Description.h"

void TBevel::CreateParams(TCreateParams& aParams)
{
    TWinControl::CreateParams(aParams);
    aParams.ClassName = "TBevel";
    aParams.OwnClass = true;
    aParams.Background = GetSysColorBrush(COLOR_BTNFACE);
}

LRESULT TBevel::WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam)
{
    if (aMsg == WM_PAINT) {
        PaintScope paint(Handle());
        RECT r;
        GetClientRect(Handle(), &r);
        // Shadow line outside, highlight inside: the lowered frame.
        DrawEdge(paint.Dc(), &r, EDGE_ETCHED, BF_RECT);
        return 0;
    }
    if (aMsg == WM_NCHITTEST)
        return HTTRANSPARENT; // clicks go to what the frame encloses
    return TWinControl::WndProc(aMsg, wParam, lParam);
}

TPanel::TPanel(TComponent* anOwner) : TWinControl(anOwner)
{
    Color = GetSysColor(COLOR_BTNFACE);
}

void TPanel::CreateParams(TCreateParams& aParams)
{
    TWinControl::CreateParams(aParams);
    aParams.ClassName = "TPanel";
    aParams.OwnClass = true;
    aParams.Style |= WS_CLIPCHILDREN;
}

LRESULT TPanel::WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam)
{
    switch (aMsg) {
    case WM_ERASEBKGND: return TRUE; // WM_PAINT fills everything
    case WM_PAINT: {
        PaintScope paint(Handle());
        Paint(paint.Dc());
        return 0;
    }
    default: return TWinControl::WndProc(aMsg, wParam, lParam);
    }
}

void TPanel::Paint(HDC aDc)
{
    RECT r;
    GetClientRect(Handle(), &r);
    BrushHandle brush(CreateSolidBrush(Color == clDefault ? GetSysColor(COLOR_BTNFACE) : Color));
    FillRect(aDc, &r, brush.get());
    DrawEdge(aDc, &r, BDR_SUNKENOUTER, BF_RECT);
}

RECT ProportionalRect(SIZE aPicture, const RECT& aBounds)
{
    int width = aBounds.right - aBounds.left;
    int height = aBounds.bottom - aBounds.top;
    RECT r = aBounds;
    if (aPicture.cx <= 0 || aPicture.cy <= 0 || width <= 0 || height <= 0) {
        r.right = r.left;
        r.bottom = r.top;
        return r;
    }
    // Compare width/cx with height/cy without rounding.
    if (static_cast<long long>(width) * aPicture.cy <= static_cast<long long>(height) * aPicture.cx) {
        r.right = r.left + width;
        r.bottom = r.top + MulDiv(aPicture.cy, width, aPicture.cx);
    } else {
        r.right = r.left + MulDiv(aPicture.cx, height, aPicture.cy);
        r.bottom = r.top + height;
    }
    return r;
}

TImage::TImage(TComponent* anOwner) : TWinControl(anOwner)
{
}

bool TImage::LoadBitmap(const char* aResourceName)
{
    auto bitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), aResourceName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return false;
    FPicture.reset(bitmap);
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    FPictureSize = {info.bmWidth, info.bmHeight};
    if (HandleAllocated())
        InvalidateRect(Handle(), nullptr, TRUE);
    return true;
}

void TImage::ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow)
{
    TWinControl::ApplyDescription(aContext, aRow);
    if (aRow.Resource && LoadBitmap(aRow.Resource))
        SetBounds(aContext.Scale(aRow.Left), aContext.Scale(aRow.Top), aContext.Scale(FPictureSize.cx),
                  aContext.Scale(FPictureSize.cy));
}

void TImage::CreateParams(TCreateParams& aParams)
{
    TWinControl::CreateParams(aParams);
    aParams.ClassName = "TImage";
    aParams.OwnClass = true;
    aParams.Cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)); // IDC_HAND
}

LRESULT TImage::WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam)
{
    switch (aMsg) {
    case WM_ERASEBKGND: return TRUE;
    case WM_PAINT: {
        PaintScope paint(Handle());
        Paint(paint.Dc());
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        FPressed = true;
        SetCapture(Handle());
        return 0;
    case WM_LBUTTONUP: {
        if (!FPressed)
            return 0;
        FPressed = false;
        if (GetCapture() == Handle())
            ReleaseCapture();
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT client;
        GetClientRect(Handle(), &client);
        // A click is a press and a release over the picture.
        if (PtInRect(&client, p) && OnClick)
            OnClick(this);
        return 0;
    }
    case WM_CANCELMODE:
        FPressed = false;
        if (GetCapture() == Handle())
            ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED: FPressed = false; return 0;
    default: return TWinControl::WndProc(aMsg, wParam, lParam);
    }
}

void TImage::Paint(HDC aDc)
{
    RECT client;
    GetClientRect(Handle(), &client);
    // What the picture leaves free shows the parent's background.
    HBRUSH background = GetSysColorBrush(COLOR_BTNFACE);
    if (TWinControl* parent = Parent(); parent && parent->Color != clDefault) {
        BrushHandle brush(CreateSolidBrush(parent->Color));
        FillRect(aDc, &client, brush.get());
    } else {
        FillRect(aDc, &client, background);
    }
    if (!FPicture)
        return;
    RECT target = ProportionalRect(FPictureSize, client);
    MemoryDc source(CreateCompatibleDC(aDc));
    SelectObjectScope select(source.get(), FPicture.get());
    SetStretchBltMode(aDc, HALFTONE);
    SetBrushOrgEx(aDc, 0, 0, nullptr);
    StretchBlt(aDc, target.left, target.top, target.right - target.left, target.bottom - target.top, source.get(), 0, 0,
               FPictureSize.cx, FPictureSize.cy, SRCCOPY);
}
