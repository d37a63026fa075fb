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
    Style = TListBoxStyle::lbOwnerDrawFixed;
    Sorted = true;
    SetBounds(0, 0, 145, 97);
    FListedDir = CurrentDirectory();
    UpdateItemHeight();
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
    FCreated = true;
    Refill();
}

LRESULT TFileListBox::WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = TListBox::WndProc(aMsg, wParam, lParam);
    // The font given at creation measures the height anew unless the height
    // was set explicitly; a later change of font always does.
    if (aMsg == WM_SETFONT && (FCreated || ItemHeight == FMeasuredHeight))
        UpdateItemHeight();
    return result;
}

bool TFileListBox::CNCommand(WORD aCode, WORD anId)
{
    bool handled = TListBox::CNCommand(aCode, anId);
    if (aCode == LBN_SELCHANGE && ItemIndex() != FLastSelection)
        Change();
    return handled;
}

void TFileListBox::UpdateItemHeight()
{
    int height = FontLineHeight(WindowFont());
    if (FShowGlyphs)
        height = std::max(height, FExeGlyph->Height() + 1);
    FMeasuredHeight = height;
    SetItemHeight(height);
}

void TFileListBox::Refill()
{
    if (!HandleAllocated())
        return;
    const DWORD attrWord = FFileType & 0x3F;
    const bool normal = (FFileType & FileAttr(ftNormal)) != 0;
    ChangeDirectory(FListedDir);
    TCursorRestore cursor;
    // The entries are read in full before the lines are touched, so that a
    // search that fails leaves the list as it was.
    std::vector<TListItem> items;
    bool busy = false;
    for (const std::string& pattern : SplitText(FMask, ';')) {
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
    {
        TListUpdate update(*this);
        Clear();
        AppendLines([this](UINT aMsg, WPARAM wParam, LPARAM lParam) { return DefaultHandler(aMsg, wParam, lParam); },
                    items);
    }
    Change();
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
    const std::string old = FListedDir;
    FListedDir = CurrentDirectory();
    try {
        Refill();
    } catch (...) {
        FListedDir = old;
        throw;
    }
}

void TFileListBox::SetMask(const std::string& aMask)
{
    if (aMask == FMask)
        return;
    const std::string old = FMask;
    FMask = aMask;
    try {
        Refill();
    } catch (...) {
        FMask = old;
        throw;
    }
}

void TFileListBox::SetFileType(TFileType aFileType)
{
    if (aFileType == FFileType)
        return;
    const TFileType old = FFileType;
    FFileType = aFileType;
    try {
        Refill();
    } catch (...) {
        FFileType = old;
        throw;
    }
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

void TFileListBox::SetFileEdit(TEdit* anEdit)
{
    if (FFileEdit && FFileEdit != anEdit)
        RemoveFreeNotification(FFileEdit);
    FFileEdit = anEdit;
    if (!anEdit)
        return;
    FreeNotification(anEdit);
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
    FillListItem(aDc, aRect, aState, FontColor);
    int offset = 2;
    const TGlyph* glyph = FShowGlyphs ? LineGlyph(anIndex) : nullptr;
    if (glyph) {
        glyph->Draw(aDc, aRect.left + 2, (aRect.top + aRect.bottom - glyph->Height()) / 2);
        offset = glyph->Width() + 6;
    }
    std::string text = Item(anIndex);
    TextOutA(aDc, aRect.left + offset, aRect.top, text.c_str(), static_cast<int>(text.size()));
    if (aState.Focused)
        DrawFocusRect(aDc, &aRect);
}

void TFileListBox::Notification(TComponent* aComponent, TOperation anOperation)
{
    TListBox::Notification(aComponent, anOperation);
    if (anOperation != TOperation::opRemove)
        return;
    if (aComponent == FFileEdit)
        FFileEdit = nullptr;
    if (aComponent == FDirList)
        FDirList = nullptr;
}
