#pragma once
// The exception of the cabinet reader and the texts of the library's error
// codes. The texts are resource strings of the program, loaded each time a
// message is composed so that a translated string table takes effect.
#include <cstdint>
#include <string>

#include "cab/CabIntf.h"
#include "core/Exceptions.h"
#include "core/Resources.h"

// The text of a decompression error code ("FDI error" for an unknown one).
std::string FDIErrorText(int32_t aCode);
// The text of a compression error code ("FCI error" for an unknown one).
std::string FCIErrorText(int32_t aCode);

class ESTCabinet : public Exception {
public:
    // Composes the message from the library's error record: the table text and
    // the code in hexadecimal, then the system's text for erfType when set.
    ESTCabinet(const ERF& anERF, bool aFCI);
    // A failure the reader itself detects, with a message of its own.
    ESTCabinet(std::string aMessage, int32_t anErrorCode, int32_t anErrorType);

    int32_t ErrorCode;
    int32_t ErrorType;
    bool ErrorFlag;
    bool IsFCI;
};

// Raises ESTCabinet as the library reports aCode, with the system's error
// (0 for none).
[[noreturn]] void RaiseCabError(TFDIERROR aCode, int32_t aSystemError);
