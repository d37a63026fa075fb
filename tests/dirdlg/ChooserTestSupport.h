#pragma once
// Helpers of the directory chooser's tests: extra drive letters and a UNC
// share in the test prefix, a scope that puts the drive and volume seam back,
// fakes for what Wine cannot give, and a driver that acts on a modal dialog
// from inside its own message loop.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "dirdlg/DirSystem.h"
#include "harness/TestFiles.h"

// A drive letter of a Wine drive type (DRIVE_REMOVABLE, DRIVE_CDROM,
// DRIVE_REMOTE, DRIVE_RAMDISK, DRIVE_FIXED) on a scratch folder, defined
// through Wine's mount manager, which makes the link in the prefix's
// dosdevices folder and records the type under HKLM\Software\Wine\Drives.
// The letter, its link and its type go again with the object.
class TTestDrive {
public:
    // aLabel, when not empty, is the volume label Wine reads from the folder.
    explicit TTestDrive(UINT aKind, const std::string& aLabel = "");
    TTestDrive(const TTestDrive&) = delete;
    TTestDrive& operator=(const TTestDrive&) = delete;
    ~TTestDrive();
    // The upper-case letter; 0 when none could be defined.
    char Letter() const noexcept { return FLetter; }
    // "P:\"
    std::string Root() const { return std::string(1, FLetter) + ":\\"; }
    // The scratch folder behind the letter, with a trailing backslash.
    const std::string& Folder() const { return FFolder.Path(); }

private:
    TempDir FFolder;
    char FLetter = 0;
};

// A letter from Q to Y that names no drive now; 0 when all do.
char MissingDriveLetter();

// A UNC share \\klpserver\<name> on a scratch folder: a link under the
// prefix's dosdevices\unc folder, removed with the object.
class TTestShare {
public:
    explicit TTestShare(const std::string& aName);
    TTestShare(const TTestShare&) = delete;
    TTestShare& operator=(const TTestShare&) = delete;
    ~TTestShare();
    // "\\klpserver\name"
    const std::string& Path() const { return FPath; }
    const std::string& Folder() const { return FFolder.Path(); }

private:
    TempDir FFolder;
    std::string FLink, FPath;
};

// Puts the seam's table back as it was when the scope goes; also returns to
// the current directory the test started in.
class TDirSystemScope {
public:
    TDirSystemScope();
    ~TDirSystemScope();

private:
    TDirSystem FSaved;
    std::string FDirectory;
};

// What the fakes below do and saw. One per process; Reset clears it.
struct TFakeDrives {
    // Letters (upper case) whose medium is missing: the volume query and a
    // change of directory onto them fail with ERROR_NOT_READY.
    std::string NotReady;
    // Letters reported with kind 0 (unknown) or 1 (no root directory).
    std::string Unknown, NoRoot;
    // Remote name per upper-case letter for the connection query; empty: not
    // connected.
    std::string RemoteName[26];
    int ConnectionQueries = 0;
    int VolumeQueries = 0;
    int DriveQueries = 0;
    int DirectoryChanges = 0;
    // The roots asked for their volume, upper case, in order.
    std::vector<std::string> VolumeRoots;
    // The directories searched, in order, as full paths without a final
    // backslash (a root keeps its own).
    std::vector<std::string> SearchedDirs;
    // A directory that can be entered but not listed: its searches fail at
    // the start with SearchError. Letters in NotReady fail with
    // ERROR_NOT_READY the same way.
    std::string Unlisted;
    // A directory whose searches fail part way: the first entry comes, the
    // next one fails with SearchError.
    std::string BrokenList;
    DWORD SearchError = ERROR_ACCESS_DENIED;
    std::vector<HANDLE> BrokenSearches;
    // The error mode in force at each volume query.
    std::vector<UINT> ModesAtVolumeQuery;
    UINT Mode = 0;
    // The connection dialog: result and calls seen (owner, type).
    DWORD ConnectResult = NO_ERROR;
    std::vector<std::pair<HWND, DWORD>> ConnectCalls;
    bool HasConnectDialog = true;
    void Reset() { *this = TFakeDrives{}; }
    // How often a directory was searched.
    int SearchesOf(const std::string& aDir) const;
};
TFakeDrives& FakeDrives();
// Replaces the seam's entries with the fakes, which pass everything they are
// not told about to the real calls.
void InstallFakeDrives();

// Acts on a modal window of this thread from inside its message loop: every
// few milliseconds the current step runs until it answers true, then the next
// one. Steps must not block: clicks are posted, not sent.
class TModalDriver {
public:
    using TStep = std::function<bool()>;
    explicit TModalDriver(std::vector<TStep> aSteps);
    TModalDriver(const TModalDriver&) = delete;
    TModalDriver& operator=(const TModalDriver&) = delete;
    ~TModalDriver();
    // True when every step ran.
    bool Done() const noexcept { return FNext >= FSteps.size(); }
    // A failure a step raised (its text), or "".
    const std::string& Failure() const noexcept { return FFailure; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR anId, DWORD) noexcept;
    std::vector<TStep> FSteps;
    size_t FNext = 0;
    UINT_PTR FTimer = 0;
    bool FBusy = false;
    std::string FFailure;
    DWORD FStarted = 0;
};

// The visible top-level window of this thread with that caption, or null.
HWND FindOwnWindow(const char* aCaption);
// The visible message box of this thread, or null.
HWND FindOwnMessageBox();
// The text of a message box (its static text control).
std::string MessageBoxText(HWND aBox);
// Posts a click to the button of a window with that id.
void PostClick(HWND aWindow, int anId);
