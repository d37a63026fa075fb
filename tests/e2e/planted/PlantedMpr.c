/* A stand-in for mpr.dll planted beside the installer. Whatever process loads
   it, it leaves the file "<its own path>.loaded" behind. It exports the
   function the installer calls, so that a start-up import would bind to it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH + 8];
        DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcatA(path, ".loaded");
            HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            if (marker != INVALID_HANDLE_VALUE)
                CloseHandle(marker);
        }
    }
    return TRUE;
}

/* Never called: a process that binds to it has already left the marker.
   Exported under its plain name (linked with --kill-at). */
DWORD WINAPI WNetGetConnectionA(LPCSTR a, LPSTR b, LPDWORD c)
{
    (void)a, (void)b, (void)c;
    return ERROR_NOT_CONNECTED;
}
