#pragma once
// Where a cabinet stands in its set, read from the headers: the reader uses it
// to refuse a walk that would start in the middle of a set and to name the
// cabinet to start with instead.
#include <string>

// True when aCabFile's header names a previous member of its set.
bool StartsLaterInSet(const std::string& aCabFile);

// The bare name of the first cabinet of aCabFile's set, found by following
// the previous-cabinet names in aCabFile's folder. The walk ends at a cabinet
// that names no previous one, at a missing or unreadable member (whose name
// is the answer: it is the one to look for), at a member of another set, at
// an unsafe name and where the names form a ring.
std::string FirstCabinetOfSet(const std::string& aCabFile);
