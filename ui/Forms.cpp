#include "ui/Forms.h"

#include <vector>

#include "core/Strings.h"
#include "ui/Application.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

int ScreenPixelsPerInch()
{
    WindowDc dc(nullptr);
    int dpi = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

TForm* ParentForm(TWinControl* aControl) noexcept
{
    for (TWinControl* c = aControl; c; c = c->Parent())
        if (auto* form = dynamic_cast<TForm*>(c))
            return form;
    return nullptr;
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
        if (GetActiveWindow() == wnd && Application.MainForm() != this)
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
    SetBounds(0, 0, width, height);
    CreateHandle();
    if (aDescription.OnCreate)
        OnCreate = aDescription.OnCreate.Make(*this);
    std::vector<TComponent*> created;
    for (size_t i = 0; i < aDescription.ControlCount; ++i)
        created.push_back(CreateControl(aDescription.Controls[i]));
    // Labels may name controls that come after them.
    for (size_t i = 0; i < aDescription.ControlCount; ++i) {
        const TControlDescription& d = aDescription.Controls[i];
        if (auto* label = dynamic_cast<TLabel*>(created[i]); label && d.Link)
            label->SetFocusControl(Resolve(d.Link, d, "Control"));
    }
    ApplyTabOrder();
}

namespace FormBinding {
void RaiseNoEvent(const TControlDescription& aDescription, const char* anEvent)
{
    throw EInvalidOperation(std::string("Component '") + aDescription.Name + "' has no " + anEvent + " event");
}
} // namespace FormBinding

TComponent* TForm::Find(const TComponentRef& aRef)
{
    if (aRef.Field.Get)
        return aRef.Field.Get(*this);
    return aRef.Name ? FindComponent(aRef.Name) : nullptr;
}

TWinControl* TForm::Resolve(const TComponentRef& aRef, const TControlDescription& aDescription, const char* aRole)
{
    if (auto* control = dynamic_cast<TWinControl*>(Find(aRef)))
        return control;
    throw EInvalidOperation(std::string(aRole) + " of '" + aDescription.Name + "' not found");
}

TComponent* TForm::CreateOfKind(const TControlDescription& d)
{
    using namespace FormBinding;
    switch (d.Kind) {
    case TControlKind::ckField: break;
    case TControlKind::ckLabel: return NewComponent<TLabel>(*this, d);
    case TControlKind::ckEdit: return NewComponent<TEdit>(*this, d);
    case TControlKind::ckComboBox: return NewComponent<TComboBox>(*this, d);
    case TControlKind::ckListBox: return NewComponent<TListBox>(*this, d);
    case TControlKind::ckCheckBox: return NewComponent<TCheckBox>(*this, d);
    case TControlKind::ckButton: return NewComponent<TButton>(*this, d);
    case TControlKind::ckBevel: return NewComponent<TBevel>(*this, d);
    case TControlKind::ckPanel: return NewComponent<TPanel>(*this, d);
    case TControlKind::ckImage: return NewComponent<TImage>(*this, d);
    case TControlKind::ckToolBar: return NewComponent<TToolBar>(*this, d);
    case TControlKind::ckToolButton: return NewComponent<TToolButton>(*this, d);
    case TControlKind::ckImageList: return NewComponent<TImageList>(*this, d);
    case TControlKind::ckProgressBar: return NewComponent<TProgressBar>(*this, d);
    }
    throw EInvalidOperation(std::string("Component '") + d.Name + "' has neither a field nor a kind");
}

TComponent* TForm::CreateControl(const TControlDescription& d)
{
    if (d.Field.Create && d.Kind != TControlKind::ckField)
        throw EInvalidOperation(std::string("Component '") + d.Name + "' has both a field and a kind");
    // The link of a label or tool bar is a component, not a bitmap.
    if (d.Resource && (d.Kind == TControlKind::ckLabel || d.Kind == TControlKind::ckToolBar))
        throw EInvalidOperation(std::string("Component '") + d.Name + "' names its linked component in Link");
    TComponent* component = d.Field.Create ? d.Field.Create(*this, d) : CreateOfKind(d);
    component->Name = d.Name;

    if (auto* images = dynamic_cast<TImageList*>(component)) {
        if (d.Width > 0 && d.Height > 0)
            images->SetSize(d.Width, d.Height);
        // Magenta marks the transparent pixels of the program's glyphs.
        if (d.Resource)
            images->AddMaskedResource(d.Resource, RGB(255, 0, 255));
        return images;
    }
    if (auto* button = dynamic_cast<TToolButton*>(component)) {
        auto* bar = d.Parent ? dynamic_cast<TToolBar*>(Resolve(d.Parent, d, "Parent")) : nullptr;
        if (!bar)
            throw EInvalidOperation(std::string("Tool button '") + d.Name + "' needs a tool bar");
        button->Caption = d.Text;
        button->ImageIndex = d.ImageIndex;
        button->Id = d.Id;
        if (d.Width > 0 && d.Height > 0) {
            bar->ButtonWidth = Scale(d.Width);
            bar->ButtonHeight = Scale(d.Height);
        }
        bar->AddButton(button);
        return button;
    }
    auto* control = dynamic_cast<TWinControl*>(component);
    if (!control)
        return component; // a non-visual component: nothing to lay out
    if (d.Link && !dynamic_cast<TLabel*>(control) && !dynamic_cast<TToolBar*>(control))
        throw EInvalidOperation(std::string("Component '") + d.Name + "' takes no link");

    TWinControl* parent = d.Parent ? Resolve(d.Parent, d, "Parent") : this;
    int width = d.Width, height = d.Height;
    if (auto* list = dynamic_cast<TCustomListControl*>(control); list && d.ItemHeight > 0)
        list->ItemHeight = Scale(d.ItemHeight);
    if (auto* combo = dynamic_cast<TComboBox*>(control); combo && (d.Options & coOwnerDraw))
        combo->Style = TComboStyle::csOwnerDrawFixed;
    if (auto* list = dynamic_cast<TListBox*>(control)) {
        if (d.Options & coOwnerDraw)
            list->Style = TListBoxStyle::lbOwnerDrawFixed;
        if (d.Options & coIntegralHeight)
            list->IntegralHeight = true;
    }
    if (auto* button = dynamic_cast<TButton*>(control)) {
        button->Default = (d.Options & coDefault) != 0;
        button->Cancel = (d.Options & coCancel) != 0;
        button->ModalResult = d.ModalResult;
        if (button->Default)
            DefaultButton = button;
        if (button->Cancel)
            CancelButton = button;
    }
    if (auto* image = dynamic_cast<TImage*>(control)) {
        // The control takes the size of its picture when there is one.
        if (d.Resource && image->LoadBitmap(d.Resource)) {
            width = image->PictureSize().cx;
            height = image->PictureSize().cy;
        }
    }
    if (auto* bar = dynamic_cast<TToolBar*>(control); bar && d.Link) {
        auto* images = dynamic_cast<TImageList*>(Find(d.Link));
        if (!images)
            throw EInvalidOperation(std::string("Image list of '") + d.Name + "' not found");
        bar->SetImages(images);
    }
    control->Id = d.Id;
    control->TabOrder = d.TabOrder;
    if (d.Options & coTabStop)
        control->TabStop = true;
    if (d.Options & coNoTabStop)
        control->TabStop = false;
    if (d.Options & coHidden)
        control->SetVisible(false);
    control->SetText(d.Text ? d.Text : "");
    control->SetBounds(Scale(d.Left), Scale(d.Top), Scale(width), Scale(height));
    control->SetParent(parent);
    return control;
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
    aParams.WndParent = Application.Handle();
}

void TForm::DoCreate()
{
    try {
        if (OnCreate)
            OnCreate(this);
    } catch (...) {
        // Queued behind anything raised while the controls were made, so that
        // each is shown in the order raised.
        Application.CaptureException();
        Application.ShowPendingException();
    }
}

void TForm::Center()
{
    RECT r = BoundsRect();
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    SetWindowPos(Handle(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    else if (Application.MainForm() == this)
        Application.Terminate();
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
                if (Application.Terminated()) {
                    ModalResult = mrCancel;
                    break;
                }
                Application.HandleMessage();
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
        if (Application.MainForm() == this)
            Application.Terminate();
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
        if ((wParam & 0xFFF0) == SC_MINIMIZE && Application.MainForm() == this) {
            Application.Minimize();
            return 0;
        }
        break;
    default: break;
    }
    return TWinControl::WndProc(aMsg, wParam, lParam);
}
