// The reader component against the real cabinet.dll, with cabinets made at
// test time and cabextract as an independent reader.
#include <gtest/gtest.h>

#include <functional>

#include "cab/CabIntfSeam.h"
#include "cab/CabSTComps.h"
#include "core/FileSystem.h"
#include "core/Handle.h"
#include "core/Strings.h"
#include "harness/TestFiles.h"
#include "harness/CabFixtures.h"
#include "tests/cab/CabTestSupport.h"

namespace {

struct CabReader : testing::Test {
    TempDir Dir;
    std::string Src = Dir.Path() + "cabs\\";
    std::string Dst = Dir.Path() + "out\\";
    TSTCabReader Reader{nullptr};
    CabReader() { CreateDirectoryA(Src.c_str(), nullptr); }

    std::vector<std::string> Make(const std::vector<TFixtureFile>& files, const TFixtureSet& set = {})
    {
        return MakeCabinets(Src, files, set);
    }
};

// A set whose every boundary splits a file: the big middle file runs
// through all cabinets.
std::vector<TFixtureFile> SpanningFiles()
{
    return {{"first.txt", "the first file\r\n"},
            {"data\\big.bin", NoiseBytes(120000, 7)},
            {"data\\second.bin", NoiseBytes(30000, 8)},
            {"last.txt", "the last file\r\n"}};
}

// Stored cabinets of at most 40,000 bytes: the spanning files above fill
// four of them.
TFixtureSet SmallStoredCabinets()
{
    TFixtureSet set;
    set.MaxCabinetSize = 40000;
    set.Compress = false;
    return set;
}

FILETIME WriteTime(const std::string& name)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// The local DOS date and time a file's last-write time shows.
[[maybe_unused]] std::pair<WORD, WORD> DosStamp(const std::string& name)
{
    FILETIME utc = WriteTime(name), local;
    FileTimeToLocalFileTime(&utc, &local);
    WORD date = 0, time = 0;
    FileTimeToDosDateTime(&local, &date, &time);
    return {date, time};
}

// The files under dir that some handle still holds: opening one with no
// sharing fails then.
std::vector<std::string> HeldOpen(const std::string& dir)
{
    std::vector<std::string> held;
    for (const std::string& name : ListTree(dir)) {
        FileHandle f(
            CreateFileA((dir + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!f)
            held.push_back(name);
    }
    return held;
}

} // namespace

TEST_F(CabReader, ExtractsTheSameTreeAsCabextract)
{
    // A plain cabinet made by gcab, with a sub-directory in the stored names.
    std::string tree = Dir.Path() + "tree\\";
    CreateDirectoryA(tree.c_str(), nullptr);
    CreateDirectoryA((tree + "docs").c_str(), nullptr);
    WriteFile(tree + "docs\\readme.txt", "read me\r\n");
    WriteFile(tree + "Kelpa.exe", NoiseBytes(70000, 1));
    WriteFile(tree + "empty.dat", "");
    ASSERT_EQ(RunUnix("cd '" + UnixPath(tree) + "' && gcab -c -z '" + UnixPath(Src) +
                      "plain.cab' docs/readme.txt Kelpa.exe empty.dat"),
              0);

    Reader.Extract(Src + "plain.cab", Dir.Path() + "Target", 0);
    EXPECT_TRUE(DirectoryExists(Dir.Path() + "Target\\docs"));
    EXPECT_EQ(CompareTrees(tree, Dir.Path() + "Target\\"), "");
    std::string other = Dir.Path() + "cabextract\\";
    ASSERT_EQ(CabExtract(Src + "plain.cab", other), 0);
    EXPECT_EQ(CompareTrees(other, Dir.Path() + "Target\\"), "");
}

// Some cabinet makers separate folders with "/": cabextract and the check of
// stored names read it as "\\", and so does the reader, on a first
// installation (the folder is made) as on a re-installation.
TEST_F(CabReader, ForwardSlashesInStoredNamesSeparateFolders)
{
    auto cabs = Make({{"docs/readme.txt", "read me"}, {"docs/deep/more.txt", "more"}, {"a.txt", "a"}});
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        Reader.Extract(cabs[0], Dst, 0);
        EXPECT_EQ(ReadFile(Dst + "docs\\readme.txt"), "read me");
        EXPECT_EQ(ReadFile(Dst + "docs\\deep\\more.txt"), "more");
        EXPECT_EQ(ListTree(Dst).size(), 3u);
    }
}

TEST_F(CabReader, SpanningSetMatchesCabextract)
{
    auto cabs = Make(SpanningFiles(), SmallStoredCabinets());
    ASSERT_GE(cabs.size(), 4u);

    int copies = 0, partials = 0;
    Reader.OnCopyFile = [&](TSTCabReader*, const std::string&, int32_t, uint16_t, uint16_t, uint16_t, uint16_t,
                            std::string&, bool&) { ++copies; };
    Reader.OnCopyPartialFile = [&](TSTCabReader*, const std::string&, const std::string&, const std::string&,
                                   const std::string&, bool&) { ++partials; };
    Reader.Extract(cabs[0], Dst, 0);
    EXPECT_EQ(copies, 4);
    EXPECT_GE(partials, 1);
    std::string other = Dir.Path() + "cabextract\\";
    ASSERT_EQ(CabExtract(cabs[0], other), 0);
    EXPECT_EQ(CompareTrees(other, Dst), "");
    EXPECT_EQ(ListTree(Dst).size(), 4u);
}

TEST_F(CabReader, StampsTimesAndMaskedAttributesReadOnlyLast)
{
    auto cabs = Make({{"plain.txt", "plain", 0x20},
                      {"ro.txt", "read only", 0xE1}, // 0x40 and 0x80 are dropped
                      {"hs.txt", "hidden system", 0x06}});
    Reader.Extract(cabs[0], Dst, 0);
    EXPECT_EQ(GetFileAttributesA((Dst + "ro.txt").c_str()) & 0xE7, 0x21u);
    EXPECT_EQ(GetFileAttributesA((Dst + "hs.txt").c_str()) & 0x07, 0x06u);
    for (const char* name : {"plain.txt", "ro.txt", "hs.txt"}) {
        auto [date, time] = DosStamp(Dst + name);
        EXPECT_EQ(date, FixtureDate) << name;
        EXPECT_EQ(time, FixtureTime) << name;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExA((Dst + name).c_str(), GetFileExInfoStandard, &data);
        EXPECT_EQ(CompareFileTime(&data.ftCreationTime, &data.ftLastWriteTime), 0) << name;
    }
}

TEST_F(CabReader, OverwritesLongerReadOnlyHiddenAndSystemFiles)
{
    auto cabs = Make({{"a.txt", "new"}, {"b.txt", "new"}, {"c.txt", "new", 0x01}});
    CreateDirectoryA(Dst.c_str(), nullptr);
    WriteFile(Dst + "a.txt", std::string(5000, 'x'));
    WriteFile(Dst + "b.txt", "old content");
    WriteFile(Dst + "c.txt", "old content");
    SetFileAttributesA((Dst + "a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((Dst + "b.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA((Dst + "c.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    Reader.Extract(cabs[0], Dst, 0);
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        EXPECT_EQ(ReadFile(Dst + name), "new") << name;
    EXPECT_EQ(GetFileAttributesA((Dst + "a.txt").c_str()) & 0x07, 0u);
    EXPECT_EQ(GetFileAttributesA((Dst + "b.txt").c_str()) & 0x07, 0u);
    EXPECT_EQ(GetFileAttributesA((Dst + "c.txt").c_str()) & 0x07, 1u);
}

TEST_F(CabReader, KeepsReadOnlyFilesWhenAsked)
{
    auto cabs = Make({{"ro.txt", "new"}, {"rw.txt", "new"}});
    CreateDirectoryA(Dst.c_str(), nullptr);
    WriteFile(Dst + "ro.txt", "old and longer");
    WriteFile(Dst + "rw.txt", "old and longer");
    SetFileAttributesA((Dst + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    std::vector<std::string> closed;
    Reader.OnCloseFile = [&](TSTCabReader*, const std::string& src, uint16_t, uint16_t, uint16_t, uint16_t, bool&,
                             const std::string&, bool&) { closed.push_back(src); };
    Reader.Options = CabReaderOption(croDontOverwriteReadOnlyFiles);
    Reader.Extract(cabs[0], Dst, 0);
    EXPECT_EQ(ReadFile(Dst + "ro.txt"), "old and longer");
    EXPECT_EQ(GetFileAttributesA((Dst + "ro.txt").c_str()) & 0x01, 1u);
    EXPECT_EQ(ReadFile(Dst + "rw.txt"), "new");
    EXPECT_EQ(closed, std::vector<std::string>{"rw.txt"});
}

TEST_F(CabReader, EventsSeeTheCabinetAndMayRedirectOrSkip)
{
    auto cabs = Make(
        {{"keep.txt", "keep", 0x21, FixtureDate, FixtureTime, true}, {"skip.txt", "skip"}, {"sub\\moved.txt", "moved"}},
        TFixtureSet{0x7FFFFFFF, true, 4321});
    std::string log, elsewhere = Dir.Path() + "elsewhere\\x.txt";
    Reader.OnCabinetInfo = [&](TSTCabReader* s, const std::string& next, const std::string&, const std::string& path,
                               uint16_t setID, uint16_t cabNo, bool&) {
        EXPECT_EQ(s, &Reader);
        EXPECT_EQ(path, Src);
        log += Format("info(%s,%u,%u) ", next.c_str(), setID, cabNo);
    };
    Reader.OnCopyFile = [&](TSTCabReader*, const std::string& src, int32_t size, uint16_t date, uint16_t time,
                            uint16_t attrs, uint16_t folder, std::string& dst, bool&) {
        log += Format("copy(%s,%d,%x,%u) ", src.c_str(), size, attrs, folder);
        EXPECT_EQ(date, FixtureDate);
        EXPECT_EQ(time, FixtureTime);
        if (src == "skip.txt")
            dst.clear();
        if (src == "sub\\moved.txt") {
            EXPECT_EQ(dst, Dst + "sub\\moved.txt");
            dst = elsewhere;
        }
    };
    Reader.OnCloseFile = [&](TSTCabReader*, const std::string& src, uint16_t, uint16_t, uint16_t, uint16_t, bool& exec,
                             const std::string& dst, bool&) {
        log += Format("close(%s,%d,%s) ", src.c_str(), exec, ExtractFileName(dst).c_str());
        exec = false;
    };
    Reader.Extract(cabs[0], Dst, 0);
    // The maker numbers cabinets from 1; bit 0x40 of the attributes marks the run flag.
    EXPECT_EQ(log, "info(,4321,1) copy(keep.txt,4,61,0) close(keep.txt,1,keep.txt) copy(skip.txt,4,20,0) "
                   "copy(sub\\moved.txt,5,20,0) close(sub\\moved.txt,0,x.txt) ");
    EXPECT_EQ(ReadFile(elsewhere), "moved");
    EXPECT_EQ(ListTree(Dst), std::vector<std::string>{"keep.txt"});
}

TEST_F(CabReader, AbortFromAnyEventStopsWithFdiAborted)
{
    auto cabs = Make(SpanningFiles(), SmallStoredCabinets());
    auto aborted = [&](auto assign) {
        TSTCabReader reader(nullptr);
        assign(reader);
        RemoveTree(Dst);
        return Raised<ESTCabinet>([&] { reader.Extract(cabs[0], Dst, 0); });
    };
    std::vector<ESTCabinet> errors;
    errors.push_back(aborted(
        [](TSTCabReader& r) { r.OnCabinetInfo = [](auto, auto&, auto&, auto&, auto, auto, bool& a) { a = true; }; }));
    errors.push_back(aborted([](TSTCabReader& r) {
        r.OnCopyFile = [](auto, auto&, auto, auto, auto, auto, auto, auto&, bool& a) { a = true; };
    }));
    errors.push_back(aborted([](TSTCabReader& r) {
        r.OnCloseFile = [](auto, auto&, auto, auto, auto, auto, auto&, auto&, bool& a) { a = true; };
    }));
    errors.push_back(
        aborted([](TSTCabReader& r) { r.OnNextCabinet = [](auto, auto&, auto&, auto&, auto, bool& a) { a = true; }; }));
    // The partial file shows up in the second pass, after a clean first one.
    errors.push_back(aborted(
        [](TSTCabReader& r) { r.OnCopyPartialFile = [](auto, auto&, auto&, auto&, auto&, bool& a) { a = true; }; }));
    for (const ESTCabinet& e : errors) {
        EXPECT_EQ(e.ErrorCode, FDIERROR_USER_ABORT);
        EXPECT_EQ(e.Message(), "FDI aborted [0x000B]");
    }
    // Nothing is left open: the output folder can be removed at once, and the
    // cabinet (which Wine's library leaves open after the first abort) can be
    // replaced.
    RemoveTree(Dst);
    EXPECT_FALSE(DirectoryExists(Dst));
    EXPECT_NO_THROW(WriteFile(cabs[0], ReadFile(cabs[0])));
}

TEST_F(CabReader, NextCabinetHandlerFindsAMovedCabinet)
{
    auto cabs = Make(SpanningFiles(), SmallStoredCabinets());
    std::string moved = Dir.Path() + "disk2";
    CreateDirectoryA(moved.c_str(), nullptr);
    for (size_t i = 1; i < cabs.size(); ++i)
        MoveFileA(cabs[i].c_str(), (moved + "\\" + ExtractFileName(cabs[i])).c_str());
    std::vector<int> errors;
    Reader.OnNextCabinet = [&](TSTCabReader*, const std::string&, const std::string&, std::string& path,
                               TFDIERROR error, bool&) {
        errors.push_back(error);
        path = moved; // without a trailing backslash: one is added
    };
    Reader.Extract(cabs[0], Dst, 0);
    EXPECT_EQ(ReadFile(Dst + "data\\big.bin"), NoiseBytes(120000, 7));
    EXPECT_EQ(ReadFile(Dst + "last.txt"), "the last file\r\n");
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0], FDIERROR_NONE);
}

TEST_F(CabReader, NextCabinetPathTooLongForTheLibraryIsRefused)
{
    auto cabs = Make(SpanningFiles(), SmallStoredCabinets());
    Reader.OnNextCabinet = [&](TSTCabReader*, const std::string&, const std::string&, std::string& path, TFDIERROR,
                               bool&) { path = "C:\\" + std::string(252, 'p'); }; // 255 + "\" + zero
    auto e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[0], Dst, 0); });
    EXPECT_EQ(e.ErrorCode, FDIERROR_CABINET_NOT_FOUND);
    EXPECT_EQ(e.ErrorType, ERROR_FILENAME_EXCED_RANGE);
    std::string fits = "C:\\" + std::string(251, 'p'); // exactly 256 bytes with "\" and zero
    Reader.OnNextCabinet = [&](TSTCabReader*, const std::string&, const std::string&, std::string& path, TFDIERROR,
                               bool& abort) {
        if (path.size() > 200)
            abort = true;
        path = fits;
    };
    // A path that just fits is handed over whole; the library finds nothing
    // there and the walk fails, whichever way the library reports it.
    e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[0], Dst, 0); });
    EXPECT_TRUE(e.ErrorFlag);
}

TEST_F(CabReader, ChainOfCabinets)
{
    // Three cabinets, each a folder of its own; no file spans.
    TFixtureSet set;
    set.MaxCabinetSize = 20000;
    set.Compress = false;
    set.CabinetPerFile = true;
    std::vector<TFixtureFile> files{
        {"one.bin", NoiseBytes(15000, 1)}, {"two.bin", NoiseBytes(15000, 2)}, {"three.bin", NoiseBytes(15000, 3)}};
    auto cabs = Make(files, set);
    ASSERT_EQ(cabs.size(), 3u);

    Reader.Extract(cabs[0], Dst, 0);
    EXPECT_EQ(ListTree(Dst), (std::vector<std::string>{"one.bin", "three.bin", "two.bin"}));

    RemoveTree(Dst);
    Reader.Extract(cabs[0], Dst, cefSingleCabinet);
    EXPECT_EQ(ListTree(Dst), std::vector<std::string>{"one.bin"});

    // The last member missing: reported before anything is written.
    RemoveTree(Dst);
    DeleteFileA(cabs[2].c_str());
    auto e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[0], Dst, 0); });
    EXPECT_FALSE(DirectoryExists(Dst));
    EXPECT_EQ(e.ErrorCode, FDIERROR_CABINET_NOT_FOUND);
    EXPECT_EQ(e.ErrorType, 2);
    EXPECT_EQ(e.Message(), "Cabinet not found [0x0001].\r\n" + SysErrorMessage(2) + " [0x0002].");
    // Reading the first alone is still fine.
    Reader.Extract(cabs[0], Dst, cefSingleCabinet);
}

// Replaces the first occurrence of from (same length) in a file.
void Patch(const std::string& file, const std::string& from, const std::string& to)
{
    std::string bytes = ReadFile(file);
    size_t at = bytes.find(from);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, to.size(), to);
    WriteFile(file, bytes);
}

TEST_F(CabReader, SelfNamedSuccessorAndRingsEndAfterOnePassEach)
{
    TFixtureSet set;
    set.MaxCabinetSize = 20000;
    set.Compress = false;
    set.CabinetPerFile = true;
    auto cabs = Make(
        {{"one.bin", NoiseBytes(15000, 1)}, {"two.bin", NoiseBytes(15000, 2)}, {"three.bin", NoiseBytes(15000, 3)}},
        set);
    ASSERT_EQ(cabs.size(), 3u);
    int passes = 0;
    Reader.OnCabinetInfo = [&](auto, auto&, auto&, auto&, auto, auto, bool&) { ++passes; };
    Patch(cabs[0], "set2.cab", "SET1.CAB");
    Reader.Extract(cabs[0], Dst, 0);
    EXPECT_EQ(passes, 1);
    EXPECT_EQ(ListTree(Dst), std::vector<std::string>{"one.bin"});

    // set2 names set1 again: a ring.
    Patch(cabs[0], "SET1.CAB", "set2.cab");
    Patch(cabs[1], "set3.cab", "set1.cab");
    passes = 0;
    Reader.Extract(cabs[0], Dst, 0);
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(ListTree(Dst), (std::vector<std::string>{"one.bin", "two.bin"}));
}

// A file that continues into a missing cabinet: in the middle of the set, and
// Kelpa1..3.cab of a set of four with the last one missing.
TEST_F(CabReader, SpanningIntoAMissingCabinetReportsTheMissingCabinet)
{
    TFixtureSet set = SmallStoredCabinets();
    auto middle = Make(SpanningFiles(), set);
    ASSERT_GE(middle.size(), 3u);
    set.NamePattern = "Kelpa%d.cab";
    auto last = Make({{"first.txt", "the first file\r\n"}, {"big.bin", NoiseBytes(130000, 9)}}, set);
    ASSERT_EQ(last.size(), 4u);
    for (const std::string& missing : {middle[2], last[3]}) {
        const std::string& first = missing == middle[2] ? middle[0] : last[0];
        DeleteFileA(missing.c_str());
        RemoveTree(Dst);
        auto e = Raised<ESTCabinet>([&] { Reader.Extract(first, Dst, 0); });
        EXPECT_EQ(e.ErrorCode, FDIERROR_CABINET_NOT_FOUND) << missing;
        EXPECT_EQ(e.ErrorType, ERROR_FILE_NOT_FOUND) << missing;
        EXPECT_EQ(e.Message(), "Cabinet not found [0x0001].\r\n" + SysErrorMessage(2) + " [0x0002].");
        // Found before anything is written.
        EXPECT_FALSE(DirectoryExists(Dst)) << missing;
    }
}

TEST_F(CabReader, RelativeNamesAndAnEmptyName)
{
    auto cabs = Make({{"a.txt", "a"}});
    {
        CurrentDirectoryScope inSource(Src);
        Reader.Extract("set1.cab", Dst, 0);
    }
    EXPECT_EQ(ReadFile(Dst + "a.txt"), "a");
    Reader.Extract("", Dst, 0); // no pass, no error
}

TEST_F(CabReader, MissingNotACabinetAndCorruptCabinets)
{
    auto cabs = Make({{"a.bin", NoiseBytes(60000, 4)}, {"b.txt", "b"}}, TFixtureSet{0x7FFFFFFF, false});
    std::string good = ReadFile(cabs[0]);
    auto messageFor = [&](const std::string& content) {
        WriteFile(Src + "bad.cab", content);
        return Raised<ESTCabinet>([&] { Reader.Extract(Src + "bad.cab", Dst, 0); });
    };
    auto e = Raised<ESTCabinet>([&] { Reader.Extract(Src + "missing.cab", Dst, 0); });
    EXPECT_EQ(e.ErrorCode, FDIERROR_CABINET_NOT_FOUND);
    EXPECT_EQ(e.Message(), "Cabinet not found [0x0001].\r\n" + SysErrorMessage(2) + " [0x0002].");

    e = messageFor("this is plain text, not a cabinet at all, long enough for a header");
    EXPECT_EQ(e.ErrorCode, FDIERROR_NOT_A_CABINET);
    EXPECT_EQ(e.Message().rfind("Cabinet file does not have the correct format [0x0002]", 0), 0u);

    std::string version = good;
    version[25] = 9; // major version
    EXPECT_EQ(messageFor(version).ErrorCode, FDIERROR_UNKNOWN_CABINET_VERSION);

    // Cut in the middle of the data: the file being written is short.
    e = messageFor(good.substr(0, good.size() / 2));
    EXPECT_EQ(e.ErrorCode, FDIERROR_CORRUPT_CABINET);
    EXPECT_EQ(e.Message().rfind("Cabinet file is corrupt [0x0004]", 0), 0u);
}

TEST_F(CabReader, ExceptionsFromHandlersReachTheCaller)
{
    auto cabs = Make({{"a.txt", "a"}, {"b.txt", "b"}});
    struct Marker : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    Reader.OnCopyFile = [](auto, const std::string& src, auto, auto, auto, auto, auto, auto&, bool&) {
        if (src == "b.txt")
            throw Marker("from the handler");
    };
    auto e = Raised<Marker>([&] { Reader.Extract(cabs[0], Dst, 0); });
    EXPECT_STREQ(e.what(), "from the handler");
    EXPECT_EQ(ReadFile(Dst + "a.txt"), "a");
    // The context stays usable.
    Reader.OnCopyFile = nullptr;
    Reader.Extract(cabs[0], Dst, 0);
    EXPECT_EQ(ReadFile(Dst + "b.txt"), "b");
}

TEST_F(CabReader, UnsafeStoredNamesAreRefused)
{
    const char* hostile[] = {"..\\evil.txt",
                             "a\\..\\..\\evil.txt",
                             "a/../../evil.txt",
                             "...\\evil.txt",
                             "C:\\evil.txt",
                             "x.txt:stream",
                             "CON",
                             "sub\\nul.txt",
                             "COM1",
                             "lpt9.log",
                             "aux .txt"};
    for (const char* name : hostile) {
        TempDir dir;
        std::vector<std::string> cabs;
        try {
            cabs = MakeCabinets(dir.Path(), {{"fine.txt", "fine"}, {name, "evil"}});
        } catch (const std::exception& e) {
            ADD_FAILURE() << "cannot store " << name << ": " << e.what();
            continue;
        }
        std::string out = dir.Path() + "deep\\out\\";
        auto e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[0], out, 0); });
        EXPECT_EQ(e.Message(), std::string("Unsafe file name in cabinet: ") + name);
        // Refused before anything is written.
        EXPECT_FALSE(DirectoryExists(dir.Path() + "deep")) << name;
    }
    // An owner may place such a file where it likes.
    TempDir dir;
    auto cabs = MakeCabinets(dir.Path(), {{"..\\up.txt", "up"}});
    Reader.OnCopyFile = [&](auto, auto&, auto, auto, auto, auto, auto, std::string& dst, bool&) {
        dst = dir.Path() + "chosen.txt";
    };
    Reader.Extract(cabs[0], dir.Path() + "out", 0);
    EXPECT_EQ(ReadFile(dir.Path() + "chosen.txt"), "up");
}

TEST_F(CabReader, UnsafeNextCabinetNameIsRefused)
{
    TFixtureSet set;
    set.MaxCabinetSize = 20000;
    set.Compress = false;
    set.CabinetPerFile = true;
    set.NamePattern = "sub\\set%d.cab";
    CreateDirectoryA((Src + "sub").c_str(), nullptr);
    auto cabs = Make({{"one.bin", NoiseBytes(15000, 1)}, {"two.bin", NoiseBytes(15000, 2)}}, set);
    ASSERT_EQ(cabs.size(), 2u);
    auto e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[0], Dst, 0); });
    EXPECT_EQ(e.Message(), "Unsafe file name in cabinet: sub\\set2.cab");
    EXPECT_EQ(ListTree(Dir.Path()).size(), 2u); // the two cabinets, nothing extracted
}

TEST_F(CabReader, AFailedWriteIsNeverASuccess)
{
    auto cabs = Make({{"a.txt", "a"}, {"full.bin", NoiseBytes(50000, 5)}, {"c.txt", "c"}});
    Reader.OnCopyFile = [](auto, const std::string& src, auto, auto, auto, auto, auto, std::string& dst, bool&) {
        if (src == "full.bin")
            dst = "Z:\\dev\\full";
    };
    auto e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[0], Dst, 0); });
    EXPECT_EQ(e.ErrorCode, FDIERROR_TARGET_FILE);
    EXPECT_EQ(e.ErrorType, ERROR_DISK_FULL);
    EXPECT_EQ(e.Message(), "Failure writing to target file [0x0008].\r\n" + SysErrorMessage(112) + " [0x0070].");
    EXPECT_EQ(ListTree(Dst), std::vector<std::string>{"a.txt"});
}

TEST_F(CabReader, StartingInTheMiddleOfASetIsRefused)
{
    auto cabs = Make(SpanningFiles(), SmallStoredCabinets());
    ASSERT_GE(cabs.size(), 2u);
    auto e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[1], Dst, 0); });
    EXPECT_EQ(e.Message(), "Cabinet set2.cab is not the first of its set: start with set1.cab");
    // With a handler the owner decides.
    std::string start;
    Reader.OnCopyPartialFile = [&](auto, auto&, const std::string& startCab, auto&, auto&, bool&) { start = startCab; };
    Reader.Extract(cabs[1], Dst, 0);
    EXPECT_EQ(start, "set1.cab");
    EXPECT_EQ(ReadFile(Dst + "last.txt"), "the last file\r\n");
}

// No file crosses a boundary, so only the header tells that the cabinet is
// not the first; the message names the set's first member.
TEST_F(CabReader, StartingInTheMiddleOfASetWithoutPartialFilesIsRefused)
{
    TFixtureSet set;
    set.CabinetPerFile = true;
    auto cabs = Make({{"one.bin", "1"}, {"two.bin", "2"}, {"three.bin", "3"}}, set);
    ASSERT_EQ(cabs.size(), 3u);
    auto e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[2], Dst, 0); });
    EXPECT_EQ(e.Message(), "Cabinet set3.cab is not the first of its set: start with set1.cab");
    EXPECT_EQ(e.ErrorCode, FDIERROR_USER_ABORT);
    EXPECT_FALSE(DirectoryExists(Dst));

    // Asked for that one cabinet, the reader reads it.
    Reader.Extract(cabs[2], Dst, cefSingleCabinet);
    EXPECT_EQ(ListTree(Dst), std::vector<std::string>{"three.bin"});

    // The set's first member is found through the chain of previous names,
    // also when it is missing.
    Patch(cabs[2], "set1.cab", "set2.cab");
    DeleteFileA(cabs[0].c_str());
    e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[2], Dst, 0); });
    EXPECT_EQ(e.Message(), "Cabinet set3.cab is not the first of its set: start with set1.cab");
    // A ring of previous names ends the walk.
    Patch(cabs[1], "set1.cab", "set3.cab");
    e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[2], Dst, 0); });
    EXPECT_EQ(e.Message(), "Cabinet set3.cab is not the first of its set: start with set2.cab");
}

TEST_F(CabReader, OutOfMemoryInTheLibraryReachesTheCaller)
{
    auto cabs = Make({{"a.txt", "a"}});
    Reader.Extract(cabs[0], Dst, 0); // the context exists
    static int budget;
    budget = 0;
    auto old = CabIntfSeam::SetHeapAlloc([](size_t n) -> void* { return budget-- > 0 ? malloc(n) : nullptr; });
    auto e = Raised<EOutOfMemory>([&] { Reader.Extract(cabs[0], Dst, 0); });
    CabIntfSeam::SetHeapAlloc(old);
    EXPECT_EQ(e.Message(), "Out of memory");
    Reader.Extract(cabs[0], Dst, 0);
}

TEST_F(CabReader, ADestinationThatCannotBeOpenedNamesTheSystemError)
{
    auto cabs = Make({{"a.txt", "a"}, {"b.txt", "b"}});
    CreateDirectoryA(Dst.c_str(), nullptr);
    CreateDirectoryA((Dst + "b.txt").c_str(), nullptr); // a directory in the way
    auto e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[0], Dst, 0); });
    EXPECT_EQ(e.ErrorCode, FDIERROR_TARGET_FILE);
    ASSERT_NE(e.ErrorType, 0);
    EXPECT_EQ(e.Message(), "Failure writing to target file [0x0008].\r\n" + SysErrorMessage(e.ErrorType) + " [0x" +
                               IntToHex(e.ErrorType, 4) + "].");
    EXPECT_EQ(ReadFile(Dst + "a.txt"), "a");
}

TEST_F(CabReader, AFileMarkedToBeRunIsOpenedOnlyWhenAsked)
{
    // Each script leaves a marker of its own; the first cabinet is read without
    // the option, the second with it.
    std::string markerA = Dir.Path() + "ranA.txt", markerB = Dir.Path() + "ranB.txt";
    TempDir otherDir;
    auto cabA = MakeCabinets(otherDir.Path(),
                             {{"a.cmd", "@echo ran> " + markerA + "\r\n", 0x20, FixtureDate, FixtureTime, true}});
    auto cabB = Make({{"b.cmd", "@echo ran> " + markerB + "\r\n", 0x20, FixtureDate, FixtureTime, true}});
    Reader.Extract(cabA[0], Dst, 0);
    Reader.Options = CabReaderOption(croExecuteOnExtract);
    Reader.Extract(cabB[0], Dst, 0);
    for (DWORD start = GetTickCount(); !FileExists(markerB) && GetTickCount() - start < 30000;)
        Sleep(50);
    EXPECT_TRUE(FileExists(markerB));
    Sleep(200);
    EXPECT_FALSE(FileExists(markerA));
    // The script's command processor may still stand in the output folder:
    // wait for it to let go, so that the folder goes with the test.
    for (DWORD start = GetTickCount(); DirectoryExists(Dst) && GetTickCount() - start < 10000; Sleep(50))
        RemoveTree(Dst);
    EXPECT_FALSE(DirectoryExists(Dst));
}

// Reproducible builds stamp their output 1970: such a cabinet is there all the
// same, whether the library continues a file into it or the set only names it.
TEST_F(CabReader, NextCabinetsStampedBefore1980AreRead)
{
    struct Case {
        const char* Kind;
        bool CabinetPerFile;
    } cases[] = {{"spanning", false}, {"chained", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Kind);
        TempDir dir;
        TFixtureSet set;
        set.MaxCabinetSize = c.CabinetPerFile ? 20000 : 40000;
        set.Compress = false;
        set.CabinetPerFile = c.CabinetPerFile;
        std::vector<TFixtureFile> files = SpanningFiles();
        if (c.CabinetPerFile)
            files = {{"one.bin", NoiseBytes(15000, 1)}, {"two.bin", NoiseBytes(15000, 2)}};
        auto cabs = MakeCabinets(dir.Path(), files, set);
        ASSERT_GE(cabs.size(), 2u);
        for (size_t i = 1; i < cabs.size(); ++i)
            ASSERT_NO_THROW(StampYear(cabs[i], 1970));
        std::string out = dir.Path() + "out\\";
        Reader.Extract(cabs[0], out, 0);
        for (const TFixtureFile& f : files)
            EXPECT_EQ(ReadFile(out + f.StoredName), f.Content) << f.StoredName;
    }
}

TEST_F(CabReader, NextCabinetNamesThatNameADeviceOrAPatternAreRefused)
{
    TFixtureSet set;
    set.CabinetPerFile = true;
    auto cabs = Make({{"one.bin", "1"}, {"two.bin", "2"}}, set);
    ASSERT_EQ(cabs.size(), 2u);
    const std::string original = ReadFile(cabs[0]);
    // Each as long as "set2.cab", so that the header keeps its layout.
    for (const char* name : {"LPT3.cab", "cOm1.CAB", "aux .cab", "NUL.cab ", "COM1    ", "se*2.cab", "set?.cab"}) {
        // Refused before the library opened the cabinet: nothing holds it open.
        WriteFile(cabs[0], original);
        Patch(cabs[0], "set2.cab", name);
        auto e = Raised<ESTCabinet>([&] { Reader.Extract(cabs[0], Dst, 0); });
        EXPECT_EQ(e.Message(), std::string("Unsafe file name in cabinet: ") + name);
        EXPECT_FALSE(DirectoryExists(Dst)) << name;
    }
    // A later member that names one is refused before anything is unpacked.
    WriteFile(cabs[0], original);
    auto three = Make({{"one.bin", "1"}, {"two.bin", "2"}, {"three.bin", "3"}}, set);
    ASSERT_EQ(three.size(), 3u);
    Patch(three[1], "set3.cab", "LPT1.cab");
    auto e = Raised<ESTCabinet>([&] { Reader.Extract(three[0], Dst, 0); });
    EXPECT_EQ(e.Message(), "Unsafe file name in cabinet: LPT1.cab");
    EXPECT_FALSE(DirectoryExists(Dst));
    // Asked for the first cabinet alone, the reader does not look further.
    Reader.Extract(three[0], Dst, cefSingleCabinet);
    EXPECT_EQ(ListTree(Dst), std::vector<std::string>{"one.bin"});
}

// Wine's library hands over date and time as they are stored; each file is
// stamped with its own pair even where the pairs share a date or a time.
TEST_F(CabReader, FilesSharingADateOrATimeGetTheirOwnStamps)
{
    const struct {
        const char* Name;
        uint16_t Date, Time;
    } stamps[] = {
        {"first.txt", 0x52CF, 0x528F},  // 2021-06-15 10:20:30
        {"second.txt", 0x52CF, 0x6000}, // the same day, 12:00:00
        {"third.txt", 0x52D0, 0x6000},  // the same time, 2021-06-16
        {"fourth.txt", 0x52CF, 0x528F}, // the first pair again
    };
    std::vector<TFixtureFile> files;
    for (const auto& s : stamps)
        files.push_back({.StoredName = s.Name, .Content = s.Name, .Date = s.Date, .Time = s.Time});
    Reader.Extract(Make(files)[0], Dst, 0);
    for (const auto& s : stamps) {
        auto [date, time] = DosStamp(Dst + s.Name);
        EXPECT_EQ(date, s.Date) << s.Name;
        EXPECT_EQ(time, s.Time) << s.Name;
    }
}

namespace {

// Windows refuses to open a read-only file for writing, and to replace one by
// a rename, whoever asks; Wine grants both to root. This stands in for the
// system's CreateFileA and for the reader's rename while it lives, refusing
// such requests as Windows does and counting the refusals.
class TWindowsReadOnlyRule {
public:
    TWindowsReadOnlyRule()
        : FOldCreator(CabIntfSeam::SetFileCreator(&Create)), FOldReplacer(CabIntfSeam::SetFileReplacer(&Replace))
    {
        Refusals = 0;
    }
    ~TWindowsReadOnlyRule()
    {
        CabIntfSeam::SetFileCreator(FOldCreator);
        CabIntfSeam::SetFileReplacer(FOldReplacer);
    }
    static inline int Refusals = 0;

private:
    static bool ReadOnly(LPCSTR aName)
    {
        DWORD attrs = GetFileAttributesA(aName);
        return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY);
    }
    static HANDLE WINAPI Create(LPCSTR aName, DWORD anAccess, DWORD aShare, LPSECURITY_ATTRIBUTES aSecurity,
                                DWORD aDisposition, DWORD aFlags, HANDLE aTemplate)
    {
        // An exclusive create finds the name taken before it asks for access.
        if ((anAccess & (GENERIC_WRITE | FILE_WRITE_DATA)) && aDisposition != CREATE_NEW && ReadOnly(aName)) {
            ++Refusals;
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        return CreateFileA(aName, anAccess, aShare, aSecurity, aDisposition, aFlags, aTemplate);
    }
    static BOOL WINAPI Replace(HANDLE aHandle, LPCSTR aTarget)
    {
        if (ReadOnly(aTarget)) {
            ++Refusals;
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        return CabIntfSeam::DefaultFileReplacer()(aHandle, aTarget);
    }
    CabIntfSeam::FileCreator FOldCreator;
    CabIntfSeam::FileReplacer FOldReplacer;
};

} // namespace

TEST_F(CabReader, AReadOnlyDestinationRefusedAsOnWindowsIsClearedAndOverwritten)
{
    auto cabs = Make({{"ro.txt", "new", 0x21}, {"rw.txt", "new"}});
    CreateDirectoryA(Dst.c_str(), nullptr);
    WriteFile(Dst + "ro.txt", "old and longer");
    SetFileAttributesA((Dst + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    TWindowsReadOnlyRule windows;
    Reader.Extract(cabs[0], Dst, 0);
    // Nothing asks the old file for write access, and the rename finds its
    // read-only bit cleared.
    EXPECT_EQ(TWindowsReadOnlyRule::Refusals, 0);
    EXPECT_EQ(ReadFile(Dst + "ro.txt"), "new");
    // The cabinet's attributes, set after the write: read-only again.
    EXPECT_EQ(GetFileAttributesA((Dst + "ro.txt").c_str()) & 0x27, 0x21u);
    auto [date, time] = DosStamp(Dst + "ro.txt");
    EXPECT_EQ(date, FixtureDate);
    EXPECT_EQ(time, FixtureTime);
    EXPECT_EQ(ReadFile(Dst + "rw.txt"), "new");
}

TEST_F(CabReader, AReadOnlyDestinationRefusedAsOnWindowsIsKeptWhenAsked)
{
    auto cabs = Make({{"ro.txt", "new"}, {"rw.txt", "new"}});
    CreateDirectoryA(Dst.c_str(), nullptr);
    WriteFile(Dst + "ro.txt", "old and longer");
    SetFileAttributesA((Dst + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    std::vector<std::string> closed;
    Reader.OnCloseFile = [&](TSTCabReader*, const std::string& src, uint16_t, uint16_t, uint16_t, uint16_t, bool&,
                             const std::string&, bool&) { closed.push_back(src); };
    Reader.Options = CabReaderOption(croDontOverwriteReadOnlyFiles);
    TWindowsReadOnlyRule windows;
    Reader.Extract(cabs[0], Dst, 0);
    EXPECT_EQ(TWindowsReadOnlyRule::Refusals, 0);
    EXPECT_EQ(ReadFile(Dst + "ro.txt"), "old and longer");
    EXPECT_EQ(GetFileAttributesA((Dst + "ro.txt").c_str()) & 0x01, 1u);
    EXPECT_EQ(closed, std::vector<std::string>{"rw.txt"});
}

// A handler that stops the walk while the file spanning the cabinets is being
// written: Extract raises, and nothing it wrote stays open.
TEST_F(CabReader, NoFileStaysOpenWhenAHandlerStopsTheWalk)
{
    auto cabs = Make(SpanningFiles(), SmallStoredCabinets());
    // What was open when the handler stopped the walk.
    std::vector<std::string> heldThen;
    auto stop = [&](bool& anAbort, bool aRaise) {
        heldThen = HeldOpen(Dst);
        if (aRaise)
            throw std::runtime_error("stop");
        anAbort = true;
    };
    const std::pair<const char*, std::function<void(TSTCabReader&)>> rows[] = {
        {"next cabinet raises",
         [&](TSTCabReader& r) { r.OnNextCabinet = [&](auto, auto&, auto&, auto&, auto, bool& a) { stop(a, true); }; }},
        {"next cabinet aborts",
         [&](TSTCabReader& r) { r.OnNextCabinet = [&](auto, auto&, auto&, auto&, auto, bool& a) { stop(a, false); }; }},
        {"second cabinet's information raises",
         [&](TSTCabReader& r) {
             r.OnCabinetInfo = [&, n = 0](auto, auto&, auto&, auto&, auto, auto, bool& a) mutable {
                 if (++n == 2)
                     stop(a, true);
             };
         }},
    };
    for (const auto& [name, arm] : rows) {
        SCOPED_TRACE(name);
        RemoveTree(Dst);
        TSTCabReader reader(nullptr);
        arm(reader);
        EXPECT_ANY_THROW(reader.Extract(cabs[0], Dst, 0));
        EXPECT_EQ(heldThen, std::vector<std::string>{"data\\big.bin"});
        EXPECT_EQ(HeldOpen(Dst), std::vector<std::string>{});
    }
}

// A library that reports success but never said that a file was finished:
// the file may be incomplete, so the walk is no success, and it is not left open.
TEST(CabReaderWithAForgetfulLibrary, AFileTheLibraryLeftOpenIsClosedAndReported)
{
    TempDir dir;
    auto cabs = MakeCabinets(dir.Path(), {{"a.txt", "a"}, {"kept.txt", "kept"}, {"c.txt", "c"}});
    ASSERT_TRUE(UnloadCabinetLibrary());
    CabIntfSeam::SetLibraryPath(ExeDir() + "forgetfulcab.dll");
    {
        TSTCabReader reader(nullptr);
        auto e = Raised<ESTCabinet>([&] { reader.Extract(cabs[0], dir.Path() + "out", 0); });
        EXPECT_EQ(e.ErrorCode, FDIERROR_CORRUPT_CABINET);
        EXPECT_EQ(HeldOpen(dir.Path() + "out\\"), std::vector<std::string>{});
        EXPECT_EQ(ReadFile(dir.Path() + "out\\c.txt"), "c");
    }
    EXPECT_TRUE(UnloadCabinetLibrary());
    CabIntfSeam::SetLibraryPath("");
}
