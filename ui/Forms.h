#pragma once
// Forms: top-level windows built from a description table, laid out in pixels
// at 96 dpi and scaled, font included, by the screen's resolution / 96.
#include <windows.h>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/Exceptions.h"
#include "core/Handle.h"
#include "ui/Controls.h"
#include "ui/Description.h"

class TButton;

enum class TBorderStyle { bsSizeable, bsDialog };
enum class TPosition { poDesigned, poScreenCenter };

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
// Where a window of this outer size stands centred on the primary screen.
POINT CentredOnScreen(int aWidth, int aHeight) noexcept;

// The program around the forms, as they use it. The application object
// (ui/Application.h), which sits above the forms, installs itself here.
class TFormHost {
public:
    // The window that owns the forms' windows.
    virtual HWND OwnerWindow() = 0;
    // The form whose closing ends the program, or null.
    virtual TForm* MainForm() const noexcept = 0;
    // Asks the program's message loop to end.
    virtual void Terminate() noexcept = 0;
    virtual bool Terminated() const noexcept = 0;
    // Waits for one message and handles it: a modal form's loop.
    virtual void HandleMessage() = 0;
    // Minimises the program to its taskbar entry.
    virtual void Minimize() = 0;
    // Called inside a catch block: shows the exception being handled, after
    // the ones stored before it.
    virtual void ShowCurrentException() = 0;

protected:
    ~TFormHost() = default;
};

// Installs the host of every form (null: none).
void SetFormHost(TFormHost* aHost) noexcept;

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
    // A button's modal result ends here.
    void RequestModalResult(int aResult) override { ModalResult = aResult; }

private:
    void MoveFocus(WPARAM wParam, LPARAM lParam);
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

namespace FormBinding {
// The form as the class a description was written for.
template <typename TF>
TF& FormAs(TForm& aForm)
{
    if (auto* form = dynamic_cast<TF*>(&aForm))
        return *form;
    throw EInvalidOperation("Form '" + aForm.Name + "' is built from the description of another form class");
}

inline void BindEvent(TNotifyEvent& aSlot, TEventBinding aHandler, TForm& aForm)
{
    if (aHandler)
        aSlot = aHandler.Make(aForm);
}

// Creates a component of class TC owned by the form, named as the row says,
// with the row's handlers bound to its events of the same names.
template <typename TC>
TC* NewComponent(TForm& aForm, const TControlDescription& aRow)
{
    static_assert(std::is_base_of_v<TComponent, TC>, "a form's members hold components");
    auto* component = new TC(&aForm);
    component->Name = aRow.ComponentName();
    if constexpr (requires { component->OnClick = TNotifyEvent(); })
        BindEvent(component->OnClick, aRow.OnClick, aForm);
    else if (aRow.OnClick)
        RaiseRowError(aRow, "has no OnClick event");
    if constexpr (requires { component->OnChange = TNotifyEvent(); })
        BindEvent(component->OnChange, aRow.OnChange, aForm);
    else if (aRow.OnChange)
        RaiseRowError(aRow, "has no OnChange event");
    if constexpr (requires { component->OnDblClick = TNotifyEvent(); })
        BindEvent(component->OnDblClick, aRow.OnDblClick, aForm);
    else if (aRow.OnDblClick)
        RaiseRowError(aRow, "has no OnDblClick event");
    return component;
}

// Lets the component take its row; a class without ApplyDescription (a
// non-visual component of another layer) has no knobs to take.
template <typename TC>
void ApplyRow(TC& aComponent, TDescriptionContext& aContext, const TControlDescription& aRow)
{
    if constexpr (requires { aComponent.ApplyDescription(aContext, aRow); })
        aComponent.ApplyDescription(aContext, aRow);
}

// The name of the member aMember points to, read from the compiler's
// signature of this function ("... [with auto aMember = &TfKLPInst::bOK;
// ...]", as GCC and Clang print it): one spelling gives the member and its
// name, so that a row cannot name one member and bind another.
template <auto aMember>
consteval std::string_view MemberSpelling()
{
    std::string_view signature = __PRETTY_FUNCTION__;
    std::string_view key = "aMember = ";
    size_t start = signature.find(key) + key.size();
    std::string_view pointer = signature.substr(start, signature.find_first_of(";]", start) - start);
    return pointer.substr(pointer.rfind("::") + 2);
}

consteval bool IsIdentifier(std::string_view aText)
{
    if (aText.empty() || (aText[0] >= '0' && aText[0] <= '9'))
        return false;
    for (char c : aText)
        if (!(c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

template <auto aMember>
struct TMemberName {
    static constexpr std::string_view Spelling = MemberSpelling<aMember>();
    static_assert(IsIdentifier(Spelling), "the compiler spells member pointers in a way not understood here");
    static constexpr std::array<char, Spelling.size() + 1> Text = [] {
        std::array<char, Spelling.size() + 1> text{};
        for (size_t i = 0; i < Spelling.size(); ++i)
            text[i] = Spelling[i];
        return text;
    }();
};

template <auto aMember>
struct TField;

template <typename TF, typename TC, TC* TF::*aMember>
struct TField<aMember> {
    static_assert(std::is_base_of_v<TForm, TF>, "a field belongs to a form class");
    static TComponent* Create(TForm& aForm, TDescriptionContext& aContext, const TControlDescription& aRow)
    {
        TF& form = FormAs<TF>(aForm);
        TC* component = NewComponent<TC>(aForm, aRow);
        form.*aMember = component;
        ApplyRow(*component, aContext, aRow);
        return component;
    }
    static TComponent* Get(TForm& aForm) { return FormAs<TF>(aForm).*aMember; }
};

template <typename TC>
TComponent* CreateOfKind(TForm& aForm, TDescriptionContext& aContext, const TControlDescription& aRow)
{
    TC* component = NewComponent<TC>(aForm, aRow);
    ApplyRow(*component, aContext, aRow);
    return component;
}

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
// member's class is the class created, and its name the component's name.
template <auto aMember>
inline constexpr TFieldBinding FieldOf{FormBinding::TMemberName<aMember>::Text.data(),
                                       &FormBinding::TField<aMember>::Create, &FormBinding::TField<aMember>::Get};

// The class of a component without a form member: KindOf<TLabel>.
template <typename TC>
inline constexpr TComponentKind KindOf{&FormBinding::CreateOfKind<TC>};

// A form method bound as a handler: HandlerOf<&TfMyForm::bOKClick>.
template <auto aMethod>
inline constexpr TEventBinding HandlerOf{&FormBinding::THandler<aMethod>::Make};
