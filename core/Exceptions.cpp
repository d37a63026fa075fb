#include "core/Exceptions.h"

#include "core/Strings.h"

std::string SysErrorMessage(DWORD errorCode)
{
    char buffer[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, errorCode, 0, buffer,
                             sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

EOSError::EOSError(DWORD errorCode)
    : Exception(errorCode == 0 ? std::string("A call to an OS function failed")
                               : Format("System Error.  Code: %d.\r\n%s", static_cast<int>(errorCode),
                                        SysErrorMessage(errorCode).c_str())),
      ErrorCode(errorCode)
{
}

void RaiseLastOSError()
{
    throw EOSError(GetLastError());
}

static std::string InOutErrorText(int errorCode)
{
    std::string text = errorCode > 0 ? SysErrorMessage(static_cast<DWORD>(errorCode)) : std::string();
    return text.empty() ? Format("I/O error %d", errorCode) : text;
}

EInOutError::EInOutError(int errorCode) : Exception(InOutErrorText(errorCode)), ErrorCode(errorCode)
{
}

static std::string OleErrorText(HRESULT errorCode)
{
    std::string text = SysErrorMessage(static_cast<DWORD>(errorCode));
    return text.empty() ? Format("OLE error %.8lX", static_cast<unsigned long>(errorCode)) : text;
}

EOleSysError::EOleSysError(HRESULT errorCode) : Exception(OleErrorText(errorCode)), ErrorCode(errorCode)
{
}
