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
    // From the unpacking thread, at aNowMs on a millisecond clock: aDone of
    // aTotal bytes are written. True when the window needs telling: its whole
    // percentage is not the one last told and the last telling lies
    // MinReportIntervalMs back (or none was made yet). The window's updates
    // cost milliseconds each; a handful a second show the progress as well.
    bool Report(uint64_t aDone, uint64_t aTotal, uint64_t aNowMs) noexcept;
    static constexpr uint64_t MinReportIntervalMs = 200;
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
    // Used by the unpacking thread alone (and Reset before it starts).
    int FTold = -1;
    uint64_t FToldAt = 0;
};

// The whole percentage aDone is of aTotal, at most 100; -1 for no total.
int ProgressPercent(uint64_t aDone, uint64_t aTotal) noexcept;

// aCaption with the percentage in front ("42% - Kelpa editor installer"), or
// aCaption alone for a percentage of -1.
std::string ProgressCaption(int aPercent, const std::string& aCaption);
