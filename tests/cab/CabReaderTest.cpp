// The reader component against the real cabinet.dll, with cabinets made at
// test time and cabextract as an independent reader.
#include <gtest/gtest.h>

#include "cab/CabSTComps.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "tests/TestFiles.h"
#include "tests/cab/CabFixtures.h"
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

TEST_F(CabReader, SpanningSetMatchesCabextract)
{
    TFixtureSet set;
    set.MaxCabinetSize = 40000;
    set.Compress = false;
    auto cabs = Make(SpanningFiles(), set);
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

