// The file and memory callbacks, the path joiner, stamping, the notification
// bridge and the checks on names from a cabinet; no library involved.
#include <gtest/gtest.h>

#include "cab/CabCallbacks.h"
#include "cab/CabFiles.h"
#include "cab/CabIntfSeam.h"
#include "cab/CabNames.h"
#include "cab/CabSTComps.h"
#include "core/FileSystem.h"
#include "harness/TestFiles.h"
#include "harness/CabFixtures.h"

namespace {

struct CabFiles : testing::Test {
    TempDir Dir;
    std::string Existing = Dir.Path() + "existing.txt";
    std::string Missing = Dir.Path() + "missing.txt";
    CabFiles() { WriteFile(Existing, "0123456789"); }

    // Opens through the library's callback; LastFileError cleared first.
    INT_PTR Open(const std::string& name, int flags, int mode = cabS_IREAD | cabS_IWRITE)
    {
        LastFileError = 0;
        return CabOpenCallback(const_cast<char*>(name.c_str()), flags, mode);
    }
    static void Close(INT_PTR h) { EXPECT_EQ(CabCloseCallback(h), 0); }
    static LONG Size(INT_PTR h)
    {
        LONG pos = CabSeekCallback(h, 0, SEEK_CUR);
        LONG size = CabSeekCallback(h, 0, SEEK_END);
        CabSeekCallback(h, pos, SEEK_SET);
        return size;
    }
    // True when another opener may do this while the file is open here.
    static bool OthersMay(const std::string& name, DWORD access)
    {
        HANDLE h = CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(h);
        return true;
    }
};

} // namespace

TEST_F(CabFiles, ReadOnlyOpenSharesReadingOnly)
{
    INT_PTR h = Open(Existing, cabO_BINARY | cabO_RDONLY);
    ASSERT_NE(h, -1);
    EXPECT_TRUE(OthersMay(Existing, GENERIC_READ));
    EXPECT_FALSE(OthersMay(Existing, GENERIC_WRITE));
    char buffer[16] = {};
    EXPECT_EQ(CabReadCallback(h, buffer, 4), 4u);
    EXPECT_STREQ(buffer, "0123");
    EXPECT_EQ(CabWriteCallback(h, buffer, 1), static_cast<UINT>(-1)); // not opened for writing
    EXPECT_NE(LastFileError, 0);
    EXPECT_EQ(CabSeekCallback(h, 0, SEEK_END), 10);
    EXPECT_EQ(CabReadCallback(h, buffer, 4), 0u); // the end is not an error
    Close(h);

    EXPECT_EQ(Open(Missing, cabO_BINARY | cabO_RDONLY), -1);
    EXPECT_EQ(LastFileError, ERROR_FILE_NOT_FOUND);
}

TEST_F(CabFiles, CreationDispositions)
{
    // _O_CREAT alone: an existing file keeps its content, a missing one is made.
    INT_PTR h = Open(Existing, cabO_CREAT | cabO_RDWR);
    ASSERT_NE(h, -1);
    EXPECT_EQ(Size(h), 10);
    Close(h);
    h = Open(Missing, cabO_CREAT | cabO_WRONLY, cabS_IREAD); // read-only mode is ignored
    ASSERT_NE(h, -1);
    Close(h);
    EXPECT_EQ(GetFileAttributesA(Missing.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    DeleteFileA(Missing.c_str());

    // _O_CREAT with _O_EXCL never opens an existing file, _O_TRUNC or not.
    EXPECT_EQ(Open(Existing, cabO_CREAT | cabO_EXCL | cabO_WRONLY), -1);
    EXPECT_EQ(LastFileError, ERROR_FILE_EXISTS);
    EXPECT_EQ(Open(Existing, cabO_CREAT | cabO_EXCL | cabO_TRUNC | cabO_WRONLY), -1);
    EXPECT_EQ(LastFileError, ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadFile(Existing), "0123456789");

    // _O_TRUNC without _O_CREAT: only existing files, emptied.
    EXPECT_EQ(Open(Missing, cabO_TRUNC | cabO_WRONLY), -1);
    EXPECT_EQ(LastFileError, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(Missing, cabO_TRUNC | cabO_EXCL | cabO_WRONLY), -1);
    h = Open(Existing, cabO_TRUNC | cabO_WRONLY);
    ASSERT_NE(h, -1);
    Close(h);
    EXPECT_EQ(ReadFile(Existing), "");

    // _O_CREAT with _O_TRUNC: made or emptied.
    WriteFile(Existing, "abc");
    h = Open(Existing, cabO_CREAT | cabO_TRUNC | cabO_WRONLY);
    ASSERT_NE(h, -1);
    EXPECT_EQ(Size(h), 0);
    Close(h);

    // _O_CREAT with _O_TRUNC on a missing file: made empty, for writing only.
    h = Open(Missing, cabO_CREAT | cabO_TRUNC | cabO_WRONLY);
    ASSERT_NE(h, -1);
    EXPECT_EQ(LastFileError, 0);
    EXPECT_EQ(Size(h), 0);
    EXPECT_EQ(CabWriteCallback(h, const_cast<char*>("xy"), 2), 2u);
    char byte = 0;
    EXPECT_EQ(CabReadCallback(h, &byte, 1), static_cast<UINT>(-1));
    Close(h);
    EXPECT_EQ(ReadFile(Missing), "xy");
    DeleteFileA(Missing.c_str());

    // _O_EXCL alone is a plain open of an existing file.
    EXPECT_EQ(Open(Missing, cabO_EXCL | cabO_RDONLY), -1);
    EXPECT_EQ(LastFileError, ERROR_FILE_NOT_FOUND);
}

TEST_F(CabFiles, AppendTemporaryAndShortLived)
{
    INT_PTR h = Open(Existing, cabO_APPEND | cabO_WRONLY);
    ASSERT_NE(h, -1);
    EXPECT_EQ(CabSeekCallback(h, 0, SEEK_CUR), 10);
    EXPECT_EQ(CabWriteCallback(h, const_cast<char*>("!"), 1), 1u);
    Close(h);
    EXPECT_EQ(ReadFile(Existing), "0123456789!");

    // Delete-on-close only for a file the call may create.
    h = Open(Missing, cabO_TEMPORARY | cabO_CREAT | cabO_RDWR);
    ASSERT_NE(h, -1);
    Close(h);
    EXPECT_EQ(GetFileAttributesA(Missing.c_str()), INVALID_FILE_ATTRIBUTES);
    h = Open(Existing, cabO_TEMPORARY | cabO_SHORT_LIVED | cabO_RDWR);
    ASSERT_NE(h, -1);
    Close(h);
    EXPECT_EQ(ReadFile(Existing), "0123456789!");
}

namespace {
// A heap that counts its calls and meets none of them.
int HeapCalls = 0;
void* RefusingHeap(size_t)
{
    ++HeapCalls;
    return nullptr;
}
} // namespace

TEST(CabMemory, AllocationLimits)
{
    // Counts of 2^31 and more (negative as a signed 32-bit count) and zero
    // never reach the heap, on both builds.
    HeapCalls = 0;
    auto previous = CabIntfSeam::SetHeapAlloc(&RefusingHeap);
    for (ULONG size : {0x0u, 0x80000000u, 0xFFFFFFFFu})
        EXPECT_EQ(CabAllocCallback(size), nullptr) << size;
    EXPECT_EQ(HeapCalls, 0);
    EXPECT_FALSE(CabCallbackException().Pending());
    // A request the heap cannot meet is held as the runtime's out-of-memory error.
    EXPECT_EQ(CabAllocCallback(0x7FFFFFF0u), nullptr);
    EXPECT_EQ(HeapCalls, 1);
    CabIntfSeam::SetHeapAlloc(previous);
    ASSERT_TRUE(CabCallbackException().Pending());
    EXPECT_THROW(CabCallbackException().Rethrow(), EOutOfMemory);

    void* p = CabAllocCallback(100);
    ASSERT_NE(p, nullptr);
    CabFreeCallback(p);
    CabFreeCallback(nullptr);
}

TEST(CabPaths, JoinPutsOneBackslashAtEachSeam)
{
    for (const char* dir : {"C:\\Target", "C:\\Target\\"})
        for (const char* name : {"docs\\readme.txt", "\\docs\\readme.txt"})
            EXPECT_EQ(CabJoinPath({dir, name}), "C:\\Target\\docs\\readme.txt") << dir << " + " << name;
    EXPECT_EQ(CabJoinPath({"", "a.txt"}), "a.txt");
    EXPECT_EQ(CabJoinPath({"C:\\Target", ""}), "C:\\Target");
    EXPECT_EQ(CabJoinPath({"", ""}), "");
    EXPECT_EQ(CabJoinPath({"C:\\Target\\\\", "a.txt"}), "C:\\Target\\\\a.txt");
    EXPECT_EQ(CabJoinPath({"\\\\server\\share", "a/b", "c\\"}), "\\\\server\\share\\a/b\\c\\");
}

TEST_F(CabFiles, StampingSetsTimesThenMaskedAttributes)
{
    int32_t error = 0;
    ASSERT_TRUE(CabFileSetDateTimeAttrs(Existing.c_str(), FixtureDate, FixtureTime, 0xE1, error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(GetFileAttributesA(Existing.c_str()) & 0xE7, 0x21u);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(Existing.c_str(), GetFileExInfoStandard, &data);
    FILETIME local;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    WORD date = 0, time = 0;
    FileTimeToDosDateTime(&local, &date, &time);
    EXPECT_EQ(date, FixtureDate);
    EXPECT_EQ(time, FixtureTime);
    EXPECT_EQ(CompareFileTime(&data.ftCreationTime, &data.ftLastWriteTime), 0);

    error = 0;
    EXPECT_FALSE(CabFileSetDateTimeAttrs(Missing.c_str(), FixtureDate, FixtureTime, 0x01, error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA(Missing.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(CabStampTimes, EachDateAndTimePairGetsItsOwnTime)
{
    // 100-ns ticks of two seconds and of one day.
    constexpr int64_t TwoSeconds = 20000000, OneDay = 864000000000;
    auto ticks = [](const FILETIME& t) { return static_cast<int64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
    TCabStampTimes times;
    FILETIME first{}, laterTime{}, laterDate{}, again{};
    ASSERT_TRUE(times.Convert(0x52CF, 0x528F, first));     // 2021-06-15 10:20:30
    ASSERT_TRUE(times.Convert(0x52CF, 0x5290, laterTime)); // the same day, 10:20:32
    ASSERT_TRUE(times.Convert(0x52D0, 0x5290, laterDate)); // the same time, 2021-06-16
    ASSERT_TRUE(times.Convert(0x52CF, 0x528F, again));
    EXPECT_EQ(ticks(laterTime) - ticks(first), TwoSeconds);
    EXPECT_EQ(ticks(laterDate) - ticks(laterTime), OneDay);
    EXPECT_EQ(ticks(again), ticks(first));

    // A pair that names no time (month 15) converts to nothing, right after a
    // good one and as the very first pair alike.
    TCabStampTimes fresh;
    for (TCabStampTimes* cache : {&times, &fresh}) {
        FILETIME untouched{1, 2};
        EXPECT_FALSE(cache->Convert(0xFFFF, 0xFFFF, untouched));
        EXPECT_EQ(untouched.dwLowDateTime, 1u);
        EXPECT_EQ(untouched.dwHighDateTime, 2u);
    }
}

TEST(CabBridge, HandsTheRecordToTheReaderNamedByPv)
{
    TSTCabReader reader(nullptr);
    TSTCabReader* seen = nullptr;
    reader.OnUnrecognizedNotify = [&](TSTCabReader* sender, TFDINOTIFICATIONTYPE type, TFDINOTIFICATION& n,
                                      int32_t& result) {
        seen = sender;
        EXPECT_EQ(type, fdintENUMERATE);
        n.cb = 99; // the library's own record
        result = -1;
    };
    TFDINOTIFICATION n{};
    n.pv = &reader;
    EXPECT_EQ(CabNotify(fdintENUMERATE, &n), -1);
    EXPECT_EQ(seen, &reader);
    EXPECT_EQ(n.cb, 99);
}

TEST(CabNames, StoredNamesThatStayInside)
{
    for (const char* name : {"a.txt", "docs\\readme.txt", "a..b\\c", ".profile", "x\\.\\y", "CONFIG.SYS", "COM10",
                             "console.log", "lpt", "nul_file", "\\rooted.txt"})
        EXPECT_TRUE(IsSafeStoredName(name)) << name;
    for (const char* name : {"..", "..\\a", "a\\..", "a/../b", "...", ". .\\a", "C:x", "a:b", "\\\\?\\C:\\x", "CON",
                             "con.txt", "x\\Nul", "AUX.h\\y", "prn", "COM1", "com9.log", "LPT1", "CONOUT$", "nul .txt"})
        EXPECT_FALSE(IsSafeStoredName(name)) << name;
    // Windows takes the superscript digits of the ANSI page for the digit of
    // a port: COM\xB9 (COM1 with a superscript one) opens the first serial port.
    for (const char* name : {"COM\xB9", "lpt\xB2.txt", "x\\com\xB3"})
        EXPECT_FALSE(IsSafeStoredName(name)) << name;
    for (const char* name : {"a*.txt", "sub\\?.txt"})
        EXPECT_FALSE(IsSafeStoredName(name)) << name;
    for (const char* name : {"disk2.cab", "", "COM10.cab", "console.cab", "auxiliary.cab", "LPT.cab", "nul_2.cab"})
        EXPECT_TRUE(IsBareCabinetName(name)) << name;
    // Paths, devices (any case, with or without an extension) and patterns.
    for (const char* name : {"..\\disk2.cab", "sub/disk2.cab", "C:disk2.cab", "\\disk2.cab", "COM1", "aux.cab", "NUL",
                             "LPT3.cab", "lpt3.CAB", "Con", "com9 .cab", "CONIN$", "disk*.cab", "disk?.cab", "*"})
        EXPECT_FALSE(IsBareCabinetName(name)) << name;
}
