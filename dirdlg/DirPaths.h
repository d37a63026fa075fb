#pragma once
// Path helpers of the directory chooser. Paths are 8-bit strings in an ANSI
// code page with backslash separators, in two forms: drive-letter paths
// (C:\alpha) and UNC paths (\\server\share\alpha). Every scan for "\", ":" or
// "]" steps over double-byte characters as one unit, so a trail byte that
// looks like a delimiter never counts as one.
#include <windows.h>
#include <string>

#include "core/TextScan.h"

// Dir + Name, with a backslash between them unless Dir already ends in one.
std::string JoinPath(const std::string& Dir, const std::string& Name, UINT CodePage = CP_ACP);

// The number of backslashes in Path.
int PathLevel(const std::string& Path, UINT CodePage = CP_ACP);

// Replaces the first directory of a directory part (or the "...\" marker and
// the directory after it) by "...\"; a leading "\" stays. "\" and a last
// directory become "".
void DropFirstDirectory(std::string& S, UINT CodePage = CP_ACP);

// The drive part of a path: "C:" for a drive-letter path, \\server\share for
// a UNC path, "" for anything else.
std::string DrivePart(const std::string& Path, UINT CodePage = CP_ACP);

// Position of the first backslash at or after aFrom (a character boundary)
// that is not a trail byte; npos when there is none.
size_t NextBackslash(const std::string& Path, size_t aFrom, UINT CodePage = CP_ACP);
// True when the last character of Path is a backslash, not a trail byte.
bool EndsWithBackslash(const std::string& Path, UINT CodePage = CP_ACP);
// True when Text has a "*" or "?" (not a trail byte).
bool HasWildcard(const std::string& Text, UINT CodePage = CP_ACP);

// True for a path that names its directory from anywhere: a drive letter
// with a backslash ("C:\...") or a UNC path ("\\server\share...").
bool IsFullPath(const std::string& Path);

// A typed path taken apart by SplitEditPath.
struct TEditPath {
    // The drive letter as typed (or of the current directory); 0 for a UNC path.
    char Drive = 0;
    // The directory without the drive letter; for a UNC path the whole path.
    std::string DirPart;
    // A trailing file name or wildcard pattern, or "".
    std::string FilePart;
};

// Splits a typed, non-empty path, a bracketed file-list entry ("[name]") or
// a name relative to the current directory into drive, directory and file
// name. Walks the directories to tell a file from a directory and always
// changes back to the current directory it found (when that still exists).
// A directory that cannot be entered raises EInOutError. A full path of an
// existing directory in plain form (no "." or ".." names, no doubled
// backslash, no slash) is taken apart as text, without the walk: the walk
// would give the same parts.
TEditPath SplitEditPath(const std::string& Text, UINT CodePage = CP_ACP);
