#include "app/InstallDefaults.h"

#include <windows.h>
#include <vector>

#include "app/ShellFolders.h"
#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "core/Registry.h"
#include "core/Strings.h"

namespace {

const char* const KelpaKey = "\\Software\\Kelpa";
const char* const KelpaValue = "KelpaPath";

// The value's text, or "" when the value is missing or has no data. Raises
// for data that cannot be read or is not a string.
std::string ReadStringValue(HKEY aKey, const char* aName)
{
    TRegString value = QueryRegString(aKey, aName);
    switch (value.Status) {
    case TRegStringStatus::rsFound:
    case TRegStringStatus::rsMissing: return value.Text;
    case TRegStringStatus::rsNotAString:
        // No data reads as an empty text, whatever the type.
        if (value.Size == 0)
            return {};
        throw Exception(Format("Invalid data type for '%s'", aName));
    case TRegStringStatus::rsUnreadable: break;
    }
    throw Exception(Format("Failed to get data for '%s'", aName));
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
