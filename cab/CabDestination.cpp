#include "cab/CabDestination.h"

#include <windows.h>
#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>

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

// The entries of a folder (with a trailing backslash).
TFolderListing ListFolder(const std::string& aDir)
{
    TFolderListing listing;
    TDirectorySearch search(aDir + "*", faAnyFile);
    while (search.Next()) {
        const TSearchRec& r = search.Current();
        listing[Key(r.Name)] =
            TEntry{true, (uint64_t(r.FindData.nFileSizeHigh) << 32) | r.FindData.nFileSizeLow, r.Attr};
    }
    return listing;
}

// The folder part of a stored name, as the destination holds it: "/" read
// as "\", no leading separator; empty for the destination itself.
std::string FolderPart(const std::string& aStoredName, std::string* aFileName = nullptr)
{
    std::string name = aStoredName;
    std::replace(name.begin(), name.end(), '/', '\\');
    name.erase(0, name.find_first_not_of('\\'));
    const size_t cut = LastDelimiter("\\", name);
    if (aFileName)
        *aFileName = name.substr(cut);
    name.resize(cut);
    return name;
}

// Removes the temporary files an earlier run left in the folders the files
// go to: one search for the pattern in each.
void RemoveStaleTemporaryFiles(const std::string& aDest, const std::vector<TCabChainFile>& aFiles)
{
    std::unordered_set<std::string> searched;
    bool havePrevious = false;
    std::string previous; // the stored name up to its last separator
    for (const TCabChainFile& f : aFiles) {
        // Files of one folder come together: most are in the folder of the
        // file before.
        if (havePrevious && f.Name.compare(0, previous.size(), previous) == 0 &&
            f.Name.find_first_of("\\/", previous.size()) == std::string::npos)
            continue;
        const size_t last = f.Name.find_last_of("\\/");
        previous = f.Name.substr(0, last == std::string::npos ? 0 : last + 1);
        havePrevious = true;
        const std::string folder = FolderPart(f.Name);
        if (!IsSafeStoredName(f.Name) || !searched.insert(Key(folder)).second)
            continue;
        TDirectorySearch search(aDest + folder + "~klp*.tmp", faReadOnly | faHidden | faSysFile | faArchive);
        while (search.Next())
            if (IsCabTempName(search.Current().Name))
                CabFileDiscard((aDest + folder + search.Current().Name).c_str());
    }
}

// The most the files take at any moment while they are written in order:
// each replacement needs its new size while the old file still stands, and
// frees the old size once it is in place.
uint64_t PeakNeed(const std::string& aDest, bool aDestExists, const TCabDestinationPlan& aPlan,
                  const std::function<int64_t(uint64_t)>& aRounded)
{
    std::unordered_map<std::string, TFolderListing> folders;
    int64_t running = 0, peak = 0;
    for (const TCabChainFile& f : *aPlan.Files) {
        if (!aDestExists) {
            peak = running += aRounded(f.Size);
            continue;
        }
        if (!IsSafeStoredName(f.Name))
            continue;
        std::string fileName;
        const std::string folderPart = FolderPart(f.Name, &fileName);
        auto [folder, added] = folders.try_emplace(Key(folderPart));
        if (added)
            folder->second = ListFolder(aDest + folderPart);
        TEntry& entry = folder->second[Key(fileName)];
        const bool existed = entry.Exists;
        if (existed && (entry.Attrs & FILE_ATTRIBUTE_DIRECTORY))
            continue; // refused when its turn comes
        if (existed && (entry.Attrs & FILE_ATTRIBUTE_READONLY) && aPlan.KeepReadOnly)
            continue;
        running += aRounded(f.Size);
        peak = std::max(peak, running);
        if (existed)
            running -= aRounded(entry.Size);
        entry = TEntry{true, f.Size, FILE_ATTRIBUTE_ARCHIVE};
    }
    return static_cast<uint64_t>(peak);
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

    if (destExists)
        RemoveStaleTemporaryFiles(dest, *aPlan.Files);

    const uint64_t cluster = ClusterSize(deepest);
    auto rounded = [&](uint64_t n) { return static_cast<int64_t>((n + cluster - 1) / cluster * cluster); };
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(IncludeTrailingBackslash(deepest).c_str(), &available, nullptr, nullptr))
        return;
    // Replacements only give space back: when the new files fit as they
    // are, the files they replace need not be looked at.
    uint64_t total = 0;
    for (const TCabChainFile& f : *aPlan.Files)
        total += static_cast<uint64_t>(rounded(f.Size));
    if (total <= available.QuadPart)
        return;
    const uint64_t peak = PeakNeed(dest, destExists, aPlan, rounded);
    if (peak > available.QuadPart)
        throw ESTCabinet(Format(LoadResString(IDS_CAB_NO_SPACE).c_str(), destDir.c_str(),
                                CabSizeText(peak, true).c_str(), CabSizeText(available.QuadPart, false).c_str()),
                         FDIERROR_TARGET_FILE, ERROR_DISK_FULL);
}
