// Composition of the cabinet reader's messages from the library's error record.
#include <gtest/gtest.h>

#include "cab/CabErrors.h"

namespace {
std::string MessageOf(int32_t oper, int32_t type, bool flag, bool fci = false)
{
    return ESTCabinet(ERF{oper, type, flag}, fci).Message();
}
} // namespace

TEST(CabErrors, TextsOfBothTables)
{
    const char* fdi[] = {"No error",
                         "Cabinet not found",
                         "Cabinet file does not have the correct format",
                         "Cabinet file has an unknown version number",
                         "Cabinet file is corrupt",
                         "Could not allocate enough memory",
                         "Unknown compression type in a cabinet folder",
                         "Failure decompressing data from a cabinet file",
                         "Failure writing to target file",
                         "Cabinets in a set do not have the same RESERVE sizes",
                         "Cabinet returned on fdintNEXT_CABINET is incorrect",
                         "FDI aborted"};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(FDIErrorText(i), fdi[i]);
    const char* fci[] = {"No error",
                         "Failure opening file to be stored in cabinet",
                         "Failure reading file to be stored in cabinet",
                         "Out of memory in FCI",
                         "Could not create a temporary file",
                         "Unknown compression type",
                         "Could not create cabinet file",
                         "Client requested abort",
                         "Failure compressing data"};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(FCIErrorText(i), fci[i]);
    for (int32_t other : {12, 1000, -1}) {
        EXPECT_EQ(FDIErrorText(other), "FDI error");
        EXPECT_EQ(FCIErrorText(other == 12 ? 9 : other), "FCI error");
    }
}

TEST(CabErrors, MessageComposition)
{
    EXPECT_EQ(MessageOf(1, 2, true), "Cabinet not found [0x0001].\r\n" + SysErrorMessage(2) + " [0x0002].");
    EXPECT_EQ(MessageOf(11, 0, true), "FDI aborted [0x000B]");
    EXPECT_EQ(MessageOf(0, 0, true), "No error [0x0000]");
    EXPECT_EQ(MessageOf(12, 0, true), "FDI error [0x000C]");
    EXPECT_EQ(MessageOf(9, 0, true, true), "FCI error [0x0009]");
    EXPECT_EQ(MessageOf(7, 0, true, true), "Client requested abort [0x0007]");
    EXPECT_EQ(MessageOf(-1, 0, true), "FDI error [0xFFFFFFFF]");
    // The flag clear: the bare default text, whatever else the record holds.
    EXPECT_EQ(MessageOf(4, 5, false), "FDI error");
    EXPECT_EQ(MessageOf(4, 5, false, true), "FCI error");
    // More than four hex digits are shown in full; a number without a system text.
    EXPECT_EQ(MessageOf(8, 0x12345, true), "Failure writing to target file [0x0008].\r\n [0x12345].");
}

TEST(CabErrors, FieldsComeFromTheRecord)
{
    ESTCabinet e(ERF{8, 112, 1}, false);
    EXPECT_EQ(e.ErrorCode, 8);
    EXPECT_EQ(e.ErrorType, 112);
    EXPECT_TRUE(e.ErrorFlag);
    EXPECT_FALSE(e.IsFCI);
    EXPECT_EQ(e.HelpContext(), 0);
}
