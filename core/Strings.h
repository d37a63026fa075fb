#pragma once
// 8-bit strings in the ANSI code page and the path helpers built on them.
// Every helper that looks for a backslash is double-byte aware: a byte that is
// the second byte of a double-byte character is never taken for a delimiter.
#include <windows.h>
#include <cstdint>
#include <string>

#include "core/TextScan.h"

// s with "\" appended unless it already ends in a backslash; "" gives "\".
std::string IncludeTrailingBackslash(const std::string& s, UINT codePage = CP_ACP);

// Everything up to and including the last backslash or colon; "" when none.
std::string ExtractFilePath(const std::string& s, UINT codePage = CP_ACP);

// As ExtractFilePath, but a final backslash is dropped unless the character
// before it is a backslash or a colon ("C:\Kelpa" gives "C:\").
std::string ExtractFileDir(const std::string& s, UINT codePage = CP_ACP);

// Everything after the last backslash or colon.
std::string ExtractFileName(const std::string& s, UINT codePage = CP_ACP);

// True for a path that has no parent: "C:", "C:\", "\", "\\server\share"
// (with or without a final backslash) and anything shorter.
bool IsRootDirectory(const std::string& aPath, UINT aCodePage = CP_ACP);

// The path without the backslashes at its end, a root's own backslash kept.
std::string WithoutTrailingBackslashes(const std::string& aPath, UINT aCodePage = CP_ACP);

// The parent of a directory path, without trailing backslashes (a root keeps
// its own); "" for a root or a bare relative name.
std::string ParentDirectory(const std::string& aPath, UINT aCodePage = CP_ACP);

// The upper-case form of a character in the ANSI code page.
char UpperChar(char aChar);

// Locale-aware comparison without regard to letter case.
bool SameText(const std::string& a, const std::string& b);

// Upper-case hexadecimal of v, padded with zeros to at least minDigits.
std::string IntToHex(uint32_t v, int minDigits);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::wstring AnsiToWide(const std::string& s, UINT codePage = CP_ACP);
std::string WideToAnsi(const std::wstring& s, UINT codePage = CP_ACP);
