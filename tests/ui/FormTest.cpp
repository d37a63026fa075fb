// Forms built from a description: layout and scaling, keyboard order, and the
// messages the parent reflects to its controls.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "core/Exceptions.h"
#include "tests/ui/TestForm.h"

namespace {
RECT Bounds(const TWinControl* aControl)
{
    return aControl->BoundsRect();
}

// The placements (WM_WINDOWPOSCHANGING) the thread's own controls receive
// while the recorder lives, each as its window and flags.
class PlacementRecorder {
public:
    PlacementRecorder()
    {
        gRecorder = this;
        FHook = SetWindowsHookExA(WH_CALLWNDPROC, &Record, nullptr, GetCurrentThreadId());
    }
    ~PlacementRecorder()
    {
        UnhookWindowsHookEx(FHook);
        gRecorder = nullptr;
    }
    std::vector<std::pair<HWND, UINT>> Placements;

private:
    static LRESULT CALLBACK Record(int aCode, WPARAM wParam, LPARAM lParam) noexcept
    {
        auto* message = reinterpret_cast<CWPSTRUCT*>(lParam);
        if (aCode == HC_ACTION && message->message == WM_WINDOWPOSCHANGING && TWinControl::FromHandle(message->hwnd))
            gRecorder->Placements.emplace_back(message->hwnd,
                                               reinterpret_cast<const WINDOWPOS*>(message->lParam)->flags);
        return CallNextHookEx(nullptr, aCode, wParam, lParam);
    }
    static inline PlacementRecorder* gRecorder = nullptr;
    HHOOK FHook;
};

} // namespace

TEST(Form, ControlsArePlacedAsDescribedAndScaledByTheResolution)
{
    // Described in pixels at 96 dpi; at another resolution every size and
    // position scales by it, the font too.
    for (int dpi : {96, 120}) {
        SCOPED_TRACE(dpi);
        auto scale = [dpi](int aValue) { return MulDiv(aValue, dpi, 96); };
        TTestForm form(dpi);
        RECT client;
        GetClientRect(form.Handle(), &client);
        EXPECT_EQ(client.right, scale(320));
        EXPECT_EQ(client.bottom, scale(200));
        RECT edit = Bounds(form.Edit);
        EXPECT_EQ(edit.left, scale(8));
        EXPECT_EQ(edit.top, scale(40));
        EXPECT_EQ(edit.right - edit.left, scale(100));
        EXPECT_EQ(edit.bottom - edit.top, scale(21));
        // A closed combo box has the height it was laid out with, not the one
        // of its drop-down list.
        RECT combo = Bounds(form.Combo);
        EXPECT_EQ(combo.right - combo.left, scale(120));
        EXPECT_EQ(combo.bottom - combo.top, scale(21));
        EXPECT_EQ(SendMessageA(form.Combo->Handle(), CB_GETITEMHEIGHT, 0, 0), scale(13));
        EXPECT_EQ(SendMessageA(form.List->Handle(), LB_GETITEMHEIGHT, 0, 0), scale(17));
        RECT bar = Bounds(form.Bar);
        EXPECT_EQ(bar.left, scale(140));
        EXPECT_EQ(bar.right - bar.left, scale(31));
        EXPECT_EQ(bar.bottom - bar.top, scale(29));
        // Positions inside a panel are relative to the panel.
        RECT image = Bounds(form.Image);
        EXPECT_EQ(image.left, scale(4));
        EXPECT_EQ(image.top, scale(6));
        EXPECT_EQ(GetParent(form.Image->Handle()), form.Panel->Handle());
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(form.Edit->Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -scale(11));
        EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
        EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), Application.Handle());
        EXPECT_EQ(form.Text(), "Test form");
        EXPECT_FALSE(form.Visible());
    }
}

TEST(Form, EveryWindowIsMadeInItsPlaceAndStackingOrder)
{
    // Placing a window is a round trip to the window system each time (many
    // under Wine): the form and its controls are made where they stay, in the
    // order Tab follows, and only shown, never moved or restacked, until the
    // form first shows.
    std::unique_ptr<TTestForm> form;
    PlacementRecorder recorder;
    form = std::make_unique<TTestForm>(96);
    form->Show();
    std::vector<std::pair<HWND, UINT>> moved;
    for (const auto& [wnd, flags] : recorder.Placements) {
        bool restacked = !(flags & (SWP_NOZORDER | SWP_SHOWWINDOW));
        // A combo box sizes itself to its font; nothing else may change size.
        bool resized = !(flags & SWP_NOSIZE) && !(flags & SWP_SHOWWINDOW) && wnd != form->Combo->Handle();
        bool movedAway = !(flags & SWP_NOMOVE) && !(flags & SWP_SHOWWINDOW);
        if (restacked || resized || movedAway)
            moved.emplace_back(wnd, flags);
    }
    EXPECT_TRUE(moved.empty()) << moved.size() << " placements, the first of window " << moved[0].first
                               << " with flags " << std::hex << moved[0].second;
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
}

TEST(Form, TabFollowsTheTabOrderAndSkipsControlsWithoutFocus)
{
    TTestForm form;
    form.Show();
    Pump();
    // The first control in tab order that takes the focus has it.
    EXPECT_EQ(FocusedControl(form), form.Combo->Handle());
    const HWND forward[] = {form.Edit->Handle(),   form.Check->Handle(),       form.List->Handle(), form.OK->Handle(),
                            form.Cancel->Handle(), form.ThrowButton->Handle(), form.Combo->Handle()};
    for (HWND expected : forward) {
        PressKey(VK_TAB);
        EXPECT_EQ(FocusedControl(form), expected);
    }
    PressKey(VK_TAB, true);
    EXPECT_EQ(FocusedControl(form), form.ThrowButton->Handle());
}

TEST(Form, EnterEscAndAcceleratorsPressTheirButtons)
{
    TTestForm form;
    form.Show();
    Pump();
    std::vector<std::string> pressed;
    form.OK->OnClick = [&](TComponent*) { pressed.push_back("ok"); };
    form.Cancel->OnClick = [&](TComponent*) { pressed.push_back("cancel"); };
    form.ThrowButton->OnClick = [&](TComponent*) { pressed.push_back("throw"); };
    form.Edit->SetFocus();
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    PostMessageA(GetFocus(), WM_SYSCHAR, 't', 0x20000001);
    Pump();
    EXPECT_EQ(pressed, (std::vector<std::string>{"ok", "cancel", "throw"}));
    // Alt plus a check box's letter toggles it.
    PostMessageA(GetFocus(), WM_SYSCHAR, 'h', 0x20000001);
    Pump();
    EXPECT_TRUE(form.Check->Checked());
}

TEST(Form, EnterPressesTheFocusedButtonAndOtherwiseTheDefaultOne)
{
    TTestForm form;
    form.Show();
    Pump();
    std::vector<std::string> pressed;
    form.OK->OnClick = [&](TComponent*) { pressed.push_back("ok"); };
    form.ThrowButton->OnClick = [&](TComponent*) { pressed.push_back("throw"); };
    auto isDefault = [](TButton* aButton) {
        return (GetWindowLongA(aButton->Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    };
    form.ThrowButton->SetFocus();
    EXPECT_TRUE(isDefault(form.ThrowButton));
    EXPECT_FALSE(isDefault(form.OK));
    PressKey(VK_RETURN);
    // Back in an edit field, the default button is the default again.
    form.Edit->SetFocus();
    EXPECT_TRUE(isDefault(form.OK));
    EXPECT_FALSE(isDefault(form.ThrowButton));
    PressKey(VK_RETURN);
    EXPECT_EQ(pressed, (std::vector<std::string>{"throw", "ok"}));
}

TEST(Form, TabFromTheFormItselfSelectsTheTextOfAnEditField)
{
    TTestForm form;
    form.Show();
    Pump();
    form.Combo->SetFocus();
    // What the dialog manager asks of a dialog on Tab.
    SendMessageA(form.Handle(), WM_NEXTDLGCTL, 0, 0);
    EXPECT_EQ(GetFocus(), form.Edit->Handle());
    DWORD start = 0, end = 0;
    SendMessageA(form.Edit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 4u);
    SendMessageA(form.Handle(), WM_NEXTDLGCTL, 1, 0);
    EXPECT_EQ(GetParent(GetFocus()), form.Combo->Handle());
}

TEST(Form, LabelAcceleratorFocusesItsControlUntilThatGoes)
{
    TTestForm form;
    form.Show();
    Pump();
    form.Edit->SetFocus();
    PostMessageA(GetFocus(), WM_SYSCHAR, 'l', 0x20000001);
    Pump();
    EXPECT_EQ(GetFocus(), form.List->Handle());
    delete form.List;
    EXPECT_EQ(form.ListLabel->FocusControl(), nullptr);
    PostMessageA(GetFocus(), WM_SYSCHAR, 'l', 0x20000001);
    Pump(); // nothing left to focus, nothing fails
}

TEST(Form, ActiveControlGetsTheFocusOnFirstActivation)
{
    TTestForm form;
    form.ActiveControl = form.Check;
    form.Show();
    Pump();
    EXPECT_EQ(GetFocus(), form.Check->Handle());
}

TEST(Form, CloseHidesAFormThatIsNeitherMainNorModal)
{
    TTestForm form;
    form.Show();
    PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(Application.Terminated());
}

namespace {
// A form that closes only when allowed to.
class TGuardedForm : public TTestForm {
public:
    bool Allow = false;
    int Asked = 0;

protected:
    bool CloseQuery() override
    {
        ++Asked;
        return Allow;
    }
};
} // namespace

TEST(Form, CloseQueryDecidesWhetherTheFormCloses)
{
    TGuardedForm form;
    form.Show();
    PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
    Pump();
    form.Close();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.Asked, 2);
    form.Allow = true;
    PostMessageA(form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_FALSE(form.Visible());
}

TEST(Form, FirstShowCentresTheFormOnTheScreen)
{
    TTestForm form;
    SetWindowPos(form.Handle(), nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    form.Show();
    RECT r;
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
    // Later shows keep the place the user moved it to.
    form.Hide();
    SetWindowPos(form.Handle(), nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    form.Show();
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.left, 3);
}

TEST(Form, ChildNotificationsReachTheirControls)
{
    TTestForm form;
    int changes = 0, toolClicks = 0, checkClicks = 0;
    form.Combo->OnChange = [&](TComponent*) { ++changes; };
    form.Browse->OnClick = [&](TComponent*) { ++toolClicks; };
    form.Check->OnClick = [&](TComponent*) { ++checkClicks; };
    form.Combo->AddItem("one");
    form.Combo->AddItem("two");
    EXPECT_EQ(form.Combo->Count(), 2);
    // Typing into the edit field and picking from the list both change it.
    SendMessageA(GetWindow(form.Combo->Handle(), GW_CHILD), WM_CHAR, 'x', 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(form.Combo->Text(), "x");
    // The tool bar reports its button by command id.
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(tidBrowse, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form.Bar->Handle()));
    EXPECT_EQ(toolClicks, 1);
    SendMessageA(form.Check->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(checkClicks, 1);
    EXPECT_TRUE(form.Check->Checked());
}

TEST(Form, OwnerDrawAndColourMessagesAreReflected)
{
    TTestForm form;
    form.List->AddItem("alpha");
    int drawn = -1;
    form.List->OnDrawItem = [&](TWinControl*, int anIndex, const RECT&, HDC, TOwnerDrawState aState) {
        drawn = anIndex;
        EXPECT_TRUE(aState.Selected);
    };
    MemoryDc dc(CreateCompatibleDC(nullptr));
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_LISTBOX;
    item.CtlID = tidList;
    item.itemID = 0;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = ODS_SELECTED;
    item.hwndItem = form.List->Handle();
    item.hDC = dc.get();
    item.rcItem = {0, 0, 100, 17};
    EXPECT_EQ(SendMessageA(form.Handle(), WM_DRAWITEM, tidList, reinterpret_cast<LPARAM>(&item)), TRUE);
    EXPECT_EQ(drawn, 0);

    // A control with a text colour of its own gets it set into the DC.
    form.Check->FontColor = RGB(128, 128, 128);
    LRESULT brush = SendMessageA(form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                 reinterpret_cast<LPARAM>(form.Check->Handle()));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(GetTextColor(dc.get()), RGB(128, 128, 128));
    form.Check->Color = RGB(255, 255, 255);
    SendMessageA(form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                 reinterpret_cast<LPARAM>(form.Check->Handle()));
    EXPECT_EQ(GetBkColor(dc.get()), RGB(255, 255, 255));
}

TEST(Form, ForeignWindowInAMessageIsNotTakenForAControl)
{
    // Another thread's window carrying the binding property with a bogus
    // value, named in a WM_COMMAND: the form must not follow the pointer.
    TTestForm form;
    std::atomic<HWND> foreign{nullptr};
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        HWND wnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        SetPropA(wnd, "KlpControl", reinterpret_cast<HANDLE>(0x1234));
        foreign = wnd;
        WaitForSingleObject(done, 10000);
        DestroyWindow(wnd);
    });
    while (!foreign)
        Sleep(1);
    EXPECT_EQ(TWinControl::FromHandle(foreign), nullptr);
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(HWND(foreign)));
    SetEvent(done);
    other.join();
    CloseHandle(done);
}

TEST(ImageList, MaskColourBecomesTransparent)
{
    TImageList images(nullptr);
    HDC screen = GetDC(nullptr);
    BitmapHandle glyph(CreateCompatibleBitmap(screen, 16, 16));
    ReleaseDC(nullptr, screen);
    {
        MemoryDc dc(CreateCompatibleDC(nullptr));
        SelectObjectScope select(dc.get(), glyph.get());
        RECT all{0, 0, 16, 16};
        BrushHandle magenta(CreateSolidBrush(RGB(255, 0, 255)));
        FillRect(dc.get(), &all, magenta.get());
        SetPixel(dc.get(), 5, 5, RGB(255, 255, 0));
    }
    images.AddMasked(glyph.get(), RGB(255, 0, 255));
    ASSERT_EQ(images.Count(), 1);
    // Drawn onto white, the magenta background lets the white through.
    HDC screenDc = GetDC(nullptr);
    BitmapHandle canvas(CreateCompatibleBitmap(screenDc, 16, 16));
    ReleaseDC(nullptr, screenDc);
    MemoryDc dc(CreateCompatibleDC(nullptr));
    SelectObjectScope select(dc.get(), canvas.get());
    RECT all{0, 0, 16, 16};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ASSERT_TRUE(ImageList_Draw(images.Handle(), 0, dc.get(), 0, 0, ILD_NORMAL));
    EXPECT_EQ(GetPixel(dc.get(), 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc.get(), 5, 5), RGB(255, 255, 0));
}

TEST(Form, ToolBarForgetsItsImageListWhenTheListGoes)
{
    TTestForm form;
    auto* images = form.Field<TImageList>("Images");
    ASSERT_EQ(form.Bar->Images(), images);
    delete images;
    EXPECT_EQ(form.Bar->Images(), nullptr);
    EXPECT_EQ(SendMessageA(form.Bar->Handle(), TB_GETIMAGELIST, 0, 0), 0);
}

TEST(Form, ADisabledToolBarGreysItsButtons)
{
    TTestForm form;
    form.Bar->SetEnabled(false);
    EXPECT_FALSE(SendMessageA(form.Bar->Handle(), TB_ISBUTTONENABLED, tidBrowse, 0));
    form.Bar->SetEnabled(true);
    EXPECT_TRUE(SendMessageA(form.Bar->Handle(), TB_ISBUTTONENABLED, tidBrowse, 0));
}

TEST(Form, AProgressBarKeepsItsPositionWithinItsRange)
{
    TTestForm form;
    auto* bar = new TProgressBar(&form);
    bar->SetBounds(0, 0, 100, 16);
    bar->SetPosition(40); // before the window: applied when it is made
    bar->SetParent(&form);
    HWND wnd = bar->Handle();
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(SendMessageA(wnd, PBM_GETRANGE, FALSE, 0), 100);
    const struct {
        int Asked, Kept;
    } cases[] = {{40, 40}, {150, 100}, {-5, 0}, {100, 100}};
    for (const auto& c : cases) {
        bar->SetPosition(c.Asked);
        EXPECT_EQ(bar->Position(), c.Kept) << c.Asked;
        EXPECT_EQ(SendMessageA(wnd, PBM_GETPOS, 0, 0), c.Kept) << c.Asked;
    }
    bar->SetMax(10);
    EXPECT_EQ(SendMessageA(wnd, PBM_GETRANGE, FALSE, 0), 10);
    EXPECT_EQ(SendMessageA(wnd, PBM_GETPOS, 0, 0), 10);
}

TEST(Form, DestroyingAControlRemovesItsWindowAndItsPlaceInTheParent)
{
    TTestForm form;
    HWND edit = form.Edit->Handle();
    size_t before = form.ControlCount();
    delete form.Edit;
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(form.ControlCount(), before - 1);
    EXPECT_EQ(form.FindComponent("Edit"), nullptr);
}

TEST(Form, DestroyingTheFormDestroysEveryWindow)
{
    auto form = std::make_unique<TTestForm>();
    HWND wnd = form->Handle(), combo = form->Combo->Handle();
    form.reset();
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_FALSE(IsWindow(combo));
}

TEST(Form, ProportionalStretchKeepsTheAspect)
{
    RECT wide = ProportionalRect({157, 57}, {0, 0, 196, 100});
    EXPECT_EQ(wide.right, 196);
    EXPECT_EQ(wide.bottom, 71);
    RECT tall = ProportionalRect({100, 50}, {0, 0, 300, 60});
    EXPECT_EQ(tall.right, 120);
    EXPECT_EQ(tall.bottom, 60);
    RECT none = ProportionalRect({0, 0}, {0, 0, 10, 10});
    EXPECT_EQ(none.right, 0);
}

TEST(Form, MissingComponentIsReportedByName)
{
    TTestForm form;
    EXPECT_THROW(form.Field<TEdit>("Nope"), EInvalidOperation);
    // Right name, wrong kind.
    EXPECT_THROW(form.Field<TEdit>("Combo"), EInvalidOperation);
}
