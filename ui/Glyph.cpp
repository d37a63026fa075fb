#include "ui/Glyph.h"

#include "core/Exceptions.h"

TGlyph::TGlyph(const char* aResourceName)
    : FBitmap(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), aResourceName, IMAGE_BITMAP, 0, 0, 0)))
{
    if (!FBitmap)
        RaiseLastOSError();
    BITMAP info{};
    GetObjectA(FBitmap.get(), sizeof info, &info);
    FWidth = info.bmWidth;
    FHeight = info.bmHeight;
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc)
        RaiseLastOSError();
    SelectObjectScope selected(dc.get(), FBitmap.get());
    FTransparent = GetPixel(dc.get(), 0, FHeight - 1);
}

void TGlyph::Draw(HDC aDc, int aX, int aY) const
{
    MemoryDc source(CreateCompatibleDC(aDc));
    if (!source)
        return;
    SelectObjectScope selected(source.get(), FBitmap.get());
    TransparentBlt(aDc, aX, aY, FWidth, FHeight, source.get(), 0, 0, FWidth, FHeight, FTransparent);
}
