#pragma once
// A small bitmap of the program's resources, drawn transparently: the colour
// of its bottom-left pixel is the colour that is left out.
#include <windows.h>

#include "core/Handle.h"

class TGlyph {
public:
    // Loads the bitmap resource of that name; raises EOSError when the
    // program has none.
    explicit TGlyph(const char* aResourceName);
    TGlyph(const TGlyph&) = delete;
    TGlyph& operator=(const TGlyph&) = delete;

    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    COLORREF TransparentColor() const noexcept { return FTransparent; }
    HBITMAP Handle() const noexcept { return FBitmap.get(); }
    // Draws the glyph with its top-left corner at (aX, aY).
    void Draw(HDC aDc, int aX, int aY) const;

private:
    BitmapHandle FBitmap;
    int FWidth = 0;
    int FHeight = 0;
    COLORREF FTransparent = 0;
};

// A glyph as the data of a list line (TItemData), and back.
inline LPARAM GlyphData(const TGlyph* aGlyph) noexcept
{
    return reinterpret_cast<LPARAM>(aGlyph);
}
inline const TGlyph* DataGlyph(LPARAM aData) noexcept
{
    return reinterpret_cast<const TGlyph*>(aData);
}
