#pragma once
// The callbacks that the cabinet library calls (memory, files and the
// notification bridge) and the process-wide error cells they fill. The file
// work itself is done by the helpers of CabFiles.h.
#include <windows.h>
#include <cstddef>
#include <cstdint>

#include "cab/CabIntf.h"
#include "core/ExceptionSlot.h"

// The last non-zero system error met by a file callback (or by the reader
// when it opens a destination itself). Cleared and read by the reader.
extern int32_t LastFileError;
// The first write failure since the reader last cleared it. The library does
// not stop on a failed write, so the reader checks this when a file ends.
extern int32_t LastWriteError;

// An exception raised inside a callback that has no component to hand it to
// (heap exhaustion in CabAllocCallback). The reader raises it again once the
// library call has returned. Like LastFileError, one extraction at a time.
ExceptionSlot& CabCallbackException();

// Closes, when it goes, the files the library opened through CabOpenCallback
// while the scope lived and did not close itself: Wine's library leaves the
// cabinet open after a walk it aborted at the first notification, which would
// keep the cabinet locked until the process ends. Put around each FDICopy.
class TCabLibraryFilesScope {
public:
    TCabLibraryFilesScope() noexcept;
    TCabLibraryFilesScope(const TCabLibraryFilesScope&) = delete;
    TCabLibraryFilesScope& operator=(const TCabLibraryFilesScope&) = delete;
    ~TCabLibraryFilesScope();

private:
    size_t FMark;
};

// Lets the reader watch the destination writes of one walk: told of each
// block before it is written, the watcher may refuse it, so that a run that
// was stopped between two notifications writes nothing more. Put around each
// FDICopy; one extraction at a time, like LastFileError.
class TCabWriteWatchScope {
public:
    using Watcher = bool (*)(void* aContext, UINT aCount) noexcept;
    TCabWriteWatchScope(Watcher aWatcher, void* aContext) noexcept;
    TCabWriteWatchScope(const TCabWriteWatchScope&) = delete;
    TCabWriteWatchScope& operator=(const TCabWriteWatchScope&) = delete;
    ~TCabWriteWatchScope();

private:
    Watcher FOldWatcher;
    void* FOldContext;
};

// The callbacks handed to FDICreate and FDICopy (C calling convention). None
// of them lets an exception out: it could not unwind through the library.
void* __cdecl CabAllocCallback(ULONG aSize) noexcept;
void __cdecl CabFreeCallback(void* aBlock) noexcept;
INT_PTR __cdecl CabOpenCallback(char* aFileName, int anOpenFlags, int aPermission) noexcept;
UINT __cdecl CabReadCallback(INT_PTR aHandle, void* aBuffer, UINT aCount) noexcept;
UINT __cdecl CabWriteCallback(INT_PTR aHandle, void* aBuffer, UINT aCount) noexcept;
int __cdecl CabCloseCallback(INT_PTR aHandle) noexcept;
LONG __cdecl CabSeekCallback(INT_PTR aHandle, LONG aDistance, int anOrigin) noexcept;
// Hands the notification to the reader component named by the record's pv.
INT_PTR __cdecl CabNotify(TFDINOTIFICATIONTYPE aNotifyType, TFDINOTIFICATION* aNotification) noexcept;
