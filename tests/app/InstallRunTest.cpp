// The Install handler in this process: what it refuses before touching
// anything, a shortcut folder that cannot be found, and the run on its own
// thread seen from inside (inputs, captions, progress, cancel).
#include <gtest/gtest.h>

#include <atomic>

#include "app/MainFormIds.h"
#include "app/uKelpaInstall.h"
#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "harness/CabFixtures.h"
#include "harness/Harness.h"
#include "harness/ShellLinkReader.h"
#include "harness/TestFiles.h"
#include "tests/UiTestSupport.h"
#include "tests/cab/CabTestSupport.h"
#include "ui/Application.h"

namespace {

// What the window shows, read from any thread of the process.
std::string Caption(HWND aWindow)
{
    char text[256] = {};
    GetWindowTextA(aWindow, text, sizeof text);
    return text;
}

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
    {
        TSuccessBoxAnswer answer;
        Form.bOKClick(nullptr);
        EXPECT_EQ(answer.Answered, 1);
    }

    EXPECT_EQ(ReadFile(full + "\\docs\\ReadMe.txt"), "read me");
    EXPECT_EQ(ListTree(elsewhere.Path()), std::vector<std::string>{});
    for (const char* folder : {"menu", "desk"}) {
        TShellLinkContents link = ReadShellLink(links.Path() + folder + "\\Kelpa.lnk");
        EXPECT_EQ(link.Path, full + "\\Kelpa.EXE") << folder;
        EXPECT_EQ(link.WorkingDirectory, ExeDir().substr(0, ExeDir().size() - 1)) << folder;
    }
    EXPECT_EQ(Form.eDestination->Text(), typed);
}

namespace {

// Puts a probe around the form's own progress handler for its life; the probe
// runs on the unpacking thread and calls the form's handler when it wants.
class TProgressProbe {
public:
    using TProbe = std::function<void(uint64_t aDone, uint64_t aTotal, const std::function<void()>& aFormHandler)>;
    TProgressProbe(TfKLPInst& aForm, TProbe aProbe) : FForm(aForm), FFormHandler(aForm.CabRead->OnProgress)
    {
        aForm.CabRead->OnProgress = [this, aProbe](TSTCabReader* aSender, uint64_t aDone, uint64_t aTotal) {
            aProbe(aDone, aTotal, [&] { FFormHandler(aSender, aDone, aTotal); });
        };
    }
    ~TProgressProbe() { FForm.CabRead->OnProgress = FFormHandler; }

private:
    TfKLPInst& FForm;
    TSTCabReaderProgressEvent FFormHandler;
};

// The inputs a run disables, each with its state now.
std::vector<bool> InputsEnabled(const TfKLPInst& aForm)
{
    std::vector<bool> states;
    for (TWinControl* input : {static_cast<TWinControl*>(aForm.cbSource), static_cast<TWinControl*>(aForm.eDestination),
                               static_cast<TWinControl*>(aForm.ToolBar1), static_cast<TWinControl*>(aForm.cStart),
                               static_cast<TWinControl*>(aForm.cDesk), static_cast<TWinControl*>(aForm.bOK)})
        states.push_back(IsWindowEnabled(input->Handle()) != FALSE);
    return states;
}
const std::vector<bool> AllEnabled(6, true), NoneEnabled(6, false);

// The title the taskbar entry shows when no run is under way.
class TitleScope {
public:
    TitleScope() : FSaved(Application.Title()) { Application.SetTitle("Kelpa installer"); }
    ~TitleScope() { Application.SetTitle(FSaved); }

private:
    std::string FSaved;
};

} // namespace

// Seen from the unpacking thread while the window's thread waits: the inputs
// are disabled, the captions carry the percentage, the bar is shown, and a
// second Install or the browse button starts nothing. Afterwards the captions
// are back, the bar is gone, and the inputs stay disabled behind the success
// box: the window installs once.
TEST_F(InstallRun, TheRunDisablesTheInputsShowsItsProgressAndRunsOnce)
{
    TitleScope title;
    HWND form = Form.Handle(), taskbar = Application.Handle();
    struct {
        std::vector<bool> Inputs;
        bool CancelEnabled = false, BarShown = false, SecondClickAnswered = false, BrowseAnswered = false;
        std::string Caption, TaskbarCaption;
        std::atomic<int> Starts = 0;
        uint64_t LastDone = 0;
        std::vector<int> Percents;
    } seen;
    TProgressProbe probe(Form, [&](uint64_t aDone, uint64_t, const std::function<void()>& aFormHandler) {
        aFormHandler();
        seen.Percents.push_back(Form.RunProgress().Percent());
        // A run starts at 0 and only grows; the reader may report 0 more than once.
        bool starts = seen.Percents.size() == 1 || aDone < seen.LastDone;
        seen.LastDone = aDone;
        if (!starts || ++seen.Starts > 1)
            return;
        seen.Inputs = InputsEnabled(Form);
        seen.CancelEnabled = IsWindowEnabled(Form.bCancel->Handle());
        seen.BarShown = IsWindowVisible(Form.ProgressBar1->Handle());
        WaitFor([&] { return Caption(form).find('%') != std::string::npos; }, 5000);
        seen.Caption = Caption(form);
        seen.TaskbarCaption = Caption(taskbar);
        DWORD_PTR ignored;
        seen.SecondClickAnswered = SendMessageTimeoutA(Form.bOK->Handle(), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &ignored);
        seen.BrowseAnswered =
            SendMessageTimeoutA(form, WM_COMMAND, MAKEWPARAM(idBrowseButton, BN_CLICKED),
                                reinterpret_cast<LPARAM>(Form.ToolBar1->Handle()), SMTO_NORMAL, 5000, &ignored);
        // Had the chooser opened, it would hold the window's thread.
        if (HWND chooser = FindWindowA(nullptr, "Select Directory"))
            PostMessageA(chooser, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(Form.ProgressBar1->Visible());
    {
        TSuccessBoxAnswer answer;
        Form.bOKClick(nullptr);
        EXPECT_EQ(answer.Answered, 1);
    }
    EXPECT_EQ(seen.Starts, 1);
    EXPECT_EQ(seen.Inputs, NoneEnabled);
    EXPECT_TRUE(seen.CancelEnabled);
    EXPECT_TRUE(seen.BarShown);
    EXPECT_EQ(seen.Caption, "0% - Kelpa editor installer");
    EXPECT_EQ(seen.TaskbarCaption, "0% - Kelpa installer");
    EXPECT_TRUE(seen.SecondClickAnswered);
    EXPECT_TRUE(seen.BrowseAnswered);
    EXPECT_EQ(seen.Percents.back(), 100);
    EXPECT_EQ(ReadFile(Installed("docs\\ReadMe.txt")), "read me");

    EXPECT_EQ(Caption(form), "Kelpa editor installer");
    EXPECT_EQ(Caption(taskbar), "Kelpa installer");
    EXPECT_FALSE(Form.ProgressBar1->Visible());
    EXPECT_FALSE(Form.Running());
    EXPECT_EQ(InputsEnabled(Form), NoneEnabled);
    // Neither a click nor a direct call starts a second installation.
    DeleteFileA(Installed("docs\\ReadMe.txt").c_str());
    Form.bOKClick(nullptr);
    EXPECT_FALSE(FileExists(Installed("docs\\ReadMe.txt")));
}

// Cancel, Esc and the close box, each during a run of the same window: the
// run stops at the next report with the cancel error, nothing more is
// written, the inputs and captions come back with the values kept. From the
// close box the error is shown and the window closes. The window installs
// afterwards as if nothing had happened.
TEST_F(InstallRun, CancelEscAndTheCloseBoxStopTheRunAndGiveTheWindowBack)
{
    TitleScope title;
    Form.cDesk->SetChecked(true);
    TempDir links;
    Form.DesktopFolder = [&] { return links.Path(); };
    HWND form = Form.Handle();
    const struct {
        const char* Name;
        std::function<void()> Ask;
        bool Closes;
    } ways[] = {
        {"Cancel", [&] { SendMessageA(Form.bCancel->Handle(), BM_CLICK, 0, 0); }, false},
        // To the window's thread's focus, as the keyboard would.
        {"Esc", [&] { PostMessageA(FocusWindow(form) ? FocusWindow(form) : form, WM_KEYDOWN, VK_ESCAPE, 0x00010001); },
         false},
        {"close box", [&] { PostMessageA(form, WM_SYSCOMMAND, SC_CLOSE, 0); }, true},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.Name);
        Form.Show();
        Form.bOK->SetFocus();
        Pump();
        bool asked = false;
        TProgressProbe probe(Form, [&](uint64_t, uint64_t, const std::function<void()>& aFormHandler) {
            if (!asked) {
                asked = true;
                way.Ask();
                WaitFor([&] { return Form.RunProgress().CancelRequested(); }, 5000);
            }
            aFormHandler();
        });
        ErrorRecorder errors;
        std::string raised = "(nothing raised)";
        try {
            Form.bOKClick(nullptr);
        } catch (const Exception& e) {
            raised = e.Message();
        }
        if (way.Closes) {
            EXPECT_EQ(raised, "(nothing raised)");
            EXPECT_EQ(errors.Shown, std::vector<std::string>{"The installation was cancelled."});
            EXPECT_FALSE(Form.Visible());
        } else {
            EXPECT_EQ(raised, "The installation was cancelled.");
            EXPECT_TRUE(errors.Shown.empty());
            EXPECT_TRUE(Form.Visible());
            EXPECT_EQ(GetFocus(), Form.bOK->Handle());
        }
        EXPECT_FALSE(FileExists(Installed("docs\\ReadMe.txt")));
        EXPECT_FALSE(FileExists(links.Path() + "Kelpa.lnk"));
        EXPECT_EQ(InputsEnabled(Form), AllEnabled);
        EXPECT_FALSE(Form.ProgressBar1->Visible());
        EXPECT_FALSE(Form.Running());
        EXPECT_EQ(Caption(form), "Kelpa editor installer");
        EXPECT_EQ(Caption(Application.Handle()), "Kelpa installer");
        EXPECT_EQ(Form.cbSource->Text(), Archive);
        EXPECT_EQ(Form.eDestination->Text(), Target.Path() + "Kelpa");
        EXPECT_TRUE(Form.cDesk->Checked());
    }

    Form.Show();
    TSuccessBoxAnswer answer;
    Form.bOKClick(nullptr);
    EXPECT_EQ(ReadFile(Installed("docs\\ReadMe.txt")), "read me");
    EXPECT_TRUE(FileExists(links.Path() + "Kelpa.lnk"));
}

// A run that fails gives the inputs back, and its error goes out of the
// handler as before.
TEST_F(InstallRun, AFailedRunGivesTheInputsBack)
{
    Form.cbSource->SetText(Source.Path() + "missing.cab");
    EXPECT_EQ(MessageOf([&] { Form.bOKClick(nullptr); }).rfind("Cabinet not found", 0), 0u);
    EXPECT_EQ(InputsEnabled(Form), AllEnabled);
    EXPECT_FALSE(Form.ProgressBar1->Visible());
    EXPECT_EQ(Form.Text(), "Kelpa editor installer");
}

TEST(InstallProgress, PercentAndCaption)
{
    const struct {
        uint64_t Done, Total;
        int Percent;
        const char* Caption;
    } cases[] = {
        {0, 0, -1, "Kelpa editor installer"}, // no total known
        {5, 0, -1, "Kelpa editor installer"},
        {0, 1000, 0, "0% - Kelpa editor installer"},
        {999, 1000, 99, "99% - Kelpa editor installer"}, // 100 only when complete
        {1000, 1000, 100, "100% - Kelpa editor installer"},
        {1500, 1000, 100, "100% - Kelpa editor installer"},
        {UINT64_MAX - 1, UINT64_MAX, 99, "99% - Kelpa editor installer"},
        {UINT64_MAX / 2, UINT64_MAX, 49, "49% - Kelpa editor installer"},
        {4'000'000'000'000ull, 8'000'000'000'000ull, 50, "50% - Kelpa editor installer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Done) + " of " + std::to_string(c.Total));
        EXPECT_EQ(ProgressPercent(c.Done, c.Total), c.Percent);
        EXPECT_EQ(ProgressCaption(ProgressPercent(c.Done, c.Total), "Kelpa editor installer"), c.Caption);
    }

    // The window is told when the whole percentage has moved since it was
    // last told, and not again within the interval; the newest percentage is
    // known all the same.
    TInstallProgress progress;
    EXPECT_EQ(progress.Percent(), -1);
    const uint64_t step = TInstallProgress::MinReportIntervalMs;
    const struct {
        uint64_t Done, Total, Now;
        bool Told;
        int Percent;
    } reports[] = {
        {0, 0, 1000, false, -1},                 // no total: nothing to show
        {0, 200, 1000, true, 0},                 // the first percentage at once
        {1, 200, 1000 + 5 * step, false, 0},     // the same whole percentage
        {2, 200, 1000 + 5 * step, true, 1},      // a new one after a while
        {4, 200, 1000 + 5 * step + 1, false, 2}, // a new one too soon
        {5, 200, 1000 + 6 * step, true, 2},      // told once the interval has passed
        {200, 200, 1000 + 6 * step + 1, false, 100},
    };
    for (const auto& r : reports) {
        SCOPED_TRACE(std::to_string(r.Done) + " at " + std::to_string(r.Now));
        EXPECT_EQ(progress.Report(r.Done, r.Total, r.Now), r.Told);
        EXPECT_EQ(progress.Percent(), r.Percent);
    }
    EXPECT_NO_THROW(progress.CheckCancel());
    progress.RequestCancel();
    EXPECT_THROW(progress.CheckCancel(), Exception);
    progress.Reset();
    EXPECT_EQ(progress.Percent(), -1);
    EXPECT_FALSE(progress.CancelRequested());
    EXPECT_TRUE(progress.Report(0, 200, 1000 + 6 * step + 2)); // a new run tells its first at once
}
