#include "dirdlg/DirTree.h"

#include <vector>

#include "core/Exceptions.h"
#include "core/Strings.h"
#include "dirdlg/DirFiles.h"
#include "dirdlg/DirSystem.h"

namespace {
constexpr const char* kUnableToCreate = "Unable to create directory";

bool IsBackslashAt(const std::string& s, size_t i, UINT aCodePage)
{
    return s[i] == '\\' && !IsTrailByte(s, i, aCodePage);
}

bool HasDriveLetter(const std::string& s)
{
    return s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}
} // namespace

bool IsRootDirectory(const std::string& aPath, UINT aCodePage)
{
    if (aPath.size() <= 1)
        return true;
    if (HasDriveLetter(aPath))
        return aPath.size() == 2 || (aPath.size() == 3 && aPath[2] == '\\');
    if (aPath[0] == '\\' && aPath[1] == '\\') {
        // \\server\share: at most two names after the leading pair.
        int names = 0;
        bool inName = false;
        for (size_t i = 2; i < aPath.size(); ++i) {
            bool separator = IsBackslashAt(aPath, i, aCodePage);
            if (!separator && !inName)
                ++names;
            inName = !separator;
        }
        return names <= 2;
    }
    return false;
}

std::string WithoutTrailingBackslashes(const std::string& aPath, UINT aCodePage)
{
    std::string path = aPath;
    while (!path.empty() && IsBackslashAt(path, path.size() - 1, aCodePage) && !IsRootDirectory(path, aCodePage))
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

bool DriveReady(const std::string& aPath)
{
    if (!HasDriveLetter(aPath))
        return true;
    std::string root = aPath.substr(0, 2) + "\\";
    TCriticalErrorsOff quiet;
    UINT kind = DirSystem().GetDriveTypeA(root.c_str());
    if (kind == DRIVE_UNKNOWN || kind == DRIVE_NO_ROOT_DIR)
        return false;
    // Only the flags are asked for; a drive without its medium fails here.
    DWORD flags = 0;
    if (DirSystem().GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
        return true;
    return GetLastError() != ERROR_NOT_READY;
}

std::string DeepestExistingDirectory(const std::string& aPath, UINT aCodePage)
{
    if (!DriveReady(aPath))
        return "";
    std::string path = WithoutTrailingBackslashes(aPath, aCodePage);
    while (!path.empty()) {
        if (IsDirectory(path))
            return path;
        path = ParentDirectory(path, aCodePage);
    }
    return "";
}

void CreateDirectoryPath(const std::string& aDirectory, UINT aCodePage)
{
    if (aDirectory.empty())
        throw EInOutError(kUnableToCreate, ERROR_PATH_NOT_FOUND);
    std::vector<std::string> missing;
    for (std::string path = WithoutTrailingBackslashes(aDirectory, aCodePage);
         !path.empty() && !IsRootDirectory(path, aCodePage) && !IsDirectory(path);
         path = ParentDirectory(path, aCodePage))
        missing.push_back(path);
    TCriticalErrorsOff quiet;
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (CreateDirectoryA(it->c_str(), nullptr))
            continue;
        DWORD error = GetLastError();
        // Made meanwhile by someone else: what was wanted exists.
        if (error == ERROR_ALREADY_EXISTS && IsDirectory(*it))
            continue;
        throw EInOutError(kUnableToCreate, static_cast<int>(error));
    }
    // A root that is not there (a drive letter without a drive) was never
    // created above: the result is checked, not assumed.
    if (!IsDirectory(aDirectory))
        throw EInOutError(kUnableToCreate, ERROR_PATH_NOT_FOUND);
}
