#pragma once
// The rows a form is built from, and what a component sees of the form while
// it takes its row. Each class applies its own knobs (ApplyDescription), so
// that the form only creates its components, puts the controls into their
// parents and orders them; a new kind of control never edits the form.
#include <cstddef>
#include <functional>
#include <string>

#include "core/Component.h"

class TButton;
class TForm;
class TWinControl;
class TDescriptionContext;
struct TControlDescription;

enum TControlOption : unsigned {
    coDefault = 0x01, // the form's default button (Enter)
    coCancel = 0x02,  // the form's cancel button (Esc)
    coHidden = 0x04,
    coTabStop = 0x08,        // Tab stops here although the kind normally takes no focus
    coNoTabStop = 0x10,      // Tab skips a control that normally takes the focus
    coOwnerDraw = 0x20,      // a list or combo box whose items the program draws
    coIntegralHeight = 0x40, // a list box's height rounded down to whole items
};

// Creates the component of a row, owned by the form, names it, binds the
// row's handlers and lets it take its row.
using TCreateComponent = TComponent* (*)(TForm& aForm, TDescriptionContext& aContext, const TControlDescription& aRow);

// A member of a form class that holds a component, as a description names it
// (made by FieldOf, which also spells the member's name): creating the
// component stores it there.
struct TFieldBinding {
    // The member's name, which the component takes.
    const char* Name = nullptr;
    // Creates the component (of the member's class) and stores it in the member.
    TCreateComponent Create = nullptr;
    // The member's value.
    TComponent* (*Get)(TForm& aForm) = nullptr;
};

// The class of a component without a form member (made by KindOf).
struct TComponentKind {
    TCreateComponent Create = nullptr;
    explicit constexpr operator bool() const noexcept { return Create != nullptr; }
};

// A method of a form class bound as an event handler (made by HandlerOf).
struct TEventBinding {
    TNotifyEvent (*Make)(TForm& aForm) = nullptr;
    explicit constexpr operator bool() const noexcept { return Make != nullptr; }
};

// A component of a description: its form member, or its name where it has
// no member. One or the other: a member gives its own name.
class TComponentRef {
public:
    constexpr TComponentRef() = default;
    constexpr TComponentRef(const char* aName) : FName(aName) {}
    constexpr TComponentRef(const TFieldBinding& aField) : FName(aField.Name), FField(aField) {}
    explicit constexpr operator bool() const noexcept { return FName != nullptr; }
    // The component's name ("" for none).
    constexpr const char* Name() const noexcept { return FName ? FName : ""; }
    // The member, when the reference names one.
    constexpr const TFieldBinding& Field() const noexcept { return FField; }

private:
    const char* FName = nullptr;
    TFieldBinding FField{};
};

// One component of a form: a control, or a non-visual component when its
// class is not a control. Positions and sizes are pixels at 96 dpi, relative
// to the parent's client area.
struct TControlDescription {
    // The class to create for a component without a member: KindOf<TLabel>.
    TComponentKind Kind{};
    // The component: its form member (FieldOf<&TfMyForm::bOK>, whose class is
    // created and whose name it takes), or the name of one without a member.
    TComponentRef Name{};
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

    const char* ComponentName() const noexcept { return Name.Name(); }
};

// Raises EInvalidOperation "Component '<name>' <aProblem>" for a row.
[[noreturn]] void RaiseRowError(const TControlDescription& aRow, const std::string& aProblem);

// The form that builds a description, as its components see it while they
// take their rows.
class TDescriptionContext {
public:
    // A length at 96 dpi in the form's resolution.
    virtual int Scale(int aValue) const noexcept = 0;
    // The component a reference names, or null.
    virtual TComponent* Find(const TComponentRef& aRef) = 0;
    // The form's buttons for Enter and Esc.
    virtual void SetDefaultButton(TButton* aButton) = 0;
    virtual void SetCancelButton(TButton* aButton) = 0;
    // The control a reference names; raises EInvalidOperation "<aRole> of
    // '<row's name>' not found" when there is none.
    virtual TWinControl* Control(const TComponentRef& aRef, const TControlDescription& aRow, const char* aRole) = 0;
    // Runs aStep once every component of the description exists: for links
    // to components described later.
    virtual void AfterAll(std::function<void()> aStep) = 0;

protected:
    ~TDescriptionContext() = default;
};
