#include "dirdlg/DirFiles.h"

#include "core/Exceptions.h"
#include "core/Strings.h"
#include "core/TextScan.h"
#include "dirdlg/DirSystem.h"

namespace {
// The drive a path lies on: its own letter, the current directory's for a
// relative or rooted path, 0 for a UNC path or when nothing tells.
char DriveOf(const std::string& aPath)
{
    if (aPath.size() >= 2 && aPath[1] == ':')
        return PathDriveLetter(aPath);
    if (aPath.compare(0, 2, "\\\\") == 0)
        return 0;
    std::string current;
    return TryCurrentDirectory(current) ? PathDriveLetter(current) : 0;
}

} // namespace

std::string DriveNotReadyText(char aLetter)
{
    return Format("Drive %c: has no medium or is not ready", UpperChar(aLetter));
}

void RaiseInOutError(DWORD aCode, const std::string& aPath)
{
    if (aCode == ERROR_NOT_READY)
        if (char drive = DriveOf(aPath))
            throw EInOutError(DriveNotReadyText(drive), static_cast<int>(aCode));
    throw EInOutError(static_cast<int>(aCode));
}

std::string CurrentDirectory()
{
    TCriticalErrorsOff quiet;
    std::string dir;
    if (!TryCurrentDirectory(dir))
        RaiseInOutError(GetLastError(), "");
    return dir;
}

std::string FullPath(const std::string& Name)
{
    TCriticalErrorsOff quiet;
    std::string full;
    if (!TryFullPath(Name, full))
        RaiseInOutError(GetLastError(), Name);
    return full;
}

void ChangeDirectory(const std::string& Dir)
{
    TCriticalErrorsOff quiet;
    if (!DirSystem().SetCurrentDirectoryA(Dir.c_str()))
        RaiseInOutError(GetLastError(), Dir);
}

bool IsDirectory(const std::string& Name)
{
    TCriticalErrorsOff quiet;
    return DirectoryExists(Name);
}

bool IsFile(const std::string& Name)
{
    TCriticalErrorsOff quiet;
    return NonDirectoryExists(Name);
}

bool VolumeFlags(const std::string& Root, DWORD& Flags)
{
    TCriticalErrorsOff quiet;
    // Only the flags are asked for: no name buffer can be too short.
    DWORD maxLength = 0;
    Flags = 0;
    return DirSystem().GetVolumeInformationA(Root.c_str(), nullptr, 0, nullptr, &maxLength, &Flags, nullptr, 0) !=
           FALSE;
}

TFindCalls ChooserFindCalls() noexcept
{
    return {DirSystem().FindFirstFileA, DirSystem().FindNextFileA};
}
