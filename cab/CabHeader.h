#pragma once
// A cabinet's header and file table, read by the reader itself before the
// library opens anything: where the cabinet stands in its set, how many
// folders it has, and every file it stores with its size and folder. The
// checks the library leaves out (or makes with a misleading error) are made
// here: a cabinet without folders or files, a file in a folder the cabinet
// does not have, a file table that runs past the end of the file.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

// Folder indexes of a file that continues from the previous cabinet, into the
// next one, or both: the file belongs to a folder shared with those cabinets.
constexpr uint16_t cabContinuedFromPrevious = 0xFFFD, cabContinuedToNext = 0xFFFE, cabContinuedPreviousAndNext = 0xFFFF;

// True for a folder index that names a file continued from an earlier cabinet:
// its data is written when the file is met in the cabinet where it begins.
constexpr bool CabFileStartsEarlier(uint16_t aFolder)
{
    return aFolder == cabContinuedFromPrevious || aFolder == cabContinuedPreviousAndNext;
}
// True for a folder index that names a file continued into the next cabinet.
constexpr bool CabFileGoesOn(uint16_t aFolder)
{
    return aFolder == cabContinuedToNext || aFolder == cabContinuedPreviousAndNext;
}

struct TCabHeaderFile {
    std::string Name; // stored name, byte for byte
    uint32_t Size = 0;
    uint16_t Folder = 0;
};

// The number within the set is not used: cabinet makers count from 0 or
// from 1. The previous-cabinet entry is what marks a later member.
struct TCabHeader {
    uint16_t SetID = 0;
    bool HasPrevious = false;
    std::string Previous; // stored name of the previous cabinet
    bool HasNext = false;
    std::string Next; // stored name of the next cabinet
    uint16_t FolderCount = 0;
    std::vector<TCabHeaderFile> Files; // read only when asked for
};

enum class TCabHeaderStatus {
    chsOk,
    chsCannotOpen,       // the system's code says why
    chsNotACabinet,      // shorter than the fixed header, or no signature
    chsUnknownVersion,   // a format version after 1.3
    chsCutShort,         // the names or the folder table run past the end
    chsNoFolders,        // checked with the files only
    chsNoFiles,          // checked with the files only
    chsFileTablePastEnd, // an entry or its name runs past the end
    chsBadFolderIndex,   // a file names a folder the cabinet does not have
};

struct TCabHeaderResult {
    TCabHeaderStatus Status = TCabHeaderStatus::chsOk;
    DWORD SystemError = 0; // with chsCannotOpen
    size_t BadFile = 0;    // index into Files with chsBadFolderIndex
};

// Reads aCabFile's header into aHeader; with aWithFiles also the folder count
// checks and the file table. Each reads only what it needs: the header at the
// start, the file table where the header says it begins.
TCabHeaderResult ReadCabHeader(const std::string& aCabFile, TCabHeader& aHeader, bool aWithFiles);
