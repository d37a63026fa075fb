// An installation of the real KLPInst.exe that lasts seconds, watched and
// driven from outside while it runs: the window answers, shows its progress,
// takes no second Install, and Cancel, Esc and the close box stop it.
#include <windows.h>
#include <gtest/gtest.h>
#include <cwctype>
#include <memory>
#include <set>

#include "app/MainFormIds.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "harness/CabFixtures.h"
#include "harness/Harness.h"
#include "tests/e2e/InstallerFixture.h"
#include "tests/cab/CabTestSupport.h"

namespace {

const std::wstring CancelledText = L"The installation was cancelled.";
// Many small files spread over folders: creating files is what takes the time
// under Wine, and the reader reports its progress after each one. The run
// takes two to three seconds on an idle machine.
constexpr int FolderCount = 40, FilesPerFolder = 200, FileSize = 8192;
constexpr size_t FileCount = FolderCount * FilesPerFolder;
// A run under load may take much longer than on an idle machine.
constexpr DWORD RunTimeoutMs = 120000;

// The percentage a caption shows in front of aCaption, or -1.
int PercentIn(const std::wstring& aShown, const std::wstring& aCaption)
{
    const std::wstring tail = L"% - " + aCaption;
    if (aShown.size() <= tail.size() || aShown.compare(aShown.size() - tail.size(), tail.size(), tail) != 0)
        return -1;
    std::wstring digits = aShown.substr(0, aShown.size() - tail.size());
    for (wchar_t c : digits)
        if (!iswdigit(c))
            return -1;
    return digits.size() <= 3 ? std::stoi(digits) : -1;
}

// The window answers the system at once, as Windows asks before it calls a
// window "Not Responding".
bool Answers(HWND aWindow)
{
    DWORD_PTR ignored;
    return SendMessageTimeoutW(aWindow, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored) != 0;
}

// Whether the window lets the session end when Windows asks before a log-off.
bool SessionMayEnd(HWND aWindow)
{
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(aWindow, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 1000, &answer);
    return answer != 0;
}

class ResponsiveRun : public InstallerFixture {
protected:
    // The cabinet is made once for every test, written directly: the
    // library's compression half takes seconds for so many files.
    static void SetUpTestSuite()
    {
        Folder = new TempDir;
        std::vector<TFixtureFile> files;
        for (int d = 0; d < FolderCount; ++d)
            for (int f = 0; f < FilesPerFolder; ++f)
                files.push_back({.StoredName = Format("part%02d\\file%03d.dat", d, f),
                                 .Content = NoiseBytes(FileSize, static_cast<uint32_t>(d * FilesPerFolder + f))});
        files.push_back({.StoredName = "Kelpa.EXE", .Content = NoiseBytes(3000, 1)});
        Cabinet = Folder->Path() + "Kelpa.cab";
        MakeStoredCabinet(Cabinet, files);
    }
    static void TearDownTestSuite()
    {
        delete Folder;
        Folder = nullptr;
    }

    void Start()
    {
        ASSERT_NO_FATAL_FAILURE(InstallerFixture::Start());
        SetText(Control(idSource), AnsiToWide(Cabinet));
        SetText(Control(idDestination), AnsiToWide(Destination()));
    }
    std::string Destination() const { return Scratch.Path() + "Kelpa"; }
    // The inputs a run disables, enabled or not.
    std::vector<bool> InputsEnabled()
    {
        std::vector<bool> states;
        for (int id : {idSource, idDestination, idToolBar, idStart, idDesk, idOK})
            states.push_back(IsWindowEnabled(Control(id)) != FALSE);
        return states;
    }
    // The caption of the program's own window, which the taskbar shows.
    std::wstring TaskbarCaption()
    {
        for (HWND w : TopLevelWindows(Process->Id()))
            if (w != Form && ClassName(w) == L"TApplication")
                return WindowText(w);
        return L"(no taskbar window)";
    }
    // Clicks Install and waits until the window shows a percentage.
    void StartRun()
    {
        Click(Control(idOK));
        ASSERT_TRUE(WaitFor([&] { return PercentIn(WindowText(Form), FormCaption) >= 0; }))
            << "no percentage in the caption";
    }
    size_t InstalledFiles() { return ListTree(Destination() + "\\").size(); }

    static TempDir* Folder;
    static std::string Cabinet;
    TempDir Scratch;
};

TempDir* ResponsiveRun::Folder = nullptr;
std::string ResponsiveRun::Cabinet;

const std::vector<bool> AllEnabled(6, true), NoneEnabled(6, false);

} // namespace

// Watched every few milliseconds until the success box: the window answers
// within a second every time, the caption and the taskbar entry carry a
// growing percentage, the progress bar is shown, the inputs are disabled,
// and Install clicked again during the run and while the success box is
// shown starts nothing: one box, one installation, then the program ends.
TEST_F(ResponsiveRun, TheWindowAnswersShowsItsProgressAndInstallsOnce)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND bar = Control(idProgress);
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_TRUE(SessionMayEnd(Form));
    ASSERT_NO_FATAL_FAILURE(StartRun());
    // During the run a log-off or shutdown is held, with a reason.
    EXPECT_FALSE(SessionMayEnd(Form));

    std::set<int> percents;
    int samples = 0, unanswered = 0, taskbarPercents = 0;
    bool barShown = true;
    std::vector<bool> inputs = InputsEnabled();
    HWND box = nullptr;
    DWORD start = GetTickCount();
    while (!(box = WaitForMessageBox(*Process, 0)) && Process->Running() && GetTickCount() - start < RunTimeoutMs) {
        if (!Answers(Form)) {
            ++unanswered;
            continue;
        }
        ++samples;
        // The bar before the caption: the run's end restores the captions
        // before it hides the bar, so a percentage read after the bar was
        // seen means the bar belonged to the run.
        bool barVisible = IsWindowVisible(bar);
        int percent = PercentIn(WindowText(Form), FormCaption);
        if (percent >= 0) {
            percents.insert(percent);
            taskbarPercents += PercentIn(TaskbarCaption(), L"Kelpa installer") >= 0;
            barShown = barShown && barVisible;
        }
        if (samples % 10 == 1)
            Click(Control(idOK));
        Sleep(10);
    }
    ASSERT_NE(nullptr, box) << "no box after the run";
    EXPECT_EQ(0, unanswered) << "the window did not answer within a second";
    EXPECT_EQ(NoneEnabled, inputs);
    EXPECT_TRUE(barShown);
    // A run too short to watch would prove nothing.
    EXPECT_GE(samples, 10) << "the run was over too soon";
    EXPECT_GE(percents.size(), 3u) << "the percentage did not move";
    EXPECT_GT(taskbarPercents, 0);

    // While the success box is shown: the captions are back, the bar is
    // gone, the inputs stay disabled and a click on Install starts nothing.
    EXPECT_EQ(L"Kelpa editor was installed", ReadMessageBox(box).Text);
    EXPECT_EQ(FormCaption, WindowText(Form));
    EXPECT_EQ(L"Kelpa installer", TaskbarCaption());
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_EQ(NoneEnabled, InputsEnabled());
    Click(Control(idOK));
    Sleep(500);
    std::vector<HWND> boxes;
    for (HWND w : TopLevelWindows(Process->Id()))
        if (IsWindowVisible(w) && ClassName(w) == L"#32770")
            boxes.push_back(w);
    EXPECT_EQ(std::vector<HWND>{box}, boxes);
    PressButton(box, L"OK");
    std::optional<DWORD> code = Process->WaitForExit();
    ASSERT_TRUE(code.has_value()) << "the installer did not end";
    EXPECT_EQ(0u, *code);
    EXPECT_EQ(FileCount + 1, InstalledFiles());
    EXPECT_EQ(NoiseBytes(FileSize, 7), ReadFile(Destination() + "\\part00\\file007.dat"));
}

// Cancel, Esc and a forced log-off stop the run with the cancel error and give
// the window back with its values; from the close box the window closes after
// the error. Each stops the run early: most files are never written.
TEST_F(ResponsiveRun, CancelEscALogOffAndTheCloseBoxStopTheRun)
{
    const struct {
        const char* Name;
        void (*Ask)(HWND aForm, HWND aCancel);
        bool Closes;
    } ways[] = {
        {"Cancel", [](HWND, HWND aCancel) { Click(aCancel); }, false},
        {"Esc", [](HWND aForm, HWND) { PressKey(aForm, VK_ESCAPE); }, false},
        // Asked first, the run holds the log-off; ended anyway, it stops.
        {"forced log-off",
         [](HWND aForm, HWND) {
             EXPECT_FALSE(SessionMayEnd(aForm));
             DWORD_PTR ignored;
             SendMessageTimeoutW(aForm, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 1000, &ignored);
         },
         false},
        {"close box", [](HWND aForm, HWND) { PostMessageW(aForm, WM_SYSCOMMAND, SC_CLOSE, 0); }, true},
    };
    ASSERT_NO_FATAL_FAILURE(Start());
    SetChecked(Control(idDesk), true);
    for (const auto& way : ways) {
        SCOPED_TRACE(way.Name);
        ASSERT_NO_FATAL_FAILURE(StartRun());
        way.Ask(Form, Control(idCancel));
        HWND box = WaitForMessageBox(*Process, RunTimeoutMs);
        ASSERT_NE(nullptr, box) << "no box after the run";
        TMessageBoxContent content = ReadMessageBox(box);
        EXPECT_EQ(L"Kelpa installer", content.Caption);
        EXPECT_EQ(CancelledText, content.Text);
        EXPECT_EQ(TBoxIcon::Stop, content.Icon);
        EXPECT_LT(InstalledFiles(), FileCount / 2) << "the run went on after the cancel";
        PressButton(box, L"OK");
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
        if (way.Closes) {
            std::optional<DWORD> code = Process->WaitForExit();
            ASSERT_TRUE(code.has_value()) << "the installer did not close after the error";
            EXPECT_EQ(0u, *code);
            continue;
        }
        EXPECT_TRUE(IsWindowVisible(Form));
        EXPECT_EQ(AllEnabled, InputsEnabled());
        EXPECT_FALSE(IsWindowVisible(Control(idProgress)));
        EXPECT_EQ(FormCaption, WindowText(Form));
        EXPECT_EQ(L"Kelpa installer", TaskbarCaption());
        EXPECT_EQ(AnsiToWide(Cabinet), WindowText(Control(idSource)));
        EXPECT_EQ(AnsiToWide(Destination()), WindowText(Control(idDestination)));
        EXPECT_TRUE(IsChecked(Control(idDesk)));
        EXPECT_TRUE(SessionMayEnd(Form));
    }
}

// The fixture writer above, checked against an independent reader: every file
// with its content, in its folder.
TEST(StoredCabinet, ReadsBackWithCabextract)
{
    TempDir dir, out;
    std::vector<TFixtureFile> files = {
        {.StoredName = "Kelpa.EXE", .Content = NoiseBytes(70000, 2)}, // over two blocks
        {.StoredName = "docs\\Empty.txt", .Content = ""},
        {.StoredName = "docs\\deep\\ReadMe.txt", .Content = "read me"},
    };
    MakeStoredCabinet(dir.Path() + "stored.cab", files);
    ASSERT_EQ(0, CabExtract(dir.Path() + "stored.cab", out.Path()));
    EXPECT_EQ((std::vector<std::string>{"Kelpa.EXE", "docs\\Empty.txt", "docs\\deep\\ReadMe.txt"}),
              ListTree(out.Path()));
    for (const TFixtureFile& f : files)
        EXPECT_EQ(f.Content, ReadFile(out.Path() + f.StoredName)) << f.StoredName;
}
