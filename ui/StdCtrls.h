#pragma once
// The standard controls: thin typed wrappers over the system classes, with
// their notifications turned into events.
#include <windows.h>
#include <string>

#include "ui/Controls.h"

// The upper-case form of a character in the ANSI code page.
char UpperChar(char aChar);

// Static text on one line; an "&" marks the accelerator.
class TLabel : public TWinControl {
public:
    using TWinControl::TWinControl;
    // The control its accelerator focuses; the link is cleared when that
    // control is destroyed.
    TWinControl* FocusControl() const noexcept { return FFocusControl; }
    void SetFocusControl(TWinControl* aControl);
    // The accelerator letter (after "&") in upper case, or 0.
    char Accelerator() const;

protected:
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;
    void Notification(TComponent* aComponent, TOperation anOperation) override;

private:
    TWinControl* FFocusControl = nullptr;
};

// Single-line edit field.
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* anOwner);
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& aParams) override;
    bool CNCommand(WORD aCode, WORD anId) override;
};

class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* anOwner);
    bool Checked() const;
    void SetChecked(bool aChecked);
    TNotifyEvent OnClick;

protected:
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;
    bool CNCommand(WORD aCode, WORD anId) override;

private:
    bool FChecked = false;
};

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* anOwner);
    // Shown with the default frame; the form presses it on Enter.
    bool Default = false;
    // The form presses it on Esc.
    bool Cancel = false;
    // Set into the form's ModalResult on a click, before OnClick runs.
    int ModalResult = 0;
    TNotifyEvent OnClick;
    // Runs the click as a user's click would.
    virtual void Click();

protected:
    void CreateParams(TCreateParams& aParams) override;
    bool CNCommand(WORD aCode, WORD anId) override;
};

enum class TListStyle { lsStandard, lsOwnerDrawFixed };

// What an owner-drawn item is drawn with.
struct TOwnerDrawState {
    bool Selected = false;
    bool Focused = false;
    bool Disabled = false;
    bool ComboEdit = false; // the item shown in a combo box's own field
};

// Owner-drawn lists call this for each visible item.
using TDrawItemEvent =
    std::function<void(TWinControl* Sender, int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState)>;

// Combo box; csDropDown has an edit field with free text.
enum class TComboStyle { csDropDown, csDropDownList, csOwnerDrawFixed };

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* anOwner);
    TComboStyle Style = TComboStyle::csDropDown;
    // Height of a list item; 0 keeps the platform's.
    int ItemHeight = 0;
    int DropDownCount = 8;
    bool Sorted = false;

    int AddItem(const std::string& anItem);
    void Clear();
    int Count() const;
    std::string Item(int anIndex) const;
    int ItemIndex() const;
    void SetItemIndex(int anIndex);

    TNotifyEvent OnChange;
    TDrawItemEvent OnDrawItem;

protected:
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;
    int WindowHeight(int aHeight) const override;
    bool CNCommand(WORD aCode, WORD anId) override;
    bool CNDrawItem(DRAWITEMSTRUCT& anItem) override;
    // Draws an owner-drawn item; the default runs OnDrawItem or draws the text.
    virtual void DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState);

private:
    int FDesignHeight = 0;
};

enum class TListBoxStyle { lbStandard, lbOwnerDrawFixed };

class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* anOwner);
    TListBoxStyle Style = TListBoxStyle::lbStandard;
    int ItemHeight = 0;
    bool Sorted = false;
    // Keep the height given (not rounded down to whole items).
    bool IntegralHeight = false;

    int AddItem(const std::string& anItem);
    void Clear();
    int Count() const;
    std::string Item(int anIndex) const;
    int ItemIndex() const;
    void SetItemIndex(int anIndex);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TDrawItemEvent OnDrawItem;

protected:
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;
    bool CNCommand(WORD aCode, WORD anId) override;
    bool CNDrawItem(DRAWITEMSTRUCT& anItem) override;
    virtual void DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState);
};

// Draws an item's text the way a standard list does, selected items highlighted.
void DrawListItemText(HDC aDc, const RECT& aRect, const std::string& aText, TOwnerDrawState aState);
