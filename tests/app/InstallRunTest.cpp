// The Install handler in this process: what it refuses before touching
// anything, and a shortcut folder that cannot be found.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/uKelpaInstall.h"
#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "harness/CabFixtures.h"
#include "harness/ShellLinkReader.h"
#include "harness/TestFiles.h"
#include "tests/UiTestSupport.h"
#include "tests/cab/CabTestSupport.h"
#include "ui/Application.h"

namespace {

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

class InstallRun : public testing::Test {
protected:
    void SetUp() override
    {
        std::vector<std::string> cabinets = MakeCabinets(
            Source.Path(), {{"Kelpa.EXE", "MZ"}, {"docs\\ReadMe.txt", "read me"}}, {.NamePattern = "Kelpa%d.cab"});
        ASSERT_EQ(cabinets.size(), 1u);
        Archive = cabinets.front();
        Form.cbSource->SetText(Archive);
        Form.eDestination->SetText(Target.Path() + "Kelpa");
        Form.Show();
    }
    std::string Installed(const std::string& name) const { return Target.Path() + "Kelpa\\" + name; }

    TempDir Source, Target;
    std::string Archive;
    TfKLPInst Form{nullptr, 96};
};
} // namespace

TEST_F(InstallRun, EmptyFieldsAreRefusedBeforeAnythingIsRead)
{
    Form.cbSource->SetText("");
    EXPECT_EQ(MessageOf([&] { Form.bOKClick(nullptr); }), "Choose the Kelpa CAB file to install");

    // With an archive that is not there, the refusal comes before any cabinet
    // error: nothing has been opened.
    Form.cbSource->SetText(Source.Path() + "missing.cab");
    Form.eDestination->SetText("");
    EXPECT_EQ(MessageOf([&] { Form.bOKClick(nullptr); }), "Choose the destination directory");
    EXPECT_FALSE(DirectoryExists(Target.Path() + "Kelpa"));

    // Through the button the message loop shows it, with its full stop.
    ErrorRecorder errors;
    SendMessageA(Form.bOK->Handle(), BM_CLICK, 0, 0);
    Application.ProcessMessages();
    EXPECT_EQ(errors.Shown, std::vector<std::string>{"Choose the destination directory."});
    EXPECT_TRUE(Form.Visible());
    EXPECT_EQ(Form.cbSource->Text(), Source.Path() + "missing.cab");
}

TEST_F(InstallRun, AShortcutFolderThatCannotBeFoundIsReportedAfterTheFilesAreInPlace)
{
    // Where a shortcut would land if the empty folder were taken as the root;
    // a fault must not leave it for the next run.
    ASSERT_FALSE(FileExists("\\Kelpa.lnk")) << "left by an earlier run";
    struct TRemove {
        ~TRemove() { DeleteFileA("\\Kelpa.lnk"); }
    } removeRootLink;
    Form.cStart->SetChecked(true);
    Form.StartMenuFolder = [] { return std::string(); };
    EXPECT_EQ(MessageOf([&] { Form.bOKClick(nullptr); }), "The Start menu folder could not be found");
    EXPECT_EQ(ReadFile(Installed("docs\\ReadMe.txt")), "read me");
    EXPECT_TRUE(Form.Visible());

    Form.cStart->SetChecked(false);
    Form.cDesk->SetChecked(true);
    Form.DesktopFolder = [] { return std::string(); };
    EXPECT_EQ(MessageOf([&] { Form.bOKClick(nullptr); }), "The desktop folder could not be found");
    // Nothing was written into the root of the current drive instead.
    EXPECT_FALSE(FileExists("\\Kelpa.lnk"));
}

TEST_F(InstallRun, ACabinetFailureEndsTheRunBeforeAnyShortcut)
{
    TempDir links;
    Form.cStart->SetChecked(true);
    Form.StartMenuFolder = [&] { return links.Path(); };
    Form.cbSource->SetText(Source.Path() + "missing.cab");
    try {
        Form.bOKClick(nullptr);
        FAIL() << "no error for a missing archive";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message().rfind("Cabinet not found [0x0001]", 0), 0u) << e.Message();
    }
    EXPECT_FALSE(FileExists(links.Path() + "Kelpa.lnk"));
}

// A destination typed without a drive lies beside the program, like a bare
// archive name, and the extraction and both shortcuts get its full path,
// wherever the current directory stands. The field keeps what was typed.
TEST_F(InstallRun, ADestinationThatIsNotAFullPathIsPlacedBesideTheProgram)
{
    const std::string typed = "KelpaRelativeTarget";
    const std::string full = ExeDir() + typed;
    ASSERT_FALSE(DirectoryExists(full)) << "left by an earlier run";
    struct TRemoveTree {
        std::string Dir;
        ~TRemoveTree() { RemoveTree(Dir); }
    } cleanup{full};
    TempDir links, elsewhere;
    CurrentDirectoryScope inElsewhere(elsewhere.Path());
    Form.eDestination->SetText(typed);
    Form.cStart->SetChecked(true);
    Form.cDesk->SetChecked(true);
    Form.StartMenuFolder = [&] { return links.Path() + "menu"; };
    Form.DesktopFolder = [&] { return links.Path() + "desk"; };
    ASSERT_TRUE(CreateDirectoryA((links.Path() + "menu").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((links.Path() + "desk").c_str(), nullptr));
    // The success box is shown with MessageBoxA itself: answer it from another
    // thread, which ends with the run either way.
    std::atomic<bool> done = false;
    std::thread answer([&] {
        while (!done) {
            if (HWND box = FindWindowA("#32770", "")) {
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(20);
        }
    });
    try {
        Form.bOKClick(nullptr);
    } catch (...) {
        done = true;
        answer.join();
        throw;
    }
    done = true;
    answer.join();

    EXPECT_EQ(ReadFile(full + "\\docs\\ReadMe.txt"), "read me");
    EXPECT_EQ(ListTree(elsewhere.Path()), std::vector<std::string>{});
    for (const char* folder : {"menu", "desk"}) {
        TShellLinkContents link = ReadShellLink(links.Path() + folder + "\\Kelpa.lnk");
        EXPECT_EQ(link.Path, full + "\\Kelpa.EXE") << folder;
        EXPECT_EQ(link.WorkingDirectory, ExeDir().substr(0, ExeDir().size() - 1)) << folder;
    }
    EXPECT_EQ(Form.eDestination->Text(), typed);
}
