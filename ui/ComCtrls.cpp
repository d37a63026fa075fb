#include "ui/ComCtrls.h"

#include <algorithm>

#include "core/Exceptions.h"
#include "ui/Description.h"

void InitCommonControlClasses()
{
    INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
}

TImageList::TImageList(TComponent* anOwner, int aWidth, int aHeight) : TComponent(anOwner)
{
    FHandle.reset(ImageList_Create(aWidth, aHeight, ILC_COLOR32 | ILC_MASK, 1, 1));
    if (!FHandle)
        throw EOutOfMemory();
}

void TImageList::SetSize(int aWidth, int aHeight)
{
    if (!ImageList_SetIconSize(FHandle.get(), aWidth, aHeight))
        RaiseLastOSError();
}

int TImageList::Count() const noexcept
{
    return ImageList_GetImageCount(FHandle.get());
}

bool TImageList::AddMaskedResource(const char* aResourceName, COLORREF aMaskColor)
{
    BitmapHandle bitmap(
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), aResourceName, IMAGE_BITMAP, 0, 0, 0)));
    if (!bitmap)
        return false;
    AddMasked(bitmap.get(), aMaskColor);
    return true;
}

void TImageList::AddMasked(HBITMAP aBitmap, COLORREF aMaskColor)
{
    if (ImageList_AddMasked(FHandle.get(), aBitmap, aMaskColor) < 0)
        throw EOutOfMemory();
}

void TImageList::ApplyDescription(TDescriptionContext&, const TControlDescription& aRow)
{
    if (aRow.Width > 0 && aRow.Height > 0)
        SetSize(aRow.Width, aRow.Height);
    // Magenta marks the transparent pixels of the program's glyphs.
    if (aRow.Resource)
        AddMaskedResource(aRow.Resource, RGB(255, 0, 255));
}

void TToolButton::ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow)
{
    auto* bar = aRow.Parent ? dynamic_cast<TToolBar*>(aContext.Control(aRow.Parent, aRow, "Parent")) : nullptr;
    if (!bar)
        throw EInvalidOperation(std::string("Tool button '") + aRow.ComponentName() + "' needs a tool bar");
    Caption = aRow.Text;
    ImageIndex = aRow.ImageIndex;
    Id = aRow.Id;
    if (aRow.Width > 0 && aRow.Height > 0) {
        bar->ButtonWidth = aContext.Scale(aRow.Width);
        bar->ButtonHeight = aContext.Scale(aRow.Height);
    }
    bar->AddButton(this);
}

void TToolButton::Click()
{
    if (OnClick)
        OnClick(this);
}

TToolBar::TToolBar(TComponent* anOwner) : TWinControl(anOwner)
{
}

void TToolBar::CreateParams(TCreateParams& aParams)
{
    InitCommonControlClasses();
    TWinControl::CreateParams(aParams);
    aParams.ClassName = TOOLBARCLASSNAMEA;
    aParams.Style |= TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER;
    aParams.Style &= ~WS_TABSTOP;
}

void TToolBar::HandleCreated()
{
    HWND wnd = Handle();
    SendMessageA(wnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(wnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 16));
    if (FImages)
        SendMessageA(wnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages->Handle()));
    for (TToolButton* button : FButtons)
        InsertButton(button);
    SendMessageA(wnd, TB_SETBUTTONSIZE, 0, MAKELPARAM(ButtonWidth, ButtonHeight));
}

void TToolBar::ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow)
{
    // A bitmap resource was once how a tool bar named its image list.
    if (aRow.Resource)
        RaiseRowError(aRow, "names its linked component in Link");
    ApplyWindowRow(aContext, aRow);
    if (aRow.Link) {
        auto* images = dynamic_cast<TImageList*>(aContext.Find(aRow.Link));
        if (!images)
            throw EInvalidOperation(std::string("Image list of '") + aRow.ComponentName() + "' not found");
        SetImages(images);
    }
}

void TToolBar::SetImages(TImageList* anImages)
{
    FImages.Set(anImages);
    if (HandleAllocated()) {
        SendMessageA(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages ? FImages->Handle() : nullptr));
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

void TToolBar::AddButton(TToolButton* aButton)
{
    FButtons.push_back(aButton);
    FreeNotification(aButton);
    if (HandleAllocated()) {
        InsertButton(aButton);
        SendMessageA(Handle(), TB_SETBUTTONSIZE, 0, MAKELPARAM(ButtonWidth, ButtonHeight));
    }
}

void TToolBar::InsertButton(TToolButton* aButton)
{
    TBBUTTON b{};
    b.iBitmap = aButton->ImageIndex >= 0 ? aButton->ImageIndex : I_IMAGENONE;
    b.idCommand = aButton->Id;
    b.fsState = Enabled() ? TBSTATE_ENABLED : 0;
    b.fsStyle = BTNS_BUTTON;
    b.iString = -1;
    if (!SendMessageA(Handle(), TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&b)))
        throw EInvalidOperation("Cannot add tool button '" + aButton->Name + "'");
}

LRESULT TToolBar::WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam)
{
    // The bar's own window refuses input when disabled, but draws its buttons
    // as before: grey them with it.
    if (aMsg == WM_ENABLE)
        for (TToolButton* button : FButtons)
            SendMessageA(Handle(), TB_ENABLEBUTTON, button->Id, MAKELPARAM(wParam ? TRUE : FALSE, 0));
    return TWinControl::WndProc(aMsg, wParam, lParam);
}

bool TToolBar::CNCommand(WORD, WORD anId)
{
    for (TToolButton* button : FButtons)
        if (button->Id == anId) {
            button->Click();
            return true;
        }
    return false;
}

void TToolBar::Notification(TComponent* aComponent, TOperation anOperation)
{
    TWinControl::Notification(aComponent, anOperation);
    if (anOperation != TOperation::opRemove)
        return;
    auto it = std::find(FButtons.begin(), FButtons.end(), aComponent);
    if (it == FButtons.end())
        return;
    if (HandleAllocated()) {
        LRESULT index = SendMessageA(Handle(), TB_COMMANDTOINDEX, (*it)->Id, 0);
        if (index >= 0)
            SendMessageA(Handle(), TB_DELETEBUTTON, static_cast<WPARAM>(index), 0);
    }
    FButtons.erase(it);
}

void TProgressBar::CreateParams(TCreateParams& aParams)
{
    InitCommonControlClasses();
    TWinControl::CreateParams(aParams);
    aParams.ClassName = PROGRESS_CLASSA;
    aParams.Style |= PBS_SMOOTH;
    aParams.Style &= ~WS_TABSTOP;
}

void TProgressBar::HandleCreated()
{
    SendMessageA(Handle(), PBM_SETRANGE32, 0, FMax);
    SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::SetMax(int aMax)
{
    FMax = aMax > 0 ? aMax : 1;
    FPosition = std::min(FPosition, FMax);
    if (HandleAllocated())
        HandleCreated();
}

void TProgressBar::SetPosition(int aPosition)
{
    aPosition = std::clamp(aPosition, 0, FMax);
    if (aPosition == FPosition)
        return;
    FPosition = aPosition;
    if (HandleAllocated())
        SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}
