#include "ui/StdCtrls.h"

#include <algorithm>

#include "core/Exceptions.h"
#include "core/Handle.h"
#include "ui/Description.h"
#include "ui/Glyph.h"

namespace {
const TListMessages kListBoxMessages = {
    .AddString = LB_ADDSTRING,
    .InsertString = LB_INSERTSTRING,
    .DeleteString = LB_DELETESTRING,
    .ResetContent = LB_RESETCONTENT,
    .GetCount = LB_GETCOUNT,
    .GetTextLen = LB_GETTEXTLEN,
    .GetText = LB_GETTEXT,
    .GetCurSel = LB_GETCURSEL,
    .SetCurSel = LB_SETCURSEL,
    .GetItemData = LB_GETITEMDATA,
    .SetItemData = LB_SETITEMDATA,
    .SetItemHeight = LB_SETITEMHEIGHT,
    .InitStorage = LB_INITSTORAGE,
    .FindStringExact = LB_FINDSTRINGEXACT,
};

const TListMessages kComboBoxMessages = {
    .AddString = CB_ADDSTRING,
    .InsertString = CB_INSERTSTRING,
    .DeleteString = CB_DELETESTRING,
    .ResetContent = CB_RESETCONTENT,
    .GetCount = CB_GETCOUNT,
    .GetTextLen = CB_GETLBTEXTLEN,
    .GetText = CB_GETLBTEXT,
    .GetCurSel = CB_GETCURSEL,
    .SetCurSel = CB_SETCURSEL,
    .GetItemData = CB_GETITEMDATA,
    .SetItemData = CB_SETITEMDATA,
    .SetItemHeight = CB_SETITEMHEIGHT,
    .InitStorage = CB_INITSTORAGE,
    .FindStringExact = CB_FINDSTRINGEXACT,
};

[[noreturn]] void RaiseIndexError(int anIndex)
{
    throw EInvalidOperation("List index out of bounds (" + std::to_string(anIndex) + ")");
}

TOwnerDrawState DrawState(const DRAWITEMSTRUCT& anItem)
{
    TOwnerDrawState state;
    state.Selected = (anItem.itemState & ODS_SELECTED) != 0;
    state.Focused = (anItem.itemState & ODS_FOCUS) != 0;
    state.Disabled = (anItem.itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
    state.ComboEdit = (anItem.itemState & ODS_COMBOBOXEDIT) != 0;
    return state;
}

void RequireHandle(const TWinControl& aControl)
{
    if (!aControl.HandleAllocated())
        throw EInvalidOperation("Control '" + aControl.Name + "' has no parent window");
}
} // namespace

COLORREF ListItemTextColor(TOwnerDrawState aState, COLORREF aFontColor)
{
    // A disabled list shows no highlight: its items are grey, selected or not.
    if (aState.Disabled)
        return GetSysColor(COLOR_GRAYTEXT);
    if (aState.Selected)
        return GetSysColor(COLOR_HIGHLIGHTTEXT);
    return aFontColor != clDefault ? aFontColor : GetSysColor(COLOR_WINDOWTEXT);
}

void FillListItem(HDC aDc, const RECT& aRect, TOwnerDrawState aState, COLORREF aFontColor)
{
    bool highlight = aState.Selected && !aState.Disabled;
    FillRect(aDc, &aRect, GetSysColorBrush(highlight ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(aDc, ListItemTextColor(aState, aFontColor));
    SetBkMode(aDc, TRANSPARENT);
}

void DrawListItemText(HDC aDc, const RECT& aRect, const std::string& aText, TOwnerDrawState aState, COLORREF aFontColor)
{
    FillListItem(aDc, aRect, aState, aFontColor);
    RECT r = aRect;
    r.left += 2;
    DrawTextA(aDc, aText.c_str(), static_cast<int>(aText.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (aState.Focused && !aState.ComboEdit)
        DrawFocusRect(aDc, &aRect);
}

void TLabel::CreateParams(TCreateParams& aParams)
{
    TWinControl::CreateParams(aParams);
    aParams.ClassName = "STATIC";
    aParams.Style |= SS_LEFTNOWORDWRAP;
    // The laid-out size fits the text in the designed font; where the system
    // substitutes a wider one, the label grows so that no text is cut off.
    // Measured before the window exists, so that it is made in its size.
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc)
        return;
    SelectObjectScope font(dc.get(),
                           FontHandle() ? static_cast<HGDIOBJ>(FontHandle()) : GetStockObject(DEFAULT_GUI_FONT));
    RECT extent{0, 0, 0, 0};
    DrawTextA(dc.get(), aParams.Caption.c_str(), static_cast<int>(aParams.Caption.size()), &extent,
              DT_CALCRECT | DT_SINGLELINE);
    aParams.Width = std::max<int>(aParams.Width, extent.right);
    aParams.Height = std::max<int>(aParams.Height, extent.bottom);
}

void TLabel::SetFocusControl(TWinControl* aControl)
{
    FFocusControl.Set(aControl);
}

void TLabel::ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow)
{
    // A bitmap resource was once how a label named its control.
    if (aRow.Resource)
        RaiseRowError(aRow, "names its linked component in Link");
    ApplyWindowRow(aContext, aRow);
    // The control may come after the label in the description.
    if (aRow.Link)
        aContext.AfterAll([this, &aContext, &aRow] { SetFocusControl(aContext.Control(aRow.Link, aRow, "Control")); });
}

char TLabel::Accelerator() const
{
    std::string text = Text();
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            return UpperChar(text[i + 1]);
        ++i; // "&&" is a literal ampersand
    }
    return 0;
}

TEdit::TEdit(TComponent* anOwner) : TWinControl(anOwner)
{
    TabStop = true;
}

void TEdit::CreateParams(TCreateParams& aParams)
{
    TWinControl::CreateParams(aParams);
    aParams.ClassName = "EDIT";
    aParams.Style |= ES_AUTOHSCROLL;
    aParams.ExStyle |= WS_EX_CLIENTEDGE;
}

bool TEdit::CNCommand(WORD aCode, WORD)
{
    if (aCode == EN_CHANGE && OnChange)
        OnChange(this);
    return aCode == EN_CHANGE;
}

TCheckBox::TCheckBox(TComponent* anOwner) : TWinControl(anOwner)
{
    TabStop = true;
}

bool TCheckBox::Checked() const
{
    if (!HandleAllocated())
        return FChecked;
    return SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool aChecked)
{
    FChecked = aChecked;
    if (HandleAllocated())
        SendMessageA(Handle(), BM_SETCHECK, aChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::CreateParams(TCreateParams& aParams)
{
    TWinControl::CreateParams(aParams);
    aParams.ClassName = "BUTTON";
    aParams.Style |= BS_AUTOCHECKBOX;
}

void TCheckBox::HandleCreated()
{
    SetChecked(FChecked);
}

bool TCheckBox::CNCommand(WORD aCode, WORD)
{
    if (aCode != BN_CLICKED)
        return false;
    if (OnClick)
        OnClick(this);
    return true;
}

TButton::TButton(TComponent* anOwner) : TWinControl(anOwner)
{
    TabStop = true;
}

void TButton::CreateParams(TCreateParams& aParams)
{
    TWinControl::CreateParams(aParams);
    aParams.ClassName = "BUTTON";
    aParams.Style |= Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

bool TButton::CNCommand(WORD aCode, WORD)
{
    if (aCode != BN_CLICKED)
        return false;
    Click();
    return true;
}

void TButton::Click()
{
    // The result is set before the handler runs, so that a handler (an OK
    // that asks first) can take it back and keep the form open.
    if (ModalResult != mrNone)
        RequestModalResult(ModalResult);
    if (OnClick)
        OnClick(this);
}

void TButton::ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow)
{
    TWinControl::ApplyDescription(aContext, aRow);
    Default = (aRow.Options & coDefault) != 0;
    Cancel = (aRow.Options & coCancel) != 0;
    ModalResult = aRow.ModalResult;
    if (Default)
        aContext.SetDefaultButton(this);
    if (Cancel)
        aContext.SetCancelButton(this);
}

TCustomListControl::TCustomListControl(TComponent* anOwner, const TListMessages& aMessages)
    : TWinControl(anOwner), FMessages(aMessages)
{
    TabStop = true;
}

LRESULT TCustomListControl::Send(UINT aMsg, WPARAM wParam, LPARAM lParam) const
{
    RequireHandle(*this);
    return SendMessageA(Handle(), aMsg, wParam, lParam);
}

void TCustomListControl::CheckIndex(int anIndex) const
{
    if (anIndex < 0 || anIndex >= Count())
        RaiseIndexError(anIndex);
}

void TCustomListControl::CreateParams(TCreateParams& aParams)
{
    // The font is the form's, known once the control has a parent.
    if (ItemHeight == FMeasuredHeight)
        RemeasureItemHeight();
    TWinControl::CreateParams(aParams);
}

void TCustomListControl::HandleCreated()
{
    // A fixed-height owner-drawn list asked with WM_MEASUREITEM during its
    // creation, before it was bound: set the height now.
    if (ItemHeight > 0)
        SendMessageA(Handle(), FMessages.SetItemHeight, 0, ItemHeight);
    FCreated = true;
}

void TCustomListControl::RemeasureItemHeight()
{
    int height = MeasureItemHeight();
    if (height <= 0)
        return;
    FMeasuredHeight = height;
    SetItemHeight(height);
}

void TCustomListControl::ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow)
{
    TWinControl::ApplyDescription(aContext, aRow);
    if (aRow.ItemHeight > 0)
        ItemHeight = aContext.Scale(aRow.ItemHeight);
    if (aRow.Options & coOwnerDraw)
        OwnerDraw = true;
}

int TCustomListControl::AddItem(const std::string& anItem, TItemData aData)
{
    LRESULT index = Send(FMessages.AddString, 0, reinterpret_cast<LPARAM>(anItem.c_str()));
    if (index < 0)
        throw EOutOfMemory();
    if (aData)
        SetItemData(static_cast<int>(index), aData);
    return static_cast<int>(index);
}

int TCustomListControl::InsertItem(int anIndex, const std::string& anItem, TItemData aData)
{
    if (anIndex < -1 || anIndex > Count())
        RaiseIndexError(anIndex);
    LRESULT index =
        Send(FMessages.InsertString, static_cast<WPARAM>(anIndex), reinterpret_cast<LPARAM>(anItem.c_str()));
    if (index < 0)
        throw EOutOfMemory();
    if (aData)
        SetItemData(static_cast<int>(index), aData);
    return static_cast<int>(index);
}

void TCustomListControl::AddItems(const std::vector<TListItem>& anItems)
{
    AddBatch(anItems, FMessages.AddString);
}

void TCustomListControl::AppendItems(const std::vector<TListItem>& anItems)
{
    // Inserting at the end never sorts, so a sorted list costs no
    // comparisons here.
    AddBatch(anItems, FMessages.InsertString);
}

void TCustomListControl::AddBatch(const std::vector<TListItem>& anItems, UINT aMessage)
{
    RequireHandle(*this);
    size_t bytes = 0;
    for (const TListItem& item : anItems)
        bytes += item.Text.size() + 1;
    // Reserving is only a hint: a refusal leaves the adds to grow the storage.
    DefaultHandler(FMessages.InitStorage, anItems.size(), static_cast<LPARAM>(bytes));
    TListUpdate update(*this);
    for (const TListItem& item : anItems) {
        LRESULT index = DefaultHandler(aMessage, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(item.Text.c_str()));
        if (index < 0)
            throw EOutOfMemory();
        if (item.Data)
            DefaultHandler(FMessages.SetItemData, static_cast<WPARAM>(index), item.Data);
    }
}

void TCustomListControl::DeleteItem(int anIndex)
{
    CheckIndex(anIndex);
    Send(FMessages.DeleteString, static_cast<WPARAM>(anIndex));
}

void TCustomListControl::Clear()
{
    Send(FMessages.ResetContent);
}

int TCustomListControl::Count() const
{
    return HandleAllocated() ? static_cast<int>(Send(FMessages.GetCount)) : 0;
}

std::string TCustomListControl::Item(int anIndex) const
{
    LRESULT length = Send(FMessages.GetTextLen, static_cast<WPARAM>(anIndex));
    if (length < 0)
        RaiseIndexError(anIndex);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = Send(FMessages.GetText, static_cast<WPARAM>(anIndex), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return text;
}

TItemData TCustomListControl::ItemData(int anIndex) const
{
    // The data itself may be -1 (LB_ERR): the index decides what is an error.
    CheckIndex(anIndex);
    return static_cast<TItemData>(Send(FMessages.GetItemData, static_cast<WPARAM>(anIndex)));
}

void TCustomListControl::SetItemData(int anIndex, TItemData aData)
{
    CheckIndex(anIndex);
    Send(FMessages.SetItemData, static_cast<WPARAM>(anIndex), aData);
}

int TCustomListControl::IndexOf(const std::string& aText) const
{
    if (!HandleAllocated())
        return -1;
    // The search starts after the given index and wraps: -1 searches all.
    LRESULT index = Send(FMessages.FindStringExact, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(aText.c_str()));
    return index < 0 ? -1 : static_cast<int>(index);
}

int TCustomListControl::ItemIndex() const
{
    return HandleAllocated() ? static_cast<int>(Send(FMessages.GetCurSel)) : -1;
}

void TCustomListControl::SetItemIndex(int anIndex)
{
    Send(FMessages.SetCurSel, static_cast<WPARAM>(anIndex));
}

void TCustomListControl::SetItemHeight(int aHeight)
{
    ItemHeight = aHeight;
    if (HandleAllocated() && aHeight > 0) {
        SendMessageA(Handle(), FMessages.SetItemHeight, 0, aHeight);
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

void TCustomListControl::BeginUpdate()
{
    if (FUpdateCount++ == 0 && HandleAllocated())
        SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TCustomListControl::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount == 0 && HandleAllocated()) {
        SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

LRESULT TCustomListControl::WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam)
{
    if (aMsg == WM_KEYDOWN) {
        WORD key = static_cast<WORD>(wParam);
        KeyDown(key);
        if (key == 0)
            return 0;
        wParam = key;
    }
    LRESULT result = TWinControl::WndProc(aMsg, wParam, lParam);
    // The font given at creation measures the height anew unless the height
    // was set on purpose; a later change of font always does.
    if (aMsg == WM_SETFONT && (FCreated || ItemHeight == FMeasuredHeight))
        RemeasureItemHeight();
    return result;
}

void TCustomListControl::KeyDown(WORD& aKey)
{
    if (OnKeyDown)
        OnKeyDown(this, aKey);
}

bool TCustomListControl::CNDrawItem(DRAWITEMSTRUCT& anItem)
{
    // No item to draw (an empty list with the focus, a combo box without a
    // selection): background and focus only.
    if (anItem.itemID == static_cast<UINT>(-1)) {
        FillRect(anItem.hDC, &anItem.rcItem, GetSysColorBrush(COLOR_WINDOW));
        if (anItem.itemState & ODS_FOCUS)
            DrawFocusRect(anItem.hDC, &anItem.rcItem);
        return true;
    }
    DrawItem(static_cast<int>(anItem.itemID), anItem.rcItem, anItem.hDC, DrawState(anItem));
    return true;
}

void TCustomListControl::DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState)
{
    if (OnDrawItem)
        OnDrawItem(this, anIndex, aRect, aDc, aState);
    else
        DrawListItemText(aDc, aRect, Item(anIndex), aState, FontColor);
}

void TCustomListControl::DrawGlyphItem(HDC aDc, const RECT& aRect, TOwnerDrawState aState, const TGlyph* aGlyph,
                                       const std::string& aText, const TItemLayout& aLayout)
{
    FillListItem(aDc, aRect, aState, FontColor);
    int left = aRect.left + aLayout.GlyphLeft;
    int slot = aGlyph ? aGlyph->Width() : aLayout.EmptySlot;
    if (aGlyph)
        aGlyph->Draw(aDc, left, (aRect.top + aRect.bottom - aGlyph->Height()) / 2);
    if (slot > 0)
        left += slot + 4;
    if (aLayout.CentreText) {
        RECT text = aRect;
        text.left = left;
        DrawTextA(aDc, aText.c_str(), static_cast<int>(aText.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    } else {
        TextOutA(aDc, left, aRect.top, aText.c_str(), static_cast<int>(aText.size()));
    }
    // A combo box's own field shows no focus rectangle of ours.
    if (aState.Focused && !aState.ComboEdit)
        DrawFocusRect(aDc, &aRect);
}

TComboBox::TComboBox(TComponent* anOwner) : TCustomListControl(anOwner, kComboBoxMessages)
{
}

void TComboBox::CreateParams(TCreateParams& aParams)
{
    TCustomListControl::CreateParams(aParams);
    FDesignHeight = aParams.Height - WindowHeight(0);
    aParams.ClassName = "COMBOBOX";
    aParams.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    if (OwnerDraw)
        aParams.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
    else
        aParams.Style |= Style == TComboStyle::csDropDown ? CBS_DROPDOWN : CBS_DROPDOWNLIST;
    if (Sorted)
        aParams.Style |= CBS_SORT;
}

int TComboBox::WindowHeight(int aHeight) const
{
    // The window's height given at creation includes the dropped-down list.
    int item = ItemHeight > 0 ? ItemHeight : 16;
    return aHeight + DropDownCount * item + 2;
}

void TComboBox::HandleCreated()
{
    TCustomListControl::HandleCreated();
    HWND wnd = Handle();
    // A closed box is as high as its selection field makes it, whatever the
    // window was created with: size the field so that the box has the height
    // it was laid out with.
    // The field's height as read back and as set differ by the platform's
    // padding on some systems, so correct by the measured result.
    int field = static_cast<int>(SendMessageA(wnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    for (int attempt = 0; attempt < 3 && FDesignHeight > 0 && field > 0; ++attempt) {
        RECT now;
        GetWindowRect(wnd, &now);
        int actual = now.bottom - now.top;
        if (actual == FDesignHeight)
            break;
        field += FDesignHeight - actual;
        SendMessageA(wnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
}

bool TComboBox::CNCommand(WORD aCode, WORD)
{
    // A click into the edit field focuses the field, not the box itself.
    if (aCode == CBN_SETFOCUS) {
        NotifyFocused();
        return true;
    }
    if (aCode == CBN_EDITCHANGE || aCode == CBN_SELCHANGE) {
        if (OnChange)
            OnChange(this);
        return true;
    }
    return false;
}

TListBox::TListBox(TComponent* anOwner) : TCustomListControl(anOwner, kListBoxMessages)
{
}

void TListBox::ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow)
{
    TCustomListControl::ApplyDescription(aContext, aRow);
    if (aRow.Options & coIntegralHeight)
        IntegralHeight = true;
}

void TListBox::CreateParams(TCreateParams& aParams)
{
    TCustomListControl::CreateParams(aParams);
    aParams.ClassName = "LISTBOX";
    aParams.Style |= WS_VSCROLL | LBS_NOTIFY;
    aParams.ExStyle |= WS_EX_CLIENTEDGE;
    if (OwnerDraw)
        aParams.Style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
    if (Sorted)
        aParams.Style |= LBS_SORT;
    if (!IntegralHeight)
        aParams.Style |= LBS_NOINTEGRALHEIGHT;
}

bool TListBox::CNCommand(WORD aCode, WORD)
{
    if (aCode == LBN_SELCHANGE) {
        if (OnClick)
            OnClick(this);
        return true;
    }
    if (aCode == LBN_DBLCLK) {
        if (OnDblClick)
            OnDblClick(this);
        return true;
    }
    return false;
}
