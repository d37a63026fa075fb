#include "cab/CabCallbacks.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "cab/CabFiles.h"
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

// Files the library opened through CabOpenCallback and has not closed, oldest
// first. A reader's event handler may run another extraction, so each scope
// closes only what was opened after it began.
std::vector<INT_PTR> LibraryFiles;

// The reader's watcher of destination writes, while a walk runs.
TCabWriteWatchScope::Watcher WriteWatcher = nullptr;
void* WriteWatchContext = nullptr;

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

TCabLibraryFilesScope::TCabLibraryFilesScope() noexcept : FMark(LibraryFiles.size())
{
}

TCabLibraryFilesScope::~TCabLibraryFilesScope()
{
    for (size_t i = FMark; i < LibraryFiles.size(); ++i)
        CloseHandle(reinterpret_cast<HANDLE>(LibraryFiles[i]));
    LibraryFiles.resize(std::min(FMark, LibraryFiles.size()));
}

INT_PTR __cdecl CabOpenCallback(char* aFileName, int anOpenFlags, int aPermission) noexcept
{
    INT_PTR handle = WithErrorCell([&](int32_t& e) { return CabFileOpen(aFileName, anOpenFlags, aPermission, e); });
    if (handle != -1) {
        try {
            LibraryFiles.push_back(handle);
        } catch (...) {
            // Untracked, the file is closed by the library as usual; only a
            // leak of the library's own would stay open.
        }
    }
    return handle;
}

UINT __cdecl CabReadCallback(INT_PTR aHandle, void* aBuffer, UINT aCount) noexcept
{
    return WithErrorCell([&](int32_t& e) { return CabFileRead(aHandle, aBuffer, aCount, e); });
}

TCabWriteWatchScope::TCabWriteWatchScope(Watcher aWatcher, void* aContext) noexcept
    : FOldWatcher(WriteWatcher), FOldContext(WriteWatchContext)
{
    WriteWatcher = aWatcher;
    WriteWatchContext = aContext;
}

TCabWriteWatchScope::~TCabWriteWatchScope()
{
    WriteWatcher = FOldWatcher;
    WriteWatchContext = FOldContext;
}

UINT __cdecl CabWriteCallback(INT_PTR aHandle, void* aBuffer, UINT aCount) noexcept
{
    if (WriteWatcher && !WriteWatcher(WriteWatchContext, aCount))
        return static_cast<UINT>(-1);
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
    auto tracked = std::find(LibraryFiles.rbegin(), LibraryFiles.rend(), aHandle);
    if (tracked != LibraryFiles.rend())
        LibraryFiles.erase(std::next(tracked).base());
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
