#include "ui/Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <unordered_map>

#include "core/Exceptions.h"
#include "ui/Description.h"

namespace {
// The subclass of ours on a system control (one per window).
constexpr UINT_PTR kSubclassId = 1;

// Constant-initialised: windows made during start-up find it set or null.
TWindowExceptionHook gExceptionHook = nullptr;

// The object bound to each window of ours. Looked up for every message, so
// kept in the process: a window property costs a round trip to the
// wineserver under Wine (tens of microseconds), which made every message of a
// large owner-drawn list expensive. A window handle names one window system
// wide while it lives, and a window leaves the table when it is destroyed, so
// a handle found here is ours whatever the message that carried it.
std::unordered_map<HWND, TWinControl*>& Bindings()
{
    static std::unordered_map<HWND, TWinControl*> bindings;
    return bindings;
}
} // namespace

void SetWindowExceptionHook(TWindowExceptionHook aHook) noexcept
{
    gExceptionHook = aHook;
}

TWinControl::TWinControl(TComponent* anOwner) : TComponent(anOwner)
{
}

TWinControl::~TWinControl()
{
    for (TWinControl* child : FControls)
        child->FParent = nullptr;
    FControls.clear();
    if (FParent) {
        auto& siblings = FParent->FControls;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    if (FHandle) {
        HWND wnd = FHandle;
        // Children's windows go with ours; WM_NCDESTROY unbinds each of them.
        DestroyWindow(wnd);
        Unbind();
    }
}

HFONT TWinControl::WindowFont() const noexcept
{
    if (FHandle)
        return reinterpret_cast<HFONT>(SendMessageA(FHandle, WM_GETFONT, 0, 0));
    return FontHandle();
}

TWinControl* TWinControl::FromHandle(HWND aWnd) noexcept
{
    // A window handle in a message (WM_COMMAND's lParam, for one) may name
    // another program's window: such a handle is not in the table.
    auto& bindings = Bindings();
    auto found = bindings.find(aWnd);
    return found != bindings.end() ? found->second : nullptr;
}

void TWinControl::SetParent(TWinControl* aParent)
{
    if (aParent == FParent)
        return;
    if (FParent || FHandle)
        throw EInvalidOperation("Control '" + Name + "' already has a parent window");
    FParent = aParent;
    aParent->FControls.push_back(this);
    if (aParent->FHandle)
        CreateHandle();
}

void TWinControl::SetBounds(int aLeft, int aTop, int aWidth, int aHeight)
{
    FBounds = {aLeft, aTop, aLeft + aWidth, aTop + aHeight};
    if (FHandle)
        MoveWindow(FHandle, aLeft, aTop, aWidth, WindowHeight(aHeight), TRUE);
}

RECT TWinControl::BoundsRect() const
{
    if (!FHandle)
        return FBounds;
    RECT r;
    GetWindowRect(FHandle, &r);
    HWND parent = GetAncestor(FHandle, GA_PARENT);
    if (parent && (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string TWinControl::Text() const
{
    if (!FHandle)
        return FText;
    int length = GetWindowTextLengthA(FHandle);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = GetWindowTextA(FHandle, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

void TWinControl::SetText(const std::string& aText)
{
    FText = aText;
    if (FHandle)
        SetWindowTextA(FHandle, aText.c_str());
}

bool TWinControl::Visible() const
{
    return FHandle ? (GetWindowLongA(FHandle, GWL_STYLE) & WS_VISIBLE) != 0 : FVisible;
}

void TWinControl::SetVisible(bool aVisible)
{
    FVisible = aVisible;
    if (FHandle)
        ShowWindow(FHandle, aVisible ? SW_SHOW : SW_HIDE);
}

bool TWinControl::Enabled() const
{
    return FHandle ? IsWindowEnabled(FHandle) != FALSE : FEnabled;
}

void TWinControl::SetEnabled(bool anEnabled)
{
    FEnabled = anEnabled;
    if (FHandle)
        EnableWindow(FHandle, anEnabled);
}

void TWinControl::SetFocus()
{
    if (!FHandle)
        throw EInvalidOperation("Cannot focus a control without a window");
    ::SetFocus(FHandle);
}

bool TWinControl::Focused() const noexcept
{
    HWND focus = GetFocus();
    // A combo box with an edit field has the focus in its child edit.
    return FHandle && focus && (focus == FHandle || GetParent(focus) == FHandle);
}

HFONT TWinControl::FontHandle() const noexcept
{
    return FParent ? FParent->FontHandle() : nullptr;
}

void TWinControl::CreateParams(TCreateParams& aParams)
{
    aParams.Caption = FText;
    aParams.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FVisible)
        aParams.Style |= WS_VISIBLE;
    if (!FEnabled)
        aParams.Style |= WS_DISABLED;
    if (TabStop)
        aParams.Style |= WS_TABSTOP;
    aParams.X = FBounds.left;
    aParams.Y = FBounds.top;
    aParams.Width = FBounds.right - FBounds.left;
    aParams.Height = WindowHeight(FBounds.bottom - FBounds.top);
    aParams.WndParent = FParent ? FParent->FHandle : nullptr;
}

void TWinControl::RegisterOwnClass(const TCreateParams& aParams)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing;
    if (GetClassInfoA(instance, aParams.ClassName.c_str(), &existing))
        return;
    WNDCLASSA wc{};
    wc.style = aParams.ClassStyle;
    wc.lpfnWndProc = &TWinControl::StdWndProc;
    wc.hInstance = instance;
    wc.hIcon = aParams.Icon;
    wc.hCursor = aParams.Cursor ? aParams.Cursor : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.hbrBackground = aParams.Background;
    wc.lpszClassName = aParams.ClassName.c_str();
    if (!RegisterClassA(&wc))
        RaiseLastOSError();
}

void TWinControl::CreateHandle()
{
    if (FHandle)
        return;
    if (FParent && !FParent->FHandle)
        throw EInvalidOperation("Control '" + Name + "' has no parent window");
    TCreateParams params;
    CreateParams(params);
    if (params.OwnClass)
        RegisterOwnClass(params);
    // Our own classes bind in WM_NCCREATE through the creation parameter, so
    // that WM_CREATE already reaches the object.
    HWND wnd = CreateWindowExA(params.ExStyle, params.ClassName.c_str(), params.Caption.c_str(), params.Style, params.X,
                               params.Y, params.Width, params.Height, params.WndParent,
                               (params.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)) : nullptr,
                               GetModuleHandleA(nullptr), params.OwnClass ? this : nullptr);
    if (!wnd)
        RaiseLastOSError();
    if (!params.OwnClass)
        Subclass(wnd);
    if (HFONT font = FontHandle())
        SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HandleCreated();
    // A new child window goes below its siblings: made from the top of the
    // stacking order down, the windows need no moving afterwards, and Tab
    // follows TabOrder.
    for (TWinControl* child : StackingOrder())
        child->CreateHandle();
}

void TWinControl::HandleCreated()
{
}

std::vector<TWinControl*> TWinControl::StackingOrder() const
{
    // Controls in the tab order first, by TabOrder, each right below the
    // label that names it: a screen reader takes the name of a field from the
    // static text just above it, and so does the dialog manager's mnemonic.
    // The others below them, later ones above earlier ones, so that a frame
    // made first lies under the texts it encloses.
    std::vector<TWinControl*> tabbed;
    for (TWinControl* c : FControls)
        if (c->TabOrder >= 0)
            tabbed.push_back(c);
    std::stable_sort(tabbed.begin(), tabbed.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->TabOrder < b->TabOrder; });
    std::vector<TWinControl*> order;
    auto placed = [&order](const TWinControl* c) { return std::find(order.begin(), order.end(), c) != order.end(); };
    for (TWinControl* c : tabbed) {
        for (TWinControl* label : FControls)
            if (label->TabOrder < 0 && label->NamedControl() == c && !placed(label)) {
                order.push_back(label);
                break;
            }
        order.push_back(c);
    }
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
        if (!placed(*it))
            order.push_back(*it);
    return order;
}

void TWinControl::Bind(HWND aWnd) noexcept
{
    FHandle = aWnd;
    Bindings()[aWnd] = this;
    // Every window of ours is bound once and unbound when it goes, so the
    // binding counts the live windows.
    ++LiveHandleCounter(THandleKind::hkWindow);
}

void TWinControl::Subclass(HWND aWnd)
{
    // A system control keeps its own procedure; the common controls' subclass
    // chain puts ours in front of it (and of any other program's subclass).
    // It fails only for want of memory for the chain.
    if (!SetWindowSubclass(aWnd, &TWinControl::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        DestroyWindow(aWnd);
        throw EOutOfMemory();
    }
    FClassProc = reinterpret_cast<WNDPROC>(GetClassLongPtrA(aWnd, GCLP_WNDPROC));
    Bind(aWnd);
}

void TWinControl::Unbind() noexcept
{
    if (!FHandle)
        return;
    Bindings().erase(FHandle);
    --LiveHandleCounter(THandleKind::hkWindow);
    FHandle = nullptr;
    FClassProc = nullptr;
}

LRESULT TWinControl::Dispatch(UINT aMsg, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        return WndProc(aMsg, wParam, lParam);
    } catch (...) {
        // The exception must not unwind into user32: the hook keeps it for
        // the message loop to show.
        if (!gExceptionHook)
            std::terminate();
        gExceptionHook();
        return DefaultHandler(aMsg, wParam, lParam);
    }
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND aWnd, UINT aMsg, WPARAM wParam, LPARAM lParam) noexcept
{
    TWinControl* control = FromHandle(aWnd);
    if (!control && aMsg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        control = static_cast<TWinControl*>(cs->lpCreateParams);
        if (control)
            control->Bind(aWnd);
    }
    if (!control)
        return DefWindowProcA(aWnd, aMsg, wParam, lParam);
    LRESULT result = control->Dispatch(aMsg, wParam, lParam);
    if (aMsg == WM_NCDESTROY && control->FHandle == aWnd)
        control->Unbind();
    return result;
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND aWnd, UINT aMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR aControl) noexcept
{
    auto* control = reinterpret_cast<TWinControl*>(aControl);
    ++control->FSubclassDepth;
    LRESULT result = control->Dispatch(aMsg, wParam, lParam);
    --control->FSubclassDepth;
    if (aMsg == WM_NCDESTROY) {
        // The subclass must go before the window does.
        RemoveWindowSubclass(aWnd, &TWinControl::SubclassProc, kSubclassId);
        if (control->FHandle == aWnd)
            control->Unbind();
    }
    return result;
}

LRESULT TWinControl::DefaultHandler(UINT aMsg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (!FHandle)
        return 0;
    if (!FClassProc)
        return DefWindowProcA(FHandle, aMsg, wParam, lParam);
    // Inside a message to the control the subclass chain goes on; outside
    // one (a list filled past its own handling) there is no chain to follow
    // and the control's own procedure takes the message.
    if (FSubclassDepth > 0)
        return DefSubclassProc(FHandle, aMsg, wParam, lParam);
    return CallWindowProcA(FClassProc, FHandle, aMsg, wParam, lParam);
}

LRESULT TWinControl::WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Reflect(aMsg, wParam, lParam, result))
        return result;
    // Windows of our own classes keep the font they are given, as the
    // system's controls do.
    if (!FClassProc && aMsg == WM_SETFONT) {
        FWindowFont = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam))
            InvalidateRect(FHandle, nullptr, TRUE);
        return 0;
    }
    if (!FClassProc && aMsg == WM_GETFONT)
        return reinterpret_cast<LRESULT>(FWindowFont);
    if (aMsg == WM_SETFOCUS)
        NotifyFocused();
    if (aMsg == WM_GETDLGCODE) {
        LRESULT code = DefaultHandler(aMsg, wParam, lParam);
        auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && WantsReturn())
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    return DefaultHandler(aMsg, wParam, lParam);
}

bool TWinControl::Reflect(UINT aMsg, WPARAM wParam, LPARAM lParam, LRESULT& aResult)
{
    switch (aMsg) {
    case WM_COMMAND:
        if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam)); child && child != this)
            return child->CNCommand(HIWORD(wParam), LOWORD(wParam));
        return false;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (TWinControl* child = FromHandle(header->hwndFrom); child && child != this)
            return child->CNNotify(*header, aResult);
        return false;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (TWinControl* child = FromHandle(item->hwndItem); child && child != this) {
            aResult = TRUE;
            return child->CNDrawItem(*item);
        }
        return false;
    }
    case WM_MEASUREITEM: {
        // Fixed-height lists ask during their creation, before they are
        // bound: they are not found here and set their item height later.
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (TWinControl* child = FromHandle(GetDlgItem(FHandle, static_cast<int>(item->CtlID)));
            child && child != this) {
            aResult = TRUE;
            return child->CNMeasureItem(*item);
        }
        return false;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam)); child && child != this) {
            // The default processing sets the platform's colours first; the
            // child then changes what it has colours of its own for.
            auto standard = reinterpret_cast<HBRUSH>(DefaultHandler(aMsg, wParam, lParam));
            aResult = reinterpret_cast<LRESULT>(child->CNCtlColor(reinterpret_cast<HDC>(wParam), standard));
            return true;
        }
        return false;
    default: return false;
    }
}

void TWinControl::ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow)
{
    if (aRow.Link)
        RaiseRowError(aRow, "takes no link");
    ApplyWindowRow(aContext, aRow);
}

void TWinControl::ApplyWindowRow(TDescriptionContext& aContext, const TControlDescription& aRow)
{
    Id = aRow.Id;
    TabOrder = aRow.TabOrder;
    if (aRow.Options & coTabStop)
        TabStop = true;
    if (aRow.Options & coNoTabStop)
        TabStop = false;
    if (aRow.Options & coHidden)
        SetVisible(false);
    SetText(aRow.Text ? aRow.Text : "");
    SetBounds(aContext.Scale(aRow.Left), aContext.Scale(aRow.Top), aContext.Scale(aRow.Width),
              aContext.Scale(aRow.Height));
}

void TWinControl::RequestModalResult(int aResult)
{
    if (FParent)
        FParent->RequestModalResult(aResult);
}

void TWinControl::ChildFocused(TWinControl* aControl)
{
    if (FParent)
        FParent->ChildFocused(aControl);
}

void TWinControl::NotifyFocused()
{
    if (FParent)
        FParent->ChildFocused(this);
}

bool TWinControl::CNCommand(WORD, WORD)
{
    return false;
}

bool TWinControl::CNNotify(NMHDR&, LRESULT&)
{
    return false;
}

bool TWinControl::CNDrawItem(DRAWITEMSTRUCT&)
{
    return false;
}

bool TWinControl::CNMeasureItem(MEASUREITEMSTRUCT&)
{
    return false;
}

HBRUSH TWinControl::CNCtlColor(HDC aDc, HBRUSH aStandard)
{
    if (FontColor != clDefault)
        SetTextColor(aDc, FontColor);
    if (Color == clDefault)
        return aStandard;
    SetBkColor(aDc, Color);
    return ColorBrush();
}

HBRUSH TWinControl::ColorBrush()
{
    if (!FBrush || FBrushColor != Color) {
        FBrush.reset(CreateSolidBrush(Color));
        FBrushColor = Color;
    }
    return FBrush.get();
}
