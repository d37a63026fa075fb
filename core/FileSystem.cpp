#include "core/FileSystem.h"

#include <vector>

#include "core/Strings.h"

TDirectorySearch::TDirectorySearch(const std::string& pattern, DWORD attrMask, TFindCalls calls)
    : FPattern(pattern), FExclude(~attrMask & (faHidden | faSysFile | faVolumeID | faDirectory)), FCalls(calls)
{
}

bool TDirectorySearch::Take()
{
    FRec.Name = FRec.FindData.cFileName;
    FRec.Attr = FRec.FindData.dwFileAttributes;
    return (FRec.Attr & FExclude) == 0;
}

bool TDirectorySearch::Next()
{
    if (!FStarted) {
        FStarted = true;
        FHandle.reset(FCalls.First(FPattern.c_str(), &FRec.FindData));
        if (!FHandle) {
            FLastError = GetLastError();
            return false;
        }
        if (Take())
            return true;
    }
    if (!FHandle)
        return false;
    while (FCalls.Next(FHandle.get(), &FRec.FindData)) {
        if (Take())
            return true;
    }
    FLastError = GetLastError();
    FHandle.reset();
    return false;
}

bool FileExists(const std::string& name)
{
    // Only the kind of entry counts: a file stamped before 1980 or after 2107
    // (reproducible builds stamp their output with such dates) is still there.
    // A pattern names no file, though the search would match it.
    if (ExtractFileName(name).find_first_of("*?") != std::string::npos)
        return false;
    WIN32_FIND_DATAA data;
    FindHandle h(FindFirstFileA(name.c_str(), &data));
    return h && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& name)
{
    DWORD attr = GetFileAttributesA(name.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool NonDirectoryExists(const std::string& name)
{
    DWORD attr = GetFileAttributesA(name.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {
// Runs a call that fills a buffer and returns the length written, 0 on
// failure, or the size needed (terminator included) when the buffer is too
// small; asks again at that size until the result fits.
template <typename F>
bool TryFillBuffer(std::string& out, F&& call)
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return false;
        if (n < buffer.size()) {
            out.assign(buffer.data(), n);
            return true;
        }
        buffer.resize(n + 1);
    }
}
} // namespace

bool TryCurrentDirectory(std::string& dir)
{
    return TryFillBuffer(dir, [](char* buffer, DWORD size) { return GetCurrentDirectoryA(size, buffer); });
}

bool TryFullPath(const std::string& name, std::string& full)
{
    if (name.empty()) {
        full.clear();
        return true;
    }
    return TryFillBuffer(full, [&](char* buffer, DWORD size) {
        char* filePart = nullptr;
        return GetFullPathNameA(name.c_str(), size, buffer, &filePart);
    });
}

std::string ExpandFileName(const std::string& name)
{
    std::string full;
    return TryFullPath(name, full) ? full : name;
}

namespace {
// Makes one directory; one that is there already as a directory counts.
bool MakeDirectory(const std::string& dir)
{
    if (CreateDirectoryA(dir.c_str(), nullptr))
        return true;
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS && DirectoryExists(dir))
        return true;
    SetLastError(error);
    return false;
}
} // namespace

bool TryCreateDirectories(const std::string& dir, UINT codePage)
{
    std::vector<std::string> missing;
    for (std::string path = WithoutTrailingBackslashes(dir, codePage);
         !path.empty() && !IsRootDirectory(path, codePage); path = ParentDirectory(path, codePage)) {
        if (MakeDirectory(path))
            break;
        if (GetLastError() != ERROR_PATH_NOT_FOUND)
            return false;
        missing.push_back(path);
    }
    // The innermost failed for want of a parent: the parents are made first.
    // A path whose outermost part cannot be made fails on it here again.
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        if (!MakeDirectory(*it))
            return false;
    return true;
}

std::string ModuleFileName(HMODULE module)
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}
