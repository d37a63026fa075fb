#include "ui/Application.h"

#include <objbase.h>
#include <process.h>

#include <new>
#include <optional>

#include "core/Exceptions.h"
#include "core/Strings.h"
#include "ui/DisabledWindows.h"
#include "ui/Forms.h"

std::string ErrorBoxText(const std::string& aMessage, UINT aCodePage)
{
    if (aMessage.empty())
        return aMessage;
    size_t last = aMessage.size() - 1;
    if (last > 0 && IsTrailByte(aMessage, last, aCodePage))
        --last;
    if (static_cast<unsigned char>(aMessage[last]) > static_cast<unsigned char>('.'))
        return aMessage + ".";
    return aMessage;
}

std::string ExceptionMessage(std::exception_ptr anException)
{
    try {
        std::rethrow_exception(anException);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

namespace {
// The hidden top-level window: it carries the taskbar entry (captioned with
// the title), owns the forms and the error box, and minimises the program.
class TApplicationWindow : public TWinControl {
public:
    using TWinControl::TWinControl;

protected:
    void CreateParams(TCreateParams& aParams) override
    {
        aParams.ClassName = "TApplication";
        aParams.OwnClass = true;
        aParams.Caption = Application.Title();
        // A zero-sized captioned pop-up at the screen's centre: visible to the
        // taskbar, invisible on the screen.
        aParams.Style = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
        aParams.X = GetSystemMetrics(SM_CXSCREEN) / 2;
        aParams.Y = GetSystemMetrics(SM_CYSCREEN) / 2;
        aParams.Icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
    }
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override
    {
        switch (aMsg) {
        case WM_CLOSE:
            if (TForm* main = Application.MainForm())
                main->Close();
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_RESTORE && IsIconic(Handle())) {
                Application.Restore();
                return 0;
            }
            if ((wParam & 0xFFF0) == SC_MINIMIZE) {
                Application.Minimize();
                return 0;
            }
            break;
        case WM_ACTIVATE:
            // Activated from the taskbar: pass the activation on to the form.
            if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
                HWND popup = GetLastActivePopup(Handle());
                if (popup && popup != Handle() && IsWindowVisible(popup) && IsWindowEnabled(popup)) {
                    SetActiveWindow(popup);
                    return 0;
                }
            }
            break;
        default: break;
        }
        return TWinControl::WndProc(aMsg, wParam, lParam);
    }
};

// The application as the forms see it.
class TApplicationFormHost final : public TFormHost {
public:
    HWND OwnerWindow() override { return Application.Handle(); }
    TForm* MainForm() const noexcept override { return Application.MainForm(); }
    void Terminate() noexcept override { Application.Terminate(); }
    bool Terminated() const noexcept override { return Application.Terminated(); }
    void HandleMessage() override { Application.HandleMessage(); }
    void Minimize() override { Application.Minimize(); }
    void ShowCurrentException() override
    {
        Application.CaptureException();
        Application.ShowPendingException();
    }
};

TApplicationFormHost gFormHost;

// The fence of the window procedures hands what it caught to the queue.
void CaptureWindowException() noexcept
{
    Application.CaptureException();
}
} // namespace

// After the host it installs, so that the host outlives it.
TApplication Application;

TApplication::TApplication() : TComponent(nullptr)
{
    SetWindowExceptionHook(&CaptureWindowException);
    SetFormHost(&gFormHost);
}

TApplication::~TApplication()
{
    DestroyForms();
    Finalize();
    SetFormHost(nullptr);
    SetWindowExceptionHook(nullptr);
}

void TApplication::Initialize()
{
}

bool TApplication::EnsureCom() noexcept
{
    // S_FALSE (the thread had an apartment already) counts too: every
    // successful call is balanced by one CoUninitialize in Finalize.
    if (!FComInitialized)
        FComInitialized = SUCCEEDED(CoInitialize(nullptr));
    return FComInitialized;
}

void TApplication::Finalize() noexcept
{
    if (FComInitialized) {
        CoUninitialize();
        FComInitialized = false;
    }
}

void TApplication::SetTitle(const std::string& aTitle)
{
    FTitle = aTitle;
    if (FWindow)
        FWindow->SetText(aTitle);
}

void TApplication::SetTaskbarCaption(const std::string& aCaption)
{
    if (FWindow)
        FWindow->SetText(aCaption.empty() ? FTitle : aCaption);
}

HWND TApplication::Handle()
{
    if (!FWindow) {
        auto* window = new TApplicationWindow(this);
        window->Name = "ApplicationWindow";
        try {
            window->CreateHandle();
        } catch (...) {
            delete window;
            throw;
        }
        FWindow = window;
    }
    return FWindow->Handle();
}

void TApplication::Notification(TComponent* aComponent, TOperation anOperation)
{
    TComponent::Notification(aComponent, anOperation);
    if (anOperation != TOperation::opRemove)
        return;
    if (aComponent == FMainForm)
        FMainForm = nullptr;
    if (aComponent == FWindow)
        FWindow = nullptr;
}

void TApplication::DestroyForms() noexcept
{
    // Newest first, but the hidden window last: it owns the forms' windows,
    // which must go while their objects still exist.
    for (;;) {
        TComponent* victim = nullptr;
        for (size_t i = ComponentCount(); i > 0 && !victim; --i)
            if (Components(i - 1) != FWindow)
                victim = Components(i - 1);
        if (!victim)
            break;
        delete victim;
    }
    delete FWindow; // Notification clears the link
}

void TApplication::Minimize()
{
    HWND wnd = Handle();
    if (IsIconic(wnd))
        return;
    // Owned windows do not follow a minimised owner on every system: hide
    // them here and bring them back on restore.
    for (size_t i = 0; i < ComponentCount(); ++i)
        if (auto* form = dynamic_cast<TForm*>(Components(i)); form && form->HandleAllocated() && form->Visible())
            FMinimizedForms.push_back(form->Handle());
    for (HWND form : FMinimizedForms)
        ShowWindow(form, SW_HIDE);
    ShowWindow(wnd, SW_MINIMIZE);
}

void TApplication::Restore()
{
    HWND wnd = Handle();
    ShowWindow(wnd, SW_RESTORE);
    std::vector<HWND> forms;
    forms.swap(FMinimizedForms);
    for (HWND form : forms) {
        if (!IsWindow(form))
            continue;
        // Through the form, so that a main form that started minimised is
        // placed as on any first showing.
        if (auto* object = dynamic_cast<TForm*>(TWinControl::FromHandle(form)))
            object->Show(SW_SHOWNA);
        else
            ShowWindow(form, SW_SHOW);
    }
    if (FMainForm && FMainForm->HandleAllocated() && IsWindowVisible(FMainForm->Handle()))
        SetActiveWindow(FMainForm->Handle());
}

void TApplication::Terminate() noexcept
{
    if (!FTerminated) {
        FTerminated = true;
        PostQuitMessage(0);
    }
}

void TApplication::CaptureException() noexcept
{
    try {
        FPending.push_back(std::current_exception());
    } catch (...) {
        FUnqueued.Capture();
    }
}

void TApplication::ShowPendingException()
{
    // Taken off the queue before it is shown: the box runs a message loop of
    // its own, whose handlers may queue more.
    while (!FPending.empty() || FUnqueued.Pending()) {
        std::exception_ptr next;
        if (!FPending.empty()) {
            next = FPending.front();
            FPending.pop_front();
        } else {
            try {
                FUnqueued.Rethrow();
            } catch (...) {
                next = std::current_exception();
            }
        }
        HandleException(next);
    }
}

void TApplication::HandleException(std::exception_ptr anException)
{
    if (HWND capture = GetCapture())
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
    std::string text = ErrorBoxText(ExceptionMessage(anException));
    if (ErrorDisplay)
        ErrorDisplay(text);
    else
        ShowErrorBox(text);
}

void TApplication::ShowErrorBox(const std::string& aText)
{
    // Without the hidden window (its creation failed) the box is still shown,
    // unowned: the error must reach the user either way.
    HWND owner = FWindow ? FWindow->Handle() : nullptr;
    if (!owner) {
        try {
            owner = Handle();
        } catch (...) {
            owner = nullptr; // no window to own it: the box is shown unowned
        }
    }
    HWND active = GetActiveWindow();
    HWND focus = GetFocus();
    {
        TDisabledWindows disabled(owner);
        MessageBoxA(owner, aText.c_str(), FTitle.c_str(), MB_ICONERROR | MB_OK);
    }
    if (active && IsWindow(active))
        SetActiveWindow(active);
    if (focus && IsWindow(focus))
        SetFocus(focus);
}

bool TApplication::ProcessMessage(MSG& aMsg)
{
    if (aMsg.message == WM_QUIT) {
        FTerminated = true;
        return false;
    }
    // Tab, Shift+Tab, Enter, Esc and the Alt accelerators of a form.
    HWND root = aMsg.hwnd ? GetAncestor(aMsg.hwnd, GA_ROOT) : nullptr;
    auto* form = root ? dynamic_cast<TForm*>(TWinControl::FromHandle(root)) : nullptr;
    bool dialogKey = false;
    if (form) {
        // Labels name the control their accelerator focuses, which the
        // dialog manager does not know.
        if (aMsg.message == WM_SYSCHAR)
            dialogKey = form->DialogChar(static_cast<char>(aMsg.wParam));
        if (!dialogKey)
            dialogKey = IsDialogMessageA(root, &aMsg);
    }
    if (!dialogKey) {
        TranslateMessage(&aMsg);
        DispatchMessageA(&aMsg);
    }
    ShowPendingException();
    return true;
}

void TApplication::HandleMessage()
{
    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1)
        RaiseLastOSError();
    if (!got) {
        FTerminated = true;
        return;
    }
    ProcessMessage(msg);
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (!ProcessMessage(msg))
            break;
    ShowPendingException();
}

namespace {
struct TBackgroundWork {
    const std::function<void()>& Work;
    ExceptionSlot Failure;
};

// The thread's entry is called by the system: nothing may unwind out of it.
unsigned __stdcall RunBackgroundWork(void* aWork) noexcept
{
    auto* work = static_cast<TBackgroundWork*>(aWork);
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    try {
        work->Work();
    } catch (...) {
        work->Failure.Capture();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}
} // namespace

void TApplication::RunInBackground(const std::function<void()>& aWork)
{
    TBackgroundWork work{aWork, {}};
    // _beginthreadex, not CreateThread: the thread uses the C run-time.
    KernelHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &RunBackgroundWork, &work, 0, nullptr)));
    if (!thread)
        RaiseLastOSError();
    HANDLE handle = thread.get();
    std::optional<WPARAM> quit;
    // Nothing leaves this loop before the thread has ended: it uses work.
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken != WAIT_OBJECT_0 + 1) {
            // Waiting with messages failed: wait without them.
            WaitForSingleObject(handle, INFINITE);
            break;
        }
        try {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT)
                    quit = msg.wParam;
                else
                    ProcessMessage(msg);
            }
        } catch (...) {
            CaptureException();
        }
    }
    if (quit)
        PostQuitMessage(static_cast<int>(*quit));
    work.Failure.Rethrow();
}

int MainFormShowCommand(const STARTUPINFOA& anInfo)
{
    if (!(anInfo.dwFlags & STARTF_USESHOWWINDOW))
        return SW_SHOWNORMAL;
    switch (anInfo.wShowWindow) {
    case SW_SHOWMAXIMIZED: return SW_SHOWMAXIMIZED;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_FORCEMINIMIZE: return SW_SHOWMINIMIZED;
    case SW_SHOWMINNOACTIVE: return SW_SHOWMINNOACTIVE;
    default: return SW_SHOWNORMAL;
    }
}

void TApplication::ShowMainForm()
{
    STARTUPINFOA info{};
    info.cb = sizeof info;
    GetStartupInfoA(&info);
    ShowMainForm(MainFormShowCommand(info));
}

void TApplication::ShowMainForm(int aShowCommand)
{
    HWND wnd = Handle();
    if (aShowCommand != SW_SHOWMINIMIZED && aShowCommand != SW_SHOWMINNOACTIVE) {
        // The form first: the taskbar entry's window has no size on the
        // screen, and showing it (a window of the display server) would only
        // make the user wait longer for the window that can be seen.
        FMainForm->Show(aShowCommand);
        ShowWindow(wnd, SW_SHOWNOACTIVATE);
        return;
    }
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    // As the minimise button does: only the taskbar entry is minimised, and
    // the form waits hidden until the entry is restored. A minimised form of
    // its own would lie on the desktop as a loose title bar.
    FMinimizedForms.push_back(FMainForm->Handle());
    ShowWindow(wnd, aShowCommand);
}

void TApplication::Run()
{
    if (FMainForm) {
        try {
            ShowMainForm();
        } catch (...) {
            CaptureException();
        }
        ShowPendingException();
    }
    while (!FTerminated && FMainForm)
        HandleMessage();
    if (FWindow)
        ShowWindow(FWindow->Handle(), SW_HIDE);
}
