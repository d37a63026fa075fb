#pragma once
// The system calls of the directory chooser that touch drives and volumes, as
// one replaceable table. The program always uses the real calls; tests replace
// entries to give what Wine cannot (a drive that is not ready, a slow network
// label, the error mode in force, the connection dialog).
#include <windows.h>

struct TDirSystem {
    UINT(WINAPI* SetErrorMode)(UINT uMode) = ::SetErrorMode;
    DWORD(WINAPI* GetLogicalDrives)() = ::GetLogicalDrives;
    UINT(WINAPI* GetDriveTypeA)(LPCSTR lpRootPathName) = ::GetDriveTypeA;
    BOOL(WINAPI* GetVolumeInformationA)(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer, DWORD nVolumeNameSize,
                                        LPDWORD lpVolumeSerialNumber, LPDWORD lpMaximumComponentLength,
                                        LPDWORD lpFileSystemFlags, LPSTR lpFileSystemNameBuffer,
                                        DWORD nFileSystemNameSize) = ::GetVolumeInformationA;
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
