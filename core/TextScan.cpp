#include "core/TextScan.h"

bool IsLeadByteAt(const std::string& s, size_t index, UINT codePage) noexcept
{
    return index + 1 < s.size() && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(s[index]));
}

bool IsTrailByte(const std::string& s, size_t index, UINT codePage) noexcept
{
    size_t i = 0;
    while (i < index)
        i += IsLeadByteAt(s, i, codePage) ? 2 : 1;
    return i != index;
}

size_t FindChar(const std::string& s, char ch, size_t from, UINT codePage) noexcept
{
    for (size_t i = from; i < s.size(); ++i) {
        if (IsLeadByteAt(s, i, codePage))
            ++i; // the trail byte never counts
        else if (s[i] == ch)
            return i;
    }
    return std::string::npos;
}

std::vector<std::string> SplitText(const std::string& s, char delimiter, UINT codePage)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end = FindChar(s, delimiter, 0, codePage); end != std::string::npos;
         end = FindChar(s, delimiter, start, codePage)) {
        parts.push_back(s.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(s.substr(start));
    return parts;
}

size_t LastDelimiter(const std::string& delimiters, const std::string& s, UINT codePage) noexcept
{
    size_t found = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsLeadByteAt(s, i, codePage))
            ++i; // the trail byte never counts
        else if (delimiters.find(s[i]) != std::string::npos)
            found = i + 1;
    }
    return found;
}

bool EndsWithChar(const std::string& s, char ch, UINT codePage) noexcept
{
    return !s.empty() && s.back() == ch && !IsTrailByte(s, s.size() - 1, codePage);
}

char PathDriveLetter(const std::string& path) noexcept
{
    return path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0]) ? path[0] : 0;
}
