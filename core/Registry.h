#pragma once
// Reading the registry: keys opened for reading only and string values read
// whole. Nothing here writes to the registry.
#include <windows.h>
#include <string>

#include "core/Handle.h"

// Opens a key for reading with the first access the system grants: full read,
// then read without change notification, then query only. A key path may start
// with one backslash, which only says that it starts at the root. Empty when
// the key cannot be opened.
RegKey OpenKeyReadOnly(HKEY aRoot, const std::string& aKeyPath);

enum class TRegStringStatus {
    rsFound,      // Text holds the value's text
    rsMissing,    // no such value (its size cannot be queried)
    rsNotAString, // neither REG_SZ nor REG_EXPAND_SZ
    rsUnreadable, // the size was reported but the data could not be read
};

struct TRegString {
    TRegStringStatus Status = TRegStringStatus::rsMissing;
    DWORD Type = REG_NONE;
    DWORD Size = 0; // bytes of data, as the first query reported them
    std::string Text;
};

// Reads a string value: the text is cut at its first NUL (data stored without
// one keeps its last character), an expandable string is returned as stored.
TRegString QueryRegString(HKEY aKey, const std::string& aValueName);

// The text of a string value, or aDefault when the key cannot be opened (with
// KEY_READ) or the value is missing, not a string or unreadable. Never raises.
std::string ReadRegistryString(HKEY aRoot, const std::string& aKeyPath, const std::string& aValueName,
                               const std::string& aDefault);
