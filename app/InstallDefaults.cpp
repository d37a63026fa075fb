#include "app/InstallDefaults.h"

#include <windows.h>
#include <algorithm>
#include <vector>

#include "app/ShellFolders.h"
#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "core/Handle.h"
#include "core/Strings.h"

namespace {

const char* const KelpaKey = "Software\\Kelpa";
const char* const KelpaValue = "KelpaPath";

// Opens a key for reading with the first access mask the system grants:
// full read, then read without notification, then query only.
RegKey OpenKeyReadOnly(HKEY root, const char* path)
{
    static const REGSAM masks[] = {KEY_READ, STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                                   KEY_QUERY_VALUE};
    for (REGSAM mask : masks) {
        RegKey key;
        if (RegOpenKeyExA(root, path, 0, mask, key.put()) == ERROR_SUCCESS)
            return key;
    }
    return RegKey();
}

// The value's text cut at its first NUL, or "" when the value is missing or
// empty. Raises for data that cannot be read or is not a string; an
// expandable string is returned as stored.
std::string ReadStringValue(HKEY key, const char* name)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return {};
    std::vector<char> buffer(size);
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        throw Exception(Format("Failed to get data for '%s'", name));
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw Exception(Format("Invalid data type for '%s'", name));
    std::string text(buffer.data(), std::min<size_t>(size, buffer.size()));
    return text.substr(0, text.find('\0'));
}

} // namespace

std::string UnquotePath(const std::string& text)
{
    // A quoted path is the program followed by its arguments: keep only what
    // lies between the first pair of quotes, so that a backslash inside the
    // arguments cannot decide the directory. Without a closing quote the rest
    // of the text is the path.
    if (!text.empty() && text[0] == '"') {
        size_t close = text.find('"', 1);
        return text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    std::string out;
    for (char c : text)
        if (c != '"')
            out += c;
    return out;
}

std::string DefaultDestination()
{
    return IncludeTrailingBackslash(ProgramFilesDirectory()) + "Kelpa";
}

std::optional<std::string> EarlierInstallationDirectory()
{
    RegKey key = OpenKeyReadOnly(HKEY_CURRENT_USER, KelpaKey);
    if (!key)
        return std::nullopt;
    std::string path = UnquotePath(ReadStringValue(key.get(), KelpaValue));
    if (path.empty())
        return std::nullopt;
    return ExtractFilePath(path);
}

std::vector<std::string> ArchivesBeside(const std::string& exePath)
{
    // Read-only, hidden, system, volume label and archive; no directories.
    const DWORD mask = faReadOnly | faHidden | faSysFile | faVolumeID | faArchive;
    std::vector<std::string> names;
    TDirectorySearch search(ExtractFilePath(exePath) + "Kelpa*.cab", mask);
    while (search.Next())
        names.push_back(search.Current().Name);
    return names;
}

std::string ArchiveLocation(const std::string& name, const std::string& exePath)
{
    bool rooted = !name.empty() && (name[0] == '\\' || name[0] == '/');
    bool withDrive = name.size() >= 2 && name[1] == ':';
    if (name.empty() || rooted || withDrive)
        return name;
    return ExtractFilePath(exePath) + name;
}

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// "C:\..." or "\\server\share...": a name that says where it is on its own.
bool IsFullPath(const std::string& name)
{
    bool drive = name.size() >= 3 && name[1] == ':' && IsSeparator(name[2]);
    bool unc = name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1]);
    return drive || unc;
}

} // namespace

std::string DestinationLocation(const std::string& typed, const std::string& exePath)
{
    if (IsFullPath(typed))
        return typed;
    return ExpandFileName(ArchiveLocation(typed, exePath));
}
