#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "dirdlg/NameSort.h"
#include "tests/dirdlg/DirTestSupport.h"
#include "ui/Forms.h"

namespace {
// Names whose order depends on the locale's rules: case, punctuation that the
// default comparison weighs lightly (hyphen, apostrophe), digits, accents,
// brackets of file-list directory lines.
// clang-format off
const std::vector<std::string> kNames = {
    "zeta", "Eta", "eta2", "a-b", "ab", "a_b", "a b", "[..]", "[.]", "[sub]", "10.txt", "9.txt", "\xC9" "clair",
    "eclair", "Ecl", "it's", "its", "~tmp", "#x", "ETA", "Alpha.exe", "alpha.EXE", "b", "B",
};
// clang-format on
} // namespace

TEST(NameSort, OrderIsTheOrderASortedListBoxKeeps)
{
    std::unique_ptr<TForm> form(NewHostForm());
    HWND sorted = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_SORT | LBS_HASSTRINGS, 0, 0, 100, 100,
                                  form->Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(sorted);
    for (const std::string& name : kNames)
        SendMessageA(sorted, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    std::vector<TListItem> items;
    for (const std::string& name : kNames)
        items.push_back({name, 0});
    SortByText(items, false);
    ASSERT_EQ(items.size(), kNames.size());
    for (size_t i = 0; i < items.size(); ++i) {
        char text[64] = {};
        SendMessageA(sorted, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        // Texts that compare equal may stand in either order.
        EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, items[i].Text.c_str(), -1, text, -1), CSTR_EQUAL)
            << i << ": " << items[i].Text << " / " << text;
    }
    DestroyWindow(sorted);
}

TEST(NameSort, UniqueKeepsTheFirstOfEqualTextsAndTheDataGoesWithItsText)
{
    std::vector<TListItem> items = {{"b", 1}, {"A", 2}, {"B", 3}, {"a", 4}, {"c", 5}};
    SortByText(items, true);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].Text, "A");
    EXPECT_EQ(items[0].Data, 2);
    EXPECT_EQ(items[1].Text, "b");
    EXPECT_EQ(items[1].Data, 1);
    EXPECT_EQ(items[2].Data, 5);
    // Keys compare as the texts do, also past the length of a short buffer.
    std::string longName(400, 'x');
    EXPECT_LT(TextSortKey(longName), TextSortKey(longName + "y"));
    EXPECT_EQ(TextSortKey("ABC"), TextSortKey("abc"));
    EXPECT_EQ(TextSortKey(""), TextSortKey(""));
}
