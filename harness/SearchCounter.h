#pragma once
// Counts the searches of one directory through the directory chooser's seam
// (DirSystem), for the tests and benchmarks that check how often a list
// looks at a folder: counts are the same on every run, unlike times.
#include <string>

// While it lives, every FindFirstFileA through the seam whose pattern lies in
// aDir (relative patterns are taken against the current directory) is
// counted; the seam's previous entry is put back when it goes. One at a time.
class TSearchCounter {
public:
    explicit TSearchCounter(const std::string& aDir);
    TSearchCounter(const TSearchCounter&) = delete;
    TSearchCounter& operator=(const TSearchCounter&) = delete;
    ~TSearchCounter();
    int Count() const noexcept;
    void Reset() noexcept;
};
