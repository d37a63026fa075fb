#pragma once
// The chain of cabinets an extraction will read, walked through their own
// headers before the library opens anything: every member must be there and
// sound, and the files to write are known with their sizes. A missing member,
// a cabinet the library would take for another (no files, no folders, a file
// in a folder the cabinet lacks, a file table past its end) and an unsafe
// next-cabinet name are reported now, before anything is written.
#include <cstdint>
#include <string>
#include <vector>

enum class TCabChainReach {
    // Every member the headers name, as the reader goes on from cabinet to cabinet.
    ccrWholeSet,
    // The files of the first cabinet; later members only as far as a file
    // of it continues into them (the library reads on for that file).
    ccrFirstCabinet,
    // An owner finds later members itself, where the headers cannot say: the
    // first cabinet alone.
    ccrFirstOnly,
};

struct TCabChainFile {
    std::string Name; // stored name
    uint32_t Size = 0;
};

struct TCabChain {
    // The files to write, in the order the library meets them; a file that
    // spans cabinets is counted once, where it begins.
    std::vector<TCabChainFile> Files;
    uint64_t Bytes = 0;
};

// Reads the headers of aFirstCabinet (a full name) and of the members in its
// folder that aReach takes in. Raises ESTCabinet: a cabinet that cannot be
// opened as "Cabinet not found" with the system's error, one that is no
// cabinet, of an unknown version or cut short in its header with the
// library's own errors, the refusals above with a message naming the cabinet.
TCabChain ReadCabChain(const std::string& aFirstCabinet, TCabChainReach aReach);
