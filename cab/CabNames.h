#pragma once
// Checks on names that come out of a cabinet. The library passes them on
// byte for byte, so a hostile cabinet could otherwise write outside the
// destination directory or make the library open a file outside the set's folder.
#include <string>

// One rule for every name from a cabinet: no component may be a device name
// (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, any case, with or
// without an extension) or hold "*" or "?".

// True when a stored file name stays inside the destination directory: no
// ".." component (also "..." or ". ." that the system reduces to it), no ":"
// (drives and alternate streams), and no reserved component as above. Both
// "\" and "/" separate components.
bool IsSafeStoredName(const std::string& aName);

// True when a next-cabinet name is a bare file name (no "\", "/" or ":") and
// not reserved as above.
bool IsBareCabinetName(const std::string& aName);

// A name from a cabinet as an error message quotes it: at most its first 260
// bytes (then "..."), each control character shown as \xNN. A damaged header
// can hand over tens of kilobytes of data as one name.
std::string QuoteCabName(const std::string& aName);
