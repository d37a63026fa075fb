#pragma once
// Run-time binding to the decompression half of the system cabinet library.
// Nothing links against cabinet.dll: the first FDICreate loads it from the
// system directory and resolves its nine entry points by name. The records and
// enumerations below cross the boundary both ways, so they are declared in the
// library's own memory layout and checked at compile time.
#include <windows.h>
#include <cstddef>
#include <cstdint>

// Decompression error codes; stored in 32 bits like the library's own enum.
enum TFDIERROR : int32_t {
    FDIERROR_NONE = 0,
    FDIERROR_CABINET_NOT_FOUND = 1,
    FDIERROR_NOT_A_CABINET = 2,
    FDIERROR_UNKNOWN_CABINET_VERSION = 3,
    FDIERROR_CORRUPT_CABINET = 4,
    FDIERROR_ALLOC_FAIL = 5,
    FDIERROR_BAD_COMPR_TYPE = 6,
    FDIERROR_MDI_FAIL = 7,
    FDIERROR_TARGET_FILE = 8,
    FDIERROR_RESERVE_MISMATCH = 9,
    FDIERROR_WRONG_CABINET = 10,
    FDIERROR_USER_ABORT = 11,
};

// The kind of a notification; 32 bits wide.
enum TFDINOTIFICATIONTYPE : int32_t {
    fdintCABINET_INFO = 0,
    fdintPARTIAL_FILE = 1,
    fdintCOPY_FILE = 2,
    fdintCLOSE_FILE_INFO = 3,
    fdintNEXT_CABINET = 4,
    fdintENUMERATE = 5,
};

// The error record, filled by the library when an operation fails.
struct ERF {
    int32_t erfOper;
    int32_t erfType;
    int32_t fError; // 32-bit boolean
};

// The record handed to the notification callback; owned by the library.
struct TFDINOTIFICATION {
    int32_t cb;
    char* psz1;
    char* psz2;
    char* psz3; // during fdintNEXT_CABINET a 256-byte buffer the callback may overwrite
    void* pv;
    INT_PTR hf;
    uint16_t date;
    uint16_t time;
    uint16_t attribs;
    uint16_t setID;
    uint16_t iCabinet;
    uint16_t iFolder;
    TFDIERROR fdie;
};

static_assert(sizeof(TFDIERROR) == 4 && sizeof(TFDINOTIFICATIONTYPE) == 4);
static_assert(sizeof(ERF) == 12 && offsetof(ERF, erfType) == 4 && offsetof(ERF, fError) == 8);
static_assert(sizeof(INT_PTR) == sizeof(void*), "handles cross the boundary pointer-sized");
#if defined(_WIN64)
// The 64-bit library's natural layout: pointers and the handle on 8 bytes.
static_assert(sizeof(TFDINOTIFICATION) == 64);
static_assert(offsetof(TFDINOTIFICATION, psz1) == 8 && offsetof(TFDINOTIFICATION, psz2) == 16 &&
              offsetof(TFDINOTIFICATION, psz3) == 24 && offsetof(TFDINOTIFICATION, pv) == 32 &&
              offsetof(TFDINOTIFICATION, hf) == 40 && offsetof(TFDINOTIFICATION, date) == 48 &&
              offsetof(TFDINOTIFICATION, time) == 50 && offsetof(TFDINOTIFICATION, attribs) == 52 &&
              offsetof(TFDINOTIFICATION, setID) == 54 && offsetof(TFDINOTIFICATION, iCabinet) == 56 &&
              offsetof(TFDINOTIFICATION, iFolder) == 58 && offsetof(TFDINOTIFICATION, fdie) == 60);
#else
static_assert(sizeof(void*) == 4);
static_assert(sizeof(TFDINOTIFICATION) == 40);
static_assert(offsetof(TFDINOTIFICATION, psz1) == 4 && offsetof(TFDINOTIFICATION, psz2) == 8 &&
              offsetof(TFDINOTIFICATION, psz3) == 12 && offsetof(TFDINOTIFICATION, pv) == 16 &&
              offsetof(TFDINOTIFICATION, hf) == 20 && offsetof(TFDINOTIFICATION, date) == 24 &&
              offsetof(TFDINOTIFICATION, time) == 26 && offsetof(TFDINOTIFICATION, attribs) == 28 &&
              offsetof(TFDINOTIFICATION, setID) == 30 && offsetof(TFDINOTIFICATION, iCabinet) == 32 &&
              offsetof(TFDINOTIFICATION, iFolder) == 34 && offsetof(TFDINOTIFICATION, fdie) == 36);
#endif

// Size of the buffer behind psz3 during fdintNEXT_CABINET, terminating zero included.
constexpr size_t CabPathBufferSize = 256;

using HFDI = void*;
constexpr int cpuUNKNOWN = -1;

using PFNALLOC = void*(__cdecl*)(ULONG cb);
using PFNFREE = void(__cdecl*)(void* pv);
using PFNOPEN = INT_PTR(__cdecl*)(char* pszFile, int oflag, int pmode);
using PFNREAD = UINT(__cdecl*)(INT_PTR hf, void* pv, UINT cb);
using PFNWRITE = UINT(__cdecl*)(INT_PTR hf, void* pv, UINT cb);
using PFNCLOSE = int(__cdecl*)(INT_PTR hf);
using PFNSEEK = LONG(__cdecl*)(INT_PTR hf, LONG dist, int seektype);
using PFNFDINOTIFY = INT_PTR(__cdecl*)(TFDINOTIFICATIONTYPE fdint, TFDINOTIFICATION* pfdin);
using PFNFDIDECRYPT = void*; // never used: always passed as null

// Loads cabinet.dll from the system directory and resolves the nine entry
// points. Raises EOSError (library missing, or a name missing from it); the
// binding is then "not loaded" again.
void LoadCabinetLibrary();

// Releases the library once no context made through FDICreate is left. The
// program entry calls this after the main window (and with it every reader
// component) has been destroyed. Returns false, keeping the library, while a
// context still exists; true when nothing is loaded afterwards.
bool UnloadCabinetLibrary() noexcept;

// True while the library is loaded.
bool CabinetLibraryLoaded() noexcept;

// Pass-throughs with the library's names and signatures. FDICreate loads the
// library on first use; FDICopy and FDIDestroy never load it.
HFDI __cdecl FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread, PFNWRITE pfnwrite,
                       PFNCLOSE pfnclose, PFNSEEK pfnseek, int cpuType, ERF* perf);
BOOL __cdecl FDICopy(HFDI hfdi, char* pszCabinet, char* pszCabPath, int flags, PFNFDINOTIFY pfnfdin,
                     PFNFDIDECRYPT pfnfdid, void* pvUser);
BOOL __cdecl FDIDestroy(HFDI hfdi);
