// Registry keys opened for reading and string values read whole, on values
// the tests write under HKEY_CURRENT_USER (and HKEY_LOCAL_MACHINE for the view).
#include <windows.h>
#include <gtest/gtest.h>

#include "core/Registry.h"
#include "tests/TestRegistry.h"

namespace {

const std::string TestKey = "Software\\KelpaTests";
const std::string Default = "<default>";

std::string Read(const std::string& keyPath, const std::string& name)
{
    return ReadRegistryString(HKEY_CURRENT_USER, keyPath, name, Default);
}

std::string Raw(const char* bytes, size_t n)
{
    return std::string(bytes, n);
}

} // namespace

TEST(QueryRegString, TellsWhatItFoundForEachKindOfValue)
{
    using enum TRegStringStatus;
    struct Row {
        const char* Name;
        DWORD Type;
        std::string Data;
        TRegStringStatus Status;
        DWORD Size;
        const char* Text;
    };
    const Row rows[] = {
        {"Text", REG_SZ, Sz("C:\\Kelpa"), rsFound, 9, "C:\\Kelpa"},
        {"Embedded", REG_SZ, Raw("one\0two\0", 8), rsFound, 8, "one"},
        {"NoData", REG_SZ, "", rsFound, 0, ""},
        {"Number", REG_DWORD, Raw("\x2a\0\0\0", 4), rsNotAString, 4, ""},
        {"EmptyBinary", REG_BINARY, "", rsNotAString, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        ScopedRegValue value(HKEY_CURRENT_USER, TestKey, row.Name, row.Type, row.Data);
        RegKey key = OpenKeyReadOnly(HKEY_CURRENT_USER, TestKey);
        ASSERT_TRUE(key);
        TRegString got = QueryRegString(key.get(), row.Name);
        EXPECT_EQ(got.Status, row.Status);
        EXPECT_EQ(got.Type, row.Type);
        EXPECT_EQ(got.Size, row.Size);
        EXPECT_EQ(got.Text, row.Text);
    }
    ScopedRegValue present(HKEY_CURRENT_USER, TestKey, "Present", REG_SZ, Sz("x"));
    // A leading backslash only marks the path as starting at the root.
    RegKey key = OpenKeyReadOnly(HKEY_CURRENT_USER, "\\" + TestKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(QueryRegString(key.get(), "Absent").Status, rsMissing);
    EXPECT_FALSE(OpenKeyReadOnly(HKEY_CURRENT_USER, TestKey + "\\NoSuchKey"));
}

TEST(ReadRegistryString, TakesTheTextUpToTheFirstNul)
{
    ScopedRegValue embedded(HKEY_CURRENT_USER, TestKey, "Embedded", REG_SZ, Raw("C:\\One\0C:\\Two\0", 15));
    ScopedRegValue unterminated(HKEY_CURRENT_USER, TestKey, "Unterminated", REG_SZ, "C:\\Tools");
    ScopedRegValue empty(HKEY_CURRENT_USER, TestKey, "Empty", REG_SZ, "");
    ScopedRegValue onlyNul(HKEY_CURRENT_USER, TestKey, "OnlyNul", REG_SZ, Sz(""));
    EXPECT_EQ("C:\\One", Read(TestKey, "Embedded"));
    // Data stored without a terminating NUL keeps its last character.
    EXPECT_EQ("C:\\Tools", Read(TestKey, "Unterminated"));
    // An empty string is a value: it gives "", not the default.
    EXPECT_EQ("", Read(TestKey, "Empty"));
    EXPECT_EQ("", Read(TestKey, "OnlyNul"));
}

TEST(ReadRegistryString, ReturnsAnExpandableStringAsStored)
{
    ScopedRegValue v(HKEY_CURRENT_USER, TestKey, "Expand", REG_EXPAND_SZ, Sz("%WINDIR%\\Kelpa"));
    EXPECT_EQ("%WINDIR%\\Kelpa", Read(TestKey, "Expand"));
}

TEST(ReadRegistryString, GivesTheDefaultForOtherTypesAndMissingEntries)
{
    ScopedRegValue dword(HKEY_CURRENT_USER, TestKey, "Number", REG_DWORD, Raw("\x2a\0\0\0", 4));
    ScopedRegValue binary(HKEY_CURRENT_USER, TestKey, "Binary", REG_BINARY, "C:\\Tools");
    ScopedRegValue multi(HKEY_CURRENT_USER, TestKey, "Multi", REG_MULTI_SZ, Raw("C:\\A\0\0", 6));
    EXPECT_EQ(Default, Read(TestKey, "Number"));
    EXPECT_EQ(Default, Read(TestKey, "Binary"));
    EXPECT_EQ(Default, Read(TestKey, "Multi"));
    EXPECT_EQ(Default, Read(TestKey, "NoSuchValue"));
    EXPECT_EQ(Default, Read(TestKey + "\\NoSuchKey", "Embedded"));
}

TEST(ReadRegistryString, ReadsTheSameKeyWithOrWithoutOneLeadingBackslash)
{
    ScopedRegValue v(HKEY_CURRENT_USER, TestKey, "Path", REG_SZ, Sz("D:\\Kelpa"));
    EXPECT_EQ("D:\\Kelpa", Read(TestKey, "Path"));
    EXPECT_EQ("D:\\Kelpa", Read("\\" + TestKey, "Path"));
    // Only one backslash is the root marker.
    EXPECT_EQ(Default, Read("\\\\" + TestKey, "Path"));
}

// HKLM\Software has a 32-bit and a 64-bit view on a 64-bit system; a view
// named by the caller is read whichever build asks.
TEST(ReadRegistryString, ReadsMachineValuesThroughTheViewAskedFor)
{
    ScopedRegValue narrow(HKEY_LOCAL_MACHINE, TestKey, "View", REG_SZ, Sz("32"), KEY_WOW64_32KEY);
    ScopedRegValue wide(HKEY_LOCAL_MACHINE, TestKey, "View", REG_SZ, Sz("64"), KEY_WOW64_64KEY);
    EXPECT_EQ("32", ReadRegistryString(HKEY_LOCAL_MACHINE, TestKey, "View", "", KEY_WOW64_32KEY));
    EXPECT_EQ("64", ReadRegistryString(HKEY_LOCAL_MACHINE, TestKey, "View", "", KEY_WOW64_64KEY));
    // Without a view, the program's own: the 32-bit one for the 32-bit build.
    EXPECT_EQ(sizeof(void*) == 4 ? "32" : "64", ReadRegistryString(HKEY_LOCAL_MACHINE, TestKey, "View", ""));
}
