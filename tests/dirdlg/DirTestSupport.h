#pragma once
// Shared helpers of the directory chooser's tests.
#include <windows.h>
#include <string>

// Puts the process's current directory back when the test ends.
class CurrentDirGuard {
public:
    CurrentDirGuard();
    CurrentDirGuard(const CurrentDirGuard&) = delete;
    CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;
    ~CurrentDirGuard();
    const std::string& Saved() const { return FSaved; }

private:
    std::string FSaved;
};

// The process's current directory.
std::string Cwd();
// Creates a directory (with its attributes) or a file, failing the test on error.
void MakeDir(const std::string& aPath, DWORD anAttributes = 0);
void MakeFile(const std::string& aPath, DWORD anAttributes = 0);
// aPath without its "C:" (the directory part a split returns).
std::string WithoutDrive(const std::string& aPath);
// aPath without its trailing backslash.
std::string NoSlash(const std::string& aPath);
