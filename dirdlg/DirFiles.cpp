#include "dirdlg/DirFiles.h"

#include <vector>

#include "core/Exceptions.h"
#include "core/Strings.h"
#include "dirdlg/DirSystem.h"

namespace {
bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The drive a path lies on: its own letter, the current directory's for a
// relative or rooted path, 0 for a UNC path or when nothing tells.
char DriveOf(const std::string& aPath)
{
    if (aPath.size() >= 2 && aPath[1] == ':')
        return IsLetter(aPath[0]) ? aPath[0] : 0;
    if (aPath.compare(0, 2, "\\\\") == 0)
        return 0;
    char current[MAX_PATH + 1] = {};
    DWORD n = GetCurrentDirectoryA(sizeof current, current);
    return n >= 2 && n <= MAX_PATH && current[1] == ':' && IsLetter(current[0]) ? current[0] : 0;
}

DWORD Attributes(const std::string& Name)
{
    TCriticalErrorsOff quiet;
    return GetFileAttributesA(Name.c_str());
}

// "No entries" ends a search normally; anything else is a failure.
bool EndOfEntries(DWORD anError)
{
    return anError == ERROR_NO_MORE_FILES || anError == ERROR_FILE_NOT_FOUND;
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
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0)
            RaiseInOutError(GetLastError(), "");
        // A result that does not fit is the size needed, terminator included.
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(n + 1);
    }
}

std::string FullPath(const std::string& Name)
{
    if (Name.empty())
        return {};
    TCriticalErrorsOff quiet;
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        char* filePart = nullptr;
        DWORD n = GetFullPathNameA(Name.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
        if (n == 0)
            RaiseInOutError(GetLastError(), Name);
        // A result that does not fit is the size needed, terminator included.
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(n + 1);
    }
}

void ChangeDirectory(const std::string& Dir)
{
    TCriticalErrorsOff quiet;
    if (!DirSystem().SetCurrentDirectoryA(Dir.c_str()))
        RaiseInOutError(GetLastError(), Dir);
}

bool IsDirectory(const std::string& Name)
{
    DWORD attr = Attributes(Name);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string& Name)
{
    DWORD attr = Attributes(Name);
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
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

TDirEnumerator::TDirEnumerator(const std::string& Pattern, DWORD AttrWord)
    : FExclude(~AttrWord & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x08 | FILE_ATTRIBUTE_DIRECTORY)),
      FPattern(Pattern)
{
}

const WIN32_FIND_DATAA* TDirEnumerator::Next()
{
    for (;;) {
        if (!FStarted) {
            FStarted = true;
            FHandle.reset(DirSystem().FindFirstFileA(FPattern.c_str(), &FData));
            if (!FHandle) {
                DWORD error = GetLastError();
                if (EndOfEntries(error))
                    return nullptr;
                RaiseInOutError(error, FPattern);
            }
        } else {
            if (!FHandle)
                return nullptr;
            if (!DirSystem().FindNextFileA(FHandle.get(), &FData)) {
                DWORD error = GetLastError();
                FHandle.reset();
                if (EndOfEntries(error))
                    return nullptr;
                RaiseInOutError(error, FPattern);
            }
        }
        if ((FData.dwFileAttributes & FExclude) == 0)
            return &FData;
    }
}
