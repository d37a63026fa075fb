// The set fields read from a cabinet's header, on headers written byte by
// byte: a name must end inside the data.
#include <gtest/gtest.h>

#include <string>

#include "cab/CabHeader.h"
#include "harness/TestFiles.h"

using namespace std::string_literals;

namespace {

enum : uint16_t { fPrevious = 1, fNext = 2, fReserve = 4 };

// The 36-byte fixed part with the flags and set 7, then aTail.
std::string Header(uint16_t aFlags, const std::string& aTail)
{
    std::string bytes = "MSCF"s + std::string(32, '\0');
    bytes[30] = static_cast<char>(aFlags);
    bytes[32] = 7;
    return bytes + aTail;
}

} // namespace

TEST(CabHeader, NamesAreReadOnlyWhenTheyEndInsideTheData)
{
    struct Row {
        const char* Name;
        std::string Bytes;
        bool Read;
        const char* Previous;
        const char* Next;
    };
    const Row rows[] = {
        {"no neighbours", Header(0, ""), true, "", ""},
        {"next", Header(fNext, "set2.cab\0disk2\0"s), true, "", "set2.cab"},
        {"both", Header(fPrevious | fNext, "set1.cab\0disk1\0set3.cab\0disk3\0"s), true, "set1.cab", "set3.cab"},
        {"reserve skipped", Header(fReserve | fNext, "\x02\0\0\0xxset2.cab\0disk2\0"s), true, "", "set2.cab"},
        {"next runs to the end", Header(fNext, "set2.cab"s), false, "", ""},
        {"next disk runs to the end", Header(fNext, "set2.cab\0disk2"s), false, "", ""},
        {"previous disk runs to the end", Header(fPrevious, "set1.cab\0disk1"s), false, "", ""},
        {"next after previous runs to the end", Header(fPrevious | fNext, "set1.cab\0disk1\0set3"s), false, "", ""},
        {"reserve runs past the end", Header(fReserve | fNext, "\x10\0\0\0set2.cab\0"s), false, "", ""},
        {"fixed part cut", Header(0, "").substr(0, 35), false, "", ""},
        {"no signature", "MSCX"s + Header(0, "").substr(4), false, "", ""},
    };
    TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        WriteFile(dir.Path() + "header.cab", row.Bytes);
        TCabHeader header;
        TCabHeaderResult result = ReadCabHeader(dir.Path() + "header.cab", header, false);
        ASSERT_EQ(result.Status == TCabHeaderStatus::chsOk, row.Read);
        if (!row.Read)
            continue;
        EXPECT_EQ(header.SetID, 7);
        EXPECT_EQ(header.Previous, row.Previous);
        EXPECT_EQ(header.Next, row.Next);
    }
}
