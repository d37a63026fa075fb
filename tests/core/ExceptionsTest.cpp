#include <gtest/gtest.h>

#include "core/Exceptions.h"

TEST(Exceptions, OSErrorMessage)
{
    EOSError e(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(e.ErrorCode, 2u);
    EXPECT_EQ(e.Message(), "System Error.  Code: 2.\r\n" + SysErrorMessage(2));
    EXPECT_FALSE(SysErrorMessage(2).empty());
    EXPECT_EQ(EOSError(0).Message(), "A call to an OS function failed");
    // The code is shown as a signed number.
    EXPECT_EQ(EOSError(0x80004005).Message().rfind("System Error.  Code: -2147467259.\r\n", 0), 0u);
    EXPECT_EQ(EOSError(0xFFFFFFFF).Message().rfind("System Error.  Code: -1.\r\n", 0), 0u);
}

TEST(Exceptions, LastErrorIsTakenAtRaise)
{
    SetLastError(ERROR_PROC_NOT_FOUND);
    try {
        RaiseLastOSError();
        FAIL();
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode, static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    }
}

TEST(Exceptions, SystemTextIsTrimmed)
{
    std::string text = SysErrorMessage(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_GT(static_cast<unsigned char>(text.back()), ' ');
    EXPECT_EQ(SysErrorMessage(0x2FFFFFFF), "");
}

TEST(Exceptions, OleAndInOutMessages)
{
    EXPECT_EQ(EOleSysError(static_cast<HRESULT>(0xA0001234)).Message(), "OLE error A0001234");
    EXPECT_EQ(EOleSysError(static_cast<HRESULT>(0x0000BEEF)).Message(), "OLE error 0000BEEF");
    std::string text = SysErrorMessage(static_cast<DWORD>(E_NOINTERFACE));
    EXPECT_EQ(EOleSysError(E_NOINTERFACE).Message(), text.empty() ? "OLE error 80004002" : text);
    EXPECT_EQ(EInOutError(0x2FFFFFF).Message(), "I/O error 50331647");
    EXPECT_EQ(EInOutError(ERROR_PATH_NOT_FOUND).Message(), SysErrorMessage(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(EOutOfMemory().Message(), "Out of memory");
    EXPECT_THROW(OleCheck(E_FAIL), EOleSysError);
    EXPECT_NO_THROW(OleCheck(S_FALSE));
}
