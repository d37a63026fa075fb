#include "cab/CabFiles.h"

#include <cstring>
#include <vector>

#include "cab/CabIntfSeam.h"
#include "core/FileSystem.h"
#include "core/Strings.h"

namespace {

// aFileName as the kernel names it: \??\C:\dir\name, or \??\UNC\server\share
// for a network name. Windows 7 hands the name of a rename by handle to the
// kernel as it is; later versions and Wine convert a DOS name but leave this
// form alone.
std::wstring KernelName(const char* aFileName)
{
    std::string full = ExpandFileName(aFileName);
    if (full.rfind("\\\\?\\", 0) == 0)
        full = "\\??\\" + full.substr(4);
    else if (full.rfind("\\\\", 0) == 0)
        full = "\\??\\UNC\\" + full.substr(2);
    else
        full = "\\??\\" + full;
    return AnsiToWide(full);
}

// One rename that puts the open file aHandle in place of aTarget, replacing
// it. By handle, so that the file stays open for its last stamp.
BOOL WINAPI RenameOver(HANDLE aHandle, LPCSTR aTarget)
{
    std::wstring target = KernelName(aTarget);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, target.c_str(), (target.size() + 1) * sizeof(wchar_t));
    return SetFileInformationByHandle(aHandle, FileRenameInfo, info, static_cast<DWORD>(buffer.size()));
}

CabIntfSeam::FileCreator CreateFileFn = &CreateFileA;
CabIntfSeam::FileReplacer ReplaceFn = &RenameOver;

void StoreError(int32_t& anError)
{
    DWORD code = GetLastError();
    if (code != 0)
        anError = static_cast<int32_t>(code);
}

HANDLE AsHandle(INT_PTR aHandle)
{
    return reinterpret_cast<HANDLE>(aHandle);
}
} // namespace

namespace CabIntfSeam {
FileCreator SetFileCreator(FileCreator aCreator) noexcept
{
    FileCreator old = CreateFileFn;
    CreateFileFn = aCreator ? aCreator : &CreateFileA;
    return old;
}

FileReplacer SetFileReplacer(FileReplacer aReplacer) noexcept
{
    FileReplacer old = ReplaceFn;
    ReplaceFn = aReplacer ? aReplacer : &RenameOver;
    return old;
}

FileReplacer DefaultFileReplacer() noexcept
{
    return &RenameOver;
}
} // namespace CabIntfSeam

INT_PTR CabFileOpen(const char* aFileName, int anOpenFlags, int /*aPermission*/, int32_t& anError)
{
    DWORD access;
    switch (anOpenFlags & 3) {
    case cabO_RDONLY: access = GENERIC_READ; break;
    case cabO_WRONLY: access = GENERIC_WRITE; break;
    default: access = GENERIC_READ | GENERIC_WRITE; break;
    }
    const bool create = anOpenFlags & cabO_CREAT, trunc = anOpenFlags & cabO_TRUNC, excl = anOpenFlags & cabO_EXCL;
    DWORD disposition;
    if (create && excl)
        disposition = CREATE_NEW;
    else if (create && trunc)
        disposition = CREATE_ALWAYS;
    else if (trunc)
        disposition = TRUNCATE_EXISTING;
    else if (create)
        disposition = OPEN_ALWAYS;
    else
        disposition = OPEN_EXISTING;
    DWORD flags = (create && (anOpenFlags & cabO_SHORT_LIVED)) ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
    if (anOpenFlags & cabO_RANDOM)
        flags |= FILE_FLAG_RANDOM_ACCESS;
    if (anOpenFlags & cabO_SEQUENTIAL)
        flags |= FILE_FLAG_SEQUENTIAL_SCAN;
    if (create && (anOpenFlags & cabO_TEMPORARY))
        flags |= FILE_FLAG_DELETE_ON_CLOSE;

    HANDLE h = CreateFileFn(aFileName, access, FILE_SHARE_READ, nullptr, disposition, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        StoreError(anError);
        return -1;
    }
    if (anOpenFlags & cabO_APPEND) {
        if (SetFilePointer(h, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
            StoreError(anError);
            CloseHandle(h);
            return -1;
        }
    }
    return reinterpret_cast<INT_PTR>(h);
}

UINT CabFileRead(INT_PTR aHandle, void* aBuffer, UINT aCount, int32_t& anError)
{
    DWORD done = 0;
    if (!ReadFile(AsHandle(aHandle), aBuffer, aCount, &done, nullptr)) {
        StoreError(anError);
        return static_cast<UINT>(-1);
    }
    return done;
}

UINT CabFileWrite(INT_PTR aHandle, const void* aBuffer, UINT aCount, int32_t& anError)
{
    DWORD done = 0;
    if (!WriteFile(AsHandle(aHandle), aBuffer, aCount, &done, nullptr)) {
        StoreError(anError);
        return static_cast<UINT>(-1);
    }
    return done;
}

int CabFileClose(INT_PTR aHandle, int32_t& anError)
{
    if (!CloseHandle(AsHandle(aHandle))) {
        StoreError(anError);
        return -1;
    }
    return 0;
}

LONG CabFileSeek(INT_PTR aHandle, LONG aDistance, int anOrigin, int32_t& anError)
{
    DWORD pos = SetFilePointer(AsHandle(aHandle), aDistance, nullptr, static_cast<DWORD>(anOrigin));
    if (pos == INVALID_SET_FILE_POINTER) {
        StoreError(anError);
        return -1;
    }
    return static_cast<LONG>(pos);
}

bool CabDosToUtcFileTime(uint16_t aDate, uint16_t aTime, FILETIME& anUtc)
{
    FILETIME local;
    return DosDateTimeToFileTime(aDate, aTime, &local) && LocalFileTimeToFileTime(&local, &anUtc);
}

bool TCabStampTimes::Convert(uint16_t aDate, uint16_t aTime, FILETIME& anUtc)
{
    // Keyed on both halves: files of one day at different times, or at one
    // time on different days, each get their own stamp.
    if (!FValid || aDate != FDate || aTime != FTime) {
        FValid = CabDosToUtcFileTime(aDate, aTime, FUtc);
        FDate = aDate;
        FTime = aTime;
    }
    if (FValid)
        anUtc = FUtc;
    return FValid;
}

namespace {
// The attribute half of a stamp, by name.
void StampAttributes(const char* aFileName, uint16_t anAttrs, TCabStampAttrs aMode)
{
    DWORD attrs = anAttrs & CabStampedAttributes;
    if (aMode == TCabStampAttrs::csaAlways || attrs != FILE_ATTRIBUTE_ARCHIVE)
        SetFileAttributesA(aFileName, attrs);
}
} // namespace

void CabFileStampAndClose(INT_PTR aHandle, const char* aFileName, uint16_t aDate, uint16_t aTime, uint16_t anAttrs,
                          TCabStampAttrs aMode, TCabStampTimes* aTimes)
{
    TCabStampTimes ownTimes;
    FILETIME utc;
    if ((aTimes ? aTimes : &ownTimes)->Convert(aDate, aTime, utc))
        SetFileTime(AsHandle(aHandle), &utc, nullptr, &utc);
    int32_t ignored = 0;
    CabFileClose(aHandle, ignored);
    StampAttributes(aFileName, anAttrs, aMode);
}

INT_PTR CabFileCreateReplacement(const char* aFileName, int32_t& anError)
{
    HANDLE h = CreateFileFn(aFileName, GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        StoreError(anError);
        return -1;
    }
    return reinterpret_cast<INT_PTR>(h);
}

bool CabFileStampAndReplace(INT_PTR aHandle, const char* aTempName, const char* aTarget, DWORD aTargetAttrs,
                            uint16_t aDate, uint16_t aTime, uint16_t anAttrs, TCabStampTimes* aTimes, int32_t& anError)
{
    TCabStampTimes ownTimes;
    FILETIME utc;
    const bool stamped = (aTimes ? aTimes : &ownTimes)->Convert(aDate, aTime, utc);
    if (stamped)
        SetFileTime(AsHandle(aHandle), &utc, nullptr, &utc);
    // The new file was just created: it carries exactly the archive bit.
    StampAttributes(aTempName, anAttrs, TCabStampAttrs::csaNewFile);
    // Windows refuses to replace a read-only file.
    const bool clearReadOnly = aTargetAttrs & FILE_ATTRIBUTE_READONLY;
    if (clearReadOnly)
        SetFileAttributesA(aTarget, aTargetAttrs & ~FILE_ATTRIBUTE_READONLY);
    bool replaced = ReplaceFn(AsHandle(aHandle), aTarget);
    if (!replaced) {
        StoreError(anError);
        if (clearReadOnly)
            SetFileAttributesA(aTarget, aTargetAttrs);
    } else if (stamped) {
        SetFileTime(AsHandle(aHandle), &utc, nullptr, &utc);
    }
    int32_t ignored = 0;
    CabFileClose(aHandle, ignored);
    return replaced;
}

bool CabFileInUse(const char* aFileName)
{
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = CreateFileFn(aFileName, DELETE | FILE_WRITE_DATA, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        h = CreateFileFn(aFileName, DELETE, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return false;
    }
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

void CabFileDiscard(const char* aFileName) noexcept
{
    SetFileAttributesA(aFileName, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(aFileName);
}

bool CabFileSetDateTimeAttrs(const char* aFileName, uint16_t aDate, uint16_t aTime, uint16_t anAttrs, int32_t& anError)
{
    HANDLE h = CreateFileFn(aFileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        StoreError(anError);
        return false;
    }
    CabFileStampAndClose(reinterpret_cast<INT_PTR>(h), aFileName, aDate, aTime, anAttrs);
    return true;
}

std::string CabJoinPath(std::initializer_list<std::string> aParts)
{
    std::string result;
    for (const std::string& part : aParts) {
        if (part.empty())
            continue;
        if (result.empty()) {
            result = part;
            continue;
        }
        bool endsWith = result.back() == '\\', beginsWith = part.front() == '\\';
        if (endsWith && beginsWith)
            result.pop_back();
        else if (!endsWith && !beginsWith)
            result += '\\';
        result += part;
    }
    return result;
}
