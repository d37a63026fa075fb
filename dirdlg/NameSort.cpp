#include "dirdlg/NameSort.h"

#include <algorithm>

std::string TextSortKey(const std::string& aText)
{
    wchar_t wide[MAX_PATH * 2];
    int length = MultiByteToWideChar(CP_ACP, 0, aText.data(), static_cast<int>(aText.size()), wide, MAX_PATH * 2);
    std::wstring longer;
    const wchar_t* text = wide;
    if (length == 0 && !aText.empty()) {
        length = MultiByteToWideChar(CP_ACP, 0, aText.data(), static_cast<int>(aText.size()), nullptr, 0);
        longer.resize(static_cast<size_t>(length));
        MultiByteToWideChar(CP_ACP, 0, aText.data(), static_cast<int>(aText.size()), longer.data(), length);
        text = longer.data();
    }
    // A key is a few bytes per character; ask for the size only when a
    // generous guess was not enough.
    std::string key(static_cast<size_t>(length) * 8 + 16, '\0');
    int bytes = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text, length,
                             reinterpret_cast<LPWSTR>(key.data()), static_cast<int>(key.size()));
    if (bytes == 0) {
        bytes = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text, length, nullptr, 0);
        key.assign(static_cast<size_t>(std::max(bytes, 0)), '\0');
        bytes = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text, length,
                             reinterpret_cast<LPWSTR>(key.data()), static_cast<int>(key.size()));
    }
    key.resize(static_cast<size_t>(std::max(bytes, 0)));
    return key;
}

void SortByText(std::vector<TListItem>& anItems, bool aUnique)
{
    struct TKeyed {
        std::string Key;
        size_t Index;
    };
    std::vector<TKeyed> keyed;
    keyed.reserve(anItems.size());
    for (size_t i = 0; i < anItems.size(); ++i)
        keyed.push_back({TextSortKey(anItems[i].Text), i});
    std::sort(keyed.begin(), keyed.end(), [](const TKeyed& a, const TKeyed& b) {
        int order = a.Key.compare(b.Key);
        return order != 0 ? order < 0 : a.Index < b.Index;
    });
    std::vector<TListItem> sorted;
    sorted.reserve(anItems.size());
    for (size_t i = 0; i < keyed.size(); ++i) {
        if (aUnique && i > 0 && keyed[i].Key == keyed[i - 1].Key)
            continue;
        sorted.push_back(std::move(anItems[keyed[i].Index]));
    }
    anItems = std::move(sorted);
}
