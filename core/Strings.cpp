#include "core/Strings.h"

#include <cstdarg>
#include <vector>

bool IsTrailByte(const std::string& s, size_t index, UINT codePage)
{
    size_t i = 0;
    while (i < index) {
        if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(s[i])) && i + 1 < s.size())
            i += 2;
        else
            ++i;
    }
    return i != index;
}

size_t LastDelimiter(const std::string& delimiters, const std::string& s, UINT codePage)
{
    size_t found = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(s[i])) && i + 1 < s.size()) {
            ++i; // the trail byte never counts
            continue;
        }
        if (delimiters.find(s[i]) != std::string::npos)
            found = i + 1;
    }
    return found;
}

std::string IncludeTrailingBackslash(const std::string& s, UINT codePage)
{
    if (!s.empty() && s.back() == '\\' && !IsTrailByte(s, s.size() - 1, codePage))
        return s;
    return s + '\\';
}

std::string ExtractFilePath(const std::string& s, UINT codePage)
{
    return s.substr(0, LastDelimiter("\\:", s, codePage));
}

std::string ExtractFileDir(const std::string& s, UINT codePage)
{
    size_t i = LastDelimiter("\\:", s, codePage);
    if (i > 1 && s[i - 1] == '\\') {
        // The character before the final backslash: a double-byte character
        // whose second byte looks like a backslash is not a delimiter.
        bool afterDelimiter = (s[i - 2] == '\\' || s[i - 2] == ':') && !IsTrailByte(s, i - 2, codePage);
        if (!afterDelimiter)
            --i;
    }
    return s.substr(0, i);
}

std::string ExtractFileName(const std::string& s, UINT codePage)
{
    return s.substr(LastDelimiter("\\:", s, codePage));
}

char UpperChar(char aChar)
{
    CharUpperBuffA(&aChar, 1);
    return aChar;
}

bool SameText(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::string IntToHex(uint32_t v, int minDigits)
{
    return Format("%0*lX", minDigits, static_cast<unsigned long>(v));
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        vsnprintf(out.data(), out.size() + 1, format, args);
    va_end(args);
    return out;
}

std::wstring AnsiToWide(const std::string& s, UINT codePage)
{
    if (s.empty())
        return {};
    int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string WideToAnsi(const std::wstring& s, UINT codePage)
{
    if (s.empty())
        return {};
    int n = WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}
