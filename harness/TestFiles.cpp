#include "harness/TestFiles.h"

#include <stdexcept>
#include <vector>

#include "core/FileSystem.h"
#include "core/Handle.h"
#include "core/Strings.h"

TempDir::TempDir()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        FPath = Format("%sklp%lu_%u\\", base, GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(FPath.c_str(), nullptr))
            return;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create " + FPath);
    }
}

TempDir::~TempDir()
{
    RemoveTree(FPath);
}

namespace {
std::string CurrentDirectory()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0)
            throw std::runtime_error("cannot read the current directory");
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(n);
    }
}
} // namespace

CurrentDirectoryScope::CurrentDirectoryScope() : FSaved(CurrentDirectory())
{
}

CurrentDirectoryScope::CurrentDirectoryScope(const std::string& dir) : FSaved(CurrentDirectory())
{
    if (!SetCurrentDirectoryA(dir.c_str()))
        throw std::runtime_error("cannot enter " + dir);
}

CurrentDirectoryScope::~CurrentDirectoryScope()
{
    SetCurrentDirectoryA(FSaved.c_str());
}

void WriteFile(const std::string& name, const std::string& content)
{
    FileHandle f(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        throw std::runtime_error("cannot write " + name);
    DWORD written = 0;
    if (!content.empty())
        ::WriteFile(f.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

void StampYear(const std::string& name, WORD year)
{
    FileHandle f(CreateFileA(name.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    SYSTEMTIME st{year, 6, 0, 15, 12, 0, 0, 0};
    FILETIME ft;
    if (!f || !SystemTimeToFileTime(&st, &ft) || !SetFileTime(f.get(), &ft, nullptr, &ft))
        throw std::runtime_error("cannot stamp " + name);
}

std::string ReadFile(const std::string& name)
{
    FileHandle f(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        throw std::runtime_error("cannot read " + name);
    std::string out;
    char buffer[65536];
    DWORD n = 0;
    while (::ReadFile(f.get(), buffer, sizeof buffer, &n, nullptr) && n > 0)
        out.append(buffer, n);
    return out;
}

namespace {
void RemoveEntries(const std::string& dir)
{
    std::string base = IncludeTrailingBackslash(dir);
    TDirectorySearch search(base + "*", faAnyFile);
    std::vector<TSearchRec> entries;
    while (search.Next())
        entries.push_back(search.Current());
    for (const auto& e : entries) {
        if (e.Name == "." || e.Name == "..")
            continue;
        std::string full = base + e.Name;
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (e.Attr & FILE_ATTRIBUTE_DIRECTORY)
            RemoveEntries(full);
        else
            DeleteFileA(full.c_str());
    }
    RemoveDirectoryA(dir.c_str());
}
} // namespace

void RemoveTree(const std::string& dir)
{
    RemoveEntries(dir);
    // The process's current directory cannot be removed, nor a directory
    // that holds it, whatever name it was entered by (a drive letter or a
    // share on the folder): the chooser's lists leave it where they last
    // looked. Step out to the tree's parent and try again.
    if (DirectoryExists(dir)) {
        std::string tree = IncludeTrailingBackslash(dir);
        SetCurrentDirectoryA(ExtractFilePath(tree.substr(0, tree.size() - 1)).c_str());
        RemoveEntries(dir);
    }
}

std::string ExeDir()
{
    return ExtractFilePath(ModuleFileName());
}

namespace {
void WalkBelow(const std::string& dir, const std::string& relative,
               const std::function<void(const std::string&, const TSearchRec&)>& visit)
{
    TDirectorySearch search(dir + relative + "*", faAnyFile);
    while (search.Next()) {
        const TSearchRec& entry = search.Current();
        if (entry.Name == "." || entry.Name == "..")
            continue;
        visit(relative + entry.Name, entry);
        if (entry.Attr & faDirectory)
            WalkBelow(dir, relative + entry.Name + "\\", visit);
    }
}
} // namespace

void WalkTree(const std::string& dir,
              const std::function<void(const std::string& relative, const TSearchRec& entry)>& visit)
{
    WalkBelow(dir, "", visit);
}
