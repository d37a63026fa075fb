#pragma once
// Checks on names that come out of a cabinet. The library passes them on
// byte for byte, so a hostile cabinet could otherwise write outside the
// destination directory or make the library open a file outside the set's folder.
#include <string>

// True when a stored file name stays inside the destination directory: no
// ".." component (also "..." or ". ." that the system reduces to it), no ":"
// (drives and alternate streams), and no device name (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, CONIN$, CONOUT$, with or without an extension) as a
// component. Both "\" and "/" separate components.
bool IsSafeStoredName(const std::string& aName);

// True when a next-cabinet name is a bare file name: no "\", "/" or ":".
bool IsBareCabinetName(const std::string& aName);
