#pragma once
// Scratch files and folders for tests.
#include <windows.h>
#include <functional>
#include <string>

struct TSearchRec;

// A fresh directory under the prefix's temp folder, removed with everything in
// it when the object goes (RemoveTree).
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    // The directory with a trailing backslash.
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

// Makes dir the process's current directory for a scope (or, made without
// one, stays) and restores the one it found when it goes. Raises
// std::runtime_error when dir cannot be entered.
class CurrentDirectoryScope {
public:
    CurrentDirectoryScope();
    explicit CurrentDirectoryScope(const std::string& dir);
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;
    ~CurrentDirectoryScope();
    // The directory it found.
    const std::string& Saved() const { return FSaved; }

private:
    std::string FSaved;
};

void WriteFile(const std::string& name, const std::string& content);
std::string ReadFile(const std::string& name);
// Stamps a file's creation and last-write time with 15 June of a year, noon
// UTC (1970 and 2110 lie outside what a DOS date can hold).
void StampYear(const std::string& name, WORD year);
// Removes a tree, clearing read-only, hidden and system bits on the way; when
// the current directory stands in it, moves that to the tree's parent.
void RemoveTree(const std::string& dir);
// Calls visit for every entry below dir (which ends in a backslash), a folder
// before what it holds, with the entry's name relative to dir.
void WalkTree(const std::string& dir,
              const std::function<void(const std::string& relative, const TSearchRec& entry)>& visit);
// The directory of the running test executable, with a trailing backslash.
std::string ExeDir();
