#pragma once
// The standard controls: thin typed wrappers over the system classes, with
// their notifications turned into events.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "core/Strings.h" // UpperChar for accelerators
#include "ui/Controls.h"

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
    // Link: the focus control, taken once every component exists.
    void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow) override;

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
    // coDefault, coCancel and ModalResult; a default or cancel button
    // becomes the form's.
    void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow) override;

protected:
    void CreateParams(TCreateParams& aParams) override;
    bool CNCommand(WORD aCode, WORD anId) override;
};

enum class TListStyle { lsStandard, lsOwnerDrawFixed };

// What an owner-drawn item is drawn with.
struct TOwnerDrawState {
    bool Selected = false;
    bool Focused = false;
    bool Disabled = false;  // the control is disabled or the item greyed: grey text
    bool ComboEdit = false; // the item shown in a combo box's own field
};

// Owner-drawn lists call this for each visible item.
using TDrawItemEvent =
    std::function<void(TWinControl* Sender, int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState)>;

// A key pressed in a control, before the control's own handling; setting
// aKey to 0 keeps the control from seeing it.
using TKeyEvent = std::function<void(TComponent* Sender, WORD& aKey)>;

// Pointer-sized data kept with each item of a list: a glyph, a level, an object.
using TItemData = LPARAM;

struct TListItem {
    std::string Text;
    TItemData Data = 0;
};

// The messages of one system list class. List and combo boxes keep their
// items the same way and differ only in these numbers.
struct TListMessages {
    UINT AddString, InsertString, DeleteString, ResetContent, GetCount, GetTextLen, GetText;
    UINT GetCurSel, SetCurSel, GetItemData, SetItemData, SetItemHeight, InitStorage, FindStringExact;
};

// The common part of list and combo boxes: the items (texts and their data),
// the selection, owner drawing, the item height, batch updates and the keys.
class TCustomListControl : public TWinControl {
public:
    // Height of an item; 0 keeps the platform's. Assign before the window
    // exists; afterwards use SetItemHeight.
    int ItemHeight = 0;
    // Kept sorted by the control (assign before the window exists).
    bool Sorted = false;
    // Enter goes to the list (KeyDown sees VK_RETURN) instead of pressing the
    // form's default button.
    bool WantReturns = false;

    // Adds an item (at its sorted place when Sorted); returns its index.
    int AddItem(const std::string& anItem, TItemData aData = 0);
    // Inserts an item at anIndex (-1: at the end), also in a sorted list.
    int InsertItem(int anIndex, const std::string& anItem, TItemData aData = 0);
    // Adds many items with storage reserved once and redraw off meanwhile.
    void AddItems(const std::vector<TListItem>& anItems);
    void DeleteItem(int anIndex);
    void Clear();
    int Count() const;
    std::string Item(int anIndex) const;
    TItemData ItemData(int anIndex) const;
    void SetItemData(int anIndex, TItemData aData);
    // The first item whose whole text equals aText ignoring case, or -1.
    int IndexOf(const std::string& aText) const;
    int ItemIndex() const;
    // Selects an item; -1 selects none.
    void SetItemIndex(int anIndex);
    // Sets the item height, also of an existing window.
    void SetItemHeight(int aHeight);

    // Turns redraw off until the matching EndUpdate (calls nest); the last
    // EndUpdate turns it on and repaints once.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const noexcept { return FUpdateCount > 0; }

    bool WantsReturn() const override { return WantReturns; }
    // ItemHeight, scaled by the form.
    void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow) override;

    TDrawItemEvent OnDrawItem;
    TKeyEvent OnKeyDown;

protected:
    TCustomListControl(TComponent* anOwner, const TListMessages& aMessages);
    void HandleCreated() override;
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override;
    bool CNDrawItem(DRAWITEMSTRUCT& anItem) override;
    // Draws an owner-drawn item; the default runs OnDrawItem or draws the
    // text in the control's FontColor.
    virtual void DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState);
    // A key went down in the control's window (not in a combo box's edit
    // field, which is a window of its own); the default runs OnKeyDown.
    // Setting aKey to 0 skips the control's own handling.
    virtual void KeyDown(WORD& aKey);

private:
    LRESULT Send(UINT aMsg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void CheckIndex(int anIndex) const;
    const TListMessages& FMessages;
    int FUpdateCount = 0;
};

// Turns a list's redraw off for a scope (a refill), on every path.
class TListUpdate {
public:
    explicit TListUpdate(TCustomListControl& aList) : FList(aList) { FList.BeginUpdate(); }
    TListUpdate(const TListUpdate&) = delete;
    TListUpdate& operator=(const TListUpdate&) = delete;
    ~TListUpdate() { FList.EndUpdate(); }

private:
    TCustomListControl& FList;
};

// Combo box; csDropDown has an edit field with free text.
enum class TComboStyle { csDropDown, csDropDownList, csOwnerDrawFixed };

class TComboBox : public TCustomListControl {
public:
    explicit TComboBox(TComponent* anOwner);
    TComboStyle Style = TComboStyle::csDropDown;
    int DropDownCount = 8;
    // coOwnerDraw.
    void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow) override;

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;
    int WindowHeight(int aHeight) const override;
    bool CNCommand(WORD aCode, WORD anId) override;

private:
    int FDesignHeight = 0;
};

enum class TListBoxStyle { lbStandard, lbOwnerDrawFixed };

class TListBox : public TCustomListControl {
public:
    explicit TListBox(TComponent* anOwner);
    TListBoxStyle Style = TListBoxStyle::lbStandard;
    // Height rounded down to whole items; false keeps the height given.
    bool IntegralHeight = false;
    // coOwnerDraw and coIntegralHeight.
    void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow) override;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;

protected:
    void CreateParams(TCreateParams& aParams) override;
    bool CNCommand(WORD aCode, WORD anId) override;
};

// The text colour of an item: highlighted when selected, grey when disabled,
// otherwise aFontColor (clDefault: the window-text colour).
COLORREF ListItemTextColor(TOwnerDrawState aState, COLORREF aFontColor = clDefault);
// Fills an item's background (highlighted when selected) and sets its text
// colour into aDc, with a transparent text background.
void FillListItem(HDC aDc, const RECT& aRect, TOwnerDrawState aState, COLORREF aFontColor = clDefault);
// Draws an item's text the way a standard list does, selected items
// highlighted, disabled ones grey.
void DrawListItemText(HDC aDc, const RECT& aRect, const std::string& aText, TOwnerDrawState aState,
                      COLORREF aFontColor = clDefault);
