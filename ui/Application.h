#pragma once
// The application object: component-object library start on first need,
// title, the hidden top-level window that carries the taskbar entry and owns
// the forms and the error box, the message loop, and the one place where an
// exception that escaped an event handler is shown.
#include <windows.h>
#include <deque>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "core/Component.h"
#include "core/ExceptionSlot.h"

class TForm;
class TWinControl;

// The text an error box shows for a message: a full stop is appended when the
// message is not empty and its last character (the lead byte of a double-byte
// one) sorts after "." as an unsigned code.
std::string ErrorBoxText(const std::string& aMessage, UINT aCodePage = CP_ACP);

// The message text of any exception: Exception's message, what() of other
// standard exceptions.
std::string ExceptionMessage(std::exception_ptr anException);

// The show command of the main form for the process's start-up information:
// SW_SHOWMAXIMIZED, SW_SHOWMINIMIZED (for every minimising command that
// activates), SW_SHOWMINNOACTIVE, or SW_SHOWNORMAL for anything else.
int MainFormShowCommand(const STARTUPINFOA& anInfo);

// Shows a text the way the application shows errors.
using TErrorDisplay = std::function<void(const std::string& aText)>;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // Prepares the application; the component-object library is left for
    // EnsureCom, since most runs never need it and its start (the library
    // loaded, a hidden window of its own) would delay the main window.
    void Initialize();
    // Starts the component-object library for the window's thread as a
    // single-threaded apartment, unless it runs already; call it on that
    // thread before any use of component objects there. Answers whether it
    // runs: a failed start is tried again at the next call, and meanwhile
    // the objects' own calls fail with the library's error.
    bool EnsureCom() noexcept;
    bool ComInitialized() const noexcept { return FComInitialized; }
    // Uninitialises the component-object library when EnsureCom started it.
    void Finalize() noexcept;

    const std::string& Title() const noexcept { return FTitle; }
    void SetTitle(const std::string& aTitle);
    // What the taskbar entry reads for a while (a progress, say); the title,
    // which error boxes keep as their caption, is unchanged. Empty shows the
    // title again.
    void SetTaskbarCaption(const std::string& aCaption);
    // The hidden top-level window, created on first use.
    HWND Handle();

    // Creates a form owned by the application; the first one is the main form.
    template <typename T>
    void CreateForm(T*& aReference)
    {
        aReference = nullptr;
        T* form = new T(this);
        aReference = form;
        if (!FMainForm)
            FMainForm = form;
    }
    TForm* MainForm() const noexcept { return FMainForm; }

    // Shows the main form and dispatches messages until it has closed.
    void Run();
    // Shows the main form with a command of MainFormShowCommand: a minimised
    // start minimises the taskbar entry and keeps the form hidden until the
    // entry is restored. Run does this with the start-up information.
    void ShowMainForm(int aShowCommand);
    // Asks the message loop to end.
    void Terminate() noexcept;
    bool Terminated() const noexcept { return FTerminated; }
    // Waits for one message and handles it.
    void HandleMessage();
    // Handles every message waiting, without waiting for more.
    void ProcessMessages();
    // Runs aWork on a thread of its own and meanwhile handles this thread's
    // messages as the loop does, so that the windows keep painting and
    // answering; returns once aWork has returned and raises here what it
    // raised. A quit request met meanwhile is posted again afterwards. The
    // thread has a single-threaded apartment of the component-object library
    // for the shell calls a handler may make.
    void RunInBackground(const std::function<void()>& aWork);
    // Minimises the program to its taskbar entry, hiding the visible forms;
    // Restore shows them again.
    void Minimize();
    void Restore();
    // Destroys the forms (the main form with its components) now.
    void DestroyForms() noexcept;

    // Stores the exception being handled, for the loop to show; for the fences
    // at the boundaries where the platform calls us. Every one is kept: an
    // inner handler's exception and the outer one's that follows are both shown.
    void CaptureException() noexcept;
    // Shows the stored exceptions, one box each, in the order they were raised;
    // one raised while a box is open is shown after the ones before it.
    void ShowPendingException();
    // Shows an exception: cancels the mouse capture, applies the full-stop
    // rule and hands the text to the error display.
    void HandleException(std::exception_ptr anException);

    // The help system: shows the topic of a help context. Without one bound,
    // HelpContext does nothing and answers false.
    std::function<void(int aContext)> OnHelp;
    bool HelpContext(int aContext)
    {
        if (!OnHelp)
            return false;
        OnHelp(aContext);
        return true;
    }

    // Replaces the message box (for tests); empty restores the message box.
    TErrorDisplay ErrorDisplay;
    // The message box of errors: stop icon, OK, the title as caption, owned by
    // the hidden window, every other window of the program disabled while it
    // is shown, the active window and the focus restored afterwards.
    void ShowErrorBox(const std::string& aText);

protected:
    void Notification(TComponent* aComponent, TOperation anOperation) override;

private:
    bool ProcessMessage(MSG& aMsg);
    void ShowMainForm();

    bool FComInitialized = false;
    bool FTerminated = false;
    std::string FTitle;
    TForm* FMainForm = nullptr;
    TWinControl* FWindow = nullptr;
    std::deque<std::exception_ptr> FPending;
    // Takes the one exception that could not be queued for want of memory.
    ExceptionSlot FUnqueued;
    std::vector<HWND> FMinimizedForms;
};

// The one application object of the process.
extern TApplication Application;
