#include "cab/CabCallbacks.h"

#include <cstdlib>

#include "cab/CabIntfSeam.h"
#include "cab/CabSTComps.h"
#include "core/Exceptions.h"

int32_t LastFileError = 0;
int32_t LastWriteError = 0;

ExceptionSlot& CabCallbackException()
{
    static ExceptionSlot slot;
    return slot;
}

namespace {
CabIntfSeam::HeapAlloc HeapAllocFn = &std::malloc;

void StoreError(int32_t& anError)
{
    DWORD code = GetLastError();
    if (code != 0)
        anError = static_cast<int32_t>(code);
}

// Runs a file helper the way every file callback does: a fresh error cell,
// copied into LastFileError when the helper set it.
template <typename F>
auto WithErrorCell(F&& f)
{
    int32_t error = 0;
    auto result = f(error);
    if (error != 0)
        LastFileError = error;
    return result;
}
} // namespace

namespace CabIntfSeam {
HeapAlloc SetHeapAlloc(HeapAlloc anAlloc) noexcept
{
    HeapAlloc old = HeapAllocFn;
    HeapAllocFn = anAlloc ? anAlloc : &std::malloc;
    return old;
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

    HANDLE h = CreateFileA(aFileName, access, FILE_SHARE_READ, nullptr, disposition, flags, nullptr);
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
    if (!ReadFile(reinterpret_cast<HANDLE>(aHandle), aBuffer, aCount, &done, nullptr)) {
        StoreError(anError);
        return static_cast<UINT>(-1);
    }
    return done;
}

UINT CabFileWrite(INT_PTR aHandle, const void* aBuffer, UINT aCount, int32_t& anError)
{
    DWORD done = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(aHandle), aBuffer, aCount, &done, nullptr)) {
        StoreError(anError);
        return static_cast<UINT>(-1);
    }
    return done;
}

int CabFileClose(INT_PTR aHandle, int32_t& anError)
{
    if (!CloseHandle(reinterpret_cast<HANDLE>(aHandle))) {
        StoreError(anError);
        return -1;
    }
    return 0;
}

LONG CabFileSeek(INT_PTR aHandle, LONG aDistance, int anOrigin, int32_t& anError)
{
    DWORD pos = SetFilePointer(reinterpret_cast<HANDLE>(aHandle), aDistance, nullptr, static_cast<DWORD>(anOrigin));
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

bool CabFileSetDateTimeAttrs(const char* aFileName, uint16_t aDate, uint16_t aTime, uint16_t anAttrs,
                             int32_t& anError)
{
    HANDLE h = CreateFileA(aFileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        StoreError(anError);
        return false;
    }
    FILETIME utc;
    if (CabDosToUtcFileTime(aDate, aTime, utc))
        SetFileTime(h, &utc, nullptr, &utc);
    CloseHandle(h);
    // After the times: a file that becomes read-only has been stamped already.
    SetFileAttributesA(aFileName, anAttrs & 0x27);
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

void* __cdecl CabAllocCallback(ULONG aSize) noexcept
{
    if (static_cast<LONG>(aSize) <= 0)
        return nullptr;
    return CabCallbackException().Guard(
        [&]() -> void* {
            void* block = HeapAllocFn(aSize);
            if (!block)
                throw EOutOfMemory();
            return block;
        },
        static_cast<void*>(nullptr));
}

void __cdecl CabFreeCallback(void* aBlock) noexcept
{
    std::free(aBlock);
}

INT_PTR __cdecl CabOpenCallback(char* aFileName, int anOpenFlags, int aPermission) noexcept
{
    return WithErrorCell([&](int32_t& e) { return CabFileOpen(aFileName, anOpenFlags, aPermission, e); });
}

UINT __cdecl CabReadCallback(INT_PTR aHandle, void* aBuffer, UINT aCount) noexcept
{
    return WithErrorCell([&](int32_t& e) { return CabFileRead(aHandle, aBuffer, aCount, e); });
}

UINT __cdecl CabWriteCallback(INT_PTR aHandle, void* aBuffer, UINT aCount) noexcept
{
    int32_t error = 0;
    UINT result = CabFileWrite(aHandle, aBuffer, aCount, error);
    if (error != 0) {
        LastFileError = error;
        if (LastWriteError == 0)
            LastWriteError = error;
    }
    return result;
}

int __cdecl CabCloseCallback(INT_PTR aHandle) noexcept
{
    // After a failed walk the library closes a null handle of a cabinet it
    // never opened; that is no file error of ours to report.
    if (aHandle == 0 || aHandle == -1)
        return -1;
    return WithErrorCell([&](int32_t& e) { return CabFileClose(aHandle, e); });
}

LONG __cdecl CabSeekCallback(INT_PTR aHandle, LONG aDistance, int anOrigin) noexcept
{
    return WithErrorCell([&](int32_t& e) { return CabFileSeek(aHandle, aDistance, anOrigin, e); });
}

INT_PTR __cdecl CabNotify(TFDINOTIFICATIONTYPE aNotifyType, TFDINOTIFICATION* aNotification) noexcept
{
    auto* reader = static_cast<TSTCabReader*>(aNotification->pv);
    // Nothing may unwind into the library: the reader keeps the exception and
    // Extract raises it again once FDICopy has returned.
    return reader->FPending.Guard([&] { return reader->Notify(aNotifyType, *aNotification); }, INT_PTR(-1));
}
