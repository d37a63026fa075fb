#include "cab/CabIntf.h"

#include "cab/CabIntfSeam.h"
#include "core/Exceptions.h"
#include "core/Handle.h"

namespace {

using PFNFDICREATE = HFDI(__cdecl*)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE, PFNSEEK, int, ERF*);
using PFNFDICOPY = BOOL(__cdecl*)(HFDI, char*, char*, int, PFNFDINOTIFY, PFNFDIDECRYPT, void*);
using PFNFDIDESTROY = BOOL(__cdecl*)(HFDI);

// The names that must all be present, in the order they are resolved.
constexpr const char* EntryNames[] = {"FCICreate", "FCIAddFile",   "FCIFlushCabinet", "FCIFlushFolder", "FCIDestroy",
                                      "FDICreate", "FDIIsCabinet", "FDICopy",         "FDIDestroy"};
constexpr size_t EntryCount = sizeof EntryNames / sizeof EntryNames[0];
enum { epFDICreate = 5, epFDICopy = 7, epFDIDestroy = 8 };

struct Binding {
    ModuleHandle Library;
    FARPROC Entries[EntryCount] = {};
    int LiveContexts = 0;
    std::string PathOverride;
};

// Never destroyed: the library is released by UnloadCabinetLibrary, in an
// order the program entry chooses, not by a static destructor at exit.
Binding& State()
{
    static Binding& binding = *new Binding;
    return binding;
}

// The library's full path in the system directory. A plain LoadLibraryA would
// search the executable's folder and the current directory first, where a
// planted cabinet.dll could be waiting.
std::string LibraryPath()
{
    if (!State().PathOverride.empty())
        return State().PathOverride;
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, sizeof dir);
    if (n == 0 || n >= sizeof dir)
        RaiseLastOSError();
    std::string path(dir, n);
    if (path.back() != '\\')
        path += '\\';
    return path + "cabinet.dll";
}

} // namespace

void LoadCabinetLibrary()
{
    Binding& b = State();
    if (b.Library)
        return;
    std::string path = LibraryPath();
    ModuleHandle library(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library)
        RaiseLastOSError();
    for (size_t i = 0; i < EntryCount; ++i) {
        b.Entries[i] = GetProcAddress(library.get(), EntryNames[i]);
        if (!b.Entries[i]) {
            DWORD code = GetLastError();
            library.reset(); // released before the error leaves; the handle stays null
            throw EOSError(code);
        }
    }
    b.Library = std::move(library);
}

bool UnloadCabinetLibrary() noexcept
{
    Binding& b = State();
    if (b.LiveContexts > 0)
        return false;
    b.Library.reset();
    return true;
}

bool CabinetLibraryLoaded() noexcept
{
    return static_cast<bool>(State().Library);
}

HFDI __cdecl FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread, PFNWRITE pfnwrite,
                       PFNCLOSE pfnclose, PFNSEEK pfnseek, int cpuType, ERF* perf)
{
    Binding& b = State();
    if (!b.Library)
        LoadCabinetLibrary();
    auto create = reinterpret_cast<PFNFDICREATE>(reinterpret_cast<void*>(b.Entries[epFDICreate]));
    HFDI context = create(pfnalloc, pfnfree, pfnopen, pfnread, pfnwrite, pfnclose, pfnseek, cpuType, perf);
    if (context)
        ++b.LiveContexts;
    return context;
}

BOOL __cdecl FDICopy(HFDI hfdi, char* pszCabinet, char* pszCabPath, int flags, PFNFDINOTIFY pfnfdin,
                     PFNFDIDECRYPT pfnfdid, void* pvUser)
{
    auto copy = reinterpret_cast<PFNFDICOPY>(reinterpret_cast<void*>(State().Entries[epFDICopy]));
    return copy(hfdi, pszCabinet, pszCabPath, flags, pfnfdin, pfnfdid, pvUser);
}

BOOL __cdecl FDIDestroy(HFDI hfdi)
{
    Binding& b = State();
    auto destroy = reinterpret_cast<PFNFDIDESTROY>(reinterpret_cast<void*>(b.Entries[epFDIDestroy]));
    BOOL ok = destroy(hfdi);
    if (ok && b.LiveContexts > 0)
        --b.LiveContexts;
    return ok;
}

namespace CabIntfSeam {
void SetLibraryPath(const std::string& fullPath)
{
    State().PathOverride = fullPath;
}
HMODULE LibraryHandle() noexcept
{
    return State().Library.get();
}
int LiveContexts() noexcept
{
    return State().LiveContexts;
}
} // namespace CabIntfSeam
