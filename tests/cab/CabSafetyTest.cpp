// What the reader does when things go wrong: a failure in the middle of a
// file, a cabinet or destination that cannot work, temporary files of an
// earlier run, and the progress it reports. On a real small volume where the
// test runs as root.
#include <gtest/gtest.h>

#include "cab/CabDestination.h"
#include "cab/CabSTComps.h"
#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "harness/CabFixtures.h"
#include "harness/TestFiles.h"
#include "tests/cab/CabSafetyCases.h"
#include "tests/cab/CabTestSupport.h"

namespace {

// The message of the exception f raised; empty when it raised none.
template <typename F>
std::string MessageOf(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return std::string();
}

constexpr uint64_t MiB = 1 << 20;

} // namespace

TEST(CabSafety, AFailureInTheMiddleOfAFileLeavesEveryFileWholeAndNoTemporaryFile)
{
    TempDir kit;
    TempDir scratch;
    ForEachFailureRow(true, scratch.Path(), [&](const TFailureRow& row, const std::string& work) {
        TFailureRun run(row, kit.Path(), work + "Kelpa\\");
        TSTCabReader reader(nullptr);
        if (row.Point == TFailurePoint::fpCancelled)
            reader.OnProgress = [&](TSTCabReader*, uint64_t aDone, uint64_t) {
                if (aDone >= run.CancelAt())
                    throw Exception("The installation was cancelled.");
            };
        EXPECT_EQ(MessageOf([&] { reader.Extract(run.Cabinet(), work + "Kelpa\\"); }), run.ExpectedMessage());
        run.ExpectOutcome();
    });
}

TEST(CabSafety, WhatCannotWorkIsRefusedBeforeAnythingIsWritten)
{
    TempDir kit;
    TempDir scratch;
    ForEachRefusalRow(scratch.Path(), [&](const TRefusalRow& row, const std::string& parent, TSmallVolume* volume) {
        TRefusalRun run(row, kit.Path(), parent + "Kelpa");
        if (row.ReadOnlyVolume)
            volume->MakeReadOnly();
        TSTCabReader reader(nullptr);
        EXPECT_EQ(MessageOf([&] { reader.Extract(kit.Path() + run.Cabinet(), parent + "Kelpa"); }),
                  run.ExpectedMessage());
        run.ExpectNothingWritten();
    });
}

// Files replaced one after the other each give back their old space once
// their replacement is in place: a re-installation fits where the sum of
// the new files does not.
TEST(CabSafety, TheSpaceOfReplacedFilesCounts)
{
    TSmallVolume volume(MiB * 7 / 2);
    if (!volume.Ready())
        GTEST_SKIP() << volume.NotReadyReason();
    TempDir kit;
    std::vector<TFixtureFile> files = {{"one.bin", NoiseBytes(MiB, 41)}, {"two.bin", NoiseBytes(MiB, 42)}};
    std::string cabinet = MakeCabinets(kit.Path(), files, TFixtureSet{0x7FFFFFFF, false}).at(0);
    const std::string dest = volume.Root() + "Kelpa\\";
    CreateDirectoryA(dest.c_str(), nullptr);
    WriteFile(dest + "one.bin", NoiseBytes(MiB, 43));
    WriteFile(dest + "two.bin", NoiseBytes(MiB, 44));
    TSTCabReader reader(nullptr);
    reader.Extract(cabinet, dest);
    for (const TFixtureFile& f : files)
        EXPECT_TRUE(ReadFile(dest + f.StoredName) == f.Content) << f.StoredName;
    // A new file frees nothing: two more megabytes do not fit.
    files.push_back({"three.bin", NoiseBytes(2 * MiB, 45)});
    cabinet = MakeCabinets(kit.Path(), files, TFixtureSet{0x7FFFFFFF, false, 1, "three.cab"}).at(0);
    std::string message = MessageOf([&] { reader.Extract(cabinet, dest); });
    EXPECT_EQ(message.rfind("There is not enough free space for the installation in " +
                                dest.substr(0, dest.size() - 1) + ": it needs 2.",
                            0),
              0u)
        << message;
}

// A small file is written beside the one in use before the rename finds it
// held; a large one is not written at all. Either way the message names it.
TEST(CabSafety, AFileInUseIsNamedWhateverItsSize)
{
    TempDir dir;
    for (size_t size : {size_t(100), size_t(2 * MiB)}) {
        SCOPED_TRACE(size);
        std::string cabinet = MakeCabinets(dir.Path(), {{"a.txt", "new a"}, {"Kelpa.EXE", NoiseBytes(size, 71)}}).at(0);
        const std::string dest = dir.Path() + "out\\";
        CreateDirectoryA(dest.c_str(), nullptr);
        WriteFile(dest + "Kelpa.EXE", "the running editor");
        StampYear(dest + "Kelpa.EXE", 2001);
        const std::vector<std::string> before = TreeListing(dest);
        {
            FileHandle held(CreateFileA((dest + "Kelpa.EXE").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(held);
            TSTCabReader reader(nullptr);
            EXPECT_EQ(MessageOf([&] { reader.Extract(cabinet, dest); }),
                      "The file " + dest +
                          "Kelpa.EXE is in use by another program. Close the program that uses it and try again");
        }
        EXPECT_EQ(ReadFile(dest + "a.txt"), "new a");
        std::vector<std::string> after = TreeListing(dest);
        std::erase_if(after, [](const std::string& line) { return line.rfind("a.txt ", 0) == 0; });
        EXPECT_EQ(after, before); // the file in use untouched, no temporary file
        RemoveTree(dest);
    }
}

TEST(CabSafety, TemporaryFilesOfAKilledRunAreRemovedByTheNext)
{
    TempDir dir;
    std::string cabinet = MakeCabinets(dir.Path(), {{"a.txt", "a"}, {"docs\\b.txt", "b"}}).at(0);
    const std::string dest = dir.Path() + "out\\";
    CreateDirectoryA(dest.c_str(), nullptr);
    CreateDirectoryA((dest + "docs").c_str(), nullptr);
    CreateDirectoryA((dest + "other").c_str(), nullptr);
    const std::vector<std::string> left = {"~klp0000BEEF.tmp", "docs\\~KLP12345678.TMP"};
    const std::vector<std::string> kept = {"~klpNOTHEX0.tmp", "~klp0000BEEF.tmp.txt", "notes.tmp",
                                           "other\\~klp0000BEEF.tmp"}; // a folder the run does not write to
    for (const std::string& name : left)
        WriteFile(dest + name, "half written");
    for (const std::string& name : kept)
        WriteFile(dest + name, "not ours");
    SetFileAttributesA((dest + left[0]).c_str(), FILE_ATTRIBUTE_READONLY);
    TSTCabReader reader(nullptr);
    reader.Extract(cabinet, dest);
    for (const std::string& name : left)
        EXPECT_FALSE(FileExists(dest + name)) << name;
    for (const std::string& name : kept)
        EXPECT_TRUE(FileExists(dest + name)) << name;
    EXPECT_EQ(ReadFile(dest + "docs\\b.txt"), "b");
}

TEST(CabSafety, ProgressRunsFromZeroToTheTotalThroughLargeFiles)
{
    TempDir dir;
    std::vector<TFixtureFile> files = {
        {"small.txt", "small"}, {"large.bin", NoiseBytes(3 * MiB, 51)}, {"skipped.txt", "skipped"}, {"empty.txt", ""}};
    std::string cabinet = MakeCabinets(dir.Path(), files).at(0);
    const uint64_t total = 5 + 3 * MiB + 7;
    std::vector<std::pair<uint64_t, uint64_t>> calls;
    int notifications = 0;
    TSTCabReader reader(nullptr);
    reader.OnProgress = [&](TSTCabReader* sender, uint64_t done, uint64_t all) {
        EXPECT_EQ(sender, &reader);
        calls.emplace_back(done, all);
    };
    reader.OnCopyFile = [&](auto, const std::string& src, auto, auto, auto, auto, auto, std::string& dst, bool&) {
        ++notifications;
        if (src == "skipped.txt")
            dst.clear();
    };
    reader.OnCloseFile = [&](auto, auto&, auto, auto, auto, auto, auto&, auto&, bool&) { ++notifications; };
    reader.Extract(cabinet, dir.Path() + "out");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), std::make_pair(uint64_t(0), total));
    EXPECT_EQ(calls.back(), std::make_pair(total, total));
    EXPECT_GE(calls.size(), static_cast<size_t>(notifications) + 1);
    int insideLarge = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].second, total);
        if (i > 0) {
            EXPECT_GE(calls[i].first, calls[i - 1].first);
        }
        insideLarge += calls[i].first > 5 && calls[i].first < 5 + 3 * MiB;
    }
    EXPECT_GE(insideLarge, 2) << "no progress while the large file is written";
}

// An owner that finds later cabinets itself: the headers beyond the first
// cannot be read ahead, so the first cabinet alone is counted.
TEST(CabSafety, WithAnOwnersNextCabinetHandlerTheFirstCabinetCounts)
{
    TempDir dir;
    TFixtureSet set;
    set.MaxCabinetSize = 40000;
    set.Compress = false;
    std::vector<std::string> cabinets =
        MakeCabinets(dir.Path(), {{"first.txt", "first"}, {"big.bin", NoiseBytes(100000, 61)}}, set);
    ASSERT_GE(cabinets.size(), 3u);
    // The later members are elsewhere: only the handler knows where.
    const std::string moved = dir.Path() + "disk2\\";
    CreateDirectoryA(moved.c_str(), nullptr);
    for (size_t i = 1; i < cabinets.size(); ++i)
        MoveFileA(cabinets[i].c_str(), (moved + ExtractFileName(cabinets[i])).c_str());
    uint64_t total = 0;
    TSTCabReader reader(nullptr);
    reader.OnProgress = [&](TSTCabReader*, uint64_t, uint64_t all) { total = all; };
    reader.OnNextCabinet = [&](auto, auto&, auto&, std::string& path, auto, bool&) { path = moved; };
    reader.Extract(cabinets[0], dir.Path() + "out");
    EXPECT_EQ(total, 5u + 100000u);
    EXPECT_TRUE(ReadFile(dir.Path() + "out\\big.bin") == NoiseBytes(100000, 61));
}

TEST(CabSafety, AmountsReadInMegabytesOrKilobytesNeededNeverBelowFree)
{
    const struct {
        uint64_t Bytes;
        const char* Up;
        const char* Down;
    } rows[] = {
        {0, "0 KB", "0 KB"},
        {1, "1 KB", "0 KB"},
        {1024, "1 KB", "1 KB"},
        {MiB - 1, "1024 KB", "1023 KB"},
        {MiB, "1.0 MB", "1.0 MB"},
        {MiB + 1, "1.1 MB", "1.0 MB"},
        {5 * MiB / 2, "2.5 MB", "2.5 MB"},
        {1500 * MiB + MiB / 20, "1500.1 MB", "1500.0 MB"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CabSizeText(row.Bytes, true), row.Up) << row.Bytes;
        EXPECT_EQ(CabSizeText(row.Bytes, false), row.Down) << row.Bytes;
    }
}
