#pragma once
// Files and folders over the ANSI Win32 calls. Error policy: nothing here
// throws. A search reports how it ended (LastError, Failed); the Exists tests
// say false for anything they cannot confirm; the name functions give their
// input back (ExpandFileName) or grow their buffer until the result fits.
#include <windows.h>
#include <string>
#include <utility>

#include "core/Handle.h"

// One entry of a directory search.
struct TSearchRec {
    std::string Name;
    DWORD Attr = 0;
    WIN32_FIND_DATAA FindData{};
};

// The two system calls a directory search makes; a caller that counts or
// fails them (a test seam) passes its own.
struct TFindCalls {
    HANDLE(WINAPI* First)(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) = ::FindFirstFileA;
    BOOL(WINAPI* Next)(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) = ::FindNextFileA;
};

// Searches a pattern with an attribute mask: an entry is skipped when it
// carries one of hidden, system, volume label or directory that the mask lacks.
// Read-only and archive entries are always reported.
class TDirectorySearch {
public:
    TDirectorySearch(const std::string& pattern, DWORD attrMask, TFindCalls calls = {});
    TDirectorySearch(const TDirectorySearch&) = delete;
    TDirectorySearch& operator=(const TDirectorySearch&) = delete;
    // Moves to the next matching entry; false when there is none.
    bool Next();
    const TSearchRec& Current() const noexcept { return FRec; }
    // The system error that ended the search (ERROR_NO_MORE_FILES or
    // ERROR_FILE_NOT_FOUND normally).
    DWORD LastError() const noexcept { return FLastError; }
    // True when the search ended for a reason other than "no (more) entries".
    bool Failed() const noexcept
    {
        return FLastError != 0 && FLastError != ERROR_NO_MORE_FILES && FLastError != ERROR_FILE_NOT_FOUND;
    }
    const std::string& Pattern() const noexcept { return FPattern; }

private:
    bool Take();
    std::string FPattern;
    DWORD FExclude;
    TFindCalls FCalls;
    FindHandle FHandle;
    bool FStarted = false;
    DWORD FLastError = 0;
    TSearchRec FRec;
};

constexpr DWORD faReadOnly = 0x01, faHidden = 0x02, faSysFile = 0x04, faVolumeID = 0x08, faDirectory = 0x10,
                faArchive = 0x20, faAnyFile = 0x3F;

// True when a directory search finds an entry of that name that is not a
// directory, whatever its time stamp. A name whose last part holds "*" or "?"
// is a pattern, not a file: false.
bool FileExists(const std::string& name);
// The attributes say directory / say anything but a directory; false when
// they cannot be read.
bool DirectoryExists(const std::string& name);
bool NonDirectoryExists(const std::string& name);
// The process's current directory into dir; false (dir untouched, the
// system's error in GetLastError) when it cannot be read.
bool TryCurrentDirectory(std::string& dir);
// The full path of name against the current directory into full, fetched
// again at the size the system reports; false (full untouched, the system's
// error in GetLastError) when the name cannot be expanded. "" gives "".
bool TryFullPath(const std::string& name, std::string& full);
// The full path of name against the current directory; "" gives "", and a
// name that cannot be expanded comes back unchanged.
std::string ExpandFileName(const std::string& name);
// Creates dir and every missing parent, innermost first: one call when the
// parent exists, which is the usual case. A root is never created. True when
// every directory that was missing could be made (or was made meanwhile by
// someone else); false at the first that could not, with the system's error
// in GetLastError (ERROR_ALREADY_EXISTS for a file in the way). The caller
// that needs the directory checks DirectoryExists: a root that is not there
// (a drive letter without a drive) gives true here.
bool TryCreateDirectories(const std::string& dir, UINT codePage = CP_ACP);

// Goes back to a directory on every path out of a scope, provided it still
// exists. Never throws: a failure to go back must not hide the one that may be
// unwinding, and a directory that went away leaves the process where it is.
class TCurrentDirectoryRestore {
public:
    using TSetDirectory = BOOL(WINAPI*)(LPCSTR lpPathName);
    explicit TCurrentDirectoryRestore(std::string dir, TSetDirectory setDirectory = ::SetCurrentDirectoryA) noexcept
        : FDir(std::move(dir)), FSetDirectory(setDirectory)
    {
    }
    TCurrentDirectoryRestore(const TCurrentDirectoryRestore&) = delete;
    TCurrentDirectoryRestore& operator=(const TCurrentDirectoryRestore&) = delete;
    ~TCurrentDirectoryRestore()
    {
        if (!FDir.empty() && DirectoryExists(FDir))
            FSetDirectory(FDir.c_str());
    }

private:
    std::string FDir;
    TSetDirectory FSetDirectory;
};

// The full path of the running executable.
std::string ModuleFileName(HMODULE module = nullptr);
