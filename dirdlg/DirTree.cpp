#include "dirdlg/DirTree.h"

#include "core/Exceptions.h"
#include "core/Strings.h"
#include "core/TextScan.h"
#include "dirdlg/DirFiles.h"
#include "dirdlg/DirSystem.h"

namespace {
constexpr const char* kUnableToCreate = "Unable to create directory";
} // namespace

bool DriveReady(const std::string& aPath)
{
    if (!PathDriveLetter(aPath))
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
    TCriticalErrorsOff quiet;
    if (!TryCreateDirectories(aDirectory, aCodePage))
        throw EInOutError(kUnableToCreate, static_cast<int>(GetLastError()));
    // A root that is not there (a drive letter without a drive) was never
    // created above: the result is checked, not assumed.
    if (!IsDirectory(aDirectory))
        throw EInOutError(kUnableToCreate, ERROR_PATH_NOT_FOUND);
}
