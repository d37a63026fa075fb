#include "cab/CabErrors.h"

#include <windows.h>

#include "core/Strings.h"
#include "res/CabMessages.h"

std::string FDIErrorText(int32_t aCode)
{
    uint32_t code = static_cast<uint32_t>(aCode);
    return LoadResString(code <= FDIERROR_USER_ABORT ? IDS_FDIERROR_FIRST + code : IDS_FDIERROR_OTHER);
}

std::string FCIErrorText(int32_t aCode)
{
    uint32_t code = static_cast<uint32_t>(aCode);
    return LoadResString(code <= 8 ? IDS_FCIERROR_FIRST + code : IDS_FCIERROR_OTHER);
}

static std::string ComposeMessage(const ERF& anERF, bool aFCI)
{
    if (!anERF.fError)
        return LoadResString(aFCI ? IDS_FCIERROR_OTHER : IDS_FDIERROR_OTHER);
    std::string text = (aFCI ? FCIErrorText(anERF.erfOper) : FDIErrorText(anERF.erfOper)) + " [0x" +
                       IntToHex(static_cast<uint32_t>(anERF.erfOper), 4) + "]";
    if (anERF.erfType != 0)
        text += ".\r\n" + SysErrorMessage(static_cast<DWORD>(anERF.erfType)) + " [0x" +
                IntToHex(static_cast<uint32_t>(anERF.erfType), 4) + "].";
    return text;
}

ESTCabinet::ESTCabinet(const ERF& anERF, bool aFCI)
    : Exception(ComposeMessage(anERF, aFCI)), ErrorCode(anERF.erfOper), ErrorType(anERF.erfType),
      ErrorFlag(anERF.fError != 0), IsFCI(aFCI)
{
}

ESTCabinet::ESTCabinet(std::string aMessage, int32_t anErrorCode, int32_t anErrorType)
    : Exception(std::move(aMessage)), ErrorCode(anErrorCode), ErrorType(anErrorType), ErrorFlag(true), IsFCI(false)
{
}

void RaiseCabError(TFDIERROR aCode, int32_t aSystemError)
{
    ERF erf{aCode, aSystemError, TRUE};
    throw ESTCabinet(erf, false);
}
