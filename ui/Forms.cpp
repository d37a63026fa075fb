#include "ui/Forms.h"

#include <functional>
#include <vector>

#include "core/Strings.h"
#include "ui/DisabledWindows.h"
#include "ui/StdCtrls.h"

namespace {
// Constant-initialised: set by the application object's constructor.
TFormHost* gFormHost = nullptr;

// Raises when no application object runs the program: a form without one
// would have no owner window and no message loop.
TFormHost& Host()
{
    if (!gFormHost)
        throw EInvalidOperation("Forms need the application object");
    return *gFormHost;
}

bool IsMainForm(const TForm* aForm) noexcept
{
    return gFormHost && gFormHost->MainForm() == aForm;
}

// Builds the components of one description into a form: creates each (which
// lets it take its row), puts the controls into their parents, then takes
// the links to components described later.
class TFormBuilder final : public TDescriptionContext {
public:
    explicit TFormBuilder(TForm& aForm) : FForm(aForm) {}

    int Scale(int aValue) const noexcept override { return FForm.Scale(aValue); }
    TComponent* Find(const TComponentRef& aRef) override
    {
        if (aRef.Field().Get)
            return aRef.Field().Get(FForm);
        return aRef ? FForm.FindComponent(aRef.Name()) : nullptr;
    }
    void SetDefaultButton(TButton* aButton) override { FForm.DefaultButton = aButton; }
    void SetCancelButton(TButton* aButton) override { FForm.CancelButton = aButton; }
    TWinControl* Control(const TComponentRef& aRef, const TControlDescription& aRow, const char* aRole) override
    {
        if (auto* control = dynamic_cast<TWinControl*>(Find(aRef)))
            return control;
        throw EInvalidOperation(std::string(aRole) + " of '" + aRow.ComponentName() + "' not found");
    }
    void AfterAll(std::function<void()> aStep) override { FLater.push_back(std::move(aStep)); }

    void Build(const TControlDescription* aRows, size_t aCount)
    {
        for (size_t i = 0; i < aCount; ++i)
            Create(aRows[i]);
        for (const auto& step : FLater)
            step();
    }

private:
    void Create(const TControlDescription& aRow)
    {
        TCreateComponent create = aRow.Name.Field().Create;
        if (create && aRow.Kind)
            RaiseRowError(aRow, "has both a field and a kind");
        if (!create)
            create = aRow.Kind.Create;
        if (!create)
            RaiseRowError(aRow, "has neither a field nor a kind");
        // A non-visual component has no place; a tool button goes into its
        // bar by itself.
        if (auto* control = dynamic_cast<TWinControl*>(create(FForm, *this, aRow)))
            control->SetParent(aRow.Parent ? Control(aRow.Parent, aRow, "Parent") : &FForm);
    }

    TForm& FForm;
    std::vector<std::function<void()>> FLater;
};
} // namespace

void SetFormHost(TFormHost* aHost) noexcept
{
    gFormHost = aHost;
}

POINT CentredOnScreen(int aWidth, int aHeight) noexcept
{
    return {(GetSystemMetrics(SM_CXSCREEN) - aWidth) / 2, (GetSystemMetrics(SM_CYSCREEN) - aHeight) / 2};
}

int ScreenPixelsPerInch()
{
    WindowDc dc(nullptr);
    int dpi = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

TForm::TForm(TComponent* anOwner, int aPixelsPerInch)
    : TWinControl(anOwner), FPixelsPerInch(aPixelsPerInch > 0 ? aPixelsPerInch : ScreenPixelsPerInch())
{
    SetVisible(false);
}

TForm::~TForm()
{
    // The controls' windows go with the form's; the objects follow in
    // TComponent's destructor.
    if (HWND wnd = Handle()) {
        if (GetActiveWindow() == wnd && !IsMainForm(this))
            if (HWND owner = GetWindow(wnd, GW_OWNER))
                SetActiveWindow(owner);
    }
}

void TForm::Build(const TFormDescription& aDescription)
{
    FClassName = aDescription.ClassName;
    FBorderStyle = aDescription.BorderStyle;
    FPosition = aDescription.Position;
    SetText(aDescription.Caption);
    LOGFONTA font{};
    font.lfHeight = -Scale(aDescription.FontHeight);
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(font.lfFaceName, aDescription.FontName, LF_FACESIZE);
    FFont.reset(CreateFontIndirectA(&font));

    int width = Scale(aDescription.Width);
    int height = Scale(aDescription.Height);
    if (aDescription.ClientSize) {
        TCreateParams params;
        CreateParams(params);
        RECT r{0, 0, width, height};
        AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    // A centred form is made in its place, so that its first showing has
    // nothing left to move.
    POINT at = FPosition == TPosition::poScreenCenter ? CentredOnScreen(width, height) : POINT{0, 0};
    SetBounds(at.x, at.y, width, height);
    if (aDescription.OnCreate)
        OnCreate = aDescription.OnCreate.Make(*this);
    // The rows are taken before any window exists, so that every window is
    // made once, in its place in the stacking order.
    TFormBuilder(*this).Build(aDescription.Controls, aDescription.ControlCount);
    CreateHandle();
}

void TForm::CreateParams(TCreateParams& aParams)
{
    TWinControl::CreateParams(aParams);
    aParams.ClassName = FClassName;
    aParams.OwnClass = true;
    aParams.Icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
    aParams.Background = GetSysColorBrush(COLOR_BTNFACE);
    aParams.Style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
    if (FBorderStyle == TBorderStyle::bsSizeable)
        aParams.Style |= WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    else
        aParams.ExStyle |= WS_EX_DLGMODALFRAME;
    // Tab moves into the children of panels and other containers.
    aParams.ExStyle |= WS_EX_CONTROLPARENT;
    aParams.WndParent = Host().OwnerWindow();
}

void TForm::DoCreate()
{
    try {
        if (OnCreate)
            OnCreate(this);
    } catch (...) {
        // Queued behind anything raised while the controls were made, so that
        // each is shown in the order raised.
        Host().ShowCurrentException();
    }
}

void TForm::Center()
{
    RECT r = BoundsRect();
    POINT at = CentredOnScreen(r.right - r.left, r.bottom - r.top);
    if (at.x != r.left || at.y != r.top)
        SetWindowPos(Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Notification(TComponent* aComponent, TOperation anOperation)
{
    TWinControl::Notification(aComponent, anOperation);
    if (anOperation != TOperation::opRemove)
        return;
    if (aComponent == ActiveControl)
        ActiveControl = nullptr;
    if (aComponent == DefaultButton)
        DefaultButton = nullptr;
    if (aComponent == CancelButton)
        CancelButton = nullptr;
}

bool TForm::DialogChar(char aKey)
{
    char key = UpperChar(aKey);
    for (size_t i = 0; i < ComponentCount(); ++i) {
        auto* label = dynamic_cast<TLabel*>(Components(i));
        if (!label || !label->Visible() || !label->Enabled() || !label->FocusControl())
            continue;
        TWinControl* target = label->FocusControl();
        if (label->Accelerator() == key && target->HandleAllocated() && IsWindowVisible(target->Handle()) &&
            IsWindowEnabled(target->Handle())) {
            target->SetFocus();
            return true;
        }
    }
    return false;
}

void TForm::FocusFirstControl()
{
    if (ActiveControl && ActiveControl->HandleAllocated() && IsWindowVisible(ActiveControl->Handle()) &&
        IsWindowEnabled(ActiveControl->Handle())) {
        ActiveControl->SetFocus();
        return;
    }
    HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    if (first)
        ::SetFocus(first);
}

void TForm::Show(int aCmdShow)
{
    if (!HandleAllocated())
        throw EInvalidOperation("Form '" + Name + "' has no window");
    if (!FShown) {
        FShown = true;
        if (FPosition == TPosition::poScreenCenter)
            Center();
    }
    ShowWindow(Handle(), aCmdShow);
    if (aCmdShow != SW_SHOWMINNOACTIVE && aCmdShow != SW_SHOWNOACTIVATE && aCmdShow != SW_SHOWNA) {
        SetForegroundWindow(Handle());
        SetActiveWindow(Handle());
    }
}

void TForm::Hide()
{
    if (HandleAllocated())
        ShowWindow(Handle(), SW_HIDE);
}

void TForm::Close()
{
    if (!CloseQuery())
        return;
    if (FModal)
        ModalResult = mrCancel;
    else if (IsMainForm(this))
        Host().Terminate();
    else
        Hide();
}

int TForm::ShowModal()
{
    if (FModal || Visible())
        throw EInvalidOperation("Cannot make a visible window modal");
    if (HWND capture = GetCapture())
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    HWND active = GetActiveWindow();
    FModal = true;
    ModalResult = mrNone;
    {
        TDisabledWindows disabled(Handle());
        try {
            Show();
            // A program that is ending ends the modal form too; the outer
            // loop sees the same flag.
            while (ModalResult == mrNone) {
                if (Host().Terminated()) {
                    ModalResult = mrCancel;
                    break;
                }
                Host().HandleMessage();
            }
        } catch (...) {
            FModal = false;
            Hide();
            throw;
        }
    }
    FModal = false;
    // Activation goes back before the form disappears, so that it does not
    // pass to another program.
    if (active && IsWindow(active))
        SetActiveWindow(active);
    Hide();
    return ModalResult;
}

void TForm::ChildFocused(TWinControl* aControl)
{
    // A control that takes Enter itself leaves no button to press on Enter.
    auto* focused = dynamic_cast<TButton*>(aControl);
    bool takesReturn = aControl && !focused && aControl->WantsReturn();
    for (size_t i = 0; i < ComponentCount(); ++i) {
        auto* button = dynamic_cast<TButton*>(Components(i));
        if (!button || !button->HandleAllocated())
            continue;
        bool isDefault = focused ? button == focused : !takesReturn && button == DefaultButton;
        LONG style = GetWindowLongA(button->Handle(), GWL_STYLE);
        bool wasDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        if (isDefault != wasDefault)
            SendMessageA(button->Handle(), BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }
}

void TForm::MoveFocus(WPARAM wParam, LPARAM lParam)
{
    HWND target = nullptr;
    if (LOWORD(lParam)) {
        target = reinterpret_cast<HWND>(wParam);
    } else {
        // From the control that holds the focus (a combo box holds it in its
        // edit field).
        HWND focus = GetFocus();
        while (focus && GetParent(focus) != Handle())
            focus = GetParent(focus);
        target = GetNextDlgTabItem(Handle(), focus, wParam != 0);
    }
    if (!target)
        return;
    ::SetFocus(target);
    // An edit field entered by keyboard has its text selected, as in dialogs.
    if (SendMessageA(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageA(target, EM_SETSEL, 0, -1);
}

LRESULT TForm::WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam)
{
    switch (aMsg) {
    case WM_NEXTDLGCTL:
        // The dialog manager asks the window itself to move the focus on Tab.
        MoveFocus(wParam, lParam);
        return 0;
    case WM_CLOSE: Close(); return 0;
    case WM_DESTROY:
        // However the main form's window goes, the program ends with it.
        if (IsMainForm(this))
            Host().Terminate();
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus))
                FLastFocus = focus;
            return 0;
        }
        if (!HIWORD(wParam)) { // not minimised
            if (FLastFocus && IsWindow(FLastFocus) && IsChild(Handle(), FLastFocus) && IsWindowVisible(FLastFocus) &&
                IsWindowEnabled(FLastFocus))
                ::SetFocus(FLastFocus);
            else
                FocusFirstControl();
            return 0;
        }
        break;
    case DM_GETDEFID:
        if (DefaultButton)
            return MAKELRESULT(DefaultButton->Id, DC_HASDEFID);
        return 0;
    case WM_COMMAND:
        // Enter and Esc from the dialog manager when the buttons do not carry
        // IDOK and IDCANCEL themselves.
        if (!FromHandle(reinterpret_cast<HWND>(lParam)) && HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDOK && DefaultButton && DefaultButton->Enabled()) {
                DefaultButton->Click();
                return 0;
            }
            if (LOWORD(wParam) == IDCANCEL && CancelButton && CancelButton->Enabled()) {
                CancelButton->Click();
                return 0;
            }
        }
        break;
    case WM_SYSCOMMAND:
        // The main form minimises the program through the hidden window that
        // carries the taskbar entry.
        if ((wParam & 0xFFF0) == SC_MINIMIZE && IsMainForm(this)) {
            Host().Minimize();
            return 0;
        }
        break;
    default: break;
    }
    return TWinControl::WndProc(aMsg, wParam, lParam);
}
