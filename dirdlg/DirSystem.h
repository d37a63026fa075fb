#pragma once
// The system calls of the directory chooser that touch drives and volumes, as
// one replaceable table. The program always uses the real calls; tests replace
// entries to give what Wine cannot (a drive that is not ready, a slow network
// label, the error mode in force, the connection dialog, a search that fails
// part way) and to count the directory searches.
#include <windows.h>

#include "core/Handle.h"

// The system's dialog that connects a network drive: (owner window, resource
// type) gives NO_ERROR on a new connection.
using TNetConnectDialogProc = DWORD(WINAPI*)(HWND hwnd, DWORD dwType);

// The connection dialog's entry together with the module that keeps it loaded.
struct TNetConnectDialog {
    ModuleHandle Module;
    TNetConnectDialogProc Entry = nullptr;
};

struct TDirSystem {
    UINT(WINAPI* SetErrorMode)(UINT uMode) = ::SetErrorMode;
    DWORD(WINAPI* GetLogicalDrives)() = ::GetLogicalDrives;
    UINT(WINAPI* GetDriveTypeA)(LPCSTR lpRootPathName) = ::GetDriveTypeA;
    BOOL(WINAPI* GetVolumeInformationA)
    (LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer, DWORD nVolumeNameSize, LPDWORD lpVolumeSerialNumber,
     LPDWORD lpMaximumComponentLength, LPDWORD lpFileSystemFlags, LPSTR lpFileSystemNameBuffer,
     DWORD nFileSystemNameSize) = ::GetVolumeInformationA;
    BOOL(WINAPI* SetCurrentDirectoryA)(LPCSTR lpPathName) = ::SetCurrentDirectoryA;
    HANDLE(WINAPI* FindFirstFileA)(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) = ::FindFirstFileA;
    BOOL(WINAPI* FindNextFileA)(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) = ::FindNextFileA;
    DWORD(WINAPI* WNetGetConnectionA)(LPCSTR lpLocalName, LPSTR lpRemoteName, LPDWORD lpnLength) = ::WNetGetConnectionA;
    // Finds the connection dialog in its own module; an empty entry when the
    // system has none.
    TNetConnectDialog (*LoadNetConnectDialog)() = &SystemNetConnectDialog;

    static TNetConnectDialog SystemNetConnectDialog();
};

// The table in force.
TDirSystem& DirSystem() noexcept;

// Runs a scope with the system's critical-error box suppressed (a drive
// without media fails the call instead of asking the user), then restores the
// error mode that was in force before.
class TCriticalErrorsOff {
public:
    TCriticalErrorsOff() noexcept : FOld(DirSystem().SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    TCriticalErrorsOff(const TCriticalErrorsOff&) = delete;
    TCriticalErrorsOff& operator=(const TCriticalErrorsOff&) = delete;
    ~TCriticalErrorsOff() { DirSystem().SetErrorMode(FOld); }

private:
    UINT FOld;
};
