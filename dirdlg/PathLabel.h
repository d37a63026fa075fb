#pragma once
// A label that shows a path, shortened with "...\" so that it fits its width.
// The caption holds the full path; only the painting shortens it.
#include <windows.h>
#include <functional>
#include <string>

#include "ui/StdCtrls.h"

// The text-metric height of Font (null: the system font), measured in a
// screen device context.
int FontLineHeight(HFONT Font);

// The pixel width of a text in some font.
using TTextWidth = std::function<int(const std::string& Text)>;

// Path shortened with "...\" in place of its leading directories, then
// without drive and directories, until Width says it fits into MaxWidth or
// nothing more can be cut; the bare name may still be wider.
std::string FitPathToWidth(const std::string& Path, const TTextWidth& Width, int MaxWidth, UINT CodePage = CP_ACP);
// The same, measured with the font selected into Canvas.
std::string FitPathToWidth(const std::string& Path, HDC Canvas, int MaxWidth, UINT CodePage = CP_ACP);

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
