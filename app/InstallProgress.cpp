#include "app/InstallProgress.h"

#include <algorithm>

#include "core/Exceptions.h"

void TInstallProgress::Reset() noexcept
{
    FPercent.store(-1);
    FCancel.store(false);
    FTold = -1;
    FToldAt = 0;
}

bool TInstallProgress::Report(uint64_t aDone, uint64_t aTotal, uint64_t aNowMs) noexcept
{
    int percent = ProgressPercent(aDone, aTotal);
    FPercent.store(percent, std::memory_order_relaxed);
    if (percent == FTold || (FTold >= 0 && aNowMs - FToldAt < MinReportIntervalMs))
        return false;
    FTold = percent;
    FToldAt = aNowMs;
    return true;
}

void TInstallProgress::CheckCancel() const
{
    if (CancelRequested())
        throw Exception(InstallationCancelledMessage);
}

int ProgressPercent(uint64_t aDone, uint64_t aTotal) noexcept
{
    if (aTotal == 0)
        return -1;
    if (aDone >= aTotal)
        return 100;
    // Both scaled down until a hundred times the total fits: a whole
    // percentage needs no more precision.
    while (aTotal > UINT64_MAX / 100) {
        aDone >>= 1;
        aTotal >>= 1;
    }
    return static_cast<int>(std::min<uint64_t>(aDone * 100 / aTotal, 99));
}

std::string ProgressCaption(int aPercent, const std::string& aCaption)
{
    if (aPercent < 0)
        return aCaption;
    return std::to_string(aPercent) + "% - " + aCaption;
}
