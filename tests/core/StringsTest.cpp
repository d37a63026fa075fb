#include <gtest/gtest.h>

#include <vector>

#include "core/Resources.h"
#include "core/Strings.h"
#include "core/TextScan.h"

namespace {
constexpr UINT ShiftJis = 932;
// "\x95\x5C" is one Shift-JIS character whose second byte is a backslash.
const std::string SjisWithBackslashTrail = "C:\\a\x95\x5C";
} // namespace

TEST(PathHelpers, TrailingBackslash)
{
    EXPECT_EQ(IncludeTrailingBackslash(""), "\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\Kelpa"), "C:\\Kelpa\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\Kelpa\\"), "C:\\Kelpa\\");
    EXPECT_EQ(IncludeTrailingBackslash(SjisWithBackslashTrail, ShiftJis), SjisWithBackslashTrail + "\\");
    // In a single-byte code page the same byte is a real backslash.
    EXPECT_EQ(IncludeTrailingBackslash(SjisWithBackslashTrail, 1252), SjisWithBackslashTrail);
}

TEST(PathHelpers, DirectoryPartOfFilePath)
{
    EXPECT_EQ(ExtractFilePath("C:\\Tools\\Kelpa\\Kelpa.exe"), "C:\\Tools\\Kelpa\\");
    EXPECT_EQ(ExtractFilePath("C:Kelpa.exe"), "C:");
    EXPECT_EQ(ExtractFilePath("Kelpa.exe"), "");
    EXPECT_EQ(ExtractFilePath("C:\\x\x95\x5Cy.exe", ShiftJis), "C:\\");
    EXPECT_EQ(ExtractFileName("C:\\x\x95\x5Cy.exe", ShiftJis), "x\x95\x5Cy.exe");
}

TEST(PathHelpers, DirectoryPartOfDirectoryPath)
{
    EXPECT_EQ(ExtractFileDir("C:\\Program Files\\Kelpa"), "C:\\Program Files");
    EXPECT_EQ(ExtractFileDir("C:\\Tools\\Kelpa\\"), "C:\\Tools\\Kelpa");
    EXPECT_EQ(ExtractFileDir("C:\\Kelpa"), "C:\\");
    EXPECT_EQ(ExtractFileDir("\\\\server\\"), "\\\\server");
    EXPECT_EQ(ExtractFileDir("a\\\\"), "a\\\\");
    EXPECT_EQ(ExtractFileDir("Kelpa"), "");
    EXPECT_EQ(ExtractFileDir(""), "");
    EXPECT_EQ(ExtractFileDir("\\"), "\\");
    EXPECT_EQ(ExtractFileDir("C:\\d\\x\x95\x5C", ShiftJis), "C:\\d");
    // A final backslash after a double-byte character ending in 0x5C is dropped.
    EXPECT_EQ(ExtractFileDir("C:\\d\\x\x95\x5C\\", ShiftJis), "C:\\d\\x\x95\x5C");
    EXPECT_EQ(ExtractFileDir("C:\\d\\x\x95\x5C\\", 1252), "C:\\d\\x\x95\x5C\\");
}

TEST(PathHelpers, TrailBytesAndDelimiters)
{
    EXPECT_TRUE(IsTrailByte(SjisWithBackslashTrail, 5, ShiftJis));
    EXPECT_FALSE(IsTrailByte(SjisWithBackslashTrail, 4, ShiftJis));
    EXPECT_FALSE(IsTrailByte(SjisWithBackslashTrail, 5, 1252));
    // A lead byte at the very end has no trail byte and stands alone.
    EXPECT_EQ(LastDelimiter("\\", "a\\\x95", ShiftJis), 2u);
}

// Scanning and splitting step over a double-byte character as one unit.
TEST(PathHelpers, FindingEndingAndSplittingStepOverDoubleByteCharacters)
{
    const std::string sjis = "a\x95\x5C;b\\c\\";
    const struct {
        UINT CodePage;
        size_t FirstBackslash;
        std::vector<std::string> Parts;
    } rows[] = {
        {ShiftJis, 5, {"a\x95\x5C;b", "c", ""}},
        {1252, 2, {"a\x95", ";b", "c", ""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.CodePage);
        EXPECT_EQ(FindChar(sjis, '\\', 0, row.CodePage), row.FirstBackslash);
        EXPECT_EQ(SplitText(sjis, '\\', row.CodePage), row.Parts);
    }
    EXPECT_FALSE(EndsWithChar(SjisWithBackslashTrail, '\\', ShiftJis));
    EXPECT_TRUE(EndsWithChar(SjisWithBackslashTrail, '\\', 1252));
    EXPECT_EQ(SplitText("", ';'), std::vector<std::string>{""});
    EXPECT_EQ(SplitText("*.txt;;*.exe", ';'), (std::vector<std::string>{"*.txt", "", "*.exe"}));
    EXPECT_EQ(FindChar("abc", 'c', 3), std::string::npos);
}

TEST(TextHelpers, UpperCaseInTheAnsiCodePage)
{
    // The test prefix's code page is 1252.
    const std::pair<char, char> rows[] = {{'a', 'A'}, {'z', 'Z'},       {'A', 'A'},      {'1', '1'},
                                          {'&', '&'}, {'\xE4', '\xC4'}, {'\xFF', '\x9F'}};
    for (const auto& [lower, upper] : rows)
        EXPECT_EQ(UpperChar(lower), upper) << static_cast<int>(static_cast<unsigned char>(lower));
}

TEST(Resources, StringsOfAnyLengthAndNoneForAMissingId)
{
    EXPECT_EQ(LoadResString(100), "Kelpa");
    std::string expected;
    for (int i = 0; i < 700; ++i)
        expected += static_cast<char>('a' + i % 26);
    EXPECT_EQ(LoadResString(101), expected);
    EXPECT_EQ(LoadResString(102), "");
}

TEST(TextHelpers, HexAndCase)
{
    EXPECT_EQ(IntToHex(11, 4), "000B");
    EXPECT_EQ(IntToHex(0x12345, 4), "12345");
    EXPECT_EQ(IntToHex(0xFFFFFFFFu, 4), "FFFFFFFF");
    EXPECT_TRUE(SameText("Kelpa2.CAB", "kelpa2.cab"));
    EXPECT_FALSE(SameText("Kelpa2.cab", "Kelpa2.cab "));
    EXPECT_EQ(WideToAnsi(AnsiToWide("C:\\Kelpa\\\xE9")), "C:\\Kelpa\\\xE9");
}
