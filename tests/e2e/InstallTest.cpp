// Installation runs of the real KLPInst.exe: real cabinets beside a copy of
// the program, real shortcut files in the test prefix's Start menu and on its
// desktop, every box read from the screen.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>
#include <gtest/gtest.h>
#include <memory>

#include "app/InstallDefaults.h"
#include "app/MainFormIds.h"
#include "app/ShellFolders.h"
#include "cab/CabSTComps.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "harness/CabFixtures.h"
#include "tests/cab/CabSafetyCases.h"
#include "tests/cab/CabTestSupport.h"
#include "harness/Harness.h"
#include "tests/e2e/InstallerFixture.h"

namespace {

const std::wstring InstalledText = L"Kelpa editor was installed";

std::string WithoutFinalBackslash(const std::string& path)
{
    return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

std::string StartMenuLink()
{
    return StartMenuDirectory() + "\\Kelpa.lnk";
}
std::string DesktopLink()
{
    return DesktopDirectory() + "\\Kelpa.lnk";
}

// A shortcut left by an earlier test, or a directory standing in its place,
// goes before and after each test.
void RemoveLinks()
{
    for (const std::string& link : {StartMenuLink(), DesktopLink()}) {
        SetFileAttributesA(link.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(link.c_str());
        RemoveDirectoryA(link.c_str());
    }
}

// The product's files as the fixtures store them: read-only, hidden, system
// and plain files, an empty one, sub-directories and several dates.
std::vector<TFixtureFile> ProductFiles()
{
    // Dates and times in DOS form: 1999-12-31 23:59:58, 2010-01-01 00:00:00
    // and 2024-02-29 12:00:02.
    std::vector<TFixtureFile> files = {
        {.StoredName = "Kelpa.EXE", .Content = NoiseBytes(40000, 1), .Attrs = FILE_ATTRIBUTE_ARCHIVE},
        {.StoredName = "Kelpa.ini",
         .Content = "[Editor]\r\nTabs=4\r\n",
         .Attrs = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE,
         .Date = 0x279F,
         .Time = 0xBF7D},
        {.StoredName = "docs\\ReadMe.txt",
         .Content = std::string(3000, 'r'),
         .Attrs = FILE_ATTRIBUTE_HIDDEN,
         .Date = 0x3C21,
         .Time = 0x0000},
        {.StoredName = "docs\\sys\\Boot.dat",
         .Content = NoiseBytes(5000, 2),
         .Attrs = FILE_ATTRIBUTE_SYSTEM,
         .Date = 0x585D,
         .Time = 0x6001},
        {.StoredName = "Empty.txt", .Content = "", .Attrs = 0},
    };
    return files;
}

// Files stored in one cabinet "Kelpa.cab" (or another name) in dir.
std::string MakeArchive(const std::string& dir, const std::vector<TFixtureFile>& files,
                        const std::string& name = "Kelpa.cab")
{
    TFixtureSet options;
    options.NamePattern = name;
    return MakeCabinets(dir, files, options).at(0);
}

// The tree cabextract makes of the cabinet (and the cabinets continuing it).
class TReference {
public:
    explicit TReference(const std::string& cabinet) { EXPECT_EQ(0, CabExtract(cabinet, FDir.Path())) << cabinet; }
    const std::string& Path() const { return FDir.Path(); }

private:
    TempDir FDir;
};

// Stored date, time and attributes arrive on every installed file. The
// stored date and time are local time; the file keeps them as UTC.
void ExpectStoredStamps(const std::string& destDir, const std::vector<TFixtureFile>& files)
{
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    for (const TFixtureFile& f : files) {
        std::string name = destDir + f.StoredName;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)) << name;
        // Read back as local DOS date and time: the stored values themselves.
        FILETIME local{};
        WORD date = 0, time = 0;
        ASSERT_TRUE(FileTimeToLocalFileTime(&data.ftLastWriteTime, &local));
        ASSERT_TRUE(FileTimeToDosDateTime(&local, &date, &time));
        EXPECT_EQ(f.Date, date) << name;
        EXPECT_EQ(f.Time, time) << name;
        EXPECT_EQ(0, CompareFileTime(&data.ftCreationTime, &data.ftLastWriteTime)) << name;
        EXPECT_EQ(f.Attrs & kept, data.dwFileAttributes & kept) << name;
        if (f.Attrs & FILE_ATTRIBUTE_ARCHIVE) {
            EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE) << name;
        }
    }
}

void ExpectLink(const std::string& file, const std::string& target, const std::string& workingDirectory)
{
    SCOPED_TRACE(file);
    ASSERT_TRUE(FileExists(file));
    TShellLinkContents link = ReadShellLink(file);
    EXPECT_TRUE(SameText(target, link.Path)) << link.Path;
    EXPECT_TRUE(SameText(workingDirectory, link.WorkingDirectory)) << link.WorkingDirectory;
    EXPECT_EQ("", link.Arguments);
}

// One installer started from a kit folder, and the destinations of its runs
// under a scratch folder.
class InstallRun : public InstallerFixture {
protected:
    void SetUp() override { RemoveLinks(); }
    void TearDown() override
    {
        InstallerFixture::TearDown();
        RemoveLinks();
    }

    // Fills in the window as a user would.
    void Fill(const std::wstring& source, const std::wstring& destination, bool startMenu, bool desktop)
    {
        SetText(Control(idSource), source);
        SetText(Control(idDestination), destination);
        SetChecked(Control(idStart), startMenu);
        SetChecked(Control(idDesk), desktop);
    }
    // Clicks Install and answers the box that comes up with OK; what the box
    // showed, and whether it had an owner.
    TMessageBoxContent Install(bool* owned = nullptr)
    {
        Click(Control(idOK));
        HWND box = WaitForMessageBox(*Process);
        if (!box)
            throw std::runtime_error("no message box after Install");
        TMessageBoxContent content = ReadMessageBox(box);
        if (owned)
            *owned = GetWindow(box, GW_OWNER) != nullptr;
        PressButton(box, L"OK");
        if (!WaitFor([&] { return !IsWindow(box); }))
            throw std::runtime_error("the box did not close");
        return content;
    }
    // An error box as the message loop shows it.
    void ExpectErrorBox(const TMessageBoxContent& box, const std::wstring& text)
    {
        EXPECT_EQ(L"Kelpa installer", box.Caption);
        EXPECT_EQ(text, box.Text);
        EXPECT_EQ(TBoxIcon::Stop, box.Icon);
        EXPECT_TRUE(Process->Running());
        EXPECT_TRUE(IsWindowVisible(Form)) << "the main window closed after an error";
    }
    void ExpectSuccessBox(const TMessageBoxContent& box, bool owned)
    {
        EXPECT_EQ(L"", box.Caption);
        EXPECT_EQ(InstalledText, box.Text);
        EXPECT_EQ(TBoxIcon::Information, box.Icon);
        EXPECT_EQ(std::vector<std::wstring>{L"OK"}, box.Buttons);
        EXPECT_FALSE(owned) << "the success box has an owner";
    }
    void InstallSucceeds()
    {
        bool owned = true;
        TMessageBoxContent box = Install(&owned);
        ExpectSuccessBox(box, owned);
        ExpectEndsWithExitCode0();
    }

    TempDir Scratch;
};

} // namespace

TEST_F(InstallRun, InstallsTheArchiveWithItsStampsAndBothShortcuts)
{
    std::vector<TFixtureFile> files = ProductFiles();
    std::string cabinet = MakeArchive(Kit.Path(), files);
    TReference reference(cabinet);
    std::string dest = Scratch.Path() + "Program Files\\Kelpa";

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(L"Kelpa.cab", WindowText(Control(idSource)));
    Fill(L"Kelpa.cab", AnsiToWide(dest), true, true);
    InstallSucceeds();

    EXPECT_EQ("", CompareTrees(reference.Path(), dest + "\\"));
    ExpectStoredStamps(dest + "\\", files);
    // Without a final backslash the shortcut starts in the parent directory.
    ExpectLink(StartMenuLink(), dest + "\\Kelpa.EXE", Scratch.Path() + "Program Files");
    ExpectLink(DesktopLink(), dest + "\\Kelpa.EXE", Scratch.Path() + "Program Files");
}

TEST_F(InstallRun, InstallsASpanningSetFromItsFirstCabinetOnly)
{
    // Stored, not compressed, so that the sizes place the boundaries: the
    // big file begins in Kelpa1.cab and ends in Kelpa3.cab.
    std::vector<TFixtureFile> files = {
        {.StoredName = "Kelpa.EXE", .Content = NoiseBytes(2000, 3)},
        {.StoredName = "Big.dat", .Content = NoiseBytes(70000, 4)},
        {.StoredName = "docs\\Tail.txt", .Content = NoiseBytes(1000, 5)},
    };
    TFixtureSet options;
    options.MaxCabinetSize = 30000;
    options.Compress = false;
    options.NamePattern = "Kelpa%d.cab";
    std::vector<std::string> cabinets = MakeCabinets(Kit.Path(), files, options);
    ASSERT_EQ(3u, cabinets.size());
    TReference reference(cabinets[0]);
    ASSERT_EQ(3u, ListTree(reference.Path()).size()) << "cabextract did not read the whole set";
    std::string dest = Scratch.Path() + "Span\\";

    ASSERT_NO_FATAL_FAILURE(Start());
    // The list selects the last name it found: the last cabinet of the set.
    std::wstring selected = WindowText(Control(idSource));
    std::vector<std::string> found = ArchivesBeside(Kit.ExePath());
    ASSERT_EQ(3u, found.size());
    ASSERT_EQ(AnsiToWide(found.back()), selected);
    ASSERT_EQ(L"Kelpa3.cab", selected);
    SetText(Control(idDestination), AnsiToWide(dest));
    SetChecked(Control(idStart), true);
    ExpectErrorBox(Install(), L"Cabinet Kelpa3.cab is not the first of its set: start with Kelpa1.cab.");
    EXPECT_FALSE(FileExists(StartMenuLink()));
    EXPECT_FALSE(FileExists(dest + "Big.dat"));

    SetText(Control(idSource), L"Kelpa1.cab");
    InstallSucceeds();
    EXPECT_EQ("", CompareTrees(reference.Path(), dest));
    ExpectStoredStamps(dest, files);
    // With a final backslash the shortcut starts in the installation itself.
    ExpectLink(StartMenuLink(), dest + "Kelpa.EXE", Scratch.Path() + "Span");
    EXPECT_FALSE(FileExists(DesktopLink()));
}

TEST_F(InstallRun, InstallsIntoTheRootOfADrive)
{
    std::vector<TFixtureFile> files = ProductFiles();
    TReference reference(MakeArchive(Kit.Path(), files));
    std::string root = Scratch.Path() + "Drive\\";
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    TDriveLink drive(root);
    if (drive.Drive().empty())
        GTEST_SKIP() << "no free drive letter";
    ASSERT_TRUE(DirectoryExists(drive.Drive() + "\\")) << drive.Drive() << " does not reach its folder";

    ASSERT_NO_FATAL_FAILURE(Start());
    Fill(L"Kelpa.cab", AnsiToWide(drive.Drive() + "\\"), true, true);
    InstallSucceeds();
    EXPECT_EQ("", CompareTrees(reference.Path(), root));
    // The drive's root keeps its backslash as the working directory.
    ExpectLink(StartMenuLink(), drive.Drive() + "\\Kelpa.EXE", drive.Drive() + "\\");
    ExpectLink(DesktopLink(), drive.Drive() + "\\Kelpa.EXE", drive.Drive() + "\\");
}

TEST_F(InstallRun, RefusesAnEmptyDestinationOrArchiveWritingNothing)
{
    // A stored name that would land in the root of the current drive if an
    // empty destination were taken as "\".
    std::string probe = "KelpaEmptyFieldProbe.txt";
    // Where the probe would land; a fault must not leave it for the next run.
    const std::string rootProbe = Kit.Path().substr(0, 2) + "\\" + probe;
    ASSERT_FALSE(FileExists(rootProbe)) << "left by an earlier run";
    ASSERT_FALSE(FileExists("\\" + probe)) << "left by an earlier run";
    struct TRemove {
        std::vector<std::string> Names;
        ~TRemove()
        {
            for (const std::string& name : Names)
                DeleteFileA(name.c_str());
        }
    } removeProbes{{rootProbe, "\\" + probe}};
    MakeArchive(Kit.Path(), {{.StoredName = probe, .Content = "probe"}});
    std::vector<std::string> listing = Kit.Listing();
    std::string dest = Scratch.Path() + "Kelpa";

    ASSERT_NO_FATAL_FAILURE(Start());
    Fill(L"Kelpa.cab", L"", true, true);
    ExpectErrorBox(Install(), L"Choose the destination directory.");
    Fill(L"", AnsiToWide(dest), true, true);
    ExpectErrorBox(Install(), L"Choose the Kelpa CAB file to install.");
    // The window keeps what was typed.
    EXPECT_EQ(AnsiToWide(dest), WindowText(Control(idDestination)));
    EXPECT_TRUE(IsChecked(Control(idStart)));
    Click(Control(idCancel));
    ExpectEndsWithExitCode0();

    EXPECT_FALSE(FileExists("\\" + probe));
    EXPECT_FALSE(FileExists(Kit.Path().substr(0, 2) + "\\" + probe));
    EXPECT_FALSE(DirectoryExists(dest));
    EXPECT_FALSE(FileExists(StartMenuLink()));
    EXPECT_FALSE(FileExists(DesktopLink()));
    EXPECT_EQ(listing, Kit.Listing());
}

namespace {

// The result code the shell's link object gives when asked to save over a
// directory.
HRESULT SaveOverDirectoryResult(const std::string& directory)
{
    using Microsoft::WRL::ComPtr;
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> persist;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(link.GetAddressOf()));
    if (SUCCEEDED(hr))
        hr = link.As(&persist);
    if (SUCCEEDED(hr))
        hr = link->SetPath("C:\\Kelpa\\Kelpa.EXE");
    if (SUCCEEDED(hr))
        hr = persist->Save(AnsiToWide(directory).c_str(), FALSE);
    return hr;
}

FILETIME WriteTime(const std::string& name)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

} // namespace

TEST_F(InstallRun, KeepsAnExistingShortcutAndReportsADirectoryInItsPlace)
{
    std::vector<TFixtureFile> files = {
        {.StoredName = "Kelpa.EXE", .Content = NoiseBytes(3000, 6)},
        {.StoredName = "docs\\Keys.txt", .Content = "Ctrl+S saves"},
    };
    TReference reference(MakeArchive(Kit.Path(), files));
    std::string dest = Scratch.Path() + "Kelpa";
    const std::string older = "not a shortcut of this installer";
    WriteFile(DesktopLink(), older);
    FILETIME olderTime = WriteTime(DesktopLink());
    ASSERT_TRUE(CreateDirectoryA(StartMenuLink().c_str(), nullptr));
    HRESULT refused = SaveOverDirectoryResult(StartMenuLink());
    ASSERT_TRUE(FAILED(refused)) << "the link object saved over a directory";

    ASSERT_NO_FATAL_FAILURE(Start());
    Fill(L"Kelpa.cab", AnsiToWide(dest), true, true);
    // The system's text loses its full stop in the message and gets one in the box.
    std::string reported = EOleSysError(refused).Message();
    ASSERT_FALSE(reported.empty());
    ASSERT_NE('.', reported.back());
    ExpectErrorBox(Install(), AnsiToWide(reported + "."));
    // The files stay; the run stopped before the desktop.
    EXPECT_EQ("", CompareTrees(reference.Path(), dest + "\\"));
    EXPECT_EQ(older, ReadFile(DesktopLink()));

    // With the directory gone the same window installs again; the desktop's
    // file is not touched.
    ASSERT_TRUE(RemoveDirectoryA(StartMenuLink().c_str()));
    InstallSucceeds();
    ExpectLink(StartMenuLink(), dest + "\\Kelpa.EXE", WithoutFinalBackslash(Scratch.Path()));
    EXPECT_EQ(older, ReadFile(DesktopLink()));
    FILETIME now = WriteTime(DesktopLink());
    EXPECT_EQ(0, CompareFileTime(&olderTime, &now));
}

// A name missing beside the program is reported although a file of that name
// lies in the current directory; a name from the list is read from beside
// the program, not from the current directory.
TEST_F(InstallRun, ReportsAMissingArchiveThenInstallsFromBesideTheProgram)
{
    std::vector<TFixtureFile> files = ProductFiles();
    TReference reference(MakeArchive(Kit.Path(), files));
    TempDir elsewhere;
    MakeArchive(elsewhere.Path(), {{.StoredName = "Decoy.txt", .Content = "wrong archive"}});
    MakeArchive(elsewhere.Path(), {{.StoredName = "Decoy.txt", .Content = "wrong archive"}}, "Missing.cab");
    std::string dest = Scratch.Path() + "Kelpa";

    // What the reader says for the name beside the program.
    std::string expected;
    try {
        TSTCabReader reader(nullptr);
        reader.Extract(Kit.Path() + "Missing.cab", Scratch.Path() + "unused\\", 0);
    } catch (const ESTCabinet& e) {
        expected = e.Message();
    }
    ASSERT_EQ(0u, expected.find("Cabinet not found [0x0001]")) << expected;
    // It ends in "].": the box adds no second full stop.
    ASSERT_EQ(expected.size() - 2, expected.rfind("]."));

    ASSERT_NO_FATAL_FAILURE(Start(elsewhere.Path()));
    Fill(L"Missing.cab", AnsiToWide(dest), false, true);
    ExpectErrorBox(Install(), AnsiToWide(expected));
    EXPECT_EQ(L"Missing.cab", WindowText(Control(idSource)));
    EXPECT_EQ(AnsiToWide(dest), WindowText(Control(idDestination)));
    EXPECT_FALSE(IsChecked(Control(idStart)));
    EXPECT_TRUE(IsChecked(Control(idDesk)));
    EXPECT_FALSE(FileExists(DesktopLink()));

    SetText(Control(idSource), L"Kelpa.cab");
    InstallSucceeds();
    EXPECT_EQ("", CompareTrees(reference.Path(), dest + "\\"));
    ExpectLink(DesktopLink(), dest + "\\Kelpa.EXE", WithoutFinalBackslash(Scratch.Path()));
    EXPECT_FALSE(FileExists(StartMenuLink()));
}

namespace {

std::string WithOverride(const std::string& entry)
{
    char current[1024] = "";
    GetEnvironmentVariableA("WINEDLLOVERRIDES", current, sizeof current);
    return std::string("WINEDLLOVERRIDES=") + current + (*current ? ";" : "") + entry;
}

} // namespace

// Wine told to prefer a native DLL found by the search behaves as Windows:
// the copy beside the program would be taken by a plain LoadLibrary. The
// installer still uses the system's library.
TEST_F(InstallRun, IgnoresACabinetLibraryPlantedBesideIt)
{
    std::vector<TFixtureFile> files = ProductFiles();
    TReference reference(MakeArchive(Kit.Path(), files));
    Kit.CopyIn(BuildDirectory() + "tests\\cab\\planted\\cabinet.dll", "cabinet.dll");
    Kit.CopyIn(ExeDir() + "LibraryProbe.exe", "LibraryProbe.exe");
    std::vector<std::string> environment = {WithOverride("cabinet=n,b")};

    TProcess probe(Kit.Path() + "LibraryProbe.exe", "", environment);
    std::optional<DWORD> where = probe.WaitForExit();
    ASSERT_TRUE(where.has_value());
    ASSERT_EQ(0u, *where) << "a plain LoadLibrary does not take the planted copy: the test proves nothing";

    std::string dest = Scratch.Path() + "Kelpa";
    ASSERT_NO_FATAL_FAILURE(Start("", environment));
    Fill(L"Kelpa.cab", AnsiToWide(dest), false, false);
    InstallSucceeds();
    EXPECT_EQ("", CompareTrees(reference.Path(), dest + "\\"));
}

// No file crosses a boundary of this set: only the cabinets' headers tell
// that the selected last one is not where the set begins.
TEST_F(InstallRun, RefusesTheLastCabinetOfASetWithoutContinuingFiles)
{
    std::vector<TFixtureFile> files = {
        {.StoredName = "Kelpa.EXE", .Content = NoiseBytes(2000, 3)},
        {.StoredName = "Kelpa.ini", .Content = "[Editor]\r\n"},
        {.StoredName = "docs\\ReadMe.txt", .Content = "read me"},
    };
    TFixtureSet options;
    options.CabinetPerFile = true;
    options.NamePattern = "Kelpa%d.cab";
    std::vector<std::string> cabinets = MakeCabinets(Kit.Path(), files, options);
    ASSERT_EQ(3u, cabinets.size());
    TReference reference(cabinets[0]);
    std::string dest = Scratch.Path() + "Kelpa";

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(L"Kelpa3.cab", WindowText(Control(idSource)));
    SetText(Control(idDestination), AnsiToWide(dest));
    ExpectErrorBox(Install(), L"Cabinet Kelpa3.cab is not the first of its set: start with Kelpa1.cab.");
    EXPECT_FALSE(DirectoryExists(dest));

    SetText(Control(idSource), L"Kelpa1.cab");
    InstallSucceeds();
    EXPECT_EQ("", CompareTrees(reference.Path(), dest + "\\"));
}

// Each failure in the middle of a file, through the real program: the error
// box names the cause, the window stays, and every file is whole (the new
// version or the old one, untouched) with no temporary file left.
TEST_F(InstallRun, AFailureInTheMiddleOfAFileLeavesEveryFileWholeAndNoTemporaryFile)
{
    ForEachFailureRow(false, Scratch.Path(), [&](const TFailureRow& row, const std::string& work) {
        TFailureRun run(row, Kit.Path(), work + "Kelpa\\");
        ASSERT_NO_FATAL_FAILURE(Start());
        Fill(L"Kelpa.cab", AnsiToWide(work + "Kelpa"), true, false);
        ExpectErrorBox(Install(), AnsiToWide(BoxText(run.ExpectedMessage())));
        EXPECT_FALSE(FileExists(StartMenuLink()));
        Click(Control(idCancel));
        ExpectEndsWithExitCode0();
        run.ExpectOutcome();
    });
}

TEST_F(InstallRun, WhatCannotWorkIsRefusedBeforeAnythingIsWritten)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ForEachRefusalRow(Scratch.Path(), [&](const TRefusalRow& row, const std::string& parent, TSmallVolume* volume) {
        TRefusalRun run(row, Kit.Path(), parent + "Kelpa");
        if (row.ReadOnlyVolume)
            volume->MakeReadOnly();
        // One window for every row: after a refusal it stays, with its values.
        Fill(AnsiToWide(run.Cabinet()), AnsiToWide(parent + "Kelpa"), true, false);
        ExpectErrorBox(Install(), AnsiToWide(BoxText(run.ExpectedMessage())));
        EXPECT_FALSE(FileExists(StartMenuLink()));
        run.ExpectNothingWritten();
    });
}
