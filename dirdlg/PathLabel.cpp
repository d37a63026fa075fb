#include "dirdlg/PathLabel.h"

#include "core/Handle.h"
#include "dirdlg/DirPaths.h"
#include "core/Handle.h"

TPathLabel::TPathLabel(TComponent* anOwner) : TLabel(anOwner)
{
}

void TPathLabel::CreateParams(TCreateParams& aParams)
{
    TLabel::CreateParams(aParams);
    aParams.Style |= SS_NOPREFIX;
}

void TPathLabel::HandleCreated()
{
    if (AutoSize)
        TLabel::HandleCreated();
}

LRESULT TPathLabel::WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam)
{
    switch (aMsg) {
    case WM_PAINT: {
        PaintScope paint(Handle());
        Paint(paint.Dc());
        return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_SETTEXT: {
        // The system's static control repaints only part of itself; a
        // transparent label needs the parent's background under it again.
        LRESULT result = TLabel::WndProc(aMsg, wParam, lParam);
        if (Transparent) {
            RECT r = BoundsRect();
            InvalidateRect(GetParent(Handle()), &r, TRUE);
        }
        InvalidateRect(Handle(), nullptr, TRUE);
        return result;
    }
    default: return TLabel::WndProc(aMsg, wParam, lParam);
    }
}

std::string TPathLabel::ShownText() const
{
    std::string caption = Text();
    if (!HandleAllocated())
        return caption;
    RECT r;
    GetClientRect(Handle(), &r);
    WindowDc dc(Handle());
    if (!dc)
        return caption;
    auto font = reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0));
    SelectObjectScope selected(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    return FitPathToWidth(caption, dc.get(), r.right - r.left);
}

void TPathLabel::Paint(HDC aDc)
{
    HWND wnd = Handle();
    RECT r;
    GetClientRect(wnd, &r);
    // The parent hands out the colours and brush, as it does for any static
    // text, so that the label's own colours apply.
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(GetParent(wnd), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(aDc), reinterpret_cast<LPARAM>(wnd)));
    if (!Transparent)
        FillRect(aDc, &r, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(aDc, TRANSPARENT);
    auto font = reinterpret_cast<HFONT>(SendMessageA(wnd, WM_GETFONT, 0, 0));
    SelectObjectScope selected(aDc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    std::string text = FitPathToWidth(Text(), aDc, r.right - r.left);
    UINT align = Alignment == TAlignment::taRightJustify ? DT_RIGHT
                 : Alignment == TAlignment::taCenter     ? DT_CENTER
                                                         : DT_LEFT;
    DrawTextA(aDc, text.c_str(), static_cast<int>(text.size()), &r, DT_NOPREFIX | align);
}
