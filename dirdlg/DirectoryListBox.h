#pragma once
// An owner-drawn list that shows one directory as a chain of lines: the drive
// or share root and each ancestor (open folders), the directory itself (the
// current folder), then its sub-directories (closed folders). Opening a line
// moves there. The list works on the process's current directory and leaves
// it at the directory last shown.
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dirdlg/DirPaths.h"
#include "ui/Glyph.h"
#include "ui/StdCtrls.h"

class TFileListBox;

// What a line stands for.
enum class TDirLineKind { dlkNone, dlkOpen, dlkCurrent, dlkClosed };

class TDirectoryListBox : public TListBox {
public:
    // Loads the glyphs, takes the process's current directory and sets the
    // item height; 145 pixels wide, owner-drawn, unsorted.
    explicit TDirectoryListBox(TComponent* anOwner);
    ~TDirectoryListBox() override;

    // The directory shown. Writing it moves there: a full or relative path, a
    // drive ("D:", its current directory) or a bracketed name ("[sub]") of
    // the process's current directory. A failure raises EInOutError and
    // leaves the directory, the lines and the label as they were.
    const std::string& CurrentDir() const noexcept { return FCurrentDir; }
    void SetCurrentDir(const std::string& aNew);
    // The same for a text already taken apart by SplitEditPath.
    void SetCurrentDir(const std::string& aNew, const TEditPath& aSplit);
    // The drive letter of CurrentDir; 0 on a UNC path. Writing another
    // letter moves to that drive's current directory.
    char DriveLetter() const noexcept;
    void SetDriveLetter(char aLetter);

    // Fills the lines from CurrentDir. A directory search that fails raises
    // EInOutError and keeps the lines.
    void Rebuild();
    // The full path a line stands for; "" for no line.
    std::string LinePath(int anIndex) const;
    // Moves to the selected line; nothing when no line is selected. Runs on a
    // double click and on Enter.
    void OpenSelected();
    // A linked drive list's drive changed to aLetter.
    void DriveChanged(char aLetter);

    TDirLineKind LineKind(int anIndex) const;
    // The text a line is drawn with: as stored, or in lower case on a volume
    // that neither keeps nor compares the case of names.
    std::string ShownText(int anIndex) const;
    // The index of the current-folder line.
    int CurrentIndex() const noexcept { return FCurrentIndex; }
    // The volume of CurrentDir keeps the case of names / compares them
    // case-sensitively; read at every rebuild.
    bool PreserveCase() const noexcept { return FPreserveCase; }
    bool CaseSensitive() const noexcept { return FCaseSensitive; }
    // True while a change of CurrentDir switches drives.
    bool InDriveChange() const noexcept { return FInDriveChange; }

    // The file list that follows CurrentDir (not owned). A file list follows
    // one directory list at a time: it leaves the one it followed before.
    TFileListBox* FileList() const noexcept;
    void SetFileList(TFileListBox* aList);
    // The label that shows CurrentDir, shortened (not owned).
    TLabel* DirLabel() const noexcept { return FDirLabel.get(); }
    void SetDirLabel(TLabel* aLabel);
    // The drive list that this list follows (not owned), set by the drive
    // list itself: aSelectDrive selects a drive there, and the drive list then
    // calls DriveChanged. Null clears the link.
    TComponent* DriveList() const noexcept { return FDriveList.get(); }
    void SetDriveList(TComponent* aDriveList, std::function<void(char aDrive)> aSelectDrive);

    // Fired after every change of CurrentDir.
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& aParams) override;
    void HandleCreated() override;
    // The font's line height, at least a folder glyph's height and a pixel.
    int MeasureItemHeight() const override;
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override;
    bool CNCommand(WORD aCode, WORD anId) override;
    void DrawItem(int anIndex, const RECT& aRect, HDC aDc, TOwnerDrawState aState) override;

private:
    // The lines of a directory, made before any of them is shown.
    struct TLines {
        std::vector<TListItem> Items;
        int CurrentIndex = -1;
        bool PreserveCase = false;
        bool CaseSensitive = false;
    };
    TLines ReadLines(const std::string& aDir) const;
    void ShowLines(const TLines& aLines);
    // Moves to the directory of a split text.
    void MoveToSplit(const TEditPath& aSplit);
    // Makes aDir (a directory just entered) the current one and shows it.
    void MoveTo(const std::string& aDir);
    void Change();
    void RefreshLabel();
    bool SameDir(const std::string& a, const std::string& b) const;
    const TGlyph* LineGlyph(int anIndex) const;

    std::string FCurrentDir;
    std::unique_ptr<TGlyph> FOpenGlyph, FClosedGlyph, FCurrentGlyph;
    bool FPreserveCase = true;
    bool FCaseSensitive = false;
    bool FInDriveChange = false;
    int FCurrentIndex = -1;
    TComponentLink<TFileListBox> FFileList{*this};
    TComponentLink<TLabel> FDirLabel{*this};
    TComponentLink<TComponent> FDriveList{*this, [this] { FSelectDrive = nullptr; }};
    std::function<void(char)> FSelectDrive;
};
