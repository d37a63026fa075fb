// The Install handler in this process: what it refuses before touching
// anything, and a shortcut folder that cannot be found.
#include <gtest/gtest.h>

#include "app/uKelpaInstall.h"
#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "harness/TestFiles.h"
#include "tests/UiTestSupport.h"
#include "harness/CabFixtures.h"
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
        Archive = MakeCabinets(Source.Path(), {{"Kelpa.EXE", "MZ"}, {"docs\\ReadMe.txt", "read me"}},
                               {.NamePattern = "Kelpa%d.cab"})
                      .front();
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
