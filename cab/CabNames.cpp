#include "cab/CabNames.h"

#include <cstring>
#include <string_view>
#include <windows.h>

namespace {

// A name the system opens as a device wherever it stands in a path: CON,
// PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$. The lengths and the last
// character settle most names without a comparison of the locale's.
bool IsDeviceName(std::string_view component)
{
    // The system ignores an extension and trailing blanks after a device name.
    component = component.substr(0, component.find('.'));
    while (!component.empty() && component.back() == ' ')
        component.remove_suffix(1);
    char name[8] = {};
    switch (component.size()) {
    case 3:
        component.copy(name, 3);
        return lstrcmpiA(name, "CON") == 0 || lstrcmpiA(name, "PRN") == 0 || lstrcmpiA(name, "AUX") == 0 ||
               lstrcmpiA(name, "NUL") == 0;
    case 4:
        // The superscript digits one, two and three of the ANSI page count as
        // digits too.
        if ((component[3] < '1' || component[3] > '9') && component[3] != '\xB9' && component[3] != '\xB2' &&
            component[3] != '\xB3')
            return false;
        component.copy(name, 4);
        return _strnicmp(name, "COM", 3) == 0 || _strnicmp(name, "LPT", 3) == 0;
    case 6:
    case 7:
        if (component.back() != '$')
            return false;
        component.copy(name, component.size());
        return lstrcmpiA(name, component.size() == 6 ? "CONIN$" : "CONOUT$") == 0;
    default: return false;
    }
}

// A component that the system reduces to ".." or to nothing with a climb:
// only dots and blanks, and at least two dots.
bool IsParentReference(std::string_view component)
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
bool IsReservedComponent(std::string_view component)
{
    return IsDeviceName(component) || component.find_first_of("*?") != std::string_view::npos;
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
        std::string_view component = std::string_view(aName).substr(start, end - start);
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
