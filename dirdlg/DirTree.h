#pragma once
// Walking a directory path towards its root: the chooser's start directory
// falls back to the deepest part of it that exists, and an accepted directory
// is created together with its missing parents. Every step up makes the path
// strictly shorter, so no input (repeated backslashes, a UNC root, "C:\")
// can make a walk go on for ever.
#include <windows.h>
#include <string>

#include "core/Strings.h"

// True when the drive of a drive-letter path exists and has a medium; other
// paths (UNC, relative) give true. The critical-error box is suppressed.
bool DriveReady(const std::string& aPath);

// The deepest directory of aPath, itself included, that exists; "" when none
// does or when its drive is missing or not ready.
std::string DeepestExistingDirectory(const std::string& aPath, UINT aCodePage = CP_ACP);

// Creates aDirectory and every missing parent, outermost first. A failure
// raises EInOutError "Unable to create directory" with the system's code (an
// empty text gives code 3, the path is not found); the directory exists when
// this returns.
void CreateDirectoryPath(const std::string& aDirectory, UINT aCodePage = CP_ACP);
