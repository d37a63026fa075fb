// The browse button of the real installer: it opens the directory chooser,
// Cancel leaves the destination, OK puts the choice into it, on a first
// installation the proposed destination (which does not exist yet) comes back
// unchanged from an OK without typing, and the chooser still opens once the
// folder it was last left in has gone.
#include <gtest/gtest.h>

#include <memory>

#include "app/InstallDefaults.h"
#include "app/MainFormIds.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "dirdlg/SelectDirIds.h"
#include "harness/Harness.h"
#include "tests/e2e/InstallerFixture.h"
#include "harness/TestFiles.h"
#include "tests/cab/CabTestSupport.h"

namespace {
const std::wstring ChooserCaption = L"Select Directory";

class BrowseButton : public FirstInstallationFixture {
protected:
    void Start()
    {
        ASSERT_NO_FATAL_FAILURE(InstallerFixture::Start());
        Destination = FindControl(Form, idDestination);
        ASSERT_NE(nullptr, Destination);
    }
    // Clicks the browse button and waits for the chooser.
    HWND OpenChooser()
    {
        HWND bar = FindControl(Form, idToolBar);
        PostMessageW(Form, WM_COMMAND, MAKEWPARAM(idBrowseButton, BN_CLICKED), reinterpret_cast<LPARAM>(bar));
        return WaitForWindow(*Process, ChooserCaption);
    }
    // The chooser's window goes when the dialog is freed.
    static bool Closed(HWND aChooser)
    {
        return WaitFor([&] { return !IsWindow(aChooser) || !IsWindowVisible(aChooser); });
    }

    HWND Destination = nullptr;
};
} // namespace

TEST_F(BrowseButton, OpensTheChooserAndCancelLeavesTheDestination)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    std::wstring proposed = WindowText(Destination);
    HWND chooser = OpenChooser();
    ASSERT_NE(nullptr, chooser) << "the browse button opened no chooser";
    EXPECT_FALSE(IsWindowEnabled(Form)) << "the main window is disabled while the chooser is shown";
    HWND edit = FindControl(chooser, sdDirEdit);
    ASSERT_NE(nullptr, edit);
    EXPECT_TRUE(IsWindowVisible(edit)) << "the path can be typed";
    SetText(edit, L"C:\\Somewhere else");
    Click(FindControl(chooser, sdCancel));
    ASSERT_TRUE(Closed(chooser));
    EXPECT_EQ(proposed, WindowText(Destination));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(Form) != FALSE; }));
}

TEST_F(BrowseButton, OkPutsTheTypedDirectoryIntoTheDestinationAsTyped)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND chooser = OpenChooser();
    ASSERT_NE(nullptr, chooser);
    std::wstring typed = L"C:\\Kelpa Chosen\\Not There Yet\\";
    SetText(FindControl(chooser, sdDirEdit), typed);
    Click(FindControl(chooser, sdOK));
    ASSERT_TRUE(Closed(chooser));
    EXPECT_TRUE(WaitFor([&] { return WindowText(Destination) == typed; })) << WideToAnsi(WindowText(Destination));
    EXPECT_FALSE(DirectoryExists("C:\\Kelpa Chosen")) << "the chooser creates nothing";
}

TEST_F(BrowseButton, OnAFirstInstallationOkKeepsTheProposedDestination)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    std::wstring proposed = WindowText(Destination);
    ASSERT_EQ(AnsiToWide(DefaultDestination()), proposed);
    ASSERT_FALSE(DirectoryExists(DefaultDestination())) << "a first installation's destination does not exist";
    HWND chooser = OpenChooser();
    ASSERT_NE(nullptr, chooser);
    EXPECT_EQ(proposed, WindowText(FindControl(chooser, sdDirEdit)));
    Click(FindControl(chooser, sdOK));
    ASSERT_TRUE(Closed(chooser));
    EXPECT_EQ(proposed, WindowText(Destination));
    // And the chooser can be opened again at once.
    chooser = OpenChooser();
    ASSERT_NE(nullptr, chooser);
    Click(FindControl(chooser, sdCancel));
    ASSERT_TRUE(Closed(chooser));
}

TEST_F(BrowseButton, TheChooserOpensAgainAfterTheFolderItWasLeftInWentAway)
{
    TempDir scratch;
    const std::string left = scratch.Path() + "left here";
    ASSERT_TRUE(CreateDirectoryA(left.c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(Start());
    // The chooser opens in the folder and leaves the installer there.
    SetText(Destination, AnsiToWide(left));
    HWND chooser = OpenChooser();
    ASSERT_NE(nullptr, chooser);
    Click(FindControl(chooser, sdCancel));
    ASSERT_TRUE(Closed(chooser));
    // Gone behind the installer's back, as a removed medium or share would be.
    ASSERT_EQ(0, RunUnix("rm -rf '" + UnixPath(left) + "'"));

    for (const std::wstring& start : {AnsiToWide(left), std::wstring()}) {
        SCOPED_TRACE(WideToAnsi(start));
        SetText(Destination, start);
        chooser = OpenChooser();
        ASSERT_NE(nullptr, chooser) << "the browse button opened no chooser";
        EXPECT_EQ(nullptr, WaitForMessageBox(*Process, 0)) << "no error on the way";
        // The field keeps the start text, an empty one too, and OK returns it.
        EXPECT_EQ(start, WindowText(FindControl(chooser, sdDirEdit)));
        Click(FindControl(chooser, sdOK));
        ASSERT_TRUE(Closed(chooser));
        EXPECT_EQ(start, WindowText(Destination));
    }
    // The installer is still in the scratch folder: it ends before the folder goes.
    Process->Terminate();
}
