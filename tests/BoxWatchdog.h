#pragma once
// Watches the test program for message boxes nobody answers. A box that a
// test expects is answered by the test within milliseconds; one still open
// after a few seconds was not expected and would hold the program until ctest
// kills it, with no word of what it says. The watchdog names the box (caption
// and text) at once on the error output, answers it (Cancel, else No, else OK)
// so that the program goes on, and fails the test that was running.
#include <windows.h>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TBoxWatchdog {
public:
    // How long a box may stay open before it counts as unexpected.
    static constexpr DWORD DefaultGraceMs = 5000;

    // Starts watching and registers the listener that fails the running test.
    TBoxWatchdog();
    TBoxWatchdog(const TBoxWatchdog&) = delete;
    TBoxWatchdog& operator=(const TBoxWatchdog&) = delete;
    ~TBoxWatchdog() { Finish(); }

    // Stops watching. False when a box was answered that no test reported
    // (one open after the last test ended).
    bool Finish();
    // The descriptions of the boxes answered since the last call, taken out.
    std::vector<std::string> TakeAnswered();
    // The watchdog of this program, or null.
    static TBoxWatchdog* Current() noexcept { return FCurrent; }
    // For the watchdog's own test.
    std::atomic<DWORD> GraceMs{DefaultGraceMs};

private:
    static inline TBoxWatchdog* FCurrent = nullptr;
    void Watch();
    std::atomic<bool> FStop{false};
    std::mutex FLock;
    std::vector<std::string> FAnswered;
    std::thread FThread;
};
