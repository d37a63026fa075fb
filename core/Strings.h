#pragma once
// 8-bit strings in the ANSI code page and the path helpers built on them.
// Every helper that looks for a backslash is double-byte aware: a byte that is
// the second byte of a double-byte character is never taken for a delimiter.
#include <windows.h>
#include <cstdint>
#include <string>

// True when s[index] is the second byte of a double-byte character in codePage.
bool IsTrailByte(const std::string& s, size_t index, UINT codePage = CP_ACP);

// 1-based position of the last byte of s that is one of delimiters and not a
// trail byte; 0 when there is none.
size_t LastDelimiter(const std::string& delimiters, const std::string& s, UINT codePage = CP_ACP);

// s with "\" appended unless it already ends in a backslash; "" gives "\".
std::string IncludeTrailingBackslash(const std::string& s, UINT codePage = CP_ACP);

// Everything up to and including the last backslash or colon; "" when none.
std::string ExtractFilePath(const std::string& s, UINT codePage = CP_ACP);

// As ExtractFilePath, but a final backslash is dropped unless the character
// before it is a backslash or a colon ("C:\Kelpa" gives "C:\").
std::string ExtractFileDir(const std::string& s, UINT codePage = CP_ACP);

// Everything after the last backslash or colon.
std::string ExtractFileName(const std::string& s, UINT codePage = CP_ACP);

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
