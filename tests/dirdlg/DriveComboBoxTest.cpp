// The drive list on real Wine drives of each kind (defined through the mount
// manager for the test), and through the drive seam for what Wine cannot
// give: a drive without its medium, kinds Wine never reports, network names,
// the error mode in force.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>

#include "dirdlg/DirectoryListBox.h"
#include "dirdlg/DriveComboBox.h"
#include "core/Exceptions.h"
#include "core/Strings.h"
#include "harness/HostForm.h"
#include "harness/TestFiles.h"
#include "tests/UiTestSupport.h"
#include "tests/dirdlg/ChooserTestSupport.h"
#include "ui/Forms.h"

namespace {
// A form that holds one drive list.
class TDriveHost : public TForm {
public:
    using TForm::TForm;
    TDriveComboBox* Drives = nullptr;
    TDirectoryListBox* Dirs = nullptr;
};

// clang-format off
const TControlDescription kHostControls[] = {
    {.Name = FieldOf<&TDriveHost::Drives>, .Id = 100, .Left = 8, .Top = 8, .Width = 185,
     .Height = 19, .TabOrder = 0},
    {.Name = FieldOf<&TDriveHost::Dirs>, .Id = 101, .Left = 8, .Top = 32, .Width = 185,
     .Height = 100, .TabOrder = 1},
};
const TFormDescription kHost = HostFormDescription("TDriveHost", "Drives", 220, 180, false, kHostControls);
// clang-format on

struct TExpectedDrive {
    UINT Kind;
    const char* Label;
    const char* LowerText; // with "?" for the letter
    const char* UpperText;
    TDriveGlyph Glyph;
};

std::string WithLetter(const char* aText, char aLetter)
{
    std::string text = aText;
    text[0] = aLetter;
    return text;
}

class DriveList : public testing::Test {
protected:
    void Make()
    {
        Host = std::make_unique<TDriveHost>(nullptr, 96);
        Host->Build(kHost);
        Drives = Host->Drives;
        Drives->OnChange = [this](TComponent*) {
            ++Changes;
            if (OnChange)
                OnChange();
        };
    }
    std::vector<std::string> Items() const
    {
        std::vector<std::string> items;
        for (int i = 0; i < Drives->Count(); ++i)
            items.push_back(Drives->Item(i));
        return items;
    }
    int IndexOf(char aLetter) const
    {
        for (int i = 0; i < Drives->Count(); ++i)
            if (toupper(static_cast<unsigned char>(Drives->Item(i)[0])) == toupper(static_cast<unsigned char>(aLetter)))
                return i;
        return -1;
    }
    // Picks an item as the user does: the box's selection, then its notice.
    void Pick(int anIndex)
    {
        SendMessageA(Drives->Handle(), CB_SETCURSEL, static_cast<WPARAM>(anIndex), 0);
        SendMessageA(Host->Handle(), WM_COMMAND, MAKEWPARAM(100, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Drives->Handle()));
        Pump();
    }

    TDirSystemScope Seam;
    ErrorRecorder Errors;
    std::unique_ptr<TDriveHost> Host;
    TDriveComboBox* Drives = nullptr;
    int Changes = 0;
    std::function<void()> OnChange;
};

const TExpectedDrive kKinds[] = {
    {DRIVE_CDROM, "KelpaDisc", "?: [kelpadisc]", "?: [KELPADISC]", TDriveGlyph::dgCdRom},
    {DRIVE_REMOVABLE, "Floppy", "?:", "?:", TDriveGlyph::dgFloppy},
    {DRIVE_REMOTE, "Shared", "?: [shared]", "?: [SHARED]", TDriveGlyph::dgNetwork},
    {DRIVE_RAMDISK, "Scratch", "?: [scratch]", "?: [SCRATCH]", TDriveGlyph::dgRam},
    {DRIVE_FIXED, "", "?: []", "?: []", TDriveGlyph::dgHard},
};
} // namespace

TEST_F(DriveList, ListsEveryKindWithItsGlyphAndTextInLetterOrderInBothCases)
{
    std::vector<std::unique_ptr<TTestDrive>> drives;
    for (const TExpectedDrive& kind : kKinds) {
        drives.push_back(std::make_unique<TTestDrive>(kind.Kind, kind.Label));
        ASSERT_NE(0, drives.back()->Letter()) << "no drive letter for kind " << kind.Kind;
    }
    Make();
    for (TTextCase textCase : {TTextCase::tcLowerCase, TTextCase::tcUpperCase}) {
        if (textCase == TTextCase::tcUpperCase)
            Drives->SetTextCase(textCase);
        for (size_t i = 0; i < drives.size(); ++i) {
            char letter = drives[i]->Letter();
            bool upper = textCase == TTextCase::tcUpperCase;
            int index = IndexOf(letter);
            ASSERT_GE(index, 0) << letter;
            EXPECT_EQ(WithLetter(upper ? kKinds[i].UpperText : kKinds[i].LowerText,
                                 upper ? letter : static_cast<char>(tolower(letter))),
                      Drives->Item(index));
            EXPECT_EQ(kKinds[i].Glyph, Drives->ItemGlyph(index)) << letter;
        }
        std::vector<std::string> items = Items();
        EXPECT_TRUE(std::is_sorted(items.begin(), items.end(), [](const std::string& a, const std::string& b) {
            return tolower(a[0]) < tolower(b[0]);
        }));
    }
    // Every glyph is there, 16 x 11.
    for (int g = 0; g < static_cast<int>(TDriveGlyph::dgCount); ++g) {
        const TGlyph* glyph = Drives->Glyph(static_cast<TDriveGlyph>(g));
        ASSERT_NE(nullptr, glyph);
        EXPECT_EQ(16, glyph->Width());
        EXPECT_EQ(11, glyph->Height());
        // The bottom-left pixel is the transparent colour: our art's magenta.
        EXPECT_EQ(RGB(255, 0, 255), glyph->TransparentColor());
    }
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(DriveList, ReadsLabelsQuietlyLeavesFloppiesAloneAndSkipsUnknownKinds)
{
    TTestDrive floppy(DRIVE_REMOVABLE), cd(DRIVE_CDROM, "Disc"), unknown(DRIVE_FIXED), noRoot(DRIVE_FIXED);
    ASSERT_NE(0, noRoot.Letter());
    InstallFakeDrives();
    FakeDrives().Unknown = std::string(1, unknown.Letter());
    FakeDrives().NoRoot = std::string(1, noRoot.Letter());
    FakeDrives().NotReady = std::string(1, cd.Letter());
    UINT before = GetErrorMode();
    Make();
    EXPECT_EQ(-1, IndexOf(unknown.Letter()));
    EXPECT_EQ(-1, IndexOf(noRoot.Letter()));
    EXPECT_EQ(std::string(1, static_cast<char>(tolower(floppy.Letter()))) + ":",
              Drives->Item(IndexOf(floppy.Letter())));
    // A CD-ROM drive without its disc: an empty label, no box, no error.
    EXPECT_EQ(std::string(1, static_cast<char>(tolower(cd.Letter()))) + ": []", Drives->Item(IndexOf(cd.Letter())));
    // Every label was read with the critical-error box off, which is put back.
    ASSERT_FALSE(FakeDrives().ModesAtVolumeQuery.empty());
    for (UINT mode : FakeDrives().ModesAtVolumeQuery)
        EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS), mode);
    EXPECT_EQ(before, GetErrorMode());
    // One label read for the CD-ROM drive, none for the floppy.
    const std::vector<std::string>& roots = FakeDrives().VolumeRoots;
    EXPECT_EQ(1, std::count(roots.begin(), roots.end(), cd.Root()));
    EXPECT_EQ(0, std::count(roots.begin(), roots.end(), floppy.Root()));
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(DriveList, NetworkDrivesShowTheirRemoteNameReadOncePerRefill)
{
    TTestDrive net(DRIVE_REMOTE, "Fallback"), longNet(DRIVE_REMOTE), lost(DRIVE_REMOTE, "Lost");
    ASSERT_NE(0, lost.Letter());
    InstallFakeDrives();
    FakeDrives().RemoteName[net.Letter() - 'A'] = "\\\\KLPSERVER\\Tools";
    // Longer than the first buffer: fetched again at the size reported.
    std::string longName = "\\\\klpserver\\" + std::string(300, 'N');
    FakeDrives().RemoteName[longNet.Letter() - 'A'] = longName;
    Make();
    auto text = [&](char letter) { return Drives->Item(IndexOf(letter)).substr(3); };
    EXPECT_EQ("\\\\klpserver\\tools", text(net.Letter()));
    EXPECT_EQ(std::string("\\\\klpserver\\") + std::string(300, 'n'), text(longNet.Letter()));
    EXPECT_EQ("[lost]", text(lost.Letter()));
    Drives->SetTextCase(TTextCase::tcUpperCase);
    EXPECT_EQ("\\\\KLPSERVER\\TOOLS", text(net.Letter()));

    // A slow connection is asked at a refill, never when the list is drawn.
    int queries = FakeDrives().ConnectionQueries;
    SendMessageA(Drives->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    for (int i = 0; i < 3; ++i)
        RedrawWindow(Drives->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageA(Drives->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    Pump();
    EXPECT_EQ(queries, FakeDrives().ConnectionQueries);
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(DriveList, SelectingTakesOnlyLettersStoresUnlistedOnesAndAlwaysTells)
{
    Make();
    char current = Drives->SelectedDrive();
    ASSERT_NE(0, current);
    int currentIndex = Drives->ItemIndex();
    ASSERT_GE(currentIndex, 0);

    struct {
        char Written;
        char Stored;
        bool KeepsItem;
    } const rows[] = {
        {'Q', 'q', true}, // no such drive: the item stays, the letter is stored
        {'1', 0, false},  // not a letter: no drive
        {'\\', 0, false}, // the start of a UNC path: no drive
        {'\0', 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Written);
        Drives->SetSelectedDrive(current);
        int changes = Changes;
        Drives->SetSelectedDrive(row.Written);
        EXPECT_EQ(row.Stored, Drives->SelectedDrive());
        EXPECT_EQ(row.KeepsItem ? IndexOf(current) : -1, Drives->ItemIndex());
        EXPECT_EQ(changes + 1, Changes);
        // Nothing to draw: background and focus only.
        RedrawWindow(Drives->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    // The same drive again changes nothing.
    Drives->SetSelectedDrive(current);
    int changes = Changes;
    Drives->SetSelectedDrive(static_cast<char>(toupper(current)));
    EXPECT_EQ(changes, Changes);
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(DriveList, UncCurrentDirectoryMeansNoDrive)
{
    TTestShare share("DriveListShare");
    // Left before the share's folder goes.
    CurrentDirectoryScope onShare(share.Path());
    Make();
    EXPECT_EQ(0, Drives->SelectedDrive());
    EXPECT_EQ(-1, Drives->ItemIndex());
    EXPECT_GT(Drives->Count(), 0);
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(DriveList, TheDriveShownWrittenInTheOtherCaseChangesAndReadsNothing)
{
    InstallFakeDrives();
    Make();
    Drives->SetDirList(Host->Dirs);
    int dirChanges = 0;
    Host->Dirs->OnChange = [&](TComponent*) { ++dirChanges; };
    const char shown = Host->Dirs->DriveLetter();
    ASSERT_NE(0, shown);
    const char other = static_cast<char>(islower(shown) ? toupper(shown) : tolower(shown));
    const std::string dir = Host->Dirs->CurrentDir();
    const struct {
        const char* What;
        std::function<void()> Write;
    } rows[] = {
        {"the drive list's drive", [&] { Drives->SetSelectedDrive(other); }},
        {"the directory list's letter", [&] { Host->Dirs->SetDriveLetter(other); }},
        {"the drive list telling the directory list", [&] { Host->Dirs->DriveChanged(other); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.What);
        FakeDrives().SearchedDirs.clear();
        const int changes = Changes, changesOfDirs = dirChanges;
        const int volumeQueries = FakeDrives().VolumeQueries;
        row.Write();
        EXPECT_EQ(changes, Changes);
        EXPECT_EQ(changesOfDirs, dirChanges);
        EXPECT_TRUE(FakeDrives().SearchedDirs.empty()) << "refilled";
        EXPECT_EQ(volumeQueries, FakeDrives().VolumeQueries) << "rebuilt";
        EXPECT_EQ(dir, Host->Dirs->CurrentDir());
        EXPECT_EQ(IndexOf(shown), Drives->ItemIndex());
    }
    EXPECT_TRUE(Errors.Shown.empty());
}

TEST_F(DriveList, AFailedDriveChangeLeavesTheSelectionAndPickingAgainRetries)
{
    TTestDrive cd(DRIVE_CDROM, "Disc");
    ASSERT_NE(0, cd.Letter());
    // The drive is entered below: left again before its folder goes.
    CurrentDirectoryScope back(".");
    InstallFakeDrives();
    FakeDrives().NotReady = std::string(1, cd.Letter());
    Make();
    // The owner enters the drive as the chooser does.
    OnChange = [this] {
        std::string drive = std::string(1, Drives->SelectedDrive()) + ":";
        if (!DirSystem().SetCurrentDirectoryA(drive.c_str()))
            throw EInOutError(static_cast<int>(GetLastError()));
    };
    char before = Drives->SelectedDrive();
    int beforeIndex = Drives->ItemIndex();
    for (int attempt = 1; attempt <= 2; ++attempt) {
        Pick(IndexOf(cd.Letter()));
        EXPECT_EQ(before, Drives->SelectedDrive());
        EXPECT_EQ(beforeIndex, Drives->ItemIndex());
        ASSERT_EQ(static_cast<size_t>(attempt), Errors.Shown.size()) << "picking again tries again";
        EXPECT_EQ(std::string("Drive ") + cd.Letter() + ": has no medium or is not ready.", Errors.Shown.back());
    }
    // With the medium in, the same pick works.
    FakeDrives().NotReady.clear();
    Pick(IndexOf(cd.Letter()));
    EXPECT_EQ(tolower(cd.Letter()), Drives->SelectedDrive());
    EXPECT_EQ(IndexOf(cd.Letter()), Drives->ItemIndex());
    EXPECT_EQ(2u, Errors.Shown.size());
}

TEST_F(DriveList, ALinkedDirectoryListFollowsTheDriveBothWaysAndIsForgottenWhenDestroyed)
{
    TTestDrive fixed(DRIVE_FIXED, "Data"), cd(DRIVE_CDROM, "Disc");
    ASSERT_NE(0, cd.Letter());
    ASSERT_TRUE(CreateDirectoryA((fixed.Folder() + "sub").c_str(), nullptr));
    // The drives are entered below: left again before their folders go.
    CurrentDirectoryScope back(".");
    InstallFakeDrives();
    Make();
    Drives->SetDirList(Host->Dirs);
    EXPECT_EQ(Drives, Host->Dirs->DriveList());
    std::string start = Host->Dirs->CurrentDir();

    // Picking a drive moves the list to that drive's current directory.
    Pick(IndexOf(fixed.Letter()));
    EXPECT_TRUE(SameText(fixed.Root(), Host->Dirs->CurrentDir())) << Host->Dirs->CurrentDir();
    EXPECT_EQ(tolower(fixed.Letter()), Drives->SelectedDrive());

    // A drive without its medium: our text, and nothing moves.
    FakeDrives().NotReady = std::string(1, cd.Letter());
    Pick(IndexOf(cd.Letter()));
    ASSERT_EQ(1u, Errors.Shown.size());
    EXPECT_EQ(std::string("Drive ") + cd.Letter() + ": has no medium or is not ready.", Errors.Shown[0]);
    EXPECT_TRUE(SameText(fixed.Root(), Host->Dirs->CurrentDir())) << Host->Dirs->CurrentDir();
    EXPECT_EQ(IndexOf(fixed.Letter()), Drives->ItemIndex());
    EXPECT_EQ(tolower(fixed.Letter()), Drives->SelectedDrive());

    // The list moving to another drive selects that drive here.
    Host->Dirs->SetCurrentDir(start);
    EXPECT_EQ(toupper(start[0]), toupper(Drives->SelectedDrive()));
    EXPECT_EQ(IndexOf(start[0]), Drives->ItemIndex());

    delete Host->Dirs;
    Host->Dirs = nullptr;
    EXPECT_EQ(nullptr, Drives->DirList());
    Pick(IndexOf(fixed.Letter()));
    EXPECT_EQ(tolower(fixed.Letter()), Drives->SelectedDrive());
    EXPECT_EQ(1u, Errors.Shown.size());
}
