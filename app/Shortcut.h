#pragma once
// Shortcut files to the product's executable, written by the shell's link
// object through IShellLinkA and IPersistFile.
#include <windows.h>
#include <objbase.h>
#include <functional>
#include <string>

#include "core/Exceptions.h"

// The name of every shortcut file and of the executable it starts.
constexpr char ShortcutFileName[] = "Kelpa.lnk";
constexpr char ProductExeName[] = "Kelpa.EXE";

// Raised by ShortcutFileIn for a shell folder that the lookup could not find.
constexpr char StartMenuMissingMessage[] = "The Start menu folder could not be found";
constexpr char DesktopMissingMessage[] = "The desktop folder could not be found";

// The link object does not offer IShellLinkA or IPersistFile.
class EInterfaceNotSupported : public Exception {
public:
    EInterfaceNotSupported() : Exception("Interface not supported") {}
};

// folder with a trailing backslash ensured, then "Kelpa.lnk". An empty folder
// (the lookup failed) raises Exception(missingMessage) instead of naming a
// file in the root of the current drive.
std::string ShortcutFileIn(const std::string& folder, const char* missingMessage);

// What the shortcut starts: installDir with a trailing backslash ensured, then
// "Kelpa.EXE". An empty installDir gives "\Kelpa.EXE".
std::string ShortcutTarget(const std::string& installDir);

// Where the shortcut starts it: the directory part of installDir as a
// directory path ("C:\Program Files\Kelpa" gives "C:\Program Files",
// "C:\Tools\Kelpa\" gives "C:\Tools\Kelpa", "C:\Kelpa" gives "C:\").
std::string ShortcutWorkingDirectory(const std::string& installDir);

// Makes a shell link object and hands out its IUnknown (one reference).
using LinkObjectMaker = std::function<HRESULT(IUnknown** object)>;

// CoCreateInstance of CLSID_ShellLink, in-process or local server.
HRESULT CreateShellLinkObject(IUnknown** object);

// Writes the shortcut file LinkFile that starts "Kelpa.EXE" in InstallDir.
// Does nothing when any file (not a directory) of that name exists already.
// Raises EOleSysError for a failing link-object call and
// EInterfaceNotSupported for a missing interface; every interface obtained is
// released on every path. The thread must have initialised COM. makeObject is
// a seam for tests; the program always uses the shell's link object.
void CreateShortcut(const std::string& LinkFile, const std::string& InstallDir,
                    const LinkObjectMaker& makeObject = CreateShellLinkObject);
