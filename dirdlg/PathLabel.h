#pragma once
// A label that shows a path, shortened with "...\" so that it fits its width.
// The caption holds the full path; only the painting shortens it.
#include <windows.h>

#include "ui/StdCtrls.h"

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

class TPathLabel : public TLabel {
public:
    // Word wrap, automatic sizing and accelerator processing off: an "&" in a
    // path is shown as it is.
    explicit TPathLabel(TComponent* anOwner);
    TAlignment Alignment = TAlignment::taLeftJustify;
    // Leaves the background unpainted.
    bool Transparent = false;
    // Grows to fit the text when its window is created; a linked directory
    // list then fits the path to its own width instead of the label's.
    bool AutoSize = false;

    // The text the label shows: the caption fitted to the client width in the
    // label's font.
    std::string ShownText() const;

protected:
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC aDc);
};
