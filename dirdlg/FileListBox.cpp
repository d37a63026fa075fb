#include "dirdlg/FileListBox.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/Exceptions.h"
#include "core/Strings.h"
#include "dirdlg/DirFiles.h"
#include "dirdlg/DirPaths.h"
#include "dirdlg/PathLabel.h"
#include "dirdlg/DirectoryListBox.h"
#include "dirdlg/NameSort.h"

namespace {
// Puts the screen cursor back on every path out of a refill.
class TCursorRestore {
public:
    TCursorRestore() noexcept : FCursor(GetCursor()) {}
    TCursorRestore(const TCursorRestore&) = delete;
    TCursorRestore& operator=(const TCursorRestore&) = delete;
    ~TCursorRestore() { SetCursor(FCursor); }

private:
    HCURSOR FCursor;
};

constexpr size_t kBusyLines = 100;

bool IsExecutableName(const char* aName)
{
    const char* dot = nullptr;
    for (const char* p = aName; *p; ++p) {
        if (*p == '.')
            dot = p;
        else if (*p == '\\' || *p == ':')
            dot = nullptr;
    }
    if (!dot || std::strlen(dot) != 4)
        return false;
    // The four extensions are plain ASCII: lowering the letters is all the
    // locale's lower-casing could do to a name that matches.
    char ext[5];
    for (int i = 0; i < 5; ++i)
        ext[i] = (dot[i] >= 'A' && dot[i] <= 'Z') ? static_cast<char>(dot[i] + ('a' - 'A')) : dot[i];
    return std::strcmp(ext, ".exe") == 0 || std::strcmp(ext, ".com") == 0 || std::strcmp(ext, ".bat") == 0 ||
           std::strcmp(ext, ".pif") == 0;
}
} // namespace

TFileListBox::TFileListBox(TComponent* anOwner)
    : TListBox(anOwner), FExeGlyph(std::make_unique<TGlyph>("EXECUTABLE")),
      FFolderGlyph(std::make_unique<TGlyph>("CLOSEDFOLDER")), FUnknownGlyph(std::make_unique<TGlyph>("UNKNOWNFILE"))
{
    OwnerDraw = true;
    Sorted = true;
    SetBounds(0, 0, 145, 97);
    FListedDir = CurrentDirectory();
}

TFileListBox::~TFileListBox() = default;

void TFileListBox::CreateParams(TCreateParams& aParams)
{
    TListBox::CreateParams(aParams);
    aParams.Style &= ~(LBS_MULTIPLESEL | LBS_EXTENDEDSEL);
}

void TFileListBox::HandleCreated()
{
    TListBox::HandleCreated();
    Refill();
}

bool TFileListBox::CNCommand(WORD aCode, WORD anId)
{
    bool handled = TListBox::CNCommand(aCode, anId);
    if (aCode == LBN_SELCHANGE && ItemIndex() != FLastSelection)
        Change();
    return handled;
}

int TFileListBox::MeasureItemHeight() const
{
    int height = FontLineHeight(WindowFont());
    return FShowGlyphs ? std::max(height, FExeGlyph->Height() + 1) : height;
}

void TFileListBox::Refill()
{
    ListEntries(FListedDir, FMask, FFileType);
}

void TFileListBox::ListEntries(const std::string& aDir, const std::string& aMask, TFileType aFileType)
{
    // Without a window there are no lines: the settings alone change.
    std::vector<TListItem> items;
    if (HandleAllocated())
        items = ReadEntries(aDir, aMask, aFileType);
    FListedDir = aDir;
    FMask = aMask;
    FFileType = aFileType;
    if (!HandleAllocated())
        return;
    {
        TListUpdate update(*this);
        Clear();
        AppendItems(items);
    }
    Change();
}

std::vector<TListItem> TFileListBox::ReadEntries(const std::string& aDir, const std::string& aMask,
                                                 TFileType aFileType) const
{
    const DWORD attrWord = aFileType & 0x3F;
    const bool normal = (aFileType & FileAttr(ftNormal)) != 0;
    ChangeDirectory(aDir);
    TCursorRestore cursor;
    std::vector<TListItem> items;
    bool busy = false;
    for (const std::string& pattern : SplitText(aMask, ';')) {
        if (pattern.empty())
            continue;
        SearchDirectory(pattern, attrWord, [&](const WIN32_FIND_DATAA& anEntry) {
            if (!normal && !(anEntry.dwFileAttributes & attrWord))
                return;
            if (anEntry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                items.push_back({Format("[%s]", anEntry.cFileName), FShowGlyphs ? GlyphData(FFolderGlyph.get()) : 0});
            else
                items.push_back(
                    {anEntry.cFileName,
                     GlyphData(IsExecutableName(anEntry.cFileName) ? FExeGlyph.get() : FUnknownGlyph.get())});
            // A large directory shows that it is busy.
            if (!busy && items.size() > kBusyLines) {
                busy = true;
                SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514))); // IDC_WAIT
            }
        });
    }
    // In the control's order, so that the lines go in without comparisons.
    SortByText(items, false);
    return items;
}

void TFileListBox::Change()
{
    FLastSelection = ItemIndex();
    if (FFileEdit) {
        std::string name = SelectedName();
        FFileEdit->SetText(name.empty() ? FMask : name);
        if (FFileEdit->HandleAllocated())
            SendMessageA(FFileEdit->Handle(), EM_SETSEL, 0, -1);
    }
    if (OnChange)
        OnChange(this);
}

void TFileListBox::SetListedDir(const std::string& aDir)
{
    if (SameText(aDir, FListedDir))
        return;
    // A relative directory is taken relative to the one listed.
    if (!IsFullPath(aDir) && IsDirectory(FListedDir))
        ChangeDirectory(FListedDir);
    ChangeDirectory(aDir);
    ListEntries(CurrentDirectory(), FMask, FFileType);
}

void TFileListBox::SetMask(const std::string& aMask)
{
    if (aMask != FMask)
        ListEntries(FListedDir, aMask, FFileType);
}

void TFileListBox::SetFileType(TFileType aFileType)
{
    if (aFileType != FFileType)
        ListEntries(FListedDir, FMask, aFileType);
}

void TFileListBox::SetShowGlyphs(bool aShow)
{
    if (aShow == FShowGlyphs)
        return;
    FShowGlyphs = aShow;
    if (aShow && ItemHeight < FExeGlyph->Height() + 1)
        SetItemHeight(FExeGlyph->Height() + 1);
    if (HandleAllocated())
        InvalidateRect(Handle(), nullptr, TRUE);
}

TDirectoryListBox* TFileListBox::DirList() const noexcept
{
    return FDirList;
}

void TFileListBox::SetDirList(TDirectoryListBox* aList)
{
    FDirList.SetPaired(aList, this, &TDirectoryListBox::FileList, &TDirectoryListBox::SetFileList);
}

void TFileListBox::SetFileEdit(TEdit* anEdit)
{
    FFileEdit.Set(anEdit);
    if (!anEdit)
        return;
    std::string name = SelectedName();
    anEdit->SetText(name.empty() ? FMask : name);
}

std::string TFileListBox::SelectedName() const
{
    int index = ItemIndex();
    return index < 0 ? std::string() : Item(index);
}

void TFileListBox::SetSelectedName(const std::string& aName)
{
    if (SameText(aName, SelectedName()))
        return;
    // Without a window there are no lines, and so nothing to select.
    if (HandleAllocated())
        SetItemIndex(IndexOf(aName));
    Change();
}

std::string TFileListBox::SelectedPath() const
{
    return ItemIndex() < 0 ? std::string() : JoinPath(FListedDir, SelectedName());
}

void TFileListBox::FollowPath(const std::string& aText)
{
    if (aText.empty() || SameText(aText, SelectedPath()))
        return;
    TEditPath split = SplitEditPath(aText);
    if (FDirList)
        FDirList->SetCurrentDir(aText, split);
    else
        SetListedDir(split.Drive ? Format("%c:", split.Drive) + split.DirPart : split.DirPart);
    if (HasWildcard(split.FilePart)) {
        SetMask(split.FilePart);
    } else if (!split.FilePart.empty()) {
        SetSelectedName(split.FilePart);
        if (!IsFile(JoinPath(FListedDir, split.FilePart)))
            throw EInvalidOperation("Invalid file name - " + aText);
        // A file the mask hides: show it by its own name.
        if (ItemIndex() < 0) {
            SetMask(split.FilePart);
            SetSelectedName(split.FilePart);
        }
    }
}

const TGlyph* TFileListBox::LineGlyph(int anIndex) const
{
    return DataGlyph(ItemData(anIndex));
}

void TFileListBox::DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState)
{
    DrawGlyphItem(aDc, aRect, aState, FShowGlyphs ? LineGlyph(anIndex) : nullptr, Item(anIndex),
                  {.GlyphLeft = 2, .EmptySlot = 0, .CentreText = false});
}
