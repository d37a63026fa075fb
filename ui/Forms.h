#pragma once
// Forms: top-level windows built from a description table, laid out in pixels
// at 96 dpi and scaled, font included, by the screen's resolution / 96.
#include <windows.h>
#include <cstddef>
#include <string>
#include <type_traits>

#include "core/Exceptions.h"
#include "core/Handle.h"
#include "ui/Controls.h"

class TButton;

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

enum class TBorderStyle { bsSizeable, bsDialog };
enum class TPosition { poDesigned, poScreenCenter };

enum class TControlKind {
    ckField, // the class of the form's member named by Field
    ckLabel,
    ckEdit,
    ckComboBox,
    ckListBox,
    ckCheckBox,
    ckButton,
    ckBevel,
    ckPanel,
    ckImage,
    ckToolBar,
    ckToolButton,
    ckImageList,
    ckProgressBar,
};

enum TControlOption : unsigned {
    coDefault = 0x01, // the form's default button (Enter)
    coCancel = 0x02,  // the form's cancel button (Esc)
    coHidden = 0x04,
    coTabStop = 0x08,        // Tab stops here although the kind normally takes no focus
    coNoTabStop = 0x10,      // Tab skips a control that normally takes the focus
    coOwnerDraw = 0x20,      // a list or combo box whose items the program draws
    coIntegralHeight = 0x40, // a list box's height rounded down to whole items
};

class TForm;
struct TControlDescription;

// A member of a form class that holds a component, as a description names it
// (made by FieldOf): creating the component stores it there.
struct TFieldBinding {
    // Creates the component (of the member's class) and stores it in the member.
    TComponent* (*Create)(TForm& aForm, const TControlDescription& aDescription) = nullptr;
    // The member's value.
    TComponent* (*Get)(TForm& aForm) = nullptr;
};

// A method of a form class bound as an event handler (made by HandlerOf).
struct TEventBinding {
    TNotifyEvent (*Make)(TForm& aForm) = nullptr;
    explicit constexpr operator bool() const noexcept { return Make != nullptr; }
};

// Another component of the same description: its form member, or its name
// where it has no member.
struct TComponentRef {
    constexpr TComponentRef() = default;
    constexpr TComponentRef(const char* aName) : Name(aName) {}
    constexpr TComponentRef(const TFieldBinding& aField) : Field(aField) {}
    explicit constexpr operator bool() const noexcept { return Name || Field.Get; }
    const char* Name = nullptr;
    TFieldBinding Field{};
};

// One component of a form: a control, or a non-visual component when its
// class is not a control. Positions and sizes are pixels at 96 dpi, relative
// to the parent's client area.
struct TControlDescription {
    // The class to create: ckField takes the class of Field's member.
    TControlKind Kind = TControlKind::ckField;
    const char* Name = "";
    // The form's member that receives the component; none for Kind's class.
    TFieldBinding Field{};
    TComponentRef Parent{}; // none: the form
    int Id = 0;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    const char* Text = "";
    int TabOrder = -1;
    unsigned Options = 0;
    // Bitmap resource of an image or an image list.
    const char* Resource = nullptr;
    // For a label, the control its accelerator focuses; for a tool bar, its
    // image list.
    TComponentRef Link{};
    int ImageIndex = -1;
    int ItemHeight = 0;
    int ModalResult = 0; // of a button: set into the form's ModalResult on a click
    // Handlers bound to the component's events of these names; a component
    // without such an event fails the form's Build.
    TEventBinding OnClick{};
    TEventBinding OnChange{};
    TEventBinding OnDblClick{};
};

struct TFormDescription {
    const char* ClassName;
    const char* Caption;
    int Width, Height; // outer size, or client size when ClientSize is set
    bool ClientSize = false;
    TBorderStyle BorderStyle = TBorderStyle::bsSizeable;
    TPosition Position = TPosition::poScreenCenter;
    const char* FontName = "MS Sans Serif";
    int FontHeight = 11; // character height in pixels
    const TControlDescription* Controls = nullptr;
    size_t ControlCount = 0;
    // Bound to the form's OnCreate.
    TEventBinding OnCreate{};
};

// The resolution of the screen, in pixels per inch.
int ScreenPixelsPerInch();

class TForm : public TWinControl {
public:
    // aPixelsPerInch 0 takes the screen's resolution.
    explicit TForm(TComponent* anOwner, int aPixelsPerInch = 0);
    ~TForm() override;

    int PixelsPerInch() const noexcept { return FPixelsPerInch; }
    // A length at 96 dpi in this form's resolution.
    int Scale(int aValue) const noexcept { return MulDiv(aValue, FPixelsPerInch, 96); }
    // Creates the hidden window and every control of the description, stores
    // them into the members it names and binds the handlers it names.
    void Build(const TFormDescription& aDescription);

    // Shows the form (centred on first show when its position says so).
    void Show(int aCmdShow = SW_SHOWNORMAL);
    void Hide();
    // Closes the form, unless CloseQuery refuses: a modal form ends with
    // mrCancel, the main form ends the message loop, another form is hidden.
    void Close();
    // Shows the form modally, with every other window of the program
    // disabled, until ModalResult is set; returns it.
    int ShowModal();
    bool Modal() const noexcept { return FModal; }
    int ModalResult = mrNone;

    // The control that gets the focus when the form is first activated;
    // null: the first in tab order.
    TWinControl* ActiveControl = nullptr;
    // Alt plus a label's accelerator focuses the label's FocusControl; true
    // when a label took the key.
    bool DialogChar(char aKey);

    TButton* DefaultButton = nullptr;
    TButton* CancelButton = nullptr;
    TNotifyEvent OnCreate;

    HFONT FontHandle() const noexcept override { return FFont.get(); }

    // The owned component of that name and type; raises EInvalidOperation when
    // the description lacks it.
    template <typename T>
    T* Field(const char* aName) const
    {
        if (auto* found = dynamic_cast<T*>(FindComponent(aName)))
            return found;
        throw EInvalidOperation(std::string("Component '") + aName + "' not found");
    }

protected:
    // Asked by Close (also for the close box, the system menu and the taskbar
    // entry): false keeps the form open. Every form may close by default.
    virtual bool CloseQuery() { return true; }
    // Runs OnCreate; an exception it raises is shown by the application and
    // creation goes on.
    void DoCreate();
    void CreateParams(TCreateParams& aParams) override;
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override;
    // A focused push button is the one Enter presses; elsewhere the default
    // button is.
    void ChildFocused(TWinControl* aControl) override;
    // Clears the links to owned controls that are destroyed.
    void Notification(TComponent* aComponent, TOperation anOperation) override;

private:
    void MoveFocus(WPARAM wParam, LPARAM lParam);
    TComponent* CreateControl(const TControlDescription& aDescription);
    TComponent* CreateOfKind(const TControlDescription& aDescription);
    TComponent* Find(const TComponentRef& aRef);
    TWinControl* Resolve(const TComponentRef& aRef, const TControlDescription& aDescription, const char* aRole);
    void Center();
    void FocusFirstControl();

    int FPixelsPerInch;
    ::FontHandle FFont;
    std::string FClassName = "TForm";
    TBorderStyle FBorderStyle = TBorderStyle::bsSizeable;
    TPosition FPosition = TPosition::poDesigned;
    bool FShown = false;
    bool FModal = false;
    HWND FLastFocus = nullptr;
};

// The form a control sits on, or null.
TForm* ParentForm(TWinControl* aControl) noexcept;

namespace FormBinding {
// The form as the class a description was written for.
template <typename TF>
TF& FormAs(TForm& aForm)
{
    if (auto* form = dynamic_cast<TF*>(&aForm))
        return *form;
    throw EInvalidOperation("Form '" + aForm.Name + "' is built from the description of another form class");
}

[[noreturn]] void RaiseNoEvent(const TControlDescription& aDescription, const char* anEvent);

inline void BindEvent(TNotifyEvent& aSlot, TEventBinding aHandler, TForm& aForm)
{
    if (aHandler)
        aSlot = aHandler.Make(aForm);
}

// Creates a component of class TC owned by the form, with the description's
// handlers bound to its events of the same names.
template <typename TC>
TC* NewComponent(TForm& aForm, const TControlDescription& aDescription)
{
    static_assert(std::is_base_of_v<TComponent, TC>, "a form's members hold components");
    auto* component = new TC(&aForm);
    const TControlDescription& d = aDescription;
    if constexpr (requires { component->OnClick = TNotifyEvent(); })
        BindEvent(component->OnClick, d.OnClick, aForm);
    else if (d.OnClick)
        RaiseNoEvent(d, "OnClick");
    if constexpr (requires { component->OnChange = TNotifyEvent(); })
        BindEvent(component->OnChange, d.OnChange, aForm);
    else if (d.OnChange)
        RaiseNoEvent(d, "OnChange");
    if constexpr (requires { component->OnDblClick = TNotifyEvent(); })
        BindEvent(component->OnDblClick, d.OnDblClick, aForm);
    else if (d.OnDblClick)
        RaiseNoEvent(d, "OnDblClick");
    return component;
}

template <auto aMember>
struct TField;

template <typename TF, typename TC, TC* TF::*aMember>
struct TField<aMember> {
    static_assert(std::is_base_of_v<TForm, TF>, "a field belongs to a form class");
    static TComponent* Create(TForm& aForm, const TControlDescription& aDescription)
    {
        TF& form = FormAs<TF>(aForm);
        TC* component = NewComponent<TC>(aForm, aDescription);
        form.*aMember = component;
        return component;
    }
    static TComponent* Get(TForm& aForm) { return FormAs<TF>(aForm).*aMember; }
};

template <auto aMethod>
struct THandler;

template <typename TF, void (TF::*aMethod)(TComponent*)>
struct THandler<aMethod> {
    static_assert(std::is_base_of_v<TForm, TF>, "a handler is a method of a form class");
    static TNotifyEvent Make(TForm& aForm)
    {
        TF* form = &FormAs<TF>(aForm);
        return [form](TComponent* aSender) { (form->*aMethod)(aSender); };
    }
};
} // namespace FormBinding

// The form member that receives a component: FieldOf<&TfMyForm::bOK>. The
// member's class is the class created.
template <auto aMember>
inline constexpr TFieldBinding FieldOf{&FormBinding::TField<aMember>::Create, &FormBinding::TField<aMember>::Get};

// A form method bound as a handler: HandlerOf<&TfMyForm::bOKClick>.
template <auto aMethod>
inline constexpr TEventBinding HandlerOf{&FormBinding::THandler<aMethod>::Make};
