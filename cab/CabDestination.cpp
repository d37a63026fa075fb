#include "cab/CabDestination.h"

#include <windows.h>
#include <algorithm>
#include <unordered_map>

#include "cab/CabErrors.h"
#include "cab/CabFiles.h"
#include "cab/CabNames.h"
#include "cab/CabTempNames.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "res/CabMessages.h"

namespace {

// A file name as the folder listing keys it: the system compares names
// without regard to case.
std::string Key(std::string aName)
{
    if (!aName.empty())
        CharUpperBuffA(aName.data(), static_cast<DWORD>(aName.size()));
    return aName;
}

struct TEntry {
    bool Exists = false;
    uint64_t Size = 0;
    DWORD Attrs = 0;
};
using TFolderListing = std::unordered_map<std::string, TEntry>;

// The entries of a folder (with a trailing backslash), read once; temporary
// files an earlier run left there go on the way.
TFolderListing ListFolder(const std::string& aDir)
{
    TFolderListing listing;
    TDirectorySearch search(aDir + "*", faAnyFile);
    while (search.Next()) {
        const TSearchRec& r = search.Current();
        if (!(r.Attr & faDirectory) && IsCabTempName(r.Name)) {
            CabFileDiscard((aDir + r.Name).c_str());
            continue;
        }
        listing[Key(r.Name)] =
            TEntry{true, (uint64_t(r.FindData.nFileSizeHigh) << 32) | r.FindData.nFileSizeLow, r.Attr};
    }
    return listing;
}

// aDir (without a final backslash, unless a root) or the nearest of its
// parents that exists; empty when none does.
std::string DeepestExisting(std::string aDir)
{
    for (;;) {
        if (DirectoryExists(aDir))
            return aDir;
        std::string parent = ExtractFileDir(aDir);
        if (parent.empty() || parent.size() >= aDir.size())
            return std::string();
        aDir = parent;
    }
}

// Tries whether aFolder takes a new entry of the kind the run makes there: a
// file when the destination exists, else a folder. The entry goes again at
// once. The system's code of a refusal, or 0.
DWORD ProbeNewEntry(const std::string& aFolder, bool aFile, TCabTempNames& aNames)
{
    const std::string base = IncludeTrailingBackslash(aFolder);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string probe = base + aNames.Next();
        if (aFile) {
            HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
            if (h != INVALID_HANDLE_VALUE) {
                CloseHandle(h);
                return 0;
            }
        } else if (CreateDirectoryA(probe.c_str(), nullptr)) {
            RemoveDirectoryA(probe.c_str());
            return 0;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return error;
    }
    return 0;
}

// The unit in which the volume hands out space.
uint64_t ClusterSize(const std::string& aFolder)
{
    char volume[MAX_PATH];
    DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
    if (GetVolumePathNameA(aFolder.c_str(), volume, MAX_PATH) &&
        GetDiskFreeSpaceA(volume, &sectors, &bytes, &freeClusters, &clusters) && sectors * bytes != 0)
        return static_cast<uint64_t>(sectors) * bytes;
    return 4096;
}

} // namespace

std::string CabSizeText(uint64_t aBytes, bool aRoundUp)
{
    constexpr uint64_t KB = 1024, MB = 1024 * 1024;
    if (aBytes < MB) {
        uint64_t kb = aRoundUp ? (aBytes + KB - 1) / KB : aBytes / KB;
        return Format(LoadResString(IDS_CAB_KILOBYTES).c_str(), static_cast<unsigned>(kb));
    }
    uint64_t tenths = aRoundUp ? (aBytes * 10 + MB - 1) / MB : aBytes * 10 / MB;
    return Format(LoadResString(IDS_CAB_MEGABYTES).c_str(), static_cast<unsigned>(tenths / 10),
                  static_cast<unsigned>(tenths % 10));
}

void PrepareCabDestination(const TCabDestinationPlan& aPlan, TCabTempNames& aNames)
{
    const std::string dest = IncludeTrailingBackslash(ExpandFileName(aPlan.DestDir));
    const std::string destDir = ExtractFileDir(dest);
    const std::string deepest = DeepestExisting(destDir);
    // Not even the drive is there: opening the first file says why.
    if (deepest.empty())
        return;
    const bool destExists = deepest == destDir;

    if (DWORD refused = ProbeNewEntry(deepest, destExists, aNames);
        refused == ERROR_ACCESS_DENIED || refused == ERROR_WRITE_PROTECT)
        throw ESTCabinet(Format(LoadResString(IDS_CAB_ACCESS_DENIED).c_str(), deepest.c_str()), FDIERROR_TARGET_FILE,
                         static_cast<int32_t>(refused));

    // Files in the order they are written: each replacement needs its new
    // size while the old file still stands, and frees the old size once it
    // is in place. The peak is what the volume must have.
    const uint64_t cluster = ClusterSize(deepest);
    auto rounded = [&](uint64_t n) { return static_cast<int64_t>((n + cluster - 1) / cluster * cluster); };
    std::unordered_map<std::string, TFolderListing> folders;
    int64_t running = 0, peak = 0;
    for (const TCabChainFile& f : *aPlan.Files) {
        if (!IsSafeStoredName(f.Name))
            continue;
        std::string name = f.Name;
        std::replace(name.begin(), name.end(), '/', '\\');
        name.erase(0, name.find_first_not_of('\\'));
        const size_t cut = LastDelimiter("\\", name);
        auto [folder, added] = folders.try_emplace(Key(name.substr(0, cut)));
        // Nothing below a destination that does not exist yet.
        if (added && destExists)
            folder->second = ListFolder(dest + name.substr(0, cut));
        TEntry& entry = folder->second[Key(name.substr(cut))];
        const bool existed = entry.Exists;
        if (existed && (entry.Attrs & FILE_ATTRIBUTE_DIRECTORY))
            continue; // refused when its turn comes
        if (existed && (entry.Attrs & FILE_ATTRIBUTE_READONLY) && aPlan.KeepReadOnly)
            continue;
        running += rounded(f.Size);
        peak = std::max(peak, running);
        if (existed)
            running -= rounded(entry.Size);
        entry = TEntry{true, f.Size, FILE_ATTRIBUTE_ARCHIVE};
    }

    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(IncludeTrailingBackslash(deepest).c_str(), &available, nullptr, nullptr))
        return;
    if (static_cast<uint64_t>(peak) > available.QuadPart)
        throw ESTCabinet(Format(LoadResString(IDS_CAB_NO_SPACE).c_str(), destDir.c_str(),
                                CabSizeText(static_cast<uint64_t>(peak), true).c_str(),
                                CabSizeText(available.QuadPart, false).c_str()),
                         FDIERROR_TARGET_FILE, ERROR_DISK_FULL);
}
