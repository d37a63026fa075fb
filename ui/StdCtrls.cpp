#include "ui/StdCtrls.h"

#include <algorithm>

#include "core/Exceptions.h"
#include "core/Handle.h"
#include "ui/Forms.h"

namespace {
std::string ListText(HWND aWnd, UINT aLengthMsg, UINT aTextMsg, int anIndex)
{
    LRESULT length = SendMessageA(aWnd, aLengthMsg, static_cast<WPARAM>(anIndex), 0);
    if (length < 0)
        throw EInvalidOperation("List index out of bounds (" + std::to_string(anIndex) + ")");
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(aWnd, aTextMsg, static_cast<WPARAM>(anIndex), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return text;
}

TOwnerDrawState DrawState(const DRAWITEMSTRUCT& anItem)
{
    TOwnerDrawState state;
    state.Selected = (anItem.itemState & ODS_SELECTED) != 0;
    state.Focused = (anItem.itemState & ODS_FOCUS) != 0;
    state.Disabled = (anItem.itemState & ODS_DISABLED) != 0;
    state.ComboEdit = (anItem.itemState & ODS_COMBOBOXEDIT) != 0;
    return state;
}

void RequireHandle(const TWinControl& aControl)
{
    if (!aControl.HandleAllocated())
        throw EInvalidOperation("Control '" + aControl.Name + "' has no parent window");
}
} // namespace

void DrawListItemText(HDC aDc, const RECT& aRect, const std::string& aText, TOwnerDrawState aState)
{
    if (aState.Selected) {
        FillRect(aDc, &aRect, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(aDc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        FillRect(aDc, &aRect, GetSysColorBrush(COLOR_WINDOW));
    }
    SetBkMode(aDc, TRANSPARENT);
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
}

char UpperChar(char aChar)
{
    CharUpperBuffA(&aChar, 1);
    return aChar;
}

void TLabel::SetFocusControl(TWinControl* aControl)
{
    if (FFocusControl)
        RemoveFreeNotification(FFocusControl);
    FFocusControl = aControl;
    if (aControl)
        FreeNotification(aControl);
}

void TLabel::Notification(TComponent* aComponent, TOperation anOperation)
{
    TWinControl::Notification(aComponent, anOperation);
    if (anOperation == TOperation::opRemove && aComponent == FFocusControl)
        FFocusControl = nullptr;
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

void TLabel::HandleCreated()
{
    // The laid-out size fits the text in the designed font; where the system
    // substitutes a wider one, the label grows so that no text is cut off.
    HWND wnd = Handle();
    std::string text = Text();
    RECT extent{0, 0, 0, 0};
    {
        WindowDc dc(wnd);
        if (!dc)
            return;
        SelectObjectScope font(dc.get(),
                               FontHandle() ? static_cast<HGDIOBJ>(FontHandle()) : GetStockObject(DEFAULT_GUI_FONT));
        DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent, DT_CALCRECT | DT_SINGLELINE);
    }
    RECT r = BoundsRect();
    int width = std::max<int>(r.right - r.left, extent.right);
    int height = std::max<int>(r.bottom - r.top, extent.bottom);
    if (width != r.right - r.left || height != r.bottom - r.top)
        SetWindowPos(wnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    // The result is set first, so that the handler can take it back (a
    // question answered with No keeps the form open).
    if (ModalResult != mrNone)
        if (TForm* form = ParentForm(this))
            form->ModalResult = ModalResult;
    if (OnClick)
        OnClick(this);
}

TComboBox::TComboBox(TComponent* anOwner) : TWinControl(anOwner)
{
    TabStop = true;
}

void TComboBox::CreateParams(TCreateParams& aParams)
{
    TWinControl::CreateParams(aParams);
    FDesignHeight = aParams.Height - WindowHeight(0);
    aParams.ClassName = "COMBOBOX";
    aParams.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    switch (Style) {
    case TComboStyle::csDropDown:
        aParams.Style |= CBS_DROPDOWN;
        break;
    case TComboStyle::csDropDownList:
        aParams.Style |= CBS_DROPDOWNLIST;
        break;
    case TComboStyle::csOwnerDrawFixed:
        aParams.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
        break;
    }
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
    HWND wnd = Handle();
    if (ItemHeight > 0)
        SendMessageA(wnd, CB_SETITEMHEIGHT, 0, ItemHeight);
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

int TComboBox::AddItem(const std::string& anItem)
{
    RequireHandle(*this);
    LRESULT index = SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(anItem.c_str()));
    if (index < 0)
        throw EOutOfMemory();
    return static_cast<int>(index);
}

void TComboBox::Clear()
{
    RequireHandle(*this);
    SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
}

int TComboBox::Count() const
{
    return HandleAllocated() ? static_cast<int>(SendMessageA(Handle(), CB_GETCOUNT, 0, 0)) : 0;
}

std::string TComboBox::Item(int anIndex) const
{
    RequireHandle(*this);
    return ListText(Handle(), CB_GETLBTEXTLEN, CB_GETLBTEXT, anIndex);
}

int TComboBox::ItemIndex() const
{
    return HandleAllocated() ? static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0)) : -1;
}

void TComboBox::SetItemIndex(int anIndex)
{
    RequireHandle(*this);
    SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(anIndex), 0);
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

bool TComboBox::CNDrawItem(DRAWITEMSTRUCT& anItem)
{
    if (anItem.itemID == static_cast<UINT>(-1)) {
        FillRect(anItem.hDC, &anItem.rcItem, GetSysColorBrush(COLOR_WINDOW));
        return true;
    }
    DrawItem(static_cast<int>(anItem.itemID), anItem.rcItem, anItem.hDC, DrawState(anItem));
    return true;
}

void TComboBox::DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState)
{
    if (OnDrawItem)
        OnDrawItem(this, anIndex, aRect, aDc, aState);
    else
        DrawListItemText(aDc, aRect, Item(anIndex), aState);
}

TListBox::TListBox(TComponent* anOwner) : TWinControl(anOwner)
{
    TabStop = true;
}

void TListBox::CreateParams(TCreateParams& aParams)
{
    TWinControl::CreateParams(aParams);
    aParams.ClassName = "LISTBOX";
    aParams.Style |= WS_VSCROLL | LBS_NOTIFY;
    aParams.ExStyle |= WS_EX_CLIENTEDGE;
    if (Style == TListBoxStyle::lbOwnerDrawFixed)
        aParams.Style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
    if (Sorted)
        aParams.Style |= LBS_SORT;
    if (!IntegralHeight)
        aParams.Style |= LBS_NOINTEGRALHEIGHT;
}

void TListBox::HandleCreated()
{
    // WM_MEASUREITEM came during creation, before the window was bound.
    if (ItemHeight > 0)
        SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, ItemHeight);
}

int TListBox::AddItem(const std::string& anItem)
{
    RequireHandle(*this);
    LRESULT index = SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(anItem.c_str()));
    if (index < 0)
        throw EOutOfMemory();
    return static_cast<int>(index);
}

void TListBox::Clear()
{
    RequireHandle(*this);
    SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
}

int TListBox::Count() const
{
    return HandleAllocated() ? static_cast<int>(SendMessageA(Handle(), LB_GETCOUNT, 0, 0)) : 0;
}

std::string TListBox::Item(int anIndex) const
{
    RequireHandle(*this);
    return ListText(Handle(), LB_GETTEXTLEN, LB_GETTEXT, anIndex);
}

int TListBox::ItemIndex() const
{
    return HandleAllocated() ? static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0)) : -1;
}

void TListBox::SetItemIndex(int anIndex)
{
    RequireHandle(*this);
    SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(anIndex), 0);
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

bool TListBox::CNDrawItem(DRAWITEMSTRUCT& anItem)
{
    if (anItem.itemID == static_cast<UINT>(-1)) {
        FillRect(anItem.hDC, &anItem.rcItem, GetSysColorBrush(COLOR_WINDOW));
        if (anItem.itemState & ODS_FOCUS)
            DrawFocusRect(anItem.hDC, &anItem.rcItem);
        return true;
    }
    DrawItem(static_cast<int>(anItem.itemID), anItem.rcItem, anItem.hDC, DrawState(anItem));
    return true;
}

void TListBox::DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState)
{
    if (OnDrawItem)
        OnDrawItem(this, anIndex, aRect, aDc, aState);
    else
        DrawListItemText(aDc, aRect, Item(anIndex), aState);
}
