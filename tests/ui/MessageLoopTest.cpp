// Exceptions raised while messages are handled: they reach the application's
// display through the one fenced window procedure, and the loop goes on.
#include <objbase.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "core/Exceptions.h"
#include "tests/ui/TestForm.h"

namespace {
void PostClick(TButton* aButton)
{
    PostMessageA(aButton->Handle(), BM_CLICK, 0, 0);
}
} // namespace

TEST(MessageLoop, HandlerExceptionIsShownAndTheLoopGoesOn)
{
    ErrorRecorder errors;
    TTestForm form;
    int clicks = 0;
    form.ThrowButton->OnClick = [&](TComponent*) {
        form.Edit->SetText("half done");
        throw Exception("Archive [x]");
    };
    form.OK->OnClick = [&](TComponent*) { ++clicks; };
    PostClick(form.ThrowButton);
    PostClick(form.OK);
    PostClick(form.ThrowButton);
    Pump();
    EXPECT_EQ(errors.Shown, (std::vector<std::string>{"Archive [x].", "Archive [x]."}));
    EXPECT_EQ(clicks, 1);
    // What the handler did before the exception stays done.
    EXPECT_EQ(form.Edit->Text(), "half done");
}

TEST(MessageLoop, ExceptionsOfEveryTypeAreShown)
{
    ErrorRecorder errors;
    TTestForm form;
    form.ThrowButton->OnClick = [](TComponent*) { throw std::runtime_error("bad thing"); };
    PostClick(form.ThrowButton);
    Pump();
    form.ThrowButton->OnClick = [](TComponent*) { throw EOutOfMemory(); };
    PostClick(form.ThrowButton);
    Pump();
    EXPECT_EQ(errors.Shown, (std::vector<std::string>{"bad thing.", "Out of memory."}));
}

TEST(MessageLoop, SentMessageExceptionWaitsForTheLoop)
{
    // A handler run through SendMessage (user32 on the stack) must not unwind
    // through it: the exception is stored and shown by the next loop step.
    ErrorRecorder errors;
    TTestForm form;
    form.ThrowButton->OnClick = [](TComponent*) { throw Exception("from a sent message"); };
    SendMessageA(form.ThrowButton->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(errors.Shown.empty());
    Pump();
    EXPECT_EQ(errors.Shown, (std::vector<std::string>{"from a sent message."}));
}

TEST(MessageLoop, EveryExceptionIsShownInTheOrderRaised)
{
    ErrorRecorder errors;
    TTestForm form;
    form.OK->OnClick = [](TComponent*) { throw Exception("inner"); };
    // The inner handler runs inside the outer one through a sent message;
    // both raise before the loop shows anything.
    form.ThrowButton->OnClick = [&](TComponent*) {
        SendMessageA(form.OK->Handle(), BM_CLICK, 0, 0);
        throw Exception("outer");
    };
    PostClick(form.ThrowButton);
    Pump();
    EXPECT_EQ(errors.Shown, (std::vector<std::string>{"inner.", "outer."}));

    // One raised while a box is open (its own loop handles messages) comes
    // after the ones raised before it.
    errors.Shown.clear();
    form.ThrowButton->OnClick = [](TComponent*) { throw Exception("first"); };
    Application.ErrorDisplay = [&](const std::string& aText) {
        errors.Shown.push_back(aText);
        if (errors.Shown.size() == 1)
            SendMessageA(form.OK->Handle(), BM_CLICK, 0, 0);
    };
    PostClick(form.ThrowButton);
    Pump();
    EXPECT_EQ(errors.Shown, (std::vector<std::string>{"first.", "inner."}));
}

TEST(MessageLoop, MouseCaptureIsCancelledBeforeTheErrorIsShown)
{
    ErrorRecorder errors;
    TTestForm form;
    int imageClicks = 0;
    form.Image->OnClick = [&](TComponent*) { ++imageClicks; };
    HWND captureAtDisplay = reinterpret_cast<HWND>(1);
    Application.ErrorDisplay = [&](const std::string&) { captureAtDisplay = GetCapture(); };
    // Press on the picture: it takes the capture until the button comes up.
    SendMessageA(form.Image->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ASSERT_EQ(GetCapture(), form.Image->Handle());
    form.ThrowButton->OnClick = [](TComponent*) { throw Exception("boom"); };
    PostClick(form.ThrowButton);
    Pump();
    EXPECT_EQ(captureAtDisplay, nullptr);
    // The press was cancelled: releasing the button is no click any more.
    SendMessageA(form.Image->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(imageClicks, 0);
    // A whole press and release over the picture is a click.
    SendMessageA(form.Image->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(form.Image->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(imageClicks, 1);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(MessageLoop, CreationHandlerExceptionIsShownAndCreationGoesOn)
{
    ErrorRecorder errors;
    TTestForm form(96, [](TTestForm& f) {
        f.Edit->SetText("set before");
        throw Exception("Invalid data type for 'KelpaPath'");
    });
    EXPECT_EQ(errors.Shown, (std::vector<std::string>{"Invalid data type for 'KelpaPath'"}));
    ASSERT_TRUE(form.HandleAllocated());
    EXPECT_EQ(form.Edit->Text(), "set before");
    // The form works afterwards.
    int clicks = 0;
    form.OK->OnClick = [&](TComponent*) { ++clicks; };
    PostClick(form.OK);
    Pump();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(errors.Shown.size(), 1u);
}

TEST(MessageLoop, ModalFormEndsWithTheModalResultOfItsButton)
{
    ErrorRecorder errors;
    TTestForm other;
    other.Show();
    TTestForm dialog;
    dialog.OK->ModalResult = mrOk;
    bool otherDisabled = false;
    dialog.OK->OnClick = [&](TComponent*) { otherDisabled = !IsWindowEnabled(other.Handle()); };
    PostClick(dialog.OK);
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(otherDisabled);
    EXPECT_TRUE(IsWindowEnabled(other.Handle()));
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(errors.Shown.empty());
}

TEST(MessageLoop, AButtonInsideAPanelEndsTheModalForm)
{
    // The result goes up the parent chain to the form.
    ErrorRecorder errors;
    TTestForm dialog;
    auto* retry = new TButton(&dialog);
    retry->ModalResult = mrRetry;
    retry->SetBounds(4, 36, 60, 20);
    retry->SetParent(dialog.Panel);
    PostClick(retry);
    EXPECT_EQ(dialog.ShowModal(), mrRetry);
    EXPECT_TRUE(errors.Shown.empty());
}

TEST(MessageLoop, ButtonHandlerCanTakeTheModalResultBack)
{
    // A handler that declines once keeps the form open; the next click ends it.
    ErrorRecorder errors;
    TTestForm dialog;
    dialog.OK->ModalResult = mrOk;
    std::vector<int> seen;
    dialog.OK->OnClick = [&](TComponent*) {
        seen.push_back(dialog.ModalResult);
        if (seen.size() == 1) {
            dialog.ModalResult = mrNone;
            PostClick(dialog.OK);
        }
    };
    PostClick(dialog.OK);
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(seen, (std::vector<int>{mrOk, mrOk}));
    EXPECT_TRUE(errors.Shown.empty());
}

TEST(MessageLoop, ModalFormClosedOrEscapedEndsWithCancel)
{
    ErrorRecorder errors;
    TTestForm dialog;
    PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);

    // Esc reaches the cancel button through the dialog manager.
    int cancelClicks = 0;
    dialog.Cancel->OnClick = [&](TComponent*) { ++cancelClicks; };
    // Posted before the form shows: the key goes to whatever has the focus
    // then, so post it from inside the loop, once the form is up.
    dialog.ThrowButton->OnClick = [&](TComponent*) { PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001); };
    PostClick(dialog.ThrowButton);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_EQ(cancelClicks, 1);
}

TEST(MessageLoop, ModalFormShowsExceptionsAndStaysOpen)
{
    ErrorRecorder errors;
    TTestForm dialog;
    dialog.ThrowButton->OnClick = [&](TComponent*) {
        PostMessageA(dialog.OK->Handle(), BM_CLICK, 0, 0);
        throw Exception("inside");
    };
    dialog.OK->ModalResult = mrOk;
    PostClick(dialog.ThrowButton);
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(errors.Shown, (std::vector<std::string>{"inside."}));
}

TEST(MessageLoop, ShowingAVisibleFormModallyIsRefused)
{
    TTestForm form;
    form.Show();
    EXPECT_THROW(form.ShowModal(), EInvalidOperation);
}

// Work handed to another thread: this thread's messages are handled while it
// runs (here a click it waits for), a quit asked for meanwhile is kept for
// afterwards, the thread has an apartment of its own, and what the work
// raises comes out on this thread.
TEST(MessageLoop, BackgroundWorkRunsWhileMessagesAreHandled)
{
    ErrorRecorder errors;
    TTestForm form;
    std::atomic<bool> clicked = false;
    form.OK->OnClick = [&](TComponent*) {
        clicked = true;
        PostQuitMessage(7);
    };
    PostClick(form.OK);
    DWORD caller = GetCurrentThreadId(), worker = 0;
    HRESULT apartment = E_FAIL;
    bool sawClick = false;
    Application.RunInBackground([&] {
        worker = GetCurrentThreadId();
        apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(apartment))
            CoUninitialize();
        for (int i = 0; i < 500 && !clicked; ++i)
            Sleep(10);
        sawClick = clicked;
    });
    EXPECT_NE(worker, caller);
    EXPECT_EQ(apartment, S_FALSE); // one was there already
    EXPECT_TRUE(sawClick);
    MSG quit{};
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
    EXPECT_FALSE(Application.Terminated());

    try {
        Application.RunInBackground([] { throw Exception("Cannot unpack"); });
        ADD_FAILURE() << "nothing raised";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot unpack");
    }
    EXPECT_TRUE(errors.Shown.empty());
}
