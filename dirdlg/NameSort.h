#pragma once
// Orders list lines the way the system's locale compares texts without
// regard to case (CompareString with NORM_IGNORECASE, the order a sorted list
// box keeps), computing each text's sort key once instead of comparing texts
// pair by pair: a large directory sorts in a fraction of the time.
#include <functional>
#include <string>
#include <vector>

#include "ui/StdCtrls.h"

// Sorts anItems by their text; equal texts keep their order, or with aUnique
// only the first of them is kept.
void SortByText(std::vector<TListItem>& anItems, bool aUnique);

// The sort key of a text in the ANSI code page: two texts compare as their
// keys compare as bytes.
std::string TextSortKey(const std::string& aText);

// Hands one message to a list box and returns its result.
using TListSend = std::function<LRESULT(UINT aMsg, WPARAM wParam, LPARAM lParam)>;

// Appends lines to a list box in the order given, also to one that the
// control keeps sorted (the lines must be in its order already): one message
// for the text and one for the data of each, storage reserved once. A
// control of ours passes its default handler, which spares each message the
// way through our window procedure. Raises EOutOfMemory when the list refuses
// a line.
void AppendLines(const TListSend& aSend, const std::vector<TListItem>& anItems);
