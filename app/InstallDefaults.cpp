// Placeholder until the defaults are implemented.
#include "app/InstallDefaults.h"

std::string DefaultDestination()
{
    return "\\Kelpa";
}

std::optional<std::string> EarlierInstallationDirectory()
{
    return std::nullopt;
}

std::vector<std::string> ArchivesBeside(const std::string&)
{
    return {};
}
