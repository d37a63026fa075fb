#pragma once
// The file and memory callbacks that the cabinet library calls, the file
// helpers behind them, the notification bridge and two path/stamp helpers of
// the reader component.
#include <windows.h>
#include <cstdint>
#include <initializer_list>
#include <string>

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

// C run-time open flags as the library passes them.
enum : int {
    cabO_RDONLY = 0x0000, cabO_WRONLY = 0x0001, cabO_RDWR = 0x0002, cabO_APPEND = 0x0008, cabO_RANDOM = 0x0010,
    cabO_SEQUENTIAL = 0x0020, cabO_TEMPORARY = 0x0040, cabO_NOINHERIT = 0x0080, cabO_CREAT = 0x0100,
    cabO_TRUNC = 0x0200, cabO_EXCL = 0x0400, cabO_SHORT_LIVED = 0x1000, cabO_TEXT = 0x4000, cabO_BINARY = 0x8000,
};
enum : int { cabS_IWRITE = 0x0080, cabS_IREAD = 0x0100 };

// File helpers: each writes anError only on failure, with the system's code.
INT_PTR CabFileOpen(const char* aFileName, int anOpenFlags, int aPermission, int32_t& anError);
UINT CabFileRead(INT_PTR aHandle, void* aBuffer, UINT aCount, int32_t& anError);
UINT CabFileWrite(INT_PTR aHandle, const void* aBuffer, UINT aCount, int32_t& anError);
int CabFileClose(INT_PTR aHandle, int32_t& anError);
LONG CabFileSeek(INT_PTR aHandle, LONG aDistance, int anOrigin, int32_t& anError);
// Opens the finished file by name, sets creation and last-write time from the
// local DOS date and time, closes it, then sets the attributes masked with
// 0x27. False (and anError) only when the file cannot be opened.
bool CabFileSetDateTimeAttrs(const char* aFileName, uint16_t aDate, uint16_t aTime, uint16_t anAttrs,
                             int32_t& anError);
// The cabinet's local DOS date and time as a UTC file time.
bool CabDosToUtcFileTime(uint16_t aDate, uint16_t aTime, FILETIME& anUtc);

// Joins the parts with exactly one backslash at each seam, skipping empty parts.
std::string CabJoinPath(std::initializer_list<std::string> aParts);

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
