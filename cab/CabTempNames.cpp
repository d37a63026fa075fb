#include "cab/CabTempNames.h"

#include <windows.h>
#include <cctype>
#include <cstdio>

namespace {
constexpr char Prefix[] = "~klp", Suffix[] = ".tmp";
constexpr size_t PrefixLength = 4, Digits = 8, SuffixLength = 4;
} // namespace

TCabTempNames::TCabTempNames() : FSerial(GetTickCount() ^ (GetCurrentProcessId() << 16))
{
}

std::string TCabTempNames::Next()
{
    char name[PrefixLength + Digits + SuffixLength + 1];
    std::snprintf(name, sizeof name, "%s%08lX%s", Prefix, static_cast<unsigned long>(FSerial++), Suffix);
    return name;
}

bool IsCabTempName(const std::string& aFileName)
{
    if (aFileName.size() != PrefixLength + Digits + SuffixLength ||
        _strnicmp(aFileName.c_str(), Prefix, PrefixLength) != 0 ||
        _stricmp(aFileName.c_str() + PrefixLength + Digits, Suffix) != 0)
        return false;
    for (size_t i = PrefixLength; i < PrefixLength + Digits; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(aFileName[i])))
            return false;
    return true;
}
