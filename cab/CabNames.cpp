#include "cab/CabNames.h"

#include <cstring>
#include <windows.h>

namespace {

// A name the system opens as a device wherever it stands in a path.
bool IsDeviceName(std::string component)
{
    // The system ignores an extension and trailing blanks after a device name.
    size_t dot = component.find('.');
    if (dot != std::string::npos)
        component.resize(dot);
    while (!component.empty() && component.back() == ' ')
        component.pop_back();
    static const char* const Plain[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* name : Plain)
        if (lstrcmpiA(component.c_str(), name) == 0)
            return true;
    if (component.size() == 4 && component[3] >= '1' && component[3] <= '9')
        return _strnicmp(component.c_str(), "COM", 3) == 0 || _strnicmp(component.c_str(), "LPT", 3) == 0;
    return false;
}

// A component that the system reduces to ".." or to nothing with a climb:
// only dots and blanks, and at least two dots.
bool IsParentReference(const std::string& component)
{
    size_t dots = 0;
    for (char c : component) {
        if (c == '.')
            ++dots;
        else if (c != ' ')
            return false;
    }
    return dots >= 2;
}

// A file-name component that opens a device or that a search takes for a
// pattern: unsafe for every name that comes out of a cabinet.
bool IsReservedComponent(const std::string& component)
{
    return IsDeviceName(component) || component.find_first_of("*?") != std::string::npos;
}

} // namespace

bool IsSafeStoredName(const std::string& aName)
{
    if (aName.find(':') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= aName.size()) {
        size_t end = aName.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = aName.size();
        std::string component = aName.substr(start, end - start);
        if (IsParentReference(component) || IsReservedComponent(component))
            return false;
        start = end + 1;
    }
    return true;
}

bool IsBareCabinetName(const std::string& aName)
{
    // A device beside the kit could hang the only thread on a read; a pattern
    // would pass the existence check for whatever it matches.
    return aName.find_first_of("\\/:") == std::string::npos && !IsReservedComponent(aName);
}

std::string QuoteCabName(const std::string& aName)
{
    constexpr size_t Longest = 260;
    std::string quoted;
    size_t i = 0;
    for (; i < aName.size() && i < Longest; ++i) {
        unsigned char c = static_cast<unsigned char>(aName[i]);
        if (IsDBCSLeadByte(c) && i + 1 < aName.size()) {
            // A double-byte character is quoted whole or not at all.
            if (i + 1 >= Longest)
                break;
            quoted += aName.substr(i, 2);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            static const char Hex[] = "0123456789ABCDEF";
            quoted += "\\x";
            quoted += Hex[c >> 4];
            quoted += Hex[c & 15];
        } else {
            quoted += static_cast<char>(c);
        }
    }
    if (i < aName.size())
        quoted += "...";
    return quoted;
}
