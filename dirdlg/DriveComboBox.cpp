#include "dirdlg/DriveComboBox.h"

#include <algorithm>
#include <vector>

#include "core/Exceptions.h"
#include "core/Strings.h"
#include "dirdlg/DirFiles.h"
#include "dirdlg/DirPaths.h"
#include "dirdlg/PathLabel.h"
#include "dirdlg/DirSystem.h"
#include "dirdlg/DirectoryListBox.h"

namespace {
const char* const kGlyphResources[] = {"FLOPPY", "HARD", "NETWORK", "CDROM", "RAM"};

// The buffer the platform's volume and connection queries are given first.
constexpr DWORD kNameBuffer = 261;

// Lower or upper case as the drive letter is (a code at least that of "a" is
// lower case), with the locale's file-name case mapping.
std::string InCaseOf(char aLetter, std::string aText)
{
    if (aText.empty())
        return aText;
    if (static_cast<unsigned char>(aLetter) >= 'a')
        CharLowerBuffA(aText.data(), static_cast<DWORD>(aText.size()));
    else
        CharUpperBuffA(aText.data(), static_cast<DWORD>(aText.size()));
    return aText;
}

std::string RootOf(char aLetter)
{
    return {aLetter, ':', '\\'};
}

char LowerLetter(char aLetter)
{
    return aLetter >= 'A' && aLetter <= 'Z' ? static_cast<char>(aLetter + 32) : aLetter;
}

char UpperLetter(char aLetter)
{
    return aLetter >= 'a' && aLetter <= 'z' ? static_cast<char>(aLetter - 32) : aLetter;
}

bool SameDrive(char a, char b)
{
    return LowerLetter(a) == LowerLetter(b);
}
} // namespace

std::string VolumeLabelText(char aLetter)
{
    std::string label;
    {
        TCriticalErrorsOff quiet;
        // A volume name has at most 32 characters: the buffer always holds it.
        char name[kNameBuffer] = {};
        if (DirSystem().GetVolumeInformationA(RootOf(aLetter).c_str(), name, kNameBuffer, nullptr, nullptr, nullptr,
                                              nullptr, 0))
            label.assign(name, strnlen(name, kNameBuffer));
    }
    std::string text = "[";
    text.append(InCaseOf(aLetter, label)).append("]");
    return text;
}

std::string NetworkNameText(char aLetter)
{
    std::string device{UpperLetter(aLetter), ':'};
    std::vector<char> remote(kNameBuffer);
    DWORD length = kNameBuffer;
    DWORD result = DirSystem().WNetGetConnectionA(device.c_str(), remote.data(), &length);
    if (result == ERROR_MORE_DATA && length > remote.size()) {
        // A longer remote name is fetched again at the size the system gives.
        remote.assign(length, '\0');
        result = DirSystem().WNetGetConnectionA(device.c_str(), remote.data(), &length);
    }
    if (result != NO_ERROR)
        return VolumeLabelText(aLetter);
    return InCaseOf(aLetter, std::string(remote.data(), strnlen(remote.data(), remote.size())));
}

TDriveComboBox::TDriveComboBox(TComponent* anOwner) : TComboBox(anOwner)
{
    OwnerDraw = true;
    for (int i = 0; i < static_cast<int>(TDriveGlyph::dgCount); ++i)
        FGlyphs[i] = std::make_unique<TGlyph>(kGlyphResources[i]);
    // The drive of the current directory; a UNC directory has none.
    FSelectedDrive = PathDriveLetter(CurrentDirectory());
}

TDriveComboBox::~TDriveComboBox()
{
    SetDirList(nullptr);
}

const TGlyph* TDriveComboBox::Glyph(TDriveGlyph aGlyph) const noexcept
{
    int i = static_cast<int>(aGlyph);
    return i >= 0 && i < static_cast<int>(TDriveGlyph::dgCount) ? FGlyphs[i].get() : nullptr;
}

int TDriveComboBox::MeasureItemHeight() const
{
    int height = FontLineHeight(FontHandle());
    int floppy = Glyph(TDriveGlyph::dgFloppy)->Height();
    return std::max(height, floppy);
}

void TDriveComboBox::HandleCreated()
{
    TComboBox::HandleCreated();
    Refill();
    // No item is selected after a refill, so this always runs to the end.
    SetSelectedDrive(FSelectedDrive);
}

void TDriveComboBox::SetTextCase(TTextCase aTextCase)
{
    FTextCase = aTextCase;
    if (!HandleAllocated())
        return;
    Refill();
    SetSelectedDrive(FSelectedDrive);
}

TDirectoryListBox* TDriveComboBox::DirList() const noexcept
{
    return FDirList;
}

void TDriveComboBox::SetDirList(TDirectoryListBox* aDirList)
{
    FDirList.SetPaired(
        aDirList, this, &TDirectoryListBox::DriveList, [](TDirectoryListBox* aList, TDriveComboBox* aDrives) {
            if (!aDrives)
                aList->SetDriveList(nullptr, {});
            else
                aList->SetDriveList(aDrives, [aDrives](char aDrive) { aDrives->SetSelectedDrive(aDrive); });
        });
}

void TDriveComboBox::Refill()
{
    Clear();
    DWORD drives = DirSystem().GetLogicalDrives();
    for (int number = 0; number < 26; ++number) {
        if (!(drives & (1u << number)))
            continue;
        char letter = static_cast<char>('a' + number);
        UINT kind;
        {
            TCriticalErrorsOff quiet;
            kind = DirSystem().GetDriveTypeA(RootOf(letter).c_str());
        }
        if (FTextCase == TTextCase::tcUpperCase)
            letter = UpperLetter(letter);
        AddDrive(letter, kind);
    }
}

void TDriveComboBox::AddDrive(char aLetter, UINT aKind)
{
    // "c:" and, for a drive with a name, "c: name".
    std::string text{aLetter, ':'};
    TDriveGlyph glyph;
    switch (aKind) {
    case DRIVE_REMOVABLE:
        // The medium is never touched: a floppy drive would spin up or ask.
        glyph = TDriveGlyph::dgFloppy;
        break;
    case DRIVE_FIXED:
        text.append(" ").append(VolumeLabelText(aLetter));
        glyph = TDriveGlyph::dgHard;
        break;
    case DRIVE_REMOTE:
        text.append(" ").append(NetworkNameText(aLetter));
        glyph = TDriveGlyph::dgNetwork;
        break;
    case DRIVE_CDROM:
        text.append(" ").append(VolumeLabelText(aLetter));
        glyph = TDriveGlyph::dgCdRom;
        break;
    case DRIVE_RAMDISK:
        text.append(" ").append(VolumeLabelText(aLetter));
        glyph = TDriveGlyph::dgRam;
        break;
    default: return; // unknown kind or no root directory: not listed
    }
    AddItem(text, static_cast<TItemData>(glyph));
}

TDriveGlyph TDriveComboBox::ItemGlyph(int anIndex) const
{
    if (!HandleAllocated())
        return TDriveGlyph::dgNone;
    TItemData data = ItemData(anIndex);
    if (data < 0 || data >= static_cast<TItemData>(TDriveGlyph::dgCount))
        return TDriveGlyph::dgNone;
    return static_cast<TDriveGlyph>(data);
}

int TDriveComboBox::DriveItem(char aDrive) const
{
    if (!IsDriveLetter(aDrive))
        return -1;
    for (int i = 0, n = Count(); i < n; ++i) {
        std::string text = Item(i);
        if (text.size() >= 2 && text[1] == ':' && SameDrive(text[0], aDrive))
            return i;
    }
    return -1;
}

void TDriveComboBox::SetSelectedDrive(char aDrive)
{
    if (ItemIndex() >= 0 && FSelectedDrive && SameDrive(aDrive, FSelectedDrive))
        return;
    char oldDrive = FSelectedDrive;
    int oldIndex = DriveItem(oldDrive);
    if (!IsDriveLetter(aDrive)) {
        FSelectedDrive = 0;
        if (HandleAllocated())
            SetItemIndex(-1);
    } else {
        FSelectedDrive = FTextCase == TTextCase::tcUpperCase ? UpperLetter(aDrive) : LowerLetter(aDrive);
        if (int index = DriveItem(FSelectedDrive); index >= 0)
            SetItemIndex(index);
    }
    char wanted = FSelectedDrive;
    // The drive could not be entered: show the drive that is still in use.
    auto putBack = [&] {
        FSelectedDrive = oldDrive;
        if (HandleAllocated())
            SetItemIndex(oldIndex);
    };
    try {
        if (FDirList)
            FDirList->DriveChanged(FSelectedDrive);
        Change();
    } catch (const EInOutError& error) {
        putBack();
        if (error.ErrorCode == ERROR_NOT_READY && IsDriveLetter(wanted))
            throw EInOutError(DriveNotReadyText(wanted), error.ErrorCode);
        throw;
    } catch (...) {
        putBack();
        throw;
    }
}

void TDriveComboBox::Change()
{
    if (OnChange)
        OnChange(this);
}

bool TDriveComboBox::CNCommand(WORD aCode, WORD anId)
{
    if (aCode == CBN_SELCHANGE) {
        int index = ItemIndex();
        if (index >= 0) {
            std::string text = Item(index);
            SetSelectedDrive(text.empty() ? '\0' : text[0]);
        }
        return true;
    }
    if (aCode == CBN_EDITCHANGE)
        return true;
    return TComboBox::CNCommand(aCode, anId);
}

void TDriveComboBox::DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState)
{
    // Drives without a glyph keep its place, so that the letters line up.
    DrawGlyphItem(aDc, aRect, aState, Glyph(ItemGlyph(anIndex)), Item(anIndex), {.GlyphLeft = 2, .EmptySlot = 16});
}
