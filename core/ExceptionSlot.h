#pragma once
// Carries a C++ exception across frames of system DLLs, which i686 MinGW
// cannot unwind: the callback captures it and returns the API's failure
// value, and our own frame raises it again once the API call has returned.
#include <exception>
#include <utility>

class ExceptionSlot {
public:
    // Stores the exception being handled; the first one stored wins.
    void Capture() noexcept
    {
        if (!FPending)
            FPending = std::current_exception();
    }
    bool Pending() const noexcept { return static_cast<bool>(FPending); }
    void Clear() noexcept { FPending = nullptr; }
    // Raises the stored exception, if any, and empties the slot.
    void Rethrow()
    {
        if (FPending)
            std::rethrow_exception(std::exchange(FPending, nullptr));
    }
    // Runs f; on an exception stores it and returns failValue instead.
    template <typename F, typename R>
    R Guard(F&& f, R failValue) noexcept
    {
        try {
            return std::forward<F>(f)();
        } catch (...) {
            Capture();
            return failValue;
        }
    }

private:
    std::exception_ptr FPending;
};
