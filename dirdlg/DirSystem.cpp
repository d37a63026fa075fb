#include "dirdlg/DirSystem.h"

TDirSystem& DirSystem() noexcept
{
    static TDirSystem table;
    return table;
}

TNetConnectDialog TDirSystem::SystemNetConnectDialog()
{
    // The dialog lives in the network provider router, taken from the system
    // directory only: a DLL of that name beside the program is never loaded.
    TNetConnectDialog dialog;
    dialog.Module.reset(LoadLibraryExA("mpr.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!dialog.Module)
        return dialog;
    dialog.Entry = reinterpret_cast<TNetConnectDialogProc>(
        reinterpret_cast<void*>(GetProcAddress(dialog.Module.get(), "WNetConnectionDialog")));
    if (!dialog.Entry)
        dialog.Module.reset();
    return dialog;
}
