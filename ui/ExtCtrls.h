#pragma once
// Frames, panels and pictures.
#include <windows.h>
#include <string>

#include "core/Handle.h"
#include "ui/Controls.h"

// A lowered rectangular frame, outline only; takes no focus.
class TBevel : public TWinControl {
public:
    using TWinControl::TWinControl;

protected:
    void CreateParams(TCreateParams& aParams) override;
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override;
};

// A container with a lowered outer bevel and a background colour of its own.
class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* anOwner);

protected:
    void CreateParams(TCreateParams& aParams) override;
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC aDc);
};

// A picture drawn stretched proportionally into the control's bounds, with a
// hand cursor and a click event.
class TImage : public TWinControl {
public:
    explicit TImage(TComponent* anOwner);
    // Takes a bitmap resource of the program; false when there is none.
    bool LoadBitmap(const char* aResourceName);
    // Width and height of the picture; 0 x 0 without one.
    SIZE PictureSize() const noexcept { return FPictureSize; }
    TNotifyEvent OnClick;
    // Resource: the picture, whose size the control takes when there is one.
    void ApplyDescription(TDescriptionContext& aContext, const TControlDescription& aRow) override;

protected:
    void CreateParams(TCreateParams& aParams) override;
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC aDc);
    BitmapHandle FPicture;
    SIZE FPictureSize{0, 0};
    bool FPressed = false;
};

// Where a picture of aPicture's size goes in aBounds when stretched
// proportionally: as large as fits, at the top-left corner.
RECT ProportionalRect(SIZE aPicture, const RECT& aBounds);
