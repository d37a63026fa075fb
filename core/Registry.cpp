#include "core/Registry.h"

#include <algorithm>
#include <vector>

namespace {
std::string RelativeToRoot(const std::string& aKeyPath)
{
    return !aKeyPath.empty() && aKeyPath[0] == '\\' ? aKeyPath.substr(1) : aKeyPath;
}
} // namespace

RegKey OpenKeyReadOnly(HKEY aRoot, const std::string& aKeyPath)
{
    static const REGSAM masks[] = {KEY_READ, STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                                   KEY_QUERY_VALUE};
    std::string path = RelativeToRoot(aKeyPath);
    for (REGSAM mask : masks) {
        RegKey key;
        if (RegOpenKeyExA(aRoot, path.c_str(), 0, mask, key.put()) == ERROR_SUCCESS)
            return key;
    }
    return RegKey();
}

TRegString QueryRegString(HKEY aKey, const std::string& aValueName)
{
    TRegString result;
    if (RegQueryValueExA(aKey, aValueName.c_str(), nullptr, &result.Type, nullptr, &result.Size) != ERROR_SUCCESS)
        return result;
    if (result.Type != REG_SZ && result.Type != REG_EXPAND_SZ) {
        result.Status = TRegStringStatus::rsNotAString;
        return result;
    }
    result.Status = TRegStringStatus::rsFound;
    if (result.Size == 0)
        return result;
    // Exactly the reported size: the stored data need not end in a NUL, so
    // the text is cut at the first NUL inside the data, not by the C string.
    std::vector<char> buffer(result.Size);
    DWORD type = 0, size = result.Size;
    if (RegQueryValueExA(aKey, aValueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS) {
        result.Status = TRegStringStatus::rsUnreadable;
        return result;
    }
    std::string text(buffer.data(), std::min<size_t>(size, buffer.size()));
    result.Text = text.substr(0, text.find('\0'));
    return result;
}

std::string ReadRegistryString(HKEY aRoot, const std::string& aKeyPath, const std::string& aValueName,
                               const std::string& aDefault)
{
    RegKey key;
    if (RegOpenKeyExA(aRoot, RelativeToRoot(aKeyPath).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return aDefault;
    TRegString value = QueryRegString(key.get(), aValueName);
    return value.Status == TRegStringStatus::rsFound ? value.Text : aDefault;
}
