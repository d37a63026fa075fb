/* A cabinet library that hands everything to the system's cabinet.dll, except
   that it keeps back the notification that ends the file "kept.txt": it leaves
   that file open, unstamped, and still reports success, which no real library
   is known to do on demand. The reader's tests load it by its full path. */
#include <windows.h>
#include <string.h>

/* Only what is looked at: the notification kind and the stored name. */
enum { fdintCLOSE_FILE_INFO = 3 };
typedef struct {
    LONG cb;
    char* psz1;
} Notification;
typedef INT_PTR(__cdecl* NotifyFn)(int, Notification*);
typedef void* Any;

static HMODULE System(void)
{
    static HMODULE library;
    if (!library) {
        char path[MAX_PATH];
        UINT n = GetSystemDirectoryA(path, MAX_PATH - 16);
        lstrcpyA(path + n, "\\cabinet.dll");
        library = LoadLibraryA(path);
    }
    return library;
}

#define ENTRY(name) ((void*)GetProcAddress(System(), name))

/* clang-format off */
__declspec(dllexport) void* FCICreate(void) { return 0; }
__declspec(dllexport) int FCIAddFile(void) { return 0; }
__declspec(dllexport) int FCIFlushCabinet(void) { return 0; }
__declspec(dllexport) int FCIFlushFolder(void) { return 0; }
__declspec(dllexport) int FCIDestroy(void) { return 0; }
__declspec(dllexport) int FDIIsCabinet(void) { return 0; }
/* clang-format on */

__declspec(dllexport) Any __cdecl FDICreate(Any a, Any f, Any o, Any r, Any w, Any c, Any s, int cpu, Any erf)
{
    Any(__cdecl * create)(Any, Any, Any, Any, Any, Any, Any, int, Any) = ENTRY("FDICreate");
    return create(a, f, o, r, w, c, s, cpu, erf);
}

static NotifyFn Notify;

static INT_PTR __cdecl Forget(int type, Notification* n)
{
    if (type == fdintCLOSE_FILE_INFO && strcmp(n->psz1, "kept.txt") == 0)
        return TRUE;
    return Notify(type, n);
}

__declspec(dllexport) BOOL
    __cdecl FDICopy(Any hfdi, char* cab, char* path, int flags, NotifyFn notify, Any decrypt, Any user)
{
    BOOL(__cdecl * copy)(Any, char*, char*, int, NotifyFn, Any, Any) = ENTRY("FDICopy");
    Notify = notify;
    return copy(hfdi, cab, path, flags, Forget, decrypt, user);
}

__declspec(dllexport) BOOL __cdecl FDIDestroy(Any hfdi)
{
    BOOL(__cdecl * destroy)(Any) = ENTRY("FDIDestroy");
    return destroy(hfdi);
}
