#include "dirdlg/DirectoryListBox.h"

#include <algorithm>
#include <iterator>

#include "core/Strings.h"
#include "dirdlg/DirFiles.h"
#include "dirdlg/DirPaths.h"
#include "dirdlg/FileListBox.h"
#include "dirdlg/NameSort.h"
#include "dirdlg/PathLabel.h"
#include "core/Handle.h"

namespace {
// Sets a flag for a scope and clears it on every path.
class TFlagScope {
public:
    explicit TFlagScope(bool& aFlag) noexcept : FFlag(aFlag) { FFlag = true; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;
    ~TFlagScope() { FFlag = false; }

private:
    bool& FFlag;
};

int CompareText(DWORD aFlags, const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, aFlags, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size()));
}
} // namespace

TDirectoryListBox::TDirectoryListBox(TComponent* anOwner)
    : TListBox(anOwner), FOpenGlyph(std::make_unique<TGlyph>("OPENFOLDER")),
      FClosedGlyph(std::make_unique<TGlyph>("CLOSEDFOLDER")), FCurrentGlyph(std::make_unique<TGlyph>("CURRENTFOLDER"))
{
    OwnerDraw = true;
    Sorted = false;
    WantReturns = true;
    SetBounds(0, 0, 145, 97);
    FCurrentDir = CurrentDirectory();
}

TDirectoryListBox::~TDirectoryListBox() = default;

void TDirectoryListBox::CreateParams(TCreateParams& aParams)
{
    TListBox::CreateParams(aParams);
    aParams.Style &= ~(LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL);
}

void TDirectoryListBox::HandleCreated()
{
    TListBox::HandleCreated();
    Rebuild();
}

LRESULT TDirectoryListBox::WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = TListBox::WndProc(aMsg, wParam, lParam);
    if (aMsg == WM_CHAR && wParam == VK_RETURN)
        OpenSelected();
    return result;
}

bool TDirectoryListBox::CNCommand(WORD aCode, WORD anId)
{
    bool handled = TListBox::CNCommand(aCode, anId);
    if (aCode == LBN_DBLCLK)
        OpenSelected();
    return handled;
}

int TDirectoryListBox::MeasureItemHeight() const
{
    return std::max(FontLineHeight(WindowFont()), FOpenGlyph->Height() + 1);
}

char TDirectoryListBox::DriveLetter() const noexcept
{
    return PathDriveLetter(FCurrentDir);
}

void TDirectoryListBox::SetDriveLetter(char aLetter)
{
    // Only letters are drives: anything else would put a NUL or a stray
    // character into the path.
    if (!IsDriveLetter(aLetter) || UpperChar(aLetter) == UpperChar(DriveLetter()))
        return;
    SetCurrentDir(Format("%c:", aLetter));
}

bool TDirectoryListBox::SameDir(const std::string& a, const std::string& b) const
{
    return FCaseSensitive ? CompareText(0, a, b) == CSTR_EQUAL : SameText(a, b);
}

void TDirectoryListBox::SetCurrentDir(const std::string& aNew)
{
    if (aNew.empty() || SameDir(aNew, FCurrentDir))
        return;
    // A drive alone needs no walk: entering it is the move.
    MoveToSplit(aNew.size() == 2 && PathDriveLetter(aNew) ? TEditPath{aNew[0], {}, {}} : SplitEditPath(aNew));
}

void TDirectoryListBox::SetCurrentDir(const std::string& aNew, const TEditPath& aSplit)
{
    if (aNew.empty() || SameDir(aNew, FCurrentDir))
        return;
    MoveToSplit(aSplit);
}

void TDirectoryListBox::MoveToSplit(const TEditPath& split)
{
    const std::string oldDir = FCurrentDir;
    const char oldDrive = DriveLetter();
    bool switched = false;
    try {
        if (split.Drive != oldDrive) {
            switched = true;
            TFlagScope flag(FInDriveChange);
            if (FDriveList && FSelectDrive)
                FSelectDrive(split.Drive);
            else
                DriveChanged(split.Drive);
        }
        // The split names the directory in full, with its drive, so that it
        // is never looked for on another one. A drive alone is entered by
        // the switch, when that moved (it does not for the shown drive in
        // another case).
        const bool entered = switched && FCurrentDir != oldDir;
        if (!entered || !split.DirPart.empty())
            ChangeDirectory(split.Drive ? Format("%c:", split.Drive) + split.DirPart : split.DirPart);
        MoveTo(CurrentDirectory());
    } catch (...) {
        // A linked drive list goes back to the drive still shown.
        if (switched && oldDrive && FDriveList && FSelectDrive) {
            TFlagScope flag(FInDriveChange);
            try {
                FSelectDrive(oldDrive);
            } catch (...) {
                // The failure that is unwinding is the one to report; the
                // drive list then shows whatever drive it could keep.
            }
        }
        FCurrentDir = oldDir;
        throw;
    }
    Change();
}

void TDirectoryListBox::DriveChanged(char aLetter)
{
    if (aLetter && !IsDriveLetter(aLetter))
        return;
    if (UpperChar(aLetter) == UpperChar(DriveLetter()))
        return;
    if (!aLetter) {
        if (!FInDriveChange) {
            Rebuild();
            Change();
        }
        return;
    }
    ChangeDirectory(Format("%c:", aLetter));
    if (FInDriveChange) {
        FCurrentDir = CurrentDirectory();
        return;
    }
    MoveTo(CurrentDirectory());
    Change();
}

void TDirectoryListBox::MoveTo(const std::string& aDir)
{
    TLines lines = ReadLines(aDir);
    FCurrentDir = aDir;
    ShowLines(lines);
}

void TDirectoryListBox::Rebuild()
{
    ShowLines(ReadLines(FCurrentDir));
}

TDirectoryListBox::TLines TDirectoryListBox::ReadLines(const std::string& aDir) const
{
    TLines lines;
    const std::string drive = DrivePart(aDir);
    const std::string root = drive + '\\';
    DWORD flags = 0;
    if (VolumeFlags(root, flags)) {
        lines.PreserveCase = (flags & (FILE_CASE_PRESERVED_NAMES | FILE_CASE_SENSITIVE_SEARCH)) != 0;
        lines.CaseSensitive = (flags & FILE_CASE_SENSITIVE_SEARCH) != 0;
    } else {
        // A volume that cannot be asked: names are shown as stored and
        // compared without regard to case, as on the system's own volumes.
        lines.PreserveCase = true;
        lines.CaseSensitive = false;
    }
    // Without a window there are no lines to fill.
    if (!HandleAllocated())
        return lines;

    int level = 0;
    std::string rest = aDir;
    if (root.size() >= 2 && root[1] == '\\') {
        lines.Items.push_back({root, GlyphData(FOpenGlyph.get())});
        level = 1;
        rest = aDir.size() > root.size() ? aDir.substr(root.size()) : std::string();
    }
    if (!rest.empty()) {
        if (!EndsWithBackslash(rest)) {
            for (size_t p = NextBackslash(rest, 0); p != std::string::npos; p = NextBackslash(rest, 0)) {
                std::string name = rest.substr(0, p);
                if (level == 0)
                    name += '\\';
                rest.erase(0, p + 1);
                lines.Items.push_back({name, GlyphData(FOpenGlyph.get())});
                ++level;
            }
        }
        lines.Items.push_back({rest, GlyphData(FCurrentGlyph.get())});
    }
    lines.CurrentIndex = static_cast<int>(lines.Items.size()) - 1;

    std::vector<TListItem> subDirs;
    SearchDirectory(JoinPath(aDir, "*.*"), FILE_ATTRIBUTE_DIRECTORY, [&](const WIN32_FIND_DATAA& anEntry) {
        if (!(anEntry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return;
        const char* name = anEntry.cFileName;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            return;
        subDirs.push_back({name, GlyphData(FClosedGlyph.get())});
    });
    SortByText(subDirs, true);
    lines.Items.reserve(lines.Items.size() + subDirs.size());
    std::move(subDirs.begin(), subDirs.end(), std::back_inserter(lines.Items));
    return lines;
}

void TDirectoryListBox::ShowLines(const TLines& aLines)
{
    FPreserveCase = aLines.PreserveCase;
    FCaseSensitive = aLines.CaseSensitive;
    if (!HandleAllocated())
        return;
    TListUpdate update(*this);
    Clear();
    AppendItems(aLines.Items);
    FCurrentIndex = aLines.CurrentIndex;
    SetItemIndex(FCurrentIndex);
}

void TDirectoryListBox::Change()
{
    if (FFileList)
        FFileList->SetListedDir(FCurrentDir);
    RefreshLabel();
    if (OnChange)
        OnChange(this);
}

void TDirectoryListBox::RefreshLabel()
{
    if (!FDirLabel)
        return;
    // A label that sizes itself to its text has no width of its own to fit.
    auto* pathLabel = dynamic_cast<TPathLabel*>(FDirLabel.get());
    bool autoSize = !pathLabel || pathLabel->AutoSize;
    RECT bounds = autoSize ? BoundsRect() : FDirLabel->BoundsRect();
    WindowDc dc(FDirLabel->HandleAllocated() ? FDirLabel->Handle() : nullptr);
    if (!dc) {
        FDirLabel->SetText(FCurrentDir);
        return;
    }
    HFONT font = FDirLabel->WindowFont();
    SelectObjectScope selected(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    FDirLabel->SetText(FitPathToWidth(FCurrentDir, dc.get(), bounds.right - bounds.left));
}

std::string TDirectoryListBox::LinePath(int anIndex) const
{
    if (anIndex < 0 || anIndex >= Count())
        return {};
    const std::string drive = DrivePart(FCurrentDir);
    if (anIndex == 0)
        return drive + '\\';
    const TGlyph* glyph = LineGlyph(anIndex);
    if (glyph == FClosedGlyph.get())
        return JoinPath(FCurrentDir, Item(anIndex));
    if (glyph == FCurrentGlyph.get())
        return FCurrentDir;
    // An ancestor: the path up to its own backslash.
    const std::string rest = FCurrentDir.substr(drive.size());
    size_t end = 0;
    for (int seen = 0; seen <= anIndex; ++seen) {
        end = NextBackslash(rest, seen == 0 ? 0 : end + 1);
        if (end == std::string::npos)
            break;
    }
    return drive + rest.substr(0, end);
}

void TDirectoryListBox::OpenSelected()
{
    int index = ItemIndex();
    if (index < 0)
        return;
    SetCurrentDir(LinePath(index));
}

const TGlyph* TDirectoryListBox::LineGlyph(int anIndex) const
{
    return DataGlyph(ItemData(anIndex));
}

TDirLineKind TDirectoryListBox::LineKind(int anIndex) const
{
    const TGlyph* glyph = LineGlyph(anIndex);
    if (glyph == FOpenGlyph.get())
        return TDirLineKind::dlkOpen;
    if (glyph == FCurrentGlyph.get())
        return TDirLineKind::dlkCurrent;
    if (glyph == FClosedGlyph.get())
        return TDirLineKind::dlkClosed;
    return TDirLineKind::dlkNone;
}

std::string TDirectoryListBox::ShownText(int anIndex) const
{
    std::string text = Item(anIndex);
    if (!FPreserveCase && !FCaseSensitive && !text.empty())
        CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

void TDirectoryListBox::DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState)
{
    const TGlyph* glyph = LineGlyph(anIndex);
    int indent = anIndex * 4 + 2;
    // Sub-directories sit one step below the directory they are in. The
    // levels are counted after the drive part, so that the backslashes of
    // \\server\share do not push them further right than under C:; a root
    // is one level, with its backslash (C:\) or without (a share's root as
    // the system may give it).
    if (glyph && glyph == FClosedGlyph.get())
        indent = (std::max(1, PathLevel(FCurrentDir.substr(DrivePart(FCurrentDir).size()))) + 1) * 4 + 2;
    DrawGlyphItem(aDc, aRect, aState, glyph, ShownText(anIndex),
                  {.GlyphLeft = indent, .EmptySlot = 16, .CentreText = false});
}

TFileListBox* TDirectoryListBox::FileList() const noexcept
{
    return FFileList;
}

void TDirectoryListBox::SetFileList(TFileListBox* aList)
{
    FFileList.SetPaired(aList, this, &TFileListBox::DirList, &TFileListBox::SetDirList);
}

void TDirectoryListBox::SetDirLabel(TLabel* aLabel)
{
    FDirLabel.Set(aLabel);
    if (aLabel)
        RefreshLabel();
}

void TDirectoryListBox::SetDriveList(TComponent* aDriveList, std::function<void(char)> aSelectDrive)
{
    FDriveList.Set(aDriveList);
    FSelectDrive = aDriveList ? std::move(aSelectDrive) : nullptr;
}
