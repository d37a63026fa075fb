#pragma once
// Forms: top-level windows built from a description table, laid out in pixels
// at 96 dpi and scaled, font included, by the screen's resolution / 96.
#include <windows.h>
#include <cstddef>
#include <string>

#include "core/Exceptions.h"
#include "core/Handle.h"
#include "ui/Controls.h"

class TButton;
class TForm;

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
    ckCustom, // made by the description's Create
};

enum TControlOption : unsigned {
    coDefault = 0x01, // the form's default button (Enter)
    coCancel = 0x02,  // the form's cancel button (Esc)
    coHidden = 0x04,
    coTabStop = 0x08,   // Tab stops here although the kind normally takes no focus
    coNoTabStop = 0x10, // Tab skips a control that normally takes the focus
    coOwnerDraw = 0x20, // a list or combo box whose items the program draws
    coIntegralHeight = 0x40, // a list box's height rounded down to whole items
};

// One control of a form. Positions and sizes are pixels at 96 dpi, relative to
// the parent's client area.
struct TControlDescription {
    TControlKind Kind;
    const char* Name;
    const char* Parent = nullptr; // name of the parent control; null: the form
    int Id = 0;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    const char* Text = "";
    int TabOrder = -1;
    unsigned Options = 0;
    // Bitmap resource of an image or an image list; for a tool bar, the name
    // of its image list; for a label, the name of the control its
    // accelerator focuses.
    const char* Resource = nullptr;
    int ImageIndex = -1;
    int ItemHeight = 0;
    int ModalResult = 0; // of a button: set into the form's ModalResult on a click
    // Of a custom control: makes the control, owned by aForm, with the
    // settings of its kind that the description carries.
    TWinControl* (*Create)(TForm& aForm, const TControlDescription& aDescription) = nullptr;
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
    // Creates the hidden window and every control of the description.
    void Build(const TFormDescription& aDescription);

    // Shows the form (centred on first show when its position says so).
    void Show(int aCmdShow = SW_SHOWNORMAL);
    void Hide();
    // Closes the form: a modal form ends with mrCancel, the main form ends the
    // message loop, another form is hidden.
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
    void CreateControl(const TControlDescription& aDescription);
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
