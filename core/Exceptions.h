#pragma once
// The runtime's exception classes. Every failure in the program is one of
// these; each carries the message text that the application shows.
#include <windows.h>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const noexcept { return FMessage; }
    int HelpContext() const noexcept { return FHelpContext; }
    const char* what() const noexcept override { return FMessage.c_str(); }

protected:
    std::string FMessage;
    int FHelpContext = 0;
};

// A failed operating-system call. Takes the code in the constructor so that no
// later call can change what GetLastError reports. The message shows the code
// as a signed number: 0x80004005 reads -2147467259.
class EOSError : public Exception {
public:
    explicit EOSError(DWORD errorCode);
    DWORD ErrorCode;
};

// A failed file-system call: "I/O error %d" unless the system has a text for it.
class EInOutError : public Exception {
public:
    explicit EInOutError(int errorCode);
    // A text of our own for the failure, with the system's code kept.
    EInOutError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception("Out of memory") {}
};

// An operation that a control refuses.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// A failed component-object call, with the system's text for its result code.
class EOleSysError : public Exception {
public:
    explicit EOleSysError(HRESULT errorCode);
    HRESULT ErrorCode;
};

// The system's message for an error code (neutral language, inserts ignored,
// at most 256 characters) without trailing blanks, control characters and
// full stops; empty when the system has none.
std::string SysErrorMessage(DWORD errorCode);

// Raises EOSError with the calling thread's last error code.
[[noreturn]] void RaiseLastOSError();
// Raises EOSError with the last error code when ok is false.
inline void Win32Check(BOOL ok)
{
    if (!ok)
        RaiseLastOSError();
}
// Raises EOleSysError for a failure code (top bit set); success codes pass.
inline void OleCheck(HRESULT hr)
{
    if (FAILED(hr))
        throw EOleSysError(hr);
}
