#include "dirdlg/DirFiles.h"

#include <vector>

#include "core/Exceptions.h"
#include "dirdlg/DirSystem.h"

namespace {
[[noreturn]] void RaiseLastInOutError()
{
    throw EInOutError(static_cast<int>(GetLastError()));
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

std::string CurrentDirectory()
{
    TCriticalErrorsOff quiet;
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0)
            RaiseLastInOutError();
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
        RaiseLastInOutError();
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
                throw EInOutError(static_cast<int>(error));
            }
        } else {
            if (!FHandle)
                return nullptr;
            if (!FindNextFileA(FHandle.get(), &FData)) {
                DWORD error = GetLastError();
                FHandle.reset();
                if (EndOfEntries(error))
                    return nullptr;
                throw EInOutError(static_cast<int>(error));
            }
        }
        if ((FData.dwFileAttributes & FExclude) == 0)
            return &FData;
    }
}
