#pragma once
// Path helpers of the directory chooser. Paths are 8-bit strings in an ANSI
// code page with backslash separators, in two forms: drive-letter paths
// (C:\alpha) and UNC paths (\\server\share\alpha). Every scan for "\", ":" or
// "]" steps over double-byte characters as one unit, so a trail byte that
// looks like a delimiter never counts as one.
#include <windows.h>
#include <functional>
#include <string>

// Dir + Name, with a backslash between them unless Dir already ends in one.
std::string JoinPath(const std::string& Dir, const std::string& Name, UINT CodePage = CP_ACP);

// The number of backslashes in Path.
int PathLevel(const std::string& Path, UINT CodePage = CP_ACP);

// The text-metric height of Font (null: the system font), measured in a
// screen device context.
int FontLineHeight(HFONT Font);

// The pixel width of a text in some font.
using TTextWidth = std::function<int(const std::string& Text)>;

// Path shortened with "...\" in place of its leading directories, then
// without drive and directories, until Width says it fits into MaxWidth or
// nothing more can be cut; the bare name may still be wider.
std::string FitPathToWidth(const std::string& Path, const TTextWidth& Width, int MaxWidth, UINT CodePage = CP_ACP);
// The same, measured with the font selected into Canvas.
std::string FitPathToWidth(const std::string& Path, HDC Canvas, int MaxWidth, UINT CodePage = CP_ACP);

// Replaces the first directory of a directory part (or the "...\" marker and
// the directory after it) by "...\"; a leading "\" stays. "\" and a last
// directory become "".
void DropFirstDirectory(std::string& S, UINT CodePage = CP_ACP);

// The drive part of a path: "C:" for a drive-letter path, \\server\share for
// a UNC path, "" for anything else.
std::string DrivePart(const std::string& Path, UINT CodePage = CP_ACP);

// The drive letter of a path, or 0 when it does not begin with a letter A-Z
// or a-z followed by ":" (a UNC path, a relative path).
char PathDriveLetter(const std::string& Path);

// Position of the first backslash at or after aFrom (a character boundary)
// that is not a trail byte; npos when there is none.
size_t NextBackslash(const std::string& Path, size_t aFrom, UINT CodePage = CP_ACP);
// True when the last character of Path is a backslash, not a trail byte.
bool EndsWithBackslash(const std::string& Path, UINT CodePage = CP_ACP);
// True when Text has a "*" or "?" (not a trail byte).
bool HasWildcard(const std::string& Text, UINT CodePage = CP_ACP);

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
// A directory that cannot be entered raises EInOutError.
TEditPath SplitEditPath(const std::string& Text, UINT CodePage = CP_ACP);
