// Extraction benchmark helper, run under Wine by bench/cab/run.py:
//   cab_bench reader <cabinet> <dest>   through TSTCabReader
//   cab_bench reader-progress <cabinet> <dest>
//                                       the same with a progress handler
//   cab_bench checks <cabinet> <dest>   the reader's checks before writing alone
//   cab_bench compare <cabinet> <workdir> <rounds> first|over
//                                       floor, reader and reader with a
//                                       progress handler timed in one process,
//                                       into an empty folder or over a
//                                       complete earlier installation
//   cab_bench floor <cabinet> <dest>    through the thinnest correct FDI client
//   cab_bench makeset <srcdir> <outdir> <cabinet size>
//                                       a spanning set over every file of srcdir
// The floor uses the same cabinet.dll with the least work per file that still
// creates directories, writes the data and stamps the times: the lower bound
// for any program that extracts through the library.
#include <windows.h>
#include <fdi.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "harness/CabFixtures.h"

int RunReader(const std::string& cab, const std::string& dest, bool withProgress);
unsigned long ExtractWithReader(const std::string& cab, const std::string& dest, bool withProgress);
int RunChecks(const std::string& cab, const std::string& dest);

namespace Floor {

std::string Dest;
std::string NextCab, SwitchedCab;
bool Switched = false;

void* DIAMONDAPI Alloc(ULONG cb)
{
    return malloc(cb);
}
void DIAMONDAPI Free(void* p)
{
    free(p);
}
INT_PTR DIAMONDAPI Open(char* name, int, int)
{
    HANDLE h =
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(h);
}
UINT DIAMONDAPI Read(INT_PTR hf, void* buf, UINT cb)
{
    DWORD n = 0;
    return ReadFile(reinterpret_cast<HANDLE>(hf), buf, cb, &n, nullptr) ? n : static_cast<UINT>(-1);
}
UINT DIAMONDAPI Write(INT_PTR hf, void* buf, UINT cb)
{
    DWORD n = 0;
    return WriteFile(reinterpret_cast<HANDLE>(hf), buf, cb, &n, nullptr) ? n : static_cast<UINT>(-1);
}
int DIAMONDAPI Close(INT_PTR hf)
{
    return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1;
}
LONG DIAMONDAPI Seek(INT_PTR hf, LONG dist, int origin)
{
    return static_cast<LONG>(SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, origin));
}

void MakeParents(std::string path)
{
    size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos)
        return;
    path.resize(slash);
    if (CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        return;
    MakeParents(path);
    CreateDirectoryA(path.c_str(), nullptr);
}

INT_PTR DIAMONDAPI Notify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION n)
{
    switch (type) {
    case fdintCABINET_INFO: NextCab = n->psz1[0] ? std::string(n->psz3) + n->psz1 : std::string(); return 0;
    case fdintCOPY_FILE: {
        std::string name = Dest + n->psz1;
        auto open = [&] {
            return CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        };
        HANDLE h = open();
        if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
            MakeParents(name);
            h = open();
        }
        if (h == INVALID_HANDLE_VALUE)
            return -1;
        // Opening without truncating and cutting only a file that was there
        // is correct and, under Wine, cheaper than CREATE_ALWAYS.
        if (GetLastError() == ERROR_ALREADY_EXISTS)
            SetEndOfFile(h);
        return reinterpret_cast<INT_PTR>(h);
    }
    case fdintCLOSE_FILE_INFO: {
        // Files share few stamps; the local-to-UTC conversion is not free.
        static DWORD lastKey = 0xFFFFFFFF;
        static FILETIME utc;
        DWORD key = (DWORD(n->date) << 16) | n->time;
        FILETIME local;
        if (key != lastKey)
            lastKey = DosDateTimeToFileTime(n->date, n->time, &local) && LocalFileTimeToFileTime(&local, &utc)
                          ? key
                          : 0xFFFFFFFF;
        if (lastKey == key)
            SetFileTime(reinterpret_cast<HANDLE>(n->hf), &utc, nullptr, &utc);
        CloseHandle(reinterpret_cast<HANDLE>(n->hf));
        return TRUE;
    }
    case fdintNEXT_CABINET:
        SwitchedCab = std::string(n->psz3) + n->psz1;
        Switched = true;
        return n->fdie == FDIERROR_NONE ? 0 : -1;
    default: return 0;
    }
}

int Run(const std::string& cab, const std::string& dest)
{
    Dest = dest;
    ERF erf{};
    HFDI fdi = FDICreate(Alloc, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &erf);
    if (!fdi)
        return 2;
    std::string current = cab;
    while (!current.empty()) {
        NextCab.clear();
        Switched = false;
        size_t slash = current.find_last_of('\\');
        std::string name = current.substr(slash + 1), dir = current.substr(0, slash + 1);
        if (!FDICopy(fdi, name.data(), dir.data(), 0, Notify, nullptr, nullptr)) {
            std::fprintf(stderr, "FDICopy failed: %d\n", erf.erfOper);
            return 1;
        }
        std::string next = Switched ? SwitchedCab : NextCab;
        current = lstrcmpiA(next.c_str(), current.c_str()) == 0 ? std::string() : next;
    }
    FDIDestroy(fdi);
    return 0;
}

} // namespace Floor

namespace {

std::string ReadWhole(const std::string& name)
{
    std::string out;
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    DWORD size = GetFileSize(h, nullptr), n = 0;
    out.resize(size);
    if (size)
        ReadFile(h, out.data(), size, &n, nullptr);
    CloseHandle(h);
    return out;
}

int MakeSet(const std::string& srcDir, const std::string& outDir, unsigned cabSize)
{
    std::vector<TFixtureFile> files;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((srcDir + "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return 1;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back({fd.cFileName, ReadWhole(srcDir + fd.cFileName)});
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    TFixtureSet set;
    set.MaxCabinetSize = cabSize;
    set.NamePattern = "span%d.cab";
    auto cabs = MakeCabinets(outDir, files, set);
    std::printf("%u cabinets\n", static_cast<unsigned>(cabs.size()));
    return cabs.size() >= 2 ? 0 : 1;
}

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(dir + name + "\\");
            } else {
                SetFileAttributesA((dir + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA((dir + name).c_str());
            }
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The tools in one process, without Wine's start: each round runs each once
// (the order rotating), into an emptied folder or over the complete
// installation the floor made before the first round. Prints the median time
// of each and the median of its per-round ratio to the floor.
int Compare(const std::string& cab, const std::string& work, int rounds, bool over)
{
    const std::string dest = work + (over ? "over\\" : "first\\");
    RemoveTree(dest);
    if (over && Floor::Run(cab, dest) != 0)
        return 1;
    const char* names[] = {"floor", "reader", "reader-progress"};
    std::vector<double> times[3];
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int r = 0; r < rounds; ++r) {
        for (int k = 0; k < 3; ++k) {
            int tool = (k + r) % 3;
            if (!over)
                RemoveTree(dest);
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            if (tool == 0)
                Floor::Run(cab, dest);
            else
                ExtractWithReader(cab, dest, tool == 2);
            QueryPerformanceCounter(&end);
            times[tool].push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
        }
    }
    RemoveTree(dest);
    for (int tool = 0; tool < 3; ++tool) {
        std::vector<double> ratios;
        for (int r = 0; r < rounds; ++r)
            ratios.push_back(times[tool][r] / times[0][r]);
        std::printf("%s %s median_ms %.1f median_ratio %.3f\n", over ? "over" : "first", names[tool],
                    Median(times[tool]), Median(ratios));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return 64;
    std::string mode = argv[1], a = argv[2], b = argv[3];
    if (b.back() != '\\')
        b += '\\';
    try {
        if (mode == "reader" || mode == "reader-progress")
            return RunReader(a, b, mode == "reader-progress");
        if (mode == "checks")
            return RunChecks(a, b);
        if (mode == "floor")
            return Floor::Run(a, b);
        if (mode == "compare" && argc == 6)
            return Compare(a, b, std::stoi(argv[4]), std::string(argv[5]) == "over");
        if (mode == "makeset" && argc == 5)
            return MakeSet(a.back() == '\\' ? a : a + '\\', b, static_cast<unsigned>(std::stoul(argv[4])));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 64;
}
