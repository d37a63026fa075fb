#include "cab/CabSetPlace.h"

#include <windows.h>
#include <vector>

#include "cab/CabNames.h"
#include "core/Handle.h"
#include "core/Strings.h"

namespace {

// Header fields by offset; flag bits of the header.
constexpr size_t FixedHeaderSize = 36, FlagsOffset = 30, SetIDOffset = 32;
constexpr uint16_t HasPrevious = 0x0001, HasNext = 0x0002, HasReserve = 0x0004;
// The fixed part, the reserve sizes, the largest reserve and two names.
constexpr size_t LongestHeader = FixedHeaderSize + 4 + 65535 + 2 * 256;

uint16_t Word(const std::vector<char>& bytes, size_t offset)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                 static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

// The zero-terminated string at offset; false when it runs past the end.
bool ReadString(const std::vector<char>& bytes, size_t& offset, std::string& aText)
{
    size_t end = offset;
    while (end < bytes.size() && bytes[end] != 0)
        ++end;
    if (end >= bytes.size())
        return false;
    aText.assign(bytes.data() + offset, end - offset);
    offset = end + 1;
    return true;
}

} // namespace

std::optional<TCabSetPlace> ReadCabSetPlace(const std::string& aCabFile)
{
    FileHandle file(CreateFileA(aCabFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    std::vector<char> bytes(LongestHeader);
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        return std::nullopt;
    bytes.resize(got);
    if (got < FixedHeaderSize || std::string(bytes.data(), 4) != "MSCF")
        return std::nullopt;
    TCabSetPlace place;
    place.SetID = Word(bytes, SetIDOffset);
    uint16_t flags = Word(bytes, FlagsOffset);
    size_t at = FixedHeaderSize;
    if (flags & HasReserve) {
        if (got < at + 4)
            return std::nullopt;
        at += 4 + Word(bytes, at);
    }
    place.HasPrevious = (flags & HasPrevious) != 0;
    place.HasNext = (flags & HasNext) != 0;
    std::string disk;
    if (place.HasPrevious && !(ReadString(bytes, at, place.Previous) && ReadString(bytes, at, disk)))
        return std::nullopt;
    if (place.HasNext && !ReadString(bytes, at, place.Next))
        return std::nullopt;
    return place;
}

std::string FirstCabinetOfSet(const std::string& aCabFile)
{
    std::string dir = ExtractFilePath(aCabFile), first = ExtractFileName(aCabFile);
    std::vector<std::string> seen{first};
    std::optional<TCabSetPlace> place = ReadCabSetPlace(aCabFile);
    while (place && place->HasPrevious && !place->Previous.empty() && IsBareCabinetName(place->Previous)) {
        // Names that form a ring end the walk.
        for (const std::string& name : seen)
            if (SameText(name, place->Previous))
                return first;
        // A member the set names counts even when it is missing: that is the
        // cabinet to look for.
        first = place->Previous;
        seen.push_back(first);
        std::optional<TCabSetPlace> previous = ReadCabSetPlace(dir + first);
        if (previous && previous->SetID != place->SetID)
            break;
        place = previous;
    }
    return first;
}

std::optional<std::string> UnsafeNextCabinetName(const std::string& aCabFile, bool aWholeSet)
{
    std::string dir = ExtractFilePath(aCabFile);
    std::vector<std::string> seen{ExtractFileName(aCabFile)};
    std::optional<TCabSetPlace> place = ReadCabSetPlace(aCabFile);
    while (place && place->HasNext && !place->Next.empty()) {
        if (!IsBareCabinetName(place->Next))
            return place->Next;
        if (!aWholeSet)
            break;
        for (const std::string& name : seen)
            if (SameText(name, place->Next))
                return std::nullopt;
        seen.push_back(place->Next);
        place = ReadCabSetPlace(dir + place->Next);
    }
    return std::nullopt;
}
