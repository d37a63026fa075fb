#pragma once
// Where the machine keeps its program files, Start menu and desktop. None of
// these raises: a failure gives the empty string (or the caller's default).
#include <windows.h>
#include <shlobj.h>
#include <string>

// ReadRegistryString(HKEY_LOCAL_MACHINE, "Software\Microsoft\Windows\CurrentVersion",
// "ProgramFilesDir", "").
std::string ProgramFilesDirectory();
// The file-system path of a shell folder (CSIDL), without trailing backslash
// except for a drive root; empty when the shell has none.
std::string SpecialFolderPath(int folder);
std::string DesktopDirectory();
std::string StartMenuDirectory();
std::string ItemIdListToPath(LPCITEMIDLIST list);
// Frees a list the shell allocated and clears the reference; true when freed
// or already empty.
bool FreeItemIdList(LPITEMIDLIST& list);
