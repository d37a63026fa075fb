#pragma once
// The destination and the archives the main window proposes when it opens.
#include <optional>
#include <string>
#include <vector>

// The program-files directory with a trailing backslash ensured, then "Kelpa".
std::string DefaultDestination();

// The directory of an earlier installation from "KelpaPath" under
// HKEY_CURRENT_USER\Software\Kelpa: nullopt when the key or value is missing or
// its text is empty; otherwise the directory part (which may be empty).
// Raises Exception "Failed to get data for 'KelpaPath'" or
// "Invalid data type for 'KelpaPath'" for a value that cannot be used.
std::optional<std::string> EarlierInstallationDirectory();

// The program path inside a "KelpaPath" text: for a text that begins with a
// double quote, what lies between the first pair of quotes (arguments after
// the closing quote are dropped); otherwise the text with every quote removed.
std::string UnquotePath(const std::string& text);

// Bare names of the entries matching "Kelpa*.cab" in the directory of exePath,
// in the order of the platform's search; directories are left out.
std::vector<std::string> ArchivesBeside(const std::string& exePath);

// The archive an installation opens for the name in the archive field: a
// relative name (a bare name from the list, or one typed) lies in the
// directory of exePath, where the list found it, whatever the current
// directory is; a name with a drive, a UNC name or one from the root of a
// drive is used as typed.
std::string ArchiveLocation(const std::string& name, const std::string& exePath);

// The directory an installation writes to for the destination typed in the
// field. A full path (a drive with its backslash, or a UNC name) is used as it
// stands; any other name is placed by ArchiveLocation's rule (a relative name
// lies in the directory of exePath, a name from the root of a drive or with a
// drive and no backslash is taken as typed) and expanded to a full path, so
// that neither the extraction nor the shortcuts depend on the current
// directory, which the directory chooser moves.
std::string DestinationLocation(const std::string& typed, const std::string& exePath);
