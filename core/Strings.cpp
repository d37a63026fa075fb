#include "core/Strings.h"

#include <cstdarg>
#include <vector>

std::string IncludeTrailingBackslash(const std::string& s, UINT codePage)
{
    if (EndsWithChar(s, '\\', codePage))
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

bool IsRootDirectory(const std::string& aPath, UINT aCodePage)
{
    if (aPath.size() <= 1)
        return true;
    if (PathDriveLetter(aPath))
        return aPath.size() == 2 || (aPath.size() == 3 && aPath[2] == '\\');
    if (aPath[0] == '\\' && aPath[1] == '\\') {
        // \\server\share: at most two names after the leading pair.
        int names = 0;
        bool inName = false;
        for (size_t i = 2; i < aPath.size(); ++i) {
            bool lead = IsLeadByteAt(aPath, i, aCodePage);
            bool separator = !lead && aPath[i] == '\\';
            if (!separator && !inName)
                ++names;
            inName = !separator;
            if (lead)
                ++i;
        }
        return names <= 2;
    }
    return false;
}

std::string WithoutTrailingBackslashes(const std::string& aPath, UINT aCodePage)
{
    std::string path = aPath;
    while (EndsWithChar(path, '\\', aCodePage) && !IsRootDirectory(path, aCodePage))
        path.pop_back();
    return path;
}

std::string ParentDirectory(const std::string& aPath, UINT aCodePage)
{
    std::string path = WithoutTrailingBackslashes(aPath, aCodePage);
    if (IsRootDirectory(path, aCodePage))
        return "";
    size_t cut = LastDelimiter("\\:", path, aCodePage);
    if (cut == 0)
        return "";
    std::string parent = WithoutTrailingBackslashes(path.substr(0, cut), aCodePage);
    // "C:" for "C:name", "C:\" for "C:\name", "\" for "\name".
    if (path[cut - 1] == ':' || parent.empty())
        parent = path.substr(0, cut);
    return parent.size() < path.size() ? parent : "";
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
