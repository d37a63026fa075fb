#pragma once
// Orders list lines the way the system's locale compares texts without
// regard to case (CompareString with NORM_IGNORECASE, the order a sorted list
// box keeps), computing each text's sort key once instead of comparing texts
// pair by pair: a large directory sorts in a fraction of the time.
#include <string>
#include <vector>

#include "ui/StdCtrls.h"

// Sorts anItems by their text; equal texts keep their order, or with aUnique
// only the first of them is kept.
void SortByText(std::vector<TListItem>& anItems, bool aUnique);

// The sort key of a text in the ANSI code page: two texts compare as their
// keys compare as bytes.
std::string TextSortKey(const std::string& aText);
