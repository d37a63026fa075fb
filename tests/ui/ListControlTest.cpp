// List and combo boxes through their common base: items with their data,
// item height, drawing colours, batch updates and the key hook.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/Exceptions.h"
#include "tests/ui/TestForm.h"

namespace {

// One kind of list, created on a test form.
struct ListKind {
    const char* Name;
    bool Combo;
    bool Sorted;
};

const ListKind kKinds[] = {
    {"list box", false, false},
    {"combo box", true, false},
    {"sorted list box", false, true},
    {"sorted combo box", true, true},
};

TCustomListControl* MakeList(TForm& aForm, const ListKind& aKind)
{
    TCustomListControl* list = nullptr;
    if (aKind.Combo)
        list = new TComboBox(&aForm);
    else
        list = new TListBox(&aForm);
    list->OwnerDraw = true;
    list->Sorted = aKind.Sorted;
    list->SetBounds(8, 8, 120, 80);
    list->SetParent(&aForm);
    return list;
}

std::vector<std::string> Texts(const TCustomListControl& aList)
{
    std::vector<std::string> texts;
    for (int i = 0; i < aList.Count(); ++i)
        texts.push_back(aList.Item(i));
    return texts;
}

} // namespace

TEST(ListControl, ItemsKeepTheirDataWhereverTheyLand)
{
    int object = 0;
    // Pointer-sized data: on a 64-bit build an address does not fit 32 bits.
    const auto pointer = reinterpret_cast<TItemData>(&object);
    for (const ListKind& kind : kKinds) {
        SCOPED_TRACE(kind.Name);
        TTestForm form;
        TCustomListControl* list = MakeList(form, kind);
        list->AddItem("beta", 2);
        list->AddItem("alpha", pointer);
        list->InsertItem(0, "gamma", -1); // -1 is data like any other
        list->InsertItem(-1, "delta");
        EXPECT_EQ(list->InsertItem(4, "epsilon", 5), 4); // exactly at the end
        // A sorted control sorts added items, but inserts where it is told.
        std::vector<std::string> expected =
            kind.Sorted ? std::vector<std::string>{"gamma", "alpha", "beta", "delta", "epsilon"}
                        : std::vector<std::string>{"gamma", "beta", "alpha", "delta", "epsilon"};
        EXPECT_EQ(Texts(*list), expected);
        EXPECT_EQ(list->ItemData(list->IndexOf("ALPHA")), pointer);
        EXPECT_EQ(list->ItemData(list->IndexOf("beta")), 2);
        EXPECT_EQ(list->ItemData(0), -1);
        EXPECT_EQ(list->ItemData(3), 0);
        EXPECT_EQ(list->ItemData(4), 5);
        EXPECT_EQ(list->IndexOf("alp"), -1);

        list->SetItemData(3, 7);
        list->DeleteItem(0);
        EXPECT_EQ(list->Count(), 4);
        EXPECT_EQ(list->ItemData(2), 7);

        // Indexes outside the list are refused, not passed on.
        EXPECT_THROW(list->Item(4), EInvalidOperation);
        EXPECT_THROW(list->ItemData(-1), EInvalidOperation);
        EXPECT_THROW(list->SetItemData(4, 1), EInvalidOperation);
        EXPECT_THROW(list->DeleteItem(4), EInvalidOperation);
        EXPECT_THROW(list->InsertItem(5, "far"), EInvalidOperation);

        list->SetItemIndex(1);
        EXPECT_EQ(list->ItemIndex(), 1);
        list->SetItemIndex(-1);
        EXPECT_EQ(list->ItemIndex(), -1);
        list->Clear();
        EXPECT_EQ(list->Count(), 0);
    }
}

TEST(ListControl, ItemDataKeepsEveryBitWhicheverWayItArrives)
{
    // Explicit values: addresses under Wine lie below 4 GiB and prove nothing
    // about the upper half. A 32-bit build keeps the low halves.
    const TItemData values[] = {1,
                                -1,
                                0x7FFFFFFF,
                                static_cast<TItemData>(0x1'0000'0000ull),
                                static_cast<TItemData>(0x1234'5678'9ABC'DEF0ull),
                                static_cast<TItemData>(0xFFFF'FFFF'0000'0001ull)};
    using TAdd = void (*)(TCustomListControl&, const std::string&, TItemData);
    const std::pair<const char*, TAdd> ways[] = {
        {"added", [](TCustomListControl& l, const std::string& t, TItemData d) { l.AddItem(t, d); }},
        {"inserted", [](TCustomListControl& l, const std::string& t, TItemData d) { l.InsertItem(0, t, d); }},
        {"at the end", [](TCustomListControl& l, const std::string& t, TItemData d) { l.InsertItem(l.Count(), t, d); }},
        {"in a batch",
         [](TCustomListControl& l, const std::string& t, TItemData d) {
             l.AddItems({{t, d}});
         }},
        {"appended in a batch",
         [](TCustomListControl& l, const std::string& t, TItemData d) {
             l.AppendItems({{t, d}});
         }},
        {"set", [](TCustomListControl& l, const std::string& t, TItemData d) { l.SetItemData(l.AddItem(t), d); }},
    };
    for (const ListKind& kind : kKinds) {
        SCOPED_TRACE(kind.Name);
        TTestForm form;
        TCustomListControl* list = MakeList(form, kind);
        for (const auto& [way, add] : ways)
            for (size_t i = 0; i < std::size(values); ++i)
                add(*list, way + std::to_string(i), values[i]);
        for (const auto& [way, add] : ways)
            for (size_t i = 0; i < std::size(values); ++i)
                EXPECT_EQ(list->ItemData(list->IndexOf(way + std::to_string(i))), values[i]) << way << " " << i;
    }
}

TEST(ListControl, ManyItemsArriveInOneBatchWithTheirData)
{
    for (const ListKind& kind : kKinds) {
        SCOPED_TRACE(kind.Name);
        TTestForm form;
        TCustomListControl* list = MakeList(form, kind);
        std::vector<TListItem> items;
        for (int i = 999; i >= 0; --i)
            items.push_back({"item " + std::to_string(1000 + i), i});
        list->AddItems(items);
        ASSERT_EQ(list->Count(), 1000);
        EXPECT_FALSE(list->Updating());
        int first = kind.Sorted ? 0 : 999;
        EXPECT_EQ(list->Item(0), "item " + std::to_string(1000 + first));
        EXPECT_EQ(list->ItemData(0), first);
        EXPECT_EQ(list->ItemData(999), 999 - first);
        // Appended, they keep the order given, also in a sorted list.
        list->Clear();
        list->AppendItems(items);
        ASSERT_EQ(list->Count(), 1000);
        EXPECT_EQ(list->Item(0), "item 1999");
        EXPECT_EQ(list->ItemData(999), 0);
        EXPECT_FALSE(list->Updating());
    }
}

TEST(ListControl, UpdatesNestAndOnlyTheOutermostEndsThem)
{
    TTestForm form;
    form.List->BeginUpdate();
    {
        TListUpdate inner(*form.List);
        form.List->AddItem("one");
    }
    EXPECT_TRUE(form.List->Updating());
    form.List->EndUpdate();
    EXPECT_FALSE(form.List->Updating());
    form.List->EndUpdate(); // one too many does no harm
    EXPECT_FALSE(form.List->Updating());
    EXPECT_EQ(form.List->Count(), 1);
}

TEST(ListControl, TheOutermostEndUpdateDrawsTheListAgain)
{
    // Nothing the control could notice changes meanwhile (as when a refill
    // ends with the items it began with): the window is asked to paint at
    // each step, and only the last EndUpdate may lead to drawn items.
    for (const ListKind& kind : {kKinds[0], kKinds[1]}) {
        SCOPED_TRACE(kind.Name);
        TTestForm form;
        TCustomListControl* list = MakeList(form, kind);
        form.Show();
        list->AddItem("one");
        list->SetItemIndex(0); // a combo box draws the selected item in its field
        Pump();
        int drawn = 0;
        list->OnDrawItem = [&](TWinControl*, int, const RECT&, HDC, TOwnerDrawState) { ++drawn; };
        auto paint = [&](bool anInvalidate) {
            if (anInvalidate)
                InvalidateRect(list->Handle(), nullptr, TRUE);
            UpdateWindow(list->Handle());
            return std::exchange(drawn, 0);
        };
        list->BeginUpdate();
        list->BeginUpdate();
        EXPECT_EQ(paint(true), 0);
        list->EndUpdate();
        EXPECT_EQ(paint(true), 0);
        list->EndUpdate();
        EXPECT_GT(paint(false), 0);
    }
}

TEST(ListControl, ItemHeightCanChangeAfterCreation)
{
    struct Row {
        const ListKind& Kind;
        UINT GetHeight;
    };
    const Row rows[] = {{kKinds[0], LB_GETITEMHEIGHT}, {kKinds[1], CB_GETITEMHEIGHT}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Kind.Name);
        TTestForm form;
        TCustomListControl* list = MakeList(form, row.Kind);
        for (int height : {17, 24, 13}) {
            list->SetItemHeight(height);
            EXPECT_EQ(SendMessageA(list->Handle(), row.GetHeight, 0, 0), height);
            EXPECT_EQ(list->ItemHeight, height);
        }
    }
}

TEST(ListControl, TextColourFollowsStateAndFontColour)
{
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    const COLORREF red = RGB(200, 0, 0);
    struct Row {
        bool Selected, Disabled;
        COLORREF FontColor, Expected;
    };
    const Row rows[] = {
        {false, false, clDefault, GetSysColor(COLOR_WINDOWTEXT)},
        {false, false, red, red},
        {true, false, red, GetSysColor(COLOR_HIGHLIGHTTEXT)},
        {false, true, red, grey},
        {true, true, clDefault, grey},
    };
    for (const Row& row : rows) {
        TOwnerDrawState state;
        state.Selected = row.Selected;
        state.Disabled = row.Disabled;
        EXPECT_EQ(ListItemTextColor(state, row.FontColor), row.Expected)
            << "selected " << row.Selected << ", disabled " << row.Disabled;
    }
}

TEST(ListControl, OwnerDrawnItemsAreDrawnInTheFontColour)
{
    // Through the parent's reflection into a bitmap: the text's pixels carry
    // the list's font colour, greyed items the grey-text colour.
    struct Row {
        UINT ItemState;
        COLORREF FontColor, TextColor;
    };
    const Row rows[] = {
        {0, RGB(200, 0, 0), RGB(200, 0, 0)},
        {ODS_GRAYED, RGB(200, 0, 0), GetSysColor(COLOR_GRAYTEXT)},
        {ODS_DISABLED, clDefault, GetSysColor(COLOR_GRAYTEXT)},
    };
    for (const Row& row : rows) {
        TTestForm form;
        form.List->AddItem("WWWWWW");
        form.List->FontColor = row.FontColor;
        HDC screen = GetDC(nullptr);
        BitmapHandle canvas(CreateCompatibleBitmap(screen, 100, 17));
        ReleaseDC(nullptr, screen);
        MemoryDc dc(CreateCompatibleDC(nullptr));
        SelectObjectScope select(dc.get(), canvas.get());
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_LISTBOX;
        item.CtlID = tidList;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = row.ItemState;
        item.hwndItem = form.List->Handle();
        item.hDC = dc.get();
        item.rcItem = {0, 0, 100, 17};
        SendMessageA(form.Handle(), WM_DRAWITEM, tidList, reinterpret_cast<LPARAM>(&item));
        // Smoothed text has pixels between the two colours; none may have the
        // plain window-text colour these rows replace.
        int text = 0, plain = 0;
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 100; ++x) {
                COLORREF pixel = GetPixel(dc.get(), x, y);
                text += pixel == row.TextColor;
                plain += pixel == GetSysColor(COLOR_WINDOWTEXT);
            }
        EXPECT_GT(text, 0) << "item state " << row.ItemState;
        EXPECT_EQ(plain, 0) << "item state " << row.ItemState;
    }
}

TEST(ListControl, EnterGoesToAListThatWantsItElseToTheDefaultButton)
{
    struct Row {
        bool WantReturns;
        bool ListSeesEnter;
        bool OkPressed;
    };
    const Row rows[] = {{true, true, false}, {false, false, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.WantReturns ? "list wants Enter" : "list leaves Enter");
        TTestForm form;
        form.Show();
        Pump();
        form.List->AddItem("one");
        form.List->WantReturns = row.WantReturns;
        bool seen = false, pressed = false;
        form.List->OnKeyDown = [&](TComponent*, WORD& aKey) { seen = seen || aKey == VK_RETURN; };
        form.OK->OnClick = [&](TComponent*) { pressed = true; };
        form.List->SetFocus();
        // The default frame shows which button Enter would press.
        bool framed = (GetWindowLongA(form.OK->Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        EXPECT_EQ(framed, !row.WantReturns);
        PressKey(VK_RETURN);
        EXPECT_EQ(seen, row.ListSeesEnter);
        EXPECT_EQ(pressed, row.OkPressed);
    }
}

TEST(ListControl, KeyHookRunsBeforeTheListAndCanSwallowTheKey)
{
    for (bool swallow : {false, true}) {
        SCOPED_TRACE(swallow ? "swallowed" : "passed on");
        TTestForm form;
        form.Show();
        Pump();
        form.List->AddItem("one");
        form.List->AddItem("two");
        form.List->SetItemIndex(0);
        int selectionSeen = -2;
        form.List->OnKeyDown = [&](TComponent*, WORD& aKey) {
            if (aKey != VK_DOWN)
                return;
            selectionSeen = form.List->ItemIndex();
            if (swallow)
                aKey = 0;
        };
        form.List->SetFocus();
        PressKey(VK_DOWN);
        EXPECT_EQ(selectionSeen, 0);
        EXPECT_EQ(form.List->ItemIndex(), swallow ? 0 : 1);
    }
}
