// The program's start-up path in this process: the application creates the
// main window, runs the loop until the window closes and destroys it. A
// separate test program, since ending the loop ends it for the process.
#include <gtest/gtest.h>

#include <objbase.h>
#include <imm.h>
#include <stdexcept>

#include "app/MainFormIds.h"
#include "app/uKelpaInstall.h"
#include "core/Exceptions.h"
#include "core/FileSystem.h"
#include "harness/CabFixtures.h"
#include "harness/ShellLinkReader.h"
#include "harness/TestFiles.h"
#include "tests/UiTestSupport.h"
#include "ui/Application.h"

namespace {
void PostClick(TButton* aButton, int anId)
{
    PostMessageA(GetParent(aButton->Handle()), WM_COMMAND, MAKEWPARAM(anId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(aButton->Handle()));
}

// Whether this thread has an apartment of the component-object library of
// its own (a thread without one counts as in the multi-threaded apartment
// once another thread has started that).
bool ThreadHasApartment()
{
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) && qualifier != APTTYPEQUALIFIER_IMPLICIT_MTA;
}

// The test program's entry starts an apartment for its thread; while this
// lives the thread has none, as the installer's thread at its start.
class TWithoutApartment {
public:
    TWithoutApartment() : FHad(ThreadHasApartment())
    {
        if (FHad)
            CoUninitialize();
    }
    TWithoutApartment(const TWithoutApartment&) = delete;
    TWithoutApartment& operator=(const TWithoutApartment&) = delete;
    ~TWithoutApartment()
    {
        if (FHad)
            CoInitialize(nullptr);
    }

private:
    bool FHad;
};

// Notes, while it lives, every apartment reference this thread takes ("+N")
// or gives back ("-N"), N the references held afterwards. Others than the
// program take some too: under Wine the input-method library takes one when a
// window is created on a thread whose apartment runs.
class TApartmentLog : public IInitializeSpy {
public:
    TApartmentLog()
    {
        if (FAILED(CoRegisterInitializeSpy(this, &FCookie)))
            throw std::runtime_error("cannot watch the apartment");
    }
    TApartmentLog(const TApartmentLog&) = delete;
    TApartmentLog& operator=(const TApartmentLog&) = delete;
    virtual ~TApartmentLog() { CoRevokeInitializeSpy(FCookie); }
    std::vector<std::string> Events;
    // A failure code makes every start fail with it (the reference taken is
    // given back at once).
    HRESULT Refusal = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID anId, void** anObject) override
    {
        *anObject = IsEqualIID(anId, IID_IUnknown) || IsEqualIID(anId, IID_IInitializeSpy) ? this : nullptr;
        return *anObject ? S_OK : E_NOINTERFACE;
    }
    // Lives on the stack of the test, longer than the registration.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE PreInitialize(DWORD, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostInitialize(HRESULT aResult, DWORD, DWORD aReferences) override
    {
        if (FAILED(aResult))
            return aResult;
        Note('+', aReferences);
        if (SUCCEEDED(Refusal))
            return aResult;
        // What the caller sees of a start that failed: no reference, an error.
        CoUninitialize();
        return Refusal;
    }
    HRESULT STDMETHODCALLTYPE PreUninitialize(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostUninitialize(DWORD aReferences) override
    {
        Note('-', aReferences);
        return S_OK;
    }

private:
    void Note(char aSign, DWORD aReferences)
    {
        std::string event(1, aSign);
        event += std::to_string(aReferences);
        Events.push_back(event);
    }

    ULARGE_INTEGER FCookie{};
};
} // namespace

// Started minimised (by a shortcut or another program), the window waits
// behind the taskbar entry as after its minimise button, and restoring the
// entry brings it back where a normal start puts it. Runs before the loop test:
// that one ends the loop for the process.
TEST(ApplicationStart, MinimisedStartWaitsBehindTheTaskbarEntry)
{
    std::vector<std::string> shown;
    Application.ErrorDisplay = [&](const std::string& aText) { shown.push_back(aText); };
    for (int command : {SW_SHOWMINNOACTIVE, SW_SHOWMINIMIZED}) {
        SCOPED_TRACE(command);
        Application.CreateForm(fKLPInst);
        ASSERT_NE(fKLPInst, nullptr);
        HWND wnd = fKLPInst->Handle();
        Application.ShowMainForm(command);
        Application.ProcessMessages();
        EXPECT_TRUE(IsWindowVisible(Application.Handle()));
        EXPECT_TRUE(IsIconic(Application.Handle()));
        EXPECT_FALSE(IsWindowVisible(wnd));
        EXPECT_FALSE(IsIconic(wnd)); // no title bar of its own on the desktop

        SendMessageA(Application.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
        Application.ProcessMessages();
        EXPECT_FALSE(IsIconic(Application.Handle()));
        EXPECT_TRUE(IsWindowVisible(wnd));
        EXPECT_FALSE(IsIconic(wnd));
        EXPECT_TRUE(fKLPInst->cbSource->Focused());
        RECT r;
        GetWindowRect(wnd, &r);
        EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
        EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
        Application.DestroyForms();
        fKLPInst = nullptr;
    }

    Application.CreateForm(fKLPInst);
    ASSERT_NE(fKLPInst, nullptr);
    Application.ShowMainForm(SW_SHOWMAXIMIZED);
    EXPECT_TRUE(IsZoomed(fKLPInst->Handle()));
    EXPECT_FALSE(IsIconic(Application.Handle()));
    Application.DestroyForms();
    fKLPInst = nullptr;
    EXPECT_TRUE(shown.empty());
    Application.ErrorDisplay = nullptr;
}

TEST(ApplicationStart, ShowCommandFollowsTheStartUpInformation)
{
    const struct {
        DWORD Flags;
        WORD Show;
        int Expected;
    } cases[] = {
        {0, SW_SHOWMINIMIZED, SW_SHOWNORMAL}, // the value counts only with its flag
        {STARTF_USESHOWWINDOW, SW_SHOWNORMAL, SW_SHOWNORMAL},
        {STARTF_USESHOWWINDOW, SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED},
        {STARTF_USESHOWWINDOW, SW_SHOWMINIMIZED, SW_SHOWMINIMIZED},
        {STARTF_USESHOWWINDOW, SW_MINIMIZE, SW_SHOWMINIMIZED},
        {STARTF_USESHOWWINDOW, SW_FORCEMINIMIZE, SW_SHOWMINIMIZED},
        {STARTF_USESHOWWINDOW, SW_SHOWMINNOACTIVE, SW_SHOWMINNOACTIVE},
        {STARTF_USESHOWWINDOW, SW_HIDE, SW_SHOWNORMAL},
        {STARTF_USESHOWWINDOW, SW_SHOWNOACTIVATE, SW_SHOWNORMAL},
        {STARTF_USESHOWWINDOW, SW_SHOWDEFAULT, SW_SHOWNORMAL},
    };
    for (const auto& c : cases) {
        STARTUPINFOA info{};
        info.cb = sizeof info;
        info.dwFlags = c.Flags;
        info.wShowWindow = c.Show;
        EXPECT_EQ(MainFormShowCommand(info), c.Expected) << "flags " << c.Flags << ", show " << c.Show;
    }
}

// The component-object library starts with the first shortcut, not with the
// application, and Finalize gives its apartment back. On a thread without an
// apartment, so that a shortcut made without starting the library fails here
// (CO_E_NOTINITIALIZED from the link object). A library that cannot start is
// reported as that failure of the shortcut, and tried again at the next need.
TEST(ApplicationStart, ComponentObjectsStartWithTheFirstShortcut)
{
    TWithoutApartment noApartment;
    ASSERT_FALSE(ThreadHasApartment()) << "the thread's apartment was started more than once";
    // Wine's input-method library starts an apartment itself on a thread whose
    // window gets the focus (and gives it back when the program's last
    // reference goes), which would hide a missing start. Without input
    // methods for this thread it does not.
    ASSERT_TRUE(ImmDisableIME(0));
    TApartmentLog log;
    Application.Initialize();
    EXPECT_FALSE(Application.ComInitialized());
    EXPECT_FALSE(ThreadHasApartment());

    TempDir source, target, links;
    std::string cabinet = MakeCabinets(source.Path(), {{"Kelpa.EXE", "MZ"}}).front();
    {
        ErrorRecorder errors;
        TfKLPInst form(nullptr, 96);
        form.cbSource->SetText(cabinet);
        form.eDestination->SetText(target.Path() + "Kelpa");
        form.cStart->SetChecked(true);
        form.StartMenuFolder = [&] { return links.Path(); };
        EXPECT_EQ(log.Events, std::vector<std::string>{}) << "started by the main window";

        log.Refusal = E_OUTOFMEMORY;
        try {
            form.bOKClick(nullptr);
            ADD_FAILURE() << "a shortcut without the library was reported as made";
        } catch (const EOleSysError& e) {
            EXPECT_EQ(e.ErrorCode, CO_E_NOTINITIALIZED);
        }
        EXPECT_EQ(log.Events, (std::vector<std::string>{"+1", "-0"}));
        EXPECT_FALSE(Application.ComInitialized());
        EXPECT_FALSE(ThreadHasApartment());
        EXPECT_FALSE(FileExists(links.Path() + "Kelpa.lnk"));
        EXPECT_EQ(ReadFile(target.Path() + "Kelpa\\Kelpa.EXE"), "MZ"); // the files stay

        log.Refusal = S_OK;
        log.Events.clear();
        TSuccessBoxAnswer answer;
        EXPECT_NO_THROW(form.bOKClick(nullptr));
        EXPECT_EQ(answer.Answered, 1);
        Pump();
        EXPECT_EQ(errors.Shown, std::vector<std::string>{});
    }
    // The apartment started with the shortcut, once: the one Finalize gives
    // it back.
    EXPECT_TRUE(Application.ComInitialized());
    EXPECT_EQ(log.Events, std::vector<std::string>{"+1"});
    EXPECT_EQ(ReadShellLink(links.Path() + "Kelpa.lnk").Path, target.Path() + "Kelpa\\Kelpa.EXE");
    EXPECT_TRUE(Application.EnsureCom());
    Application.Finalize();
    EXPECT_FALSE(Application.ComInitialized());
    EXPECT_EQ(log.Events, (std::vector<std::string>{"+1", "-0"}));
    EXPECT_FALSE(ThreadHasApartment());
}

TEST(ApplicationRun, MainWindowRunsUntilCancelAndErrorsDoNotEndIt)
{
    std::vector<std::string> shown;
    Application.ErrorDisplay = [&](const std::string& aText) { shown.push_back(aText); };
    Application.Initialize();
    EXPECT_FALSE(Application.ComInitialized());
    Application.SetTitle("Kelpa installer");
    Application.CreateForm(fKLPInst);
    ASSERT_NE(fKLPInst, nullptr);
    EXPECT_EQ(Application.MainForm(), fKLPInst);
    TfKLPInst* form = fKLPInst;
    HWND wnd = form->Handle();
    EXPECT_FALSE(IsWindowVisible(wnd)); // hidden until the loop runs

    struct {
        bool Visible = false;
        bool Centred = false;
        bool FocusInSource = false;
        bool TaskbarEntry = false;
        bool MinimisedTogether = false;
        bool RestoredTogether = false;
    } seen;
    form->bOK->OnClick = [&](TComponent*) {
        RECT r;
        GetWindowRect(wnd, &r);
        seen.Visible = IsWindowVisible(wnd) != FALSE;
        seen.Centred = r.left == (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2 &&
                       r.top == (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
        seen.FocusInSource = form->cbSource->Focused();
        char title[64] = {};
        GetWindowTextA(Application.Handle(), title, sizeof title);
        seen.TaskbarEntry = IsWindowVisible(Application.Handle()) && std::string(title) == "Kelpa installer" &&
                            GetWindow(wnd, GW_OWNER) == Application.Handle();
        // Minimising the window minimises the taskbar entry with it, and
        // restoring the entry brings the window back.
        SendMessageA(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        seen.MinimisedTogether = IsIconic(Application.Handle()) && !IsWindowVisible(wnd);
        SendMessageA(Application.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
        seen.RestoredTogether = !IsIconic(Application.Handle()) && IsWindowVisible(wnd);
        throw Exception("Cannot install");
    };
    PostClick(form->bOK, idOK);
    PostClick(form->bCancel, idCancel);
    Application.Run();

    EXPECT_TRUE(seen.Visible);
    EXPECT_TRUE(seen.Centred);
    EXPECT_TRUE(seen.FocusInSource);
    EXPECT_TRUE(seen.TaskbarEntry);
    EXPECT_TRUE(seen.MinimisedTogether);
    EXPECT_TRUE(seen.RestoredTogether);
    EXPECT_EQ(shown, (std::vector<std::string>{"Cannot install."}));
    EXPECT_TRUE(Application.Terminated());

    Application.DestroyForms();
    EXPECT_EQ(Application.MainForm(), nullptr);
    EXPECT_FALSE(IsWindow(wnd));
    Application.Finalize();
    EXPECT_FALSE(Application.ComInitialized());
    Application.ErrorDisplay = nullptr;
}
