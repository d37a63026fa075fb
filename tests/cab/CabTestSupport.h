#pragma once
// Helpers shared by the cabinet tests: Linux tools run from the Windows test,
// tree comparison, and catching the exception a call raises.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// The Linux path of a Windows path (Wine's own mapping).
std::string UnixPath(const std::string& aWindowsPath);
// Runs a shell command on the Linux side and waits; returns its exit code.
int RunUnix(const std::string& aCommand);
// Relative names of the files under dir (ending in a backslash), sorted.
std::vector<std::string> ListTree(const std::string& aDir);
// Empty when both trees hold the same names with the same bytes; else what differs.
std::string CompareTrees(const std::string& aLeft, const std::string& aRight);
// Extracts the cabinet with cabextract into dir; its exit code.
int CabExtract(const std::string& aCabinet, const std::string& aDir);

// Runs f and returns the exception of type E it raised; fails the test (by
// throwing) when it raised none or another kind.
template <typename E, typename F>
E Raised(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e;
    }
    throw std::runtime_error("expected exception was not raised");
}
