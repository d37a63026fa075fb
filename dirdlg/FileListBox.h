#pragma once
// An owner-drawn, sorted list of the entries of one directory that match a
// mask, optionally with glyphs. It can follow a directory list and keep an
// edit field up to date with the selected name or the mask. Like the
// directory list it works on the process's current directory and leaves it
// at the directory last listed.
#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/Glyph.h"
#include "ui/StdCtrls.h"

class TDirectoryListBox;

// Kinds of entries; the first six are the attribute bits of their value.
enum TFileAttr : uint8_t { ftReadOnly = 0, ftHidden, ftSystem, ftVolumeID, ftDirectory, ftArchive, ftNormal };
// A set of TFileAttr: bit n is the member of value n.
using TFileType = uint8_t;
constexpr TFileType FileAttr(TFileAttr anAttr)
{
    return static_cast<TFileType>(1u << anAttr);
}

class TFileListBox : public TListBox {
public:
    // 145 pixels wide, [ftNormal], the process's current directory, "*.*".
    explicit TFileListBox(TComponent* anOwner);
    ~TFileListBox() override;

    // The directory listed. Writing another one moves there and refills; a
    // failure raises EInOutError and keeps the entries.
    const std::string& ListedDir() const noexcept { return FListedDir; }
    void SetListedDir(const std::string& aDir);
    // Patterns separated by ";". Writing a different one refills.
    const std::string& Mask() const noexcept { return FMask; }
    void SetMask(const std::string& aMask);
    TFileType FileType() const noexcept { return FFileType; }
    void SetFileType(TFileType aFileType);
    bool ShowGlyphs() const noexcept { return FShowGlyphs; }
    void SetShowGlyphs(bool aShow);
    // The edit field that shows the selected name, or the mask (not owned).
    TEdit* FileEdit() const noexcept { return FFileEdit.get(); }
    void SetFileEdit(TEdit* anEdit);
    // The directory list this list follows (not owned); the same link as the
    // directory list's FileList, which either side may set. Following one
    // leaves the directory list followed before.
    TDirectoryListBox* DirList() const noexcept;
    void SetDirList(TDirectoryListBox* aList);

    // The selected line's text; "" when none. Writing selects the line of
    // that name (ignoring case), or none.
    std::string SelectedName() const;
    void SetSelectedName(const std::string& aName);
    // ListedDir joined with SelectedName; "" when none is selected.
    std::string SelectedPath() const;
    // Applies a typed directory, file name or pattern; a file name that does
    // not exist raises EInvalidOperation "Invalid file name - <text>".
    void FollowPath(const std::string& aText);
    // Reads the entries again (only while the window exists).
    void Refill();
    // The glyph a line is drawn with; null when none.
    const TGlyph* LineGlyph(int anIndex) const;
    const TGlyph& ExecutableGlyph() const noexcept { return *FExeGlyph; }
    const TGlyph& FolderGlyph() const noexcept { return *FFolderGlyph; }
    const TGlyph& UnknownGlyph() const noexcept { return *FUnknownGlyph; }

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;
    // The font's line height; with glyphs, at least a glyph's height and a
    // pixel.
    int MeasureItemHeight() const override;
    bool CNCommand(WORD aCode, WORD anId) override;
    void DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState) override;

private:
    // Reads the entries of aDir that match aMask and aFileType in full, and
    // only then makes them the list's settings and lines: a search that fails
    // changes nothing.
    void ListEntries(const std::string& aDir, const std::string& aMask, TFileType aFileType);
    // The entries in the list's order; makes aDir the current directory.
    std::vector<TListItem> ReadEntries(const std::string& aDir, const std::string& aMask, TFileType aFileType) const;
    void Change();

    std::string FListedDir;
    std::string FMask = "*.*";
    TFileType FFileType = FileAttr(ftNormal);
    bool FShowGlyphs = false;
    TComponentLink<TEdit> FFileEdit{*this};
    TComponentLink<TDirectoryListBox> FDirList{*this};
    int FLastSelection = -1;
    std::unique_ptr<TGlyph> FExeGlyph, FFolderGlyph, FUnknownGlyph;
};
