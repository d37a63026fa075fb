#pragma once
// The standard controls: thin typed wrappers over the system classes, with
// their notifications turned into events.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "core/Strings.h" // UpperChar for accelerators
#include "ui/Controls.h"

class TGlyph;

// Static text on one line; an "&" marks the accelerator.
class TLabel : public TWinControl {
public:
    using TWinControl::TWinControl;
    // The control its accelerator focuses; the link is cleared when that
    // control is destroyed.
    TWinControl* FocusControl() const noexcept { return FFocusControl; }
    TWinControl* NamedControl() const noexcept override { return FFocusControl; }
    void SetFocusControl(TWinControl* aControl);
    // The accelerator letter (after "&") in upper case, or 0.
    char Accelerator() const;
    // Link: the focus control, taken once every component exists.
    void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow) override;

protected:
    void CreateParams(TCreateParams& aParams) override;

private:
    TComponentLink<TWinControl> FFocusControl{*this};
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

// Where the parts of an owner-drawn line go: a glyph, then the text.
struct TItemLayout {
    // The glyph's left edge, from the item's left edge.
    int GlyphLeft = 2;
    // The width kept free when an item has no glyph, so that texts line up;
    // 0 keeps none (the text starts where the glyph would).
    int EmptySlot = 0;
    // The text centred in the item's height, or from its top.
    bool CentreText = true;
};

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
    // exists; afterwards use SetItemHeight. A list that measures its items
    // (MeasureItemHeight) follows its font instead, unless a height apart
    // from the measured one was assigned before the window was made.
    int ItemHeight = 0;
    // Kept sorted by the control (assign before the window exists).
    bool Sorted = false;
    // The program draws the items (DrawItem), all of one height; assign
    // before the window exists. An owner-drawn combo box has no edit field.
    bool OwnerDraw = false;
    // Enter goes to the list (KeyDown sees VK_RETURN) instead of pressing the
    // form's default button.
    bool WantReturns = false;

    // Adds an item (at its sorted place when Sorted); returns its index.
    int AddItem(const std::string& anItem, TItemData aData = 0);
    // Inserts an item at anIndex (-1: at the end), also in a sorted list.
    int InsertItem(int anIndex, const std::string& anItem, TItemData aData = 0);
    // Adds many items (each at its sorted place when Sorted) with storage
    // reserved once and redraw off meanwhile.
    void AddItems(const std::vector<TListItem>& anItems);
    // Appends many items in the order given, also to a sorted list (they
    // must be in its order already): no comparisons, storage reserved once,
    // redraw off meanwhile, and each message straight to the system's list
    // rather than through our window procedure.
    void AppendItems(const std::vector<TListItem>& anItems);
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
    // ItemHeight, scaled by the form, and coOwnerDraw.
    void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow) override;

    TDrawItemEvent OnDrawItem;
    TKeyEvent OnKeyDown;

protected:
    TCustomListControl(TComponent* anOwner, const TListMessages& aMessages);
    // Measures the item height before the window is made (a combo box sizes
    // its window by it), then leaves the rest to the platform's class.
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;
    // The item height the font (and whatever else an item shows) asks for
    // now; 0, the default, leaves ItemHeight alone.
    virtual int MeasureItemHeight() const { return 0; }
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override;
    bool CNDrawItem(DRAWITEMSTRUCT& anItem) override;
    // Draws an owner-drawn item; the default runs OnDrawItem or draws the
    // text in the control's FontColor.
    virtual void DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState);
    // Draws an item as this program's glyph lists do: the background, aGlyph
    // (may be null) centred in the item's height, aText four pixels after
    // it, and the focus rectangle.
    void DrawGlyphItem(HDC aDc, const RECT& aRect, TOwnerDrawState aState, const TGlyph* aGlyph,
                       const std::string& aText, const TItemLayout& aLayout);
    // A key went down in the control's window (not in a combo box's edit
    // field, which is a window of its own); the default runs OnKeyDown.
    // Setting aKey to 0 skips the control's own handling.
    virtual void KeyDown(WORD& aKey);

private:
    LRESULT Send(UINT aMsg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Adds anItems with aMessage (AddString or InsertString at the end).
    void AddBatch(const std::vector<TListItem>& anItems, UINT aMessage);
    // Measures the item height and applies it.
    void RemeasureItemHeight();
    void CheckIndex(int anIndex) const;
    const TListMessages& FMessages;
    int FUpdateCount = 0;
    // The height measured last; an ItemHeight apart from it was set on purpose.
    int FMeasuredHeight = 0;
    bool FCreated = false;
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
enum class TComboStyle { csDropDown, csDropDownList };

class TComboBox : public TCustomListControl {
public:
    explicit TComboBox(TComponent* anOwner);
    TComboStyle Style = TComboStyle::csDropDown;
    int DropDownCount = 8;

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;
    int WindowHeight(int aHeight) const override;
    bool CNCommand(WORD aCode, WORD anId) override;

private:
    int FDesignHeight = 0;
};

class TListBox : public TCustomListControl {
public:
    explicit TListBox(TComponent* anOwner);
    // Height rounded down to whole items; false keeps the height given.
    bool IntegralHeight = false;
    // coIntegralHeight.
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
