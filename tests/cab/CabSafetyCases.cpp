#include "tests/cab/CabSafetyCases.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "harness/TestFiles.h"
#include "tests/cab/CabTestSupport.h"

namespace {

constexpr size_t Failing = 2; // the index of the file where each run fails
constexpr uint32_t MiB = 1 << 20;
// 2021-06-15 10:20:30 and 2024-02-29 12:00:02 as DOS dates and times.
constexpr uint16_t NewDate = 0x52CF, NewTime = 0x528F, OtherDate = 0x585D, OtherTime = 0x6001;

// The product as the cabinet stores it. The second file shrinks from 3 MiB
// to 1 MiB, the third (the failing one) grows from 1 MiB to 4.5 MiB.
std::vector<TFixtureFile> NewFiles()
{
    return {
        {"Kelpa.EXE", NoiseBytes(20000, 11), FILE_ATTRIBUTE_ARCHIVE, NewDate, NewTime},
        {"docs\\Big.dat", NoiseBytes(MiB, 12), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN, OtherDate, OtherTime},
        {"Kelpa.dat", NoiseBytes(9 * MiB / 2, 13), FILE_ATTRIBUTE_ARCHIVE, NewDate, NewTime},
        {"Kelpa.ini", "[Editor]\r\nTabs=4\r\n", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, OtherDate, OtherTime},
        {"docs\\ReadMe.txt", std::string(3000, 'r'), FILE_ATTRIBUTE_HIDDEN, NewDate, NewTime},
    };
}

// The earlier installation: other contents and sizes, stamped 2001, with
// attributes of their own.
struct TOldFile {
    std::string Content;
    DWORD Attrs;
};
std::vector<TOldFile> OldFiles()
{
    return {
        {NoiseBytes(30000, 21), FILE_ATTRIBUTE_NORMAL},
        {NoiseBytes(3 * MiB, 22), FILE_ATTRIBUTE_NORMAL},
        {NoiseBytes(MiB, 23), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
        {"[Editor]\r\nTabs=8\r\n", FILE_ATTRIBUTE_READONLY},
        {"old read me", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
    };
}

void Damage(const std::string& aCabinet, const std::string& aContent)
{
    std::string bytes = ReadFile(aCabinet);
    size_t at = bytes.find(aContent.substr(aContent.size() / 2, 32));
    if (at == std::string::npos)
        throw std::runtime_error("the data to damage is not in " + aCabinet);
    bytes[at] = static_cast<char>(bytes[at] ^ 0xFF);
    WriteFile(aCabinet, bytes);
}

// The local DOS date and time a file time shows.
std::pair<WORD, WORD> DosStamp(const FILETIME& anUtc)
{
    FILETIME local;
    FileTimeToLocalFileTime(&anUtc, &local);
    WORD date = 0, time = 0;
    FileTimeToDosDateTime(&local, &date, &time);
    return {date, time};
}

} // namespace

std::vector<TFailureRow> FailureRows(bool aWithCancel)
{
    std::vector<TFailureRow> rows = {
        {"damaged data, the file was there", TFailurePoint::fpDamagedData, true},
        {"damaged data, a new file", TFailurePoint::fpDamagedData, false},
        {"full volume, the file was there", TFailurePoint::fpFullVolume, true},
        {"full volume, a new file", TFailurePoint::fpFullVolume, false},
        {"held open without sharing", TFailurePoint::fpHeldOpen, true},
    };
    if (aWithCancel) {
        rows.push_back({"cancelled, the file was there", TFailurePoint::fpCancelled, true});
        rows.push_back({"cancelled, a new file", TFailurePoint::fpCancelled, false});
    }
    return rows;
}

TFailureRun::TFailureRun(const TFailureRow& aRow, const std::string& aKitDir, const std::string& aDest)
    : FRow(aRow), FDest(aDest), FFiles(NewFiles())
{
    TFixtureSet set;
    set.Compress = false; // the data to damage lies as it is
    set.NamePattern = "Kelpa.cab";
    FCabinet = MakeCabinets(aKitDir, FFiles, set).at(0);
    if (aRow.Point == TFailurePoint::fpDamagedData)
        Damage(FCabinet, FFiles[Failing].Content);

    CreateDirectoryA(FDest.c_str(), nullptr);
    CreateDirectoryA((FDest + "docs").c_str(), nullptr);
    std::vector<TOldFile> old = OldFiles();
    for (size_t i = 0; i < FFiles.size(); ++i) {
        // A new file is new from the failing one on; the one before it is
        // always there, linked from outside the destination.
        if (!aRow.Existed && i != 1)
            continue;
        std::string name = FDest + FFiles[i].StoredName;
        WriteFile(name, old[i].Content);
        StampYear(name, 2001);
        SetFileAttributesA(name.c_str(), old[i].Attrs);
    }
    const std::string outside = ExtractFilePath(ExtractFileDir(FDest)) + "Big-link.dat";
    if (!CreateHardLinkA(outside.c_str(), (FDest + FFiles[1].StoredName).c_str(), nullptr))
        throw std::runtime_error("cannot link " + outside);
    for (const TFixtureFile& f : FFiles)
        FBefore.push_back(StateOf(FDest + f.StoredName));
    if (aRow.Point == TFailurePoint::fpHeldOpen) {
        FHeld.reset(CreateFileA((FDest + FFiles[Failing].StoredName).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!FHeld)
            throw std::runtime_error("cannot hold the failing file");
    }
}

std::string TFailureRun::ExpectedMessage() const
{
    switch (FRow.Point) {
    case TFailurePoint::fpDamagedData: return "Cabinet file is corrupt [0x0004]";
    case TFailurePoint::fpFullVolume:
        return "Failure writing to target file [0x0008].\r\n" + SysErrorMessage(ERROR_DISK_FULL) + " [0x0070].";
    case TFailurePoint::fpHeldOpen:
        return "The file " + FDest + FFiles[Failing].StoredName +
               " is in use by another program. Close the program that uses it and try again";
    case TFailurePoint::fpCancelled: return "The installation was cancelled.";
    }
    return std::string();
}

uint64_t TFailureRun::CancelAt() const
{
    uint64_t before = 0;
    for (size_t i = 0; i < Failing; ++i)
        before += FFiles[i].Content.size();
    return before + FFiles[Failing].Content.size() / 2;
}

TFailureRun::TState TFailureRun::StateOf(const std::string& aName)
{
    TState state;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(aName.c_str(), GetFileExInfoStandard, &data))
        return state;
    state.Exists = true;
    state.Content = ReadFile(aName);
    state.Created = data.ftCreationTime;
    state.Written = data.ftLastWriteTime;
    state.Attrs = data.dwFileAttributes;
    return state;
}

void TFailureRun::ExpectOutcome()
{
    FHeld.reset();
    for (size_t i = 0; i < FFiles.size(); ++i) {
        const TFixtureFile& f = FFiles[i];
        SCOPED_TRACE(f.StoredName);
        TState now = StateOf(FDest + f.StoredName);
        if (i < Failing) {
            ASSERT_TRUE(now.Exists);
            EXPECT_TRUE(now.Content == f.Content) << "not the new content";
            EXPECT_EQ(DosStamp(now.Written), std::make_pair(f.Date, f.Time));
            EXPECT_EQ(CompareFileTime(&now.Created, &now.Written), 0);
            EXPECT_EQ(now.Attrs & 0x07, f.Attrs & 0x07u);
            continue;
        }
        const TState& before = FBefore[i];
        ASSERT_EQ(now.Exists, before.Exists);
        if (!before.Exists)
            continue;
        EXPECT_TRUE(now.Content == before.Content) << "the old content changed";
        EXPECT_EQ(CompareFileTime(&now.Created, &before.Created), 0);
        EXPECT_EQ(CompareFileTime(&now.Written, &before.Written), 0);
        EXPECT_EQ(now.Attrs, before.Attrs);
    }
    EXPECT_EQ(TemporaryFilesIn(ExtractFilePath(ExtractFileDir(FDest))), std::vector<std::string>{});
}

std::vector<TRefusalRow> RefusalRows()
{
    return {
        {"a cabinet with no files", 0, false},
        {"a cabinet with no folders", 0, false},
        {"a file in a folder the cabinet lacks", 0, false},
        {"a file table past the end", 0, false},
        {"a missing next cabinet", 0, false},
        {"a next cabinet held open by another program", 0, false},
        {"a next cabinet that is no cabinet", 0, false},
        {"a damaged previous-cabinet name", 0, false},
        {"too little space, in megabytes", MiB, false},
        {"too little space, in kilobytes", 512 * 1024, false},
        {"a folder that refuses new entries", MiB, true},
    };
}

TRefusalRun::TRefusalRun(const TRefusalRow& aRow, const std::string& aKitDir, const std::string& aDest)
    : FDest(aDest), FCabinet("Kelpa.cab")
{
    const std::string name = aRow.Name;
    TRawCabinet raw;
    raw.Files = {{"Kelpa.EXE", NoiseBytes(2000, 31)}, {"docs\\b.txt", "b"}};
    if (name == "a cabinet with no files") {
        raw.FileCount = 0;
        FMessage = "Cabinet Kelpa.cab contains no files";
    } else if (name == "a cabinet with no folders") {
        raw.FolderCount = 0;
        FMessage = "Cabinet Kelpa.cab is damaged: it has no folders of data";
    } else if (name == "a file in a folder the cabinet lacks") {
        raw.FolderOf = {{1, 3}};
        FMessage = "Cabinet Kelpa.cab is damaged: file docs\\b.txt is stored in folder 3, which the cabinet does not "
                   "have (it has 1)";
    } else if (name == "a file table past the end") {
        raw.FileTableOffset = 0x7FFF0000;
        FMessage = "Cabinet Kelpa.cab is damaged: its list of files runs past the end of the file";
    } else if (name == "a damaged previous-cabinet name") {
        // The name runs on through 33 KB of the header, control characters
        // included; the message quotes its first 260 bytes.
        // (Words, so that the message box can wrap the quote.)
        std::string words;
        while (words.size() < 33000)
            words += "header data ";
        raw.Previous = "\x01\x1F" + words;
        FMessage =
            "Cabinet Kelpa.cab is not the first of its set: start with \\x01\\x1F" + words.substr(0, 258) + "...";
    } else if (name == "too little space, in megabytes") {
        raw.Files = {{"Kelpa.EXE", NoiseBytes(2 * MiB, 32)}, {"Kelpa.ini", "[Editor]\r\n"}};
        // 2 MiB and one 4 KiB cluster, against the whole 1 MiB volume.
        FMessage = "There is not enough free space for the installation in " + aDest +
                   ": it needs 2.1 MB, but only 1.0 MB is free. Free some space on that drive or choose another "
                   "destination folder";
    } else if (name == "too little space, in kilobytes") {
        raw.Files = {{"Kelpa.EXE", NoiseBytes(600 * 1024, 33)}};
        FMessage = "There is not enough free space for the installation in " + aDest +
                   ": it needs 600 KB, but only 512 KB is free. Free some space on that drive or choose another "
                   "destination folder";
    } else if (name == "a folder that refuses new entries") {
        FMessage = "New files cannot be written to the folder " + ExtractFileDir(ExtractFilePath(aDest)) +
                   ": access is denied. Choose another destination folder, or start the installer as administrator";
    }
    if (name.find("next cabinet") != std::string::npos) {
        // A set of three in which no file crosses a boundary: the library
        // would unpack the first two before it met the third.
        TFixtureSet set;
        set.CabinetPerFile = true;
        set.NamePattern = "Kelpa%d.cab";
        std::vector<std::string> cabinets =
            MakeCabinets(aKitDir, {{"one.bin", "1"}, {"two.bin", "2"}, {"three.bin", "3"}}, set);
        if (cabinets.size() != 3)
            throw std::runtime_error("cannot make a set of three");
        FCabinet = "Kelpa1.cab";
        if (name == "a missing next cabinet") {
            DeleteFileA(cabinets[2].c_str());
            FMessage = "Cabinet not found [0x0001].\r\n" + SysErrorMessage(ERROR_FILE_NOT_FOUND) + " [0x0002].";
        } else if (name == "a next cabinet held open by another program") {
            FHeld.reset(CreateFileA(cabinets[2].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            FMessage = "Cabinet not found [0x0001].\r\n" + SysErrorMessage(ERROR_SHARING_VIOLATION) + " [0x0020].";
        } else {
            WriteFile(cabinets[2], "this is plain text, not a cabinet at all, long enough for a header");
            FMessage = "Cabinet file does not have the correct format [0x0002]";
        }
    } else {
        WriteFile(aKitDir + FCabinet, RawCabinetBytes(raw));
    }
    FListing = TreeListing(ExtractFilePath(aDest));
}

void TRefusalRun::ExpectNothingWritten() const
{
    EXPECT_FALSE(DirectoryExists(FDest));
    EXPECT_EQ(TreeListing(ExtractFilePath(FDest)), FListing);
}

std::string BoxText(const std::string& aMessage)
{
    if (!aMessage.empty() && static_cast<unsigned char>(aMessage.back()) > '.')
        return aMessage + ".";
    return aMessage;
}

void ForEachFailureRow(bool aWithCancel, const std::string& aScratch,
                       const std::function<void(const TFailureRow& aRow, const std::string& aWork)>& aRun)
{
    TSmallVolume volume(8 * MiB);
    for (const TFailureRow& row : FailureRows(aWithCancel)) {
        SCOPED_TRACE(row.Name);
        if (row.Point == TFailurePoint::fpFullVolume && !volume.Ready()) {
            std::printf("[ SKIPPED  ] %s: %s\n", row.Name, volume.NotReadyReason().c_str());
            continue;
        }
        const std::string work = (volume.Ready() ? volume.Root() : aScratch) + "run\\";
        ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
        aRun(row, work);
        if (testing::Test::HasFatalFailure())
            return;
        RemoveTree(work);
    }
}

void ForEachRefusalRow(
    const std::string& aScratch,
    const std::function<void(const TRefusalRow& aRow, const std::string& aParent, TSmallVolume* aVolume)>& aRun)
{
    for (const TRefusalRow& row : RefusalRows()) {
        SCOPED_TRACE(row.Name);
        std::unique_ptr<TSmallVolume> volume;
        std::string parent = aScratch;
        if (row.VolumeBytes) {
            volume = std::make_unique<TSmallVolume>(row.VolumeBytes);
            if (!volume->Ready()) {
                std::printf("[ SKIPPED  ] %s: %s\n", row.Name, volume->NotReadyReason().c_str());
                continue;
            }
            parent = volume->Root();
        }
        aRun(row, parent, volume.get());
        if (testing::Test::HasFatalFailure())
            return;
    }
}
