// Program entry of the installer.
#include <windows.h>

#include "app/uKelpaInstall.h"
#include "cab/CabIntf.h"
#include "ui/Application.h"

namespace {
// A DLL planted beside the installer (it is run from download folders) must
// not be loaded: only the system directory is searched. Looked up at run time
// so that the program still starts where the call does not exist.
void RestrictDllSearchToSystem()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return;
    // Through a generic function pointer: FARPROC's type says nothing of the
    // real signature.
    auto setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDirectories)
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystem();
    try {
        Application.Initialize();
        Application.SetTitle("Kelpa installer");
        InitCommonControlClasses();
        Application.CreateForm(fKLPInst);
        Application.Run();
    } catch (...) {
        Application.CaptureException();
        Application.ShowPendingException();
    }
    // The main window and its components go first; the cabinet library may be
    // released only after the reader's context is gone.
    Application.DestroyForms();
    fKLPInst = nullptr;
    UnloadCabinetLibrary();
    Application.Finalize();
    return 0;
}
