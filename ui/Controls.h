#pragma once
// Windowed controls. Every window of the program, our own classes and the
// subclassed system controls alike, runs through one fence that finds the
// object bound to the window, calls its virtual WndProc, and hands any
// exception to the installed hook (the application's queue) instead of
// letting it unwind into user32. The parent reflects WM_COMMAND, WM_NOTIFY,
// WM_DRAWITEM, WM_MEASUREITEM and the colour messages to the child object
// they concern.
//
// The layers of ui/, each including only those before it: Description (the
// rows forms are built from), Controls, the controls themselves (StdCtrls,
// ExtCtrls, ComCtrls), Forms, Application; DisabledWindows stands alone.
#include <windows.h>
#include <string>
#include <vector>

#include "core/Component.h"
#include "core/Handle.h"

class TDescriptionContext;
struct TControlDescription;

// What a modal form ends with; a button carries one to set on a click.
enum TModalResult : int {
    mrNone = 0,
    mrOk = IDOK,
    mrCancel = IDCANCEL,
    mrAbort = IDABORT,
    mrRetry = IDRETRY,
    mrIgnore = IDIGNORE,
    mrYes = IDYES,
    mrNo = IDNO,
};

// Called inside the window procedure's catch block with the exception being
// handled (std::current_exception()). The application installs its queue;
// without a hook the process ends, as an exception that reached user32 would
// end it: an error nobody can show must not vanish.
using TWindowExceptionHook = void (*)() noexcept;
void SetWindowExceptionHook(TWindowExceptionHook aHook) noexcept;

// What a control asks for when its window is created.
struct TCreateParams {
    std::string ClassName;
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    // True: ClassName is registered by the framework with its own procedure;
    // false: a system class whose windows are subclassed after creation.
    bool OwnClass = false;
    UINT ClassStyle = CS_DBLCLKS;
    HCURSOR Cursor = nullptr;
    HBRUSH Background = nullptr;
    HICON Icon = nullptr;
};

// No colour of its own: the platform's default is used.
constexpr COLORREF clDefault = CLR_INVALID;

// Begins painting a window for a scope and ends it on every path, also when
// drawing raises.
class PaintScope {
public:
    explicit PaintScope(HWND aWnd) noexcept : FWnd(aWnd), FDc(BeginPaint(aWnd, &FPaint)) {}
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(FWnd, &FPaint); }
    HDC Dc() const noexcept { return FDc; }

private:
    HWND FWnd;
    PAINTSTRUCT FPaint;
    HDC FDc;
};

class TWinControl : public TComponent {
public:
    explicit TWinControl(TComponent* anOwner);
    ~TWinControl() override;

    HWND Handle() const noexcept { return FHandle; }
    bool HandleAllocated() const noexcept { return FHandle != nullptr; }
    // The object bound to a window of ours, or null.
    static TWinControl* FromHandle(HWND aWnd) noexcept;

    TWinControl* Parent() const noexcept { return FParent; }
    // Places the control into aParent; its window is created at once when the
    // parent has one, otherwise together with the parent's.
    void SetParent(TWinControl* aParent);
    size_t ControlCount() const noexcept { return FControls.size(); }
    TWinControl* Controls(size_t index) const { return FControls.at(index); }

    // Position in the parent's client area and outer size, in pixels.
    void SetBounds(int aLeft, int aTop, int aWidth, int aHeight);
    RECT BoundsRect() const;

    std::string Text() const;
    void SetText(const std::string& aText);
    bool Visible() const;
    void SetVisible(bool aVisible);
    bool Enabled() const;
    void SetEnabled(bool anEnabled);
    void SetFocus();
    bool Focused() const noexcept;

    // The dialog-control identifier given to the window.
    int Id = 0;
    // Position in the keyboard order among the siblings; -1 for none.
    int TabOrder = -1;
    // Whether Tab stops at this control.
    bool TabStop = false;
    // Background and text colours; clDefault keeps the platform's.
    COLORREF Color = clDefault;
    COLORREF FontColor = clDefault;

    // Whether Enter goes to the control itself instead of pressing the form's
    // default button; the dialog manager asks through WM_GETDLGCODE.
    virtual bool WantsReturn() const { return false; }

    // Takes the control's row of a form description, before the form puts
    // it into its parent: identifier, text, bounds scaled by the form, tab
    // order, visibility, tab stop. A row with a link is refused; classes
    // with knobs or links of their own override this.
    virtual void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow);
    // A button asks to end the modal form it sits on with aResult: passed up
    // the parent chain to the form, which takes it.
    virtual void RequestModalResult(int aResult);

    // The font of the form the control sits on.
    virtual HFONT FontHandle() const noexcept;
    // The font the window draws with now (WM_GETFONT), or FontHandle before
    // it has a window.
    HFONT WindowFont() const noexcept;
    // Creates the window (and those of the child controls) now.
    void CreateHandle();
    // The child controls from the top of the window stacking down, which is
    // also the order Tab and Shift+Tab follow: those with a TabOrder by it,
    // each below the label that names it, the others below them.
    std::vector<TWinControl*> StackingOrder() const;
    // The control this one names (a label's focus control), or none.
    virtual TWinControl* NamedControl() const noexcept { return nullptr; }

protected:
    virtual void CreateParams(TCreateParams& aParams);
    // Called once the window exists and is bound; applies settings that need it.
    virtual void HandleCreated();
    virtual LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam);
    // The processing the window would get without our object.
    LRESULT DefaultHandler(UINT aMsg, WPARAM wParam, LPARAM lParam) noexcept;
    // Height to create the window with; a combo box adds its drop-down list.
    virtual int WindowHeight(int aHeight) const { return aHeight; }
    // The part of ApplyDescription every control shares, without the check
    // for a link: for the classes that take one.
    void ApplyWindowRow(TDescriptionContext& aContext, const TControlDescription& aRow);

    // A control inside this one received the keyboard focus.
    virtual void ChildFocused(TWinControl* aControl);
    // Tells the parents that this control received the focus.
    void NotifyFocused();

    // Messages reflected by the parent. Each returns true when it handled the
    // message (and sets aResult where the message has one).
    virtual bool CNCommand(WORD aCode, WORD anId);
    virtual bool CNNotify(NMHDR& aHeader, LRESULT& aResult);
    virtual bool CNDrawItem(DRAWITEMSTRUCT& anItem);
    virtual bool CNMeasureItem(MEASUREITEMSTRUCT& anItem);
    // The brush for the control's background; aStandard is the platform's,
    // with the platform's colours already set into aDc.
    virtual HBRUSH CNCtlColor(HDC aDc, HBRUSH aStandard);

private:
    // The procedure of our own classes, and the subclass procedure of the
    // system controls; both go through Dispatch.
    static LRESULT CALLBACK StdWndProc(HWND aWnd, UINT aMsg, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK SubclassProc(HWND aWnd, UINT aMsg, WPARAM wParam, LPARAM lParam, UINT_PTR anId,
                                         DWORD_PTR aControl) noexcept;
    // The fence: WndProc with every exception handed to the hook.
    LRESULT Dispatch(UINT aMsg, WPARAM wParam, LPARAM lParam) noexcept;
    static void RegisterOwnClass(const TCreateParams& aParams);
    void Bind(HWND aWnd) noexcept;
    void Subclass(HWND aWnd);
    void Unbind() noexcept;
    bool Reflect(UINT aMsg, WPARAM wParam, LPARAM lParam, LRESULT& aResult);
    HBRUSH ColorBrush();

    HWND FHandle = nullptr;
    // A system control's own procedure, for DefaultHandler outside a message
    // to the control; null for our own classes.
    WNDPROC FClassProc = nullptr;
    // Messages to the subclassed window being handled now: inside one the
    // subclass chain goes on, outside the control's own procedure is called.
    int FSubclassDepth = 0;
    TWinControl* FParent = nullptr;
    std::vector<TWinControl*> FControls;
    RECT FBounds{};
    std::string FText;
    bool FVisible = true;
    bool FEnabled = true;
    BrushHandle FBrush;
    HFONT FWindowFont = nullptr; // borrowed from the form
    COLORREF FBrushColor = clDefault;
};
