#pragma once
// File-system helpers over the ANSI Win32 calls.
#include <windows.h>
#include <string>

#include "core/Handle.h"

// One entry of a directory search.
struct TSearchRec {
    std::string Name;
    DWORD Attr = 0;
    WIN32_FIND_DATAA FindData{};
};

// Searches a pattern with an attribute mask: an entry is skipped when it
// carries one of hidden, system, volume label or directory that the mask lacks.
// Read-only and archive entries are always reported.
class TDirectorySearch {
public:
    TDirectorySearch(const std::string& pattern, DWORD attrMask);
    TDirectorySearch(const TDirectorySearch&) = delete;
    TDirectorySearch& operator=(const TDirectorySearch&) = delete;
    // Moves to the next matching entry; false when there is none.
    bool Next();
    const TSearchRec& Current() const noexcept { return FRec; }
    // The system error that ended the search (ERROR_NO_MORE_FILES or
    // ERROR_FILE_NOT_FOUND normally).
    DWORD LastError() const noexcept { return FLastError; }

private:
    bool Take();
    std::string FPattern;
    DWORD FExclude;
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
bool DirectoryExists(const std::string& name);
// The full path of name against the current directory; "" gives "".
std::string ExpandFileName(const std::string& name);
// The full path of the running executable.
std::string ModuleFileName(HMODULE module = nullptr);
