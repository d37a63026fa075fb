#pragma once
// Where a cabinet stands in its set, read from its own header: the reader
// uses it to refuse a walk that would start in the middle of a set and to
// name the cabinet to start with instead.
#include <cstdint>
#include <optional>
#include <string>

// The number within the set is not used: cabinet makers count from 0 or
// from 1. The header's previous-cabinet entry is what marks a later member.
struct TCabSetPlace {
    uint16_t SetID = 0;
    bool HasPrevious = false;
    std::string Previous; // stored name of the previous cabinet
    bool HasNext = false;
    std::string Next; // stored name of the next cabinet
};

// The header's set fields; nullopt when the file cannot be read or is not a
// cabinet.
std::optional<TCabSetPlace> ReadCabSetPlace(const std::string& aCabFile);

// The bare name of the first cabinet of aCabFile's set, found by following
// the previous-cabinet names in aCabFile's folder. The walk ends at a cabinet
// that names no previous one, at a missing or unreadable member (whose name
// is the answer: it is the one to look for), at a member of another set, at
// an unsafe name and where the names form a ring.
std::string FirstCabinetOfSet(const std::string& aCabFile);

// The first next-cabinet name that IsBareCabinetName refuses, read from the
// headers of aCabFile and (with aWholeSet) of the members it leads to in its
// folder; nullopt when there is none. The walk ends at a cabinet that names no
// next one, at a missing or unreadable member and where the names form a ring.
// Checked before the library opens anything: refused inside the library's
// walk, the cabinet it had opened stays open.
std::optional<std::string> UnsafeNextCabinetName(const std::string& aCabFile, bool aWholeSet);
