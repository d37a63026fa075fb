// Start-up time and peak memory of GUI programs, measured from outside.
//   StartupBench <rounds> <program> <caption> [<program> <caption> ...]
// Each round starts every program once, in turn (so that a slow moment of
// the machine hits all of them alike): the time runs from the call that
// creates the process until a visible window with the caption exists; then
// the process's peak working set and peak private memory are read and the
// window is closed. Prints one line per run and the medians, with each
// program's start-up as a multiple of the last program's.
#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Program {
    std::string Path, Caption, Label;
    std::vector<double> Millis, PeakWorkingSetKiB, PeakPrivateKiB;
};

struct Search {
    DWORD ProcessId;
    const std::string* Caption;
    HWND Found;
};

BOOL CALLBACK Match(HWND window, LPARAM param) noexcept
{
    auto* s = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != s->ProcessId || !IsWindowVisible(window))
        return TRUE;
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    if (*s->Caption == text) {
        s->Found = window;
        return FALSE;
    }
    return TRUE;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool RunOnce(Program& p)
{
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    std::string folder = p.Path.substr(0, p.Path.find_last_of("\\/:") + 1);
    std::string commandLine = "\"" + p.Path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(p.Path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        std::fprintf(stderr, "cannot start %s\n", p.Path.c_str());
        return false;
    }
    Search search{info.dwProcessId, &p.Caption, nullptr};
    for (;;) {
        EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        QueryPerformanceCounter(&now);
        double ms = 1000.0 * (now.QuadPart - start.QuadPart) / frequency.QuadPart;
        if (search.Found) {
            p.Millis.push_back(ms);
            break;
        }
        if (ms > 30000 || WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0) {
            std::fprintf(stderr, "no window \"%s\" from %s\n", p.Caption.c_str(), p.Path.c_str());
            TerminateProcess(info.hProcess, 1);
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
            return false;
        }
        Sleep(1);
    }
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(info.hProcess, &counters, sizeof counters)) {
        p.PeakWorkingSetKiB.push_back(counters.PeakWorkingSetSize / 1024.0);
        p.PeakPrivateKiB.push_back(counters.PeakPagefileUsage / 1024.0);
    }
    PostMessageA(search.Found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: StartupBench <rounds> <program> <caption> [<program> <caption> ...]\n");
        return 2;
    }
    int rounds = std::max(1, std::atoi(argv[1]));
    std::vector<Program> programs;
    for (int i = 2; i + 1 < argc; i += 2)
        programs.push_back({argv[i], argv[i + 1], argv[i + 1], {}, {}, {}});
    // Two builds of one program (before and after) are told apart by folder.
    for (Program& p : programs)
        for (const Program& other : programs)
            if (&other != &p && other.Caption == p.Caption) {
                std::string folder = p.Path.substr(0, p.Path.find_last_of("\\/"));
                p.Label = p.Caption + " (" + folder.substr(folder.find_last_of("\\/") + 1) + ")";
            }
    for (int round = 0; round < rounds; ++round)
        for (Program& p : programs) {
            if (!RunOnce(p))
                return 1;
            std::printf("round %2d  %-50s %8.1f ms\n", round + 1, p.Label.c_str(), p.Millis.back());
        }
    // The ratio to the last program is taken within each round, where both
    // met the same moment of the machine, and the median of those is shown.
    std::printf("\n%-50s %12s %10s %16s %16s\n", "program (median)", "start-up ms", "ratio", "peak WS KiB",
                "peak private KiB");
    const Program& yardstick = programs.back();
    for (const Program& p : programs) {
        std::vector<double> ratios;
        for (size_t i = 0; i < p.Millis.size() && i < yardstick.Millis.size(); ++i)
            ratios.push_back(p.Millis[i] / yardstick.Millis[i]);
        std::printf("%-50s %12.1f %10.2f %16.0f %16.0f\n", p.Label.c_str(), Median(p.Millis), Median(ratios),
                    Median(p.PeakWorkingSetKiB), Median(p.PeakPrivateKiB));
    }
    return 0;
}
