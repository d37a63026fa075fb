#include "dirdlg/PathLabel.h"

#include "core/Handle.h"
#include "core/TextScan.h"
#include "dirdlg/DirPaths.h"

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

int FontLineHeight(HFONT Font)
{
    WindowDc screen(nullptr);
    if (!screen)
        return 0;
    SelectObjectScope font(screen.get(), Font ? static_cast<HGDIOBJ>(Font) : GetStockObject(SYSTEM_FONT));
    TEXTMETRICA metrics{};
    if (!GetTextMetricsA(screen.get(), &metrics))
        return 0;
    return metrics.tmHeight;
}

std::string FitPathToWidth(const std::string& Path, const TTextWidth& Width, int MaxWidth, UINT CodePage)
{
    std::string result = Path;
    size_t cut = LastDelimiter("\\:", Path, CodePage);
    std::string dirPart = Path.substr(0, cut);
    std::string name = Path.substr(cut);
    std::string drivePart;
    if (dirPart.size() >= 2 && dirPart[1] == ':' && !IsLeadByteAt(dirPart, 0, CodePage)) {
        drivePart = dirPart.substr(0, 2);
        dirPart.erase(0, 2);
    }
    while ((!dirPart.empty() || !drivePart.empty()) && Width(result) > MaxWidth) {
        std::string before = drivePart + dirPart;
        if (dirPart == "\\...\\") {
            drivePart.clear();
            dirPart = "...\\";
        } else if (dirPart.empty()) {
            drivePart.clear();
        } else {
            DropFirstDirectory(dirPart, CodePage);
        }
        // Every step must cut something; a form the steps do not know stops here.
        if (drivePart + dirPart == before)
            break;
        result = drivePart + dirPart + name;
    }
    return result;
}

std::string FitPathToWidth(const std::string& Path, HDC Canvas, int MaxWidth, UINT CodePage)
{
    auto width = [Canvas](const std::string& aText) {
        SIZE extent{0, 0};
        GetTextExtentPoint32A(Canvas, aText.c_str(), static_cast<int>(aText.size()), &extent);
        return static_cast<int>(extent.cx);
    };
    return FitPathToWidth(Path, width, MaxWidth, CodePage);
}
