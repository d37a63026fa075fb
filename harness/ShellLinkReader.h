#pragma once
// Reads a shortcut file back through the shell's own link object.
#include <string>

struct TShellLinkContents {
    std::string Path, WorkingDirectory, Arguments, Description;
};

// Raises std::runtime_error when the file cannot be loaded as a shortcut. The
// thread must have initialised COM.
TShellLinkContents ReadShellLink(const std::string& file);
