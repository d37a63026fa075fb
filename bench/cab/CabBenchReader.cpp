// The reader side of the benchmark, in a file of its own: the product's
// binding declares the library's names, which must not meet <fdi.h>.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cab/CabChain.h"
#include "cab/CabDestination.h"
#include "cab/CabSTComps.h"
#include "cab/CabTempNames.h"

unsigned long ExtractWithReader(const std::string& cab, const std::string& dest, bool withProgress)
{
    TSTCabReader reader(nullptr);
    unsigned long calls = 0;
    if (withProgress)
        reader.OnProgress = [&](TSTCabReader*, uint64_t, uint64_t) { ++calls; };
    reader.Extract(cab, dest, 0);
    return calls;
}

int RunReader(const std::string& cab, const std::string& dest, bool withProgress)
{
    unsigned long calls = ExtractWithReader(cab, dest, withProgress);
    if (withProgress)
        std::printf("progress calls: %lu\n", calls);
    return 0;
}

// The checks the reader makes before writing, alone: the header walk of the
// whole set and the destination's access, listing and space. Prints the
// median of some runs in milliseconds.
int RunChecks(const std::string& cab, const std::string& dest)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    TCabTempNames names;
    for (int i = 0; i < 7; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        TCabChain chain = ReadCabChain(cab, TCabChainReach::ccrWholeSet);
        PrepareCabDestination(TCabDestinationPlan{dest, &chain.Files, false}, names);
        QueryPerformanceCounter(&end);
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    }
    std::sort(times.begin(), times.end());
    std::printf("checks_ms %.2f\n", times[times.size() / 2]);
    return 0;
}
