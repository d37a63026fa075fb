#pragma once
// The state an installation run shares between the thread that unpacks the
// archive and the window's thread: how far it has come, and whether the user
// asked it to stop.
#include <atomic>
#include <cstdint>
#include <string>

// The text of the error a cancelled run ends with.
constexpr char InstallationCancelledMessage[] = "The installation was cancelled.";

class TInstallProgress {
public:
    // Before a run: no progress known, no cancel asked.
    void Reset() noexcept;
    // From the unpacking thread: aDone of aTotal bytes are written. True when
    // the whole percentage changed, which is when the window needs telling.
    bool Report(uint64_t aDone, uint64_t aTotal) noexcept;
    // 0 to 100, or -1 while no total is known.
    int Percent() const noexcept { return FPercent.load(std::memory_order_relaxed); }

    void RequestCancel() noexcept { FCancel.store(true); }
    bool CancelRequested() const noexcept { return FCancel.load(); }
    // Raises the cancel error when a cancel was asked for; the unpacking
    // thread calls it at each report.
    void CheckCancel() const;

private:
    std::atomic<int> FPercent{-1};
    std::atomic<bool> FCancel{false};
};

// The whole percentage aDone is of aTotal, at most 100; -1 for no total.
int ProgressPercent(uint64_t aDone, uint64_t aTotal) noexcept;

// aCaption with the percentage in front ("42% - Kelpa editor installer"), or
// aCaption alone for a percentage of -1.
std::string ProgressCaption(int aPercent, const std::string& aCaption);
