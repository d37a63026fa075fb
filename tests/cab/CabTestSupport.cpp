#include "tests/cab/CabTestSupport.h"

#include <windows.h>
#include <algorithm>
#include <stdexcept>

#include "cab/CabTempNames.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "harness/TestFiles.h"

std::string UnixPath(const std::string& aWindowsPath)
{
    using Fn = char*(CDECL*)(LPCWSTR);
    static auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn)
        throw std::runtime_error("not running under Wine");
    char* p = fn(AnsiToWide(aWindowsPath).c_str());
    if (!p)
        throw std::runtime_error("no Unix name for " + aWindowsPath);
    std::string result(p);
    HeapFree(GetProcessHeap(), 0, p);
    return result;
}

int RunUnix(const std::string& aCommand)
{
    // start /unix neither waits for the Linux program nor hands back its exit
    // code: the script writes the code into a file, which is awaited here.
    TempDir scratch;
    std::string rcFile = scratch.Path() + "rc";
    std::string script = scratch.Path() + "run.sh";
    std::string rcUnix = UnixPath(rcFile);
    WriteFile(script, aCommand + "\necho $? > '" + rcUnix + ".tmp' && mv '" + rcUnix + ".tmp' '" + rcUnix + "'\n");
    std::string cmd = "start.exe /wait /unix /bin/sh \"" + UnixPath(script) + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        throw std::runtime_error("cannot start " + cmd);
    WaitForSingleObject(pi.hProcess, 120000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (DWORD start = GetTickCount(); GetFileAttributesA(rcFile.c_str()) == INVALID_FILE_ATTRIBUTES;) {
        if (GetTickCount() - start > 300000)
            throw std::runtime_error("no exit code from: " + aCommand);
        Sleep(20);
    }
    return std::stoi(ReadFile(rcFile));
}

std::vector<std::string> ListTree(const std::string& aDir)
{
    std::vector<std::string> names;
    WalkTree(aDir, [&](const std::string& aRelative, const TSearchRec& anEntry) {
        if (!(anEntry.Attr & faDirectory))
            names.push_back(aRelative);
    });
    std::sort(names.begin(), names.end());
    return names;
}

std::string CompareTrees(const std::string& aLeft, const std::string& aRight)
{
    auto left = ListTree(aLeft), right = ListTree(aRight);
    if (left != right)
        return "different file lists: " + std::to_string(left.size()) + " vs " + std::to_string(right.size());
    for (const std::string& name : left)
        if (ReadFile(aLeft + name) != ReadFile(aRight + name))
            return "different content: " + name;
    return std::string();
}

int CabExtract(const std::string& aCabinet, const std::string& aDir)
{
    return RunUnix("cabextract -q -d '" + UnixPath(aDir) + "' '" + UnixPath(aCabinet) + "' >/dev/null 2>&1");
}

std::vector<std::string> TreeListing(const std::string& aDir)
{
    std::vector<std::string> out;
    WalkTree(aDir, [&](const std::string& aRelative, const TSearchRec& r) {
        const WIN32_FIND_DATAA& d = r.FindData;
        if (r.Attr & faDirectory)
            out.push_back(aRelative + "\\");
        else
            out.push_back(Format("%s size=%lu attr=%lx created=%lx%08lx written=%lx%08lx", aRelative.c_str(),
                                 d.nFileSizeLow, r.Attr, d.ftCreationTime.dwHighDateTime,
                                 d.ftCreationTime.dwLowDateTime, d.ftLastWriteTime.dwHighDateTime,
                                 d.ftLastWriteTime.dwLowDateTime));
    });
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> TemporaryFilesIn(const std::string& aDir)
{
    std::vector<std::string> found;
    for (const std::string& name : ListTree(aDir))
        if (IsCabTempName(ExtractFileName(name)))
            found.push_back(name);
    return found;
}

TDriveLink::TDriveLink(const std::string& aFolder)
{
    DWORD used = GetLogicalDrives();
    std::string devices = UnixPath("C:\\") + "/../dosdevices/";
    for (char letter = 'Y'; letter >= 'K' && FDrive.empty(); --letter) {
        if (used & (1u << (letter - 'A')))
            continue;
        std::string link = devices + static_cast<char>(letter - 'A' + 'a') + ":";
        if (RunUnix("[ ! -e '" + link + "' ] && ln -s '" + UnixPath(aFolder) + "' '" + link + "'") == 0) {
            FDrive = std::string(1, letter) + ":";
            FLink = link;
        }
    }
}

TDriveLink::~TDriveLink()
{
    if (!FLink.empty())
        RunUnix("rm -f '" + FLink + "'");
}

TSmallVolume::TSmallVolume(uint64_t aBytes)
{
    FMountPoint = UnixPath(FScratch.Path()) + "/volume";
    // In a subshell: RunUnix reads the exit code the script leaves behind.
    int rc = RunUnix("( [ \"$(id -u)\" = 0 ] || exit 3; mkdir -p '" + FMountPoint + "' && mount -t tmpfs -o size=" +
                     std::to_string(aBytes) + " tmpfs '" + FMountPoint + "' || exit 4 )");
    if (rc == 3) {
        FReason = "not root: no small volume can be mounted";
        return;
    }
    if (rc != 0) {
        FReason = "mounting a tmpfs failed";
        return;
    }
    FMounted = true;
    FLink = std::make_unique<TDriveLink>(FScratch.Path() + "volume");
    if (FLink->Drive().empty())
        FReason = "no free drive letter";
}

void TSmallVolume::MakeReadOnly()
{
    if (FMounted && RunUnix("mount -o remount,ro '" + FMountPoint + "'") != 0)
        throw std::runtime_error("cannot make the small volume read-only");
}

TSmallVolume::~TSmallVolume()
{
    FLink.reset();
    // A program of the test may still let go of a file there: lazily then.
    if (FMounted && RunUnix("umount '" + FMountPoint + "' || umount -l '" + FMountPoint + "'") == 0)
        RemoveDirectoryA((FScratch.Path() + "volume").c_str());
}
