#include "cab/CabHeader.h"

#include <algorithm>
#include <cstring>

#include "core/Handle.h"

namespace {

// Header fields by offset; flag bits of the header.
constexpr size_t FixedHeaderSize = 36, CoffFilesOffset = 16, VersionMinorOffset = 24, VersionMajorOffset = 25,
                 FoldersOffset = 26, FilesOffset = 28, FlagsOffset = 30, SetIDOffset = 32;
constexpr uint16_t HasPreviousFlag = 0x0001, HasNextFlag = 0x0002, HasReserveFlag = 0x0004;
// The fixed part, the reserve sizes, the largest reserve and two name pairs.
constexpr size_t LongestHeader = FixedHeaderSize + 4 + 65535 + 4 * 256;
// A folder entry without its reserve, a file entry without its name.
constexpr size_t FolderEntrySize = 8, FileEntrySize = 16;
// The file table is read in blocks of this size; a name must end within one.
constexpr size_t TableBlock = 64 * 1024;

uint16_t Word(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Long(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool ReadAt(HANDLE aFile, uint64_t anOffset, unsigned char* aBuffer, size_t aCount, size_t& aGot)
{
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(anOffset);
    DWORD got = 0;
    if (!SetFilePointerEx(aFile, to, nullptr, FILE_BEGIN) ||
        !ReadFile(aFile, aBuffer, static_cast<DWORD>(aCount), &got, nullptr))
        return false;
    aGot = got;
    return true;
}

// The zero-terminated string at offset; false when it runs past the end.
bool ReadString(const std::vector<unsigned char>& bytes, size_t& offset, std::string& aText)
{
    const unsigned char* begin = bytes.data() + offset;
    const unsigned char* end = static_cast<const unsigned char*>(std::memchr(begin, 0, bytes.size() - offset));
    if (!end)
        return false;
    aText.assign(reinterpret_cast<const char*>(begin), end - begin);
    offset += (end - begin) + 1;
    return true;
}

// The file table, read front to back in blocks: an entry that does not fit
// into what is left of a block starts the next read.
class TTableReader {
public:
    TTableReader(HANDLE aFile, uint64_t aStart) : FFile(aFile), FNext(aStart) {}
    // The next entry's fixed part and name; false when the file ends first or
    // the name does not end within a block.
    bool Next(const unsigned char*& anEntry, std::string& aName)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            size_t left = FBytes.size() - FAt;
            if (left >= FileEntrySize) {
                const unsigned char* entry = FBytes.data() + FAt;
                const void* zero = std::memchr(entry + FileEntrySize, 0, left - FileEntrySize);
                if (zero) {
                    const char* name = reinterpret_cast<const char*>(entry + FileEntrySize);
                    aName.assign(name, static_cast<const char*>(zero) - name);
                    anEntry = entry;
                    FAt += FileEntrySize + aName.size() + 1;
                    return true;
                }
            }
            if (attempt == 0 && !Refill())
                return false;
        }
        return false;
    }

private:
    bool Refill()
    {
        // Keep the unread rest, read a block behind it.
        FBytes.erase(FBytes.begin(), FBytes.begin() + static_cast<ptrdiff_t>(FAt));
        FAt = 0;
        size_t kept = FBytes.size(), got = 0;
        FBytes.resize(kept + TableBlock);
        if (!ReadAt(FFile, FNext, FBytes.data() + kept, TableBlock, got))
            got = 0;
        FBytes.resize(kept + got);
        FNext += got;
        return got > 0;
    }

    HANDLE FFile;
    uint64_t FNext;
    std::vector<unsigned char> FBytes;
    size_t FAt = 0;
};

} // namespace

TCabHeaderResult ReadCabHeader(const std::string& aCabFile, TCabHeader& aHeader, bool aWithFiles)
{
    using S = TCabHeaderStatus;
    TCabHeaderResult result;
    aHeader = TCabHeader();
    FileHandle file(CreateFileA(aCabFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER fileSize{};
    if (!file || !GetFileSizeEx(file.get(), &fileSize)) {
        result.Status = S::chsCannotOpen;
        result.SystemError = GetLastError();
        return result;
    }
    std::vector<unsigned char> bytes(LongestHeader);
    size_t got = 0;
    if (!ReadAt(file.get(), 0, bytes.data(), bytes.size(), got) || got < FixedHeaderSize ||
        std::memcmp(bytes.data(), "MSCF", 4) != 0) {
        result.Status = S::chsNotACabinet;
        return result;
    }
    bytes.resize(got);
    const unsigned char* fixed = bytes.data();
    if (fixed[VersionMajorOffset] > 1 || (fixed[VersionMajorOffset] == 1 && fixed[VersionMinorOffset] > 3)) {
        result.Status = S::chsUnknownVersion;
        return result;
    }
    aHeader.SetID = Word(fixed + SetIDOffset);
    aHeader.FolderCount = Word(fixed + FoldersOffset);
    const uint16_t fileCount = Word(fixed + FilesOffset), flags = Word(fixed + FlagsOffset);
    const uint32_t tableStart = Long(fixed + CoffFilesOffset);
    size_t at = FixedHeaderSize, folderReserve = 0;
    if (flags & HasReserveFlag) {
        if (got < at + 4) {
            result.Status = S::chsCutShort;
            return result;
        }
        folderReserve = fixed[at + 2];
        at += 4 + Word(fixed + at);
        if (at > got) {
            result.Status = S::chsCutShort;
            return result;
        }
    }
    aHeader.HasPrevious = (flags & HasPreviousFlag) != 0;
    aHeader.HasNext = (flags & HasNextFlag) != 0;
    std::string disk;
    if ((aHeader.HasPrevious && !(ReadString(bytes, at, aHeader.Previous) && ReadString(bytes, at, disk))) ||
        (aHeader.HasNext && !(ReadString(bytes, at, aHeader.Next) && ReadString(bytes, at, disk)))) {
        result.Status = S::chsCutShort;
        return result;
    }
    if (!aWithFiles)
        return result;

    const uint64_t size = static_cast<uint64_t>(fileSize.QuadPart);
    if (aHeader.FolderCount == 0) {
        result.Status = S::chsNoFolders;
        return result;
    }
    if (at + static_cast<uint64_t>(aHeader.FolderCount) * (FolderEntrySize + folderReserve) > size) {
        result.Status = S::chsCutShort;
        return result;
    }
    if (fileCount == 0) {
        result.Status = S::chsNoFiles;
        return result;
    }
    aHeader.Files.resize(fileCount);
    TTableReader table(file.get(), tableStart);
    for (size_t i = 0; i < fileCount; ++i) {
        TCabHeaderFile& f = aHeader.Files[i];
        const unsigned char* entry = nullptr;
        if (!table.Next(entry, f.Name)) {
            aHeader.Files.resize(i);
            result.Status = S::chsFileTablePastEnd;
            return result;
        }
        f.Size = Long(entry);
        f.Folder = Word(entry + 8);
        // A continued file belongs to the folder shared with the neighbour.
        if (f.Folder >= aHeader.FolderCount && f.Folder < cabContinuedFromPrevious && result.Status == S::chsOk) {
            result.Status = S::chsBadFolderIndex;
            result.BadFile = i;
        }
    }
    return result;
}
