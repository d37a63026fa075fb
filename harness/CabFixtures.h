#pragma once
// Test fixtures: cabinets made at test time through the compression half of
// cabinet.dll, so that stored names, dates, attributes and cabinet sizes (and
// with them files that continue into the next cabinet) are chosen freely.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// 2021-06-15 10:20:30 as a DOS date and time.
constexpr uint16_t FixtureDate = 0x52CF;
constexpr uint16_t FixtureTime = 0x528F;

struct TFixtureFile {
    std::string StoredName;
    std::string Content;
    uint16_t Attrs = 0x20;
    uint16_t Date = FixtureDate;
    uint16_t Time = FixtureTime;
    bool Exec = false;
};

struct TFixtureSet {
    // Largest cabinet; a smaller one splits the set, and files continue
    // from one cabinet into the next.
    uint32_t MaxCabinetSize = 0x7FFFFFFF;
    bool Compress = true; // MSZIP, else stored
    uint16_t SetID = 1234;
    // Cabinet names, %d is the number from 1; may hold a sub-directory.
    std::string NamePattern = "set%d.cab";
    // Close the cabinet after each file and start the next one: a set in
    // which no file continues across a boundary.
    bool CabinetPerFile = false;
};

// Writes the cabinets into dir (ending in a backslash); returns their full
// names in order, never none. Raises std::runtime_error when the library
// refuses or no cabinet was written.
std::vector<std::string> MakeCabinets(const std::string& dir, const std::vector<TFixtureFile>& files,
                                      const TFixtureSet& options = {});

// Writes one cabinet of stored (uncompressed) data to path directly, without
// the library, with a zero (unchecked) checksum on each block: quick for
// fixtures of thousands of files, for which the library's compression half
// takes seconds. Raises std::runtime_error when the file cannot be written.
void MakeStoredCabinet(const std::string& path, const std::vector<TFixtureFile>& files, uint16_t setID = 1234);

// Bytes that do not compress, the same for the same seed.
std::string NoiseBytes(size_t count, uint32_t seed);

// A cabinet written byte by byte, without the library: one folder of stored
// (uncompressed) data holding every file, block checksums left at 0 (not
// checked). What the header states can be made wrong on purpose, as a
// damaged or hostile cabinet states it.
struct TRawCabinet {
    std::vector<TFixtureFile> Files;
    // The header's counts and the start of the file table; by default what
    // is written. Folders beyond the first start with the same data.
    std::optional<uint16_t> FolderCount, FileCount;
    std::optional<uint32_t> FileTableOffset;
    // A file's folder index as stored, by index into Files; 0 when not given.
    std::vector<std::pair<size_t, uint16_t>> FolderOf;
    // Neighbours in a set; empty for none.
    std::string Previous, Next;
    uint16_t SetID = 1234, Index = 0;
};
std::string RawCabinetBytes(const TRawCabinet& aCabinet);
