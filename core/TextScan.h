#pragma once
// Scanning 8-bit text in an ANSI code page. A double-byte character is one
// unit: its second byte is never taken for a delimiter, whatever it looks
// like. None of these functions throws (SplitText may run out of memory);
// positions past the end give "not found" or false.
#include <windows.h>
#include <string>
#include <vector>

// True when s[index] begins a double-byte character that has its second byte.
bool IsLeadByteAt(const std::string& s, size_t index, UINT codePage = CP_ACP) noexcept;

// True when s[index] is the second byte of a double-byte character in codePage.
bool IsTrailByte(const std::string& s, size_t index, UINT codePage = CP_ACP) noexcept;

// Position of the first byte at or after from that is ch and not a trail
// byte; npos when there is none. from must be a character boundary.
size_t FindChar(const std::string& s, char ch, size_t from = 0, UINT codePage = CP_ACP) noexcept;

// The parts of s between the delimiters that are not trail bytes, empty ones
// included: "a;;b" gives "a", "", "b", and "" gives one empty part.
std::vector<std::string> SplitText(const std::string& s, char delimiter, UINT codePage = CP_ACP);

// 1-based position of the last byte of s that is one of delimiters and not a
// trail byte; 0 when there is none.
size_t LastDelimiter(const std::string& delimiters, const std::string& s, UINT codePage = CP_ACP) noexcept;

// True when the last character of s is ch, not a trail byte that looks like it.
bool EndsWithChar(const std::string& s, char ch, UINT codePage = CP_ACP) noexcept;

// True for A-Z and a-z, the only characters that name a drive.
constexpr bool IsDriveLetter(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The drive letter of a path, or 0 when it does not begin with a drive letter
// followed by ":" (a UNC path, a relative path).
char PathDriveLetter(const std::string& path) noexcept;
