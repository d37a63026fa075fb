#include "core/FileSystem.h"

#include <vector>

#include "core/Strings.h"

TDirectorySearch::TDirectorySearch(const std::string& pattern, DWORD attrMask)
    : FPattern(pattern), FExclude(~attrMask & (faHidden | faSysFile | faVolumeID | faDirectory))
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
        FHandle.reset(FindFirstFileA(FPattern.c_str(), &FRec.FindData));
        if (!FHandle) {
            FLastError = GetLastError();
            return false;
        }
        if (Take())
            return true;
    }
    if (!FHandle)
        return false;
    while (FindNextFileA(FHandle.get(), &FRec.FindData)) {
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

std::string ExpandFileName(const std::string& name)
{
    if (name.empty())
        return {};
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        char* filePart = nullptr;
        DWORD n = GetFullPathNameA(name.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
        if (n == 0)
            return name;
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(n);
    }
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
