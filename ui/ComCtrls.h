#pragma once
// Image lists, flat tool bars and progress bars of the common controls.
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

#include "core/Handle.h"
#include "ui/Controls.h"

struct ImageListTraits {
    static HIMAGELIST Invalid() noexcept { return nullptr; }
    static void Close(HIMAGELIST h) noexcept { ImageList_Destroy(h); }
};
using ImageListHandle = UniqueHandle<HIMAGELIST, ImageListTraits>;

// Loads the common controls' window classes used here (once per process is
// enough; repeating it is harmless).
void InitCommonControlClasses();

// Images of one size with a transparency mask.
class TImageList : public TComponent {
public:
    TImageList(TComponent* anOwner, int aWidth = 16, int aHeight = 16);
    HIMAGELIST Handle() const noexcept { return FHandle.get(); }
    int Count() const noexcept;
    // Changes the size of the images; the list loses the images it had.
    void SetSize(int aWidth, int aHeight);
    // Adds the images of a bitmap resource, aMaskColor marking the
    // transparent pixels; false when the program has no such bitmap.
    bool AddMaskedResource(const char* aResourceName, COLORREF aMaskColor);
    // Adds the images of a bitmap, aMaskColor marking the transparent pixels.
    void AddMasked(HBITMAP aBitmap, COLORREF aMaskColor);
    // Width and Height (unscaled: the images' own size) and Resource, whose
    // magenta pixels are transparent.
    virtual void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow);

private:
    ImageListHandle FHandle;
};

class TToolBar;

// A button of a tool bar; not a window of its own.
class TToolButton : public TComponent {
public:
    using TComponent::TComponent;
    std::string Caption; // not shown: the button shows its image only
    int ImageIndex = -1;
    int Id = 0;
    TNotifyEvent OnClick;
    virtual void Click();
    // Parent: the tool bar the button goes into, whose buttons take the row's
    // size; Text, ImageIndex and Id.
    virtual void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow);
};

// A tool bar without border edges, not aligned to a side, with flat buttons.
// It takes no keyboard focus. Disabled, it shows its buttons greyed.
class TToolBar : public TWinControl {
public:
    explicit TToolBar(TComponent* anOwner);
    TImageList* Images() const noexcept { return FImages; }
    // Links the image list the buttons show their images from; the link is
    // cleared when the list is destroyed.
    void SetImages(TImageList* anImages);
    int ButtonWidth = 23;
    int ButtonHeight = 22;
    void AddButton(TToolButton* aButton);
    size_t ButtonCount() const noexcept { return FButtons.size(); }
    // Link: the image list.
    void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow) override;

protected:
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;
    bool CNCommand(WORD aCode, WORD anId) override;
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override;
    void Notification(TComponent* aComponent, TOperation anOperation) override;

private:
    void InsertButton(TToolButton* aButton);
    std::vector<TToolButton*> FButtons;
    // Cleared with the list: the bar shows no images then.
    TComponentLink<TImageList> FImages{*this, [this] {
                                           if (HandleAllocated())
                                               SendMessageA(Handle(), TB_SETIMAGELIST, 0, 0);
                                       }};
};

// A smooth horizontal bar that fills from the left as a position moves from
// 0 to Max. Takes no focus.
class TProgressBar : public TWinControl {
public:
    using TWinControl::TWinControl;
    int Max() const noexcept { return FMax; }
    void SetMax(int aMax);
    int Position() const noexcept { return FPosition; }
    // Clamped to 0..Max.
    void SetPosition(int aPosition);

protected:
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;

private:
    int FMax = 100;
    int FPosition = 0;
};
