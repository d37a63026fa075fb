#pragma once
// A drop-down list of the machine's drives: a glyph for the drive's kind, the
// letter and the volume label or network name. Picking a drive selects it and
// tells a linked directory list or the owner's change handler.
#include <windows.h>
#include <string>

#include <memory>

#include "ui/Glyph.h"
#include "ui/StdCtrls.h"

class TDirectoryListBox;

enum class TTextCase { tcLowerCase, tcUpperCase };

// The glyphs of the drive kinds, in the order of their resources.
enum class TDriveGlyph { dgNone = -1, dgFloppy, dgHard, dgNetwork, dgCdRom, dgRam, dgCount };

class TDriveComboBox : public TComboBox {
public:
    explicit TDriveComboBox(TComponent* anOwner);
    ~TDriveComboBox() override;

    // The letter of the selected drive, or NUL for no drive.
    char SelectedDrive() const noexcept { return FSelectedDrive; }
    // Selects a drive by its letter (NUL or any character but A-Z and a-z:
    // no drive) and tells the linked directory list and OnChange. When either
    // of them fails, the letter and the shown item are put back as they were,
    // so that picking the drive again tries again.
    void SetSelectedDrive(char aDrive);

    TTextCase TextCase() const noexcept { return FTextCase; }
    // Stores the case, refills the list and selects the drive again.
    void SetTextCase(TTextCase aTextCase);

    // The directory list that follows the selected drive; not owned, cleared
    // when that list is destroyed.
    TDirectoryListBox* DirList() const noexcept;
    void SetDirList(TDirectoryListBox* aDirList);

    // Rebuilds the items from the drives present now, in letter order; no item
    // is selected afterwards.
    void Refill();

    // The glyph an item shows.
    TDriveGlyph ItemGlyph(int anIndex) const;
    // A drive kind's glyph; null for dgNone.
    const TGlyph* Glyph(TDriveGlyph aGlyph) const noexcept;

protected:
    void HandleCreated() override;
    // The font's line height, at least the floppy glyph's height.
    int MeasureItemHeight() const override;
    bool CNCommand(WORD aCode, WORD anId) override;
    void DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState) override;

private:
    void AddDrive(char aLetter, UINT aKind);
    // The first item that stands for aDrive, or -1.
    int DriveItem(char aDrive) const;
    void Change();

    char FSelectedDrive = 0;
    TTextCase FTextCase = TTextCase::tcLowerCase;
    TComponentLink<TDirectoryListBox> FDirList{*this};
    std::unique_ptr<TGlyph> FGlyphs[static_cast<int>(TDriveGlyph::dgCount)];
};

// "[label]" of a drive root ("c:\"), in the case of the letter: lower case
// for a lower-case letter, upper case otherwise; "[]" when the label cannot be
// read. The critical-error box is suppressed meanwhile.
std::string VolumeLabelText(char aLetter);
// The remote name a network drive is connected to, in the case of the letter;
// the volume label text when the connection cannot be read.
std::string NetworkNameText(char aLetter);
