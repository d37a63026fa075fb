#pragma once
// The destination of an extraction, checked before anything is written:
// temporary files an earlier, killed run left in the folders the files go to
// are removed; the deepest folder of the destination that exists must take
// new entries; and the volume must have room for the files, counting the
// space of the files they replace.
#include <cstdint>
#include <string>
#include <vector>

#include "cab/CabChain.h"

class TCabTempNames;

struct TCabDestinationPlan {
    std::string DestDir; // the destination, as the reader joins names to it
    // The files as the cabinets store them; names that would leave the
    // destination are left out of the count (the reader refuses or places them).
    const std::vector<TCabChainFile>* Files = nullptr;
    // Existing read-only files are kept, so they need no space.
    bool KeepReadOnly = false;
};

// Raises ESTCabinet when the deepest existing folder refuses new entries or
// the files cannot fit; writes nothing but the removal of stale temporary
// files and a probe entry (named by aNames) that goes again at once.
void PrepareCabDestination(const TCabDestinationPlan& aPlan, TCabTempNames& aNames);

// An amount of bytes as the messages show it: megabytes with one decimal, or
// kilobytes below one megabyte; rounded up or down as asked, so that what is
// needed never reads as less than what is free.
std::string CabSizeText(uint64_t aBytes, bool aRoundUp);
