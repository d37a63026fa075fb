#include "cab/CabSetPlace.h"

#include <vector>

#include "cab/CabHeader.h"
#include "cab/CabNames.h"
#include "core/Strings.h"

namespace {

bool ReadPlace(const std::string& aCabFile, TCabHeader& aHeader)
{
    return ReadCabHeader(aCabFile, aHeader, false).Status == TCabHeaderStatus::chsOk;
}

} // namespace

bool StartsLaterInSet(const std::string& aCabFile)
{
    TCabHeader header;
    return ReadPlace(aCabFile, header) && header.HasPrevious;
}

std::string FirstCabinetOfSet(const std::string& aCabFile)
{
    std::string dir = ExtractFilePath(aCabFile), first = ExtractFileName(aCabFile);
    std::vector<std::string> seen{first};
    TCabHeader place;
    bool known = ReadPlace(aCabFile, place);
    while (known && place.HasPrevious && !place.Previous.empty() && IsBareCabinetName(place.Previous)) {
        // Names that form a ring end the walk.
        for (const std::string& name : seen)
            if (SameText(name, place.Previous))
                return first;
        // A member the set names counts even when it is missing: that is the
        // cabinet to look for.
        first = place.Previous;
        seen.push_back(first);
        TCabHeader previous;
        known = ReadPlace(dir + first, previous);
        if (known && previous.SetID != place.SetID)
            break;
        place = previous;
    }
    return first;
}
