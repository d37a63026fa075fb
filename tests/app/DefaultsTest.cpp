#include <windows.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <algorithm>

#include "app/InstallDefaults.h"
#include "app/ShellFolders.h"
#include "core/Exceptions.h"
#include "core/Handle.h"
#include "core/Strings.h"
#include "harness/TestFiles.h"
#include "tests/TestRegistry.h"

namespace {

const std::string KelpaKey = "Software\\Kelpa";
const std::string ProgramFilesKey = "Software\\Microsoft\\Windows\\CurrentVersion";

// Every test starts and ends without "KelpaPath", whatever an earlier run left.
class EarlierInstallation : public testing::Test {
protected:
    void SetUp() override { DeleteRegValue(HKEY_CURRENT_USER, KelpaKey, "KelpaPath"); }
    void TearDown() override { DeleteRegValue(HKEY_CURRENT_USER, KelpaKey, "KelpaPath"); }

    std::optional<std::string> With(DWORD type, const std::string& data)
    {
        ScopedRegValue v(HKEY_CURRENT_USER, KelpaKey, "KelpaPath", type, data);
        return EarlierInstallationDirectory();
    }
    std::string MessageFor(DWORD type, const std::string& data)
    {
        try {
            With(type, data);
        } catch (const Exception& e) {
            return e.Message();
        }
        return "<no exception>";
    }
};

std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

void SetAttributes(const std::string& name, DWORD attributes)
{
    ASSERT_TRUE(SetFileAttributesA(name.c_str(), attributes)) << name;
}

} // namespace

// Both builds propose the 32-bit program-files folder of a 64-bit Windows.
TEST(DefaultDestination, IsKelpaUnderTheProgramFilesDirectory)
{
    EXPECT_EQ(ProgramFilesDirectory() + "\\Kelpa", DefaultDestination());
    EXPECT_TRUE(SameText("C:\\Program Files (x86)\\Kelpa", DefaultDestination())) << DefaultDestination();
}

// The machine's value is changed for a moment and put back afterwards.
TEST(DefaultDestination, AddsNoSecondBackslashAndFallsBackToTheRoot)
{
    SavedRegValue saved(HKEY_LOCAL_MACHINE, ProgramFilesKey, "ProgramFilesDir", KEY_WOW64_32KEY);
    ASSERT_TRUE(saved.Existed());
    SetRegValue(HKEY_LOCAL_MACHINE, ProgramFilesKey, "ProgramFilesDir", REG_SZ, Sz("D:\\"), KEY_WOW64_32KEY);
    EXPECT_EQ("D:\\Kelpa", DefaultDestination());
    SetRegValue(HKEY_LOCAL_MACHINE, ProgramFilesKey, "ProgramFilesDir", REG_DWORD, std::string(4, '\0'),
                KEY_WOW64_32KEY);
    EXPECT_EQ("\\Kelpa", DefaultDestination());
    DeleteRegValue(HKEY_LOCAL_MACHINE, ProgramFilesKey, "ProgramFilesDir", KEY_WOW64_32KEY);
    EXPECT_EQ("\\Kelpa", DefaultDestination());
}

TEST_F(EarlierInstallation, IsAbsentWithoutKeyValueOrText)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, KelpaKey.c_str());
    EXPECT_EQ(std::nullopt, EarlierInstallationDirectory());
    EXPECT_EQ(std::nullopt, With(REG_SZ, ""));
    EXPECT_EQ(std::nullopt, With(REG_SZ, Sz("")));
    EXPECT_EQ(std::nullopt, With(REG_SZ, Sz("\"\"")));
    EXPECT_EQ(std::nullopt, With(REG_SZ, Sz("\"")));
    // Zero bytes of any type count as an empty text, not as a wrong type.
    EXPECT_EQ(std::nullopt, With(REG_BINARY, ""));
    // Only the named value counts, not the key's default value.
    ScopedRegValue other(HKEY_CURRENT_USER, KelpaKey, "", REG_SZ, Sz("C:\\Other\\Kelpa.exe"));
    EXPECT_EQ(std::nullopt, EarlierInstallationDirectory());
}

TEST_F(EarlierInstallation, TakesTheDirectoryPartOfThePath)
{
    EXPECT_EQ("C:\\Tools\\Kelpa\\", With(REG_SZ, Sz("C:\\Tools\\Kelpa\\Kelpa.exe")));
    EXPECT_EQ("C:\\Tools\\Kelpa\\", With(REG_SZ, Sz("\"C:\\Tools\\Kelpa\\Kelpa.exe\"")));
    EXPECT_EQ("D:", With(REG_SZ, Sz("D:Kelpa.exe")));
    EXPECT_EQ("\\\\server\\share\\", With(REG_SZ, Sz("\\\\server\\share\\Kelpa.exe")));
    // A bare name has no directory part: the destination becomes empty.
    EXPECT_EQ("", With(REG_SZ, Sz("Kelpa.exe")));
    EXPECT_EQ("", With(REG_SZ, Sz("\"Kelpa.exe\" C:\\Logs\\run.log")));
}

TEST_F(EarlierInstallation, KeepsOnlyTheQuotedProgramAndDropsItsArguments)
{
    EXPECT_EQ("C:\\Program Files\\Kelpa\\",
              With(REG_SZ, Sz("\"C:\\Program Files\\Kelpa\\Kelpa.exe\" /open C:\\Notes\\todo.txt")));
    EXPECT_EQ("C:\\Tools\\", With(REG_SZ, Sz("\"C:\\Tools\\Kelpa.exe\" \"D:\\Other\\x.txt\"")));
    // An opening quote without its partner: the rest of the text is the path.
    EXPECT_EQ("C:\\Tools\\", With(REG_SZ, Sz("\"C:\\Tools\\Kelpa.exe")));
    // Quotes that do not open the text are only removed.
    EXPECT_EQ("C:\\Program Files\\Kelpa\\", With(REG_SZ, Sz("C:\\\"Program Files\"\\Kelpa\\Kelpa.exe")));
    EXPECT_EQ("C:\\Tools\\", With(REG_SZ, Sz("C:\\Tools\\Kelpa.exe\" \"")));
}

TEST_F(EarlierInstallation, ReadsTheStoredTextUpToItsFirstNulWithoutExpansion)
{
    EXPECT_EQ("C:\\One\\", With(REG_SZ, std::string("C:\\One\\Kelpa.exe\0D:\\Two\\Kelpa.exe", 33) + '\0'));
    EXPECT_EQ("C:\\One\\", With(REG_SZ, "C:\\One\\Kelpa.exe"));
    EXPECT_EQ("%ProgramFiles%\\Kelpa\\", With(REG_EXPAND_SZ, Sz("%ProgramFiles%\\Kelpa\\Kelpa.exe")));
}

TEST_F(EarlierInstallation, RaisesForDataThatIsNotAString)
{
    EXPECT_EQ("Invalid data type for 'KelpaPath'", MessageFor(REG_DWORD, std::string("\x01\0\0\0", 4)));
    EXPECT_EQ("Invalid data type for 'KelpaPath'", MessageFor(REG_BINARY, "C:\\Tools\\Kelpa.exe"));
    EXPECT_EQ("Invalid data type for 'KelpaPath'", MessageFor(REG_MULTI_SZ, std::string("C:\\A\\k.exe\0\0", 12)));
}

namespace {

// Gives a key an access list that grants everyone only the given rights, and
// full access back when the object goes. The key's owner may always change
// the list, so the test can undo it.
class RestrictedKey {
public:
    RestrictedKey(HKEY root, const std::string& path, DWORD rights) : FRoot(root), FPath(path)
    {
        Apply(Format("D:P(A;;0x%lx;;;WD)", rights));
    }
    ~RestrictedKey() { Apply("D:P(A;;KA;;;WD)"); }

private:
    void Apply(const std::string& sddl)
    {
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr))
            return;
        RegKey key;
        if (RegOpenKeyExA(FRoot, FPath.c_str(), 0, WRITE_DAC, key.put()) == ERROR_SUCCESS)
            RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, sd);
        LocalFree(sd);
    }
    HKEY FRoot;
    std::string FPath;
};

bool Opens(const std::string& path, REGSAM access)
{
    RegKey key;
    return RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, key.put()) == ERROR_SUCCESS;
}

} // namespace

// A key that refuses full read access is still read with the rights it grants.
TEST_F(EarlierInstallation, ReadsAKeyThatGrantsOnlyPartOfTheReadRights)
{
    ScopedRegValue path(HKEY_CURRENT_USER, KelpaKey, "KelpaPath", REG_SZ, Sz("C:\\Locked\\Kelpa.exe"));
    for (DWORD rights :
         {DWORD(STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS), DWORD(KEY_QUERY_VALUE)}) {
        RestrictedKey restricted(HKEY_CURRENT_USER, KelpaKey, rights);
        if (Opens(KelpaKey, KEY_READ))
            GTEST_SKIP() << "the registry does not enforce the key's access list here";
        ASSERT_TRUE(Opens(KelpaKey, KEY_QUERY_VALUE));
        EXPECT_EQ("C:\\Locked\\", EarlierInstallationDirectory()) << "rights " << rights;
    }
}

class ArchivesBesideTest : public testing::Test {
protected:
    TempDir Dir;
    std::string Exe() const { return Dir.Path() + "KLPInst.exe"; }
    void File(const std::string& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
    {
        WriteFile(Dir.Path() + name, "MSCF");
        SetAttributes(Dir.Path() + name, attributes);
    }
};

TEST_F(ArchivesBesideTest, ListsMatchingFilesWhateverTheirAttributes)
{
    File("Kelpa1.cab");
    File("Kelpa2.cab", FILE_ATTRIBUTE_HIDDEN);
    File("Kelpa3.cab", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
    File("kelpa-extra.CAB");
    File("Kelpa.cab.txt");
    File("Other.cab");
    File("MyKelpa1.cab");
    ASSERT_TRUE(CreateDirectoryA((Dir.Path() + "Kelpa4.cab").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((Dir.Path() + "Kelpa5.cab").c_str(), nullptr));
    SetAttributes(Dir.Path() + "Kelpa5.cab", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);

    std::vector<std::string> expected = {"Kelpa1.cab", "Kelpa2.cab", "Kelpa3.cab", "kelpa-extra.CAB"};
    EXPECT_EQ(Sorted(expected), Sorted(ArchivesBeside(Exe())));
}

TEST_F(ArchivesBesideTest, FollowsTheOrderOfTheSearch)
{
    for (const char* name : {"Kelpa3.cab", "Kelpa1.cab", "Kelpa2.cab"})
        File(name);
    std::vector<std::string> order;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((Dir.Path() + "Kelpa*.cab").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    do
        order.push_back(data.cFileName);
    while (FindNextFileA(h, &data));
    FindClose(h);
    EXPECT_EQ(order, ArchivesBeside(Exe()));
}

TEST_F(ArchivesBesideTest, IsEmptyWhenNothingMatches)
{
    EXPECT_TRUE(ArchivesBeside(Exe()).empty());
    File("Setup.cab");
    EXPECT_TRUE(ArchivesBeside(Exe()).empty());
    EXPECT_TRUE(ArchivesBeside(Dir.Path() + "missing\\KLPInst.exe").empty());
}

TEST_F(ArchivesBesideTest, SearchesTheExecutablesDirectoryNotTheCurrentOne)
{
    File("Kelpa.cab");
    TempDir elsewhere;
    WriteFile(elsewhere.Path() + "KelpaOther.cab", "MSCF");
    std::vector<std::string> found, bare;
    {
        CurrentDirectoryScope inElsewhere(elsewhere.Path());
        found = ArchivesBeside(Exe());
        bare = ArchivesBeside("KLPInst.exe");
    }
    EXPECT_EQ(std::vector<std::string>{"Kelpa.cab"}, found);
    // A name without a directory part searches the current directory.
    EXPECT_EQ(std::vector<std::string>{"KelpaOther.cab"}, bare);
}

TEST(ArchiveLocation, RelativeNamesLieBesideTheProgram)
{
    const std::string exe = "C:\\Kit\\KLPInst.exe";
    EXPECT_EQ(ArchiveLocation("Kelpa.cab", exe), "C:\\Kit\\Kelpa.cab");
    EXPECT_EQ(ArchiveLocation("old\\Kelpa.cab", exe), "C:\\Kit\\old\\Kelpa.cab");
    EXPECT_EQ(ArchiveLocation("..\\Kelpa.cab", exe), "C:\\Kit\\..\\Kelpa.cab");
    // Names that say where they are stay as typed.
    for (const char* typed : {"D:\\cabs\\Kelpa.cab", "\\cabs\\Kelpa.cab", "\\\\server\\share\\Kelpa.cab",
                              "/cabs/Kelpa.cab", "D:Kelpa.cab", ""})
        EXPECT_EQ(ArchiveLocation(typed, exe), typed);
}

TEST(DestinationLocation, FullPathsStandOthersArePlacedBesideTheProgramAndExpanded)
{
    const std::string exe = "C:\\Kit\\KLPInst.exe";
    // A full path is used as it stands, whatever its form.
    for (const char* typed :
         {"C:\\Program Files\\Kelpa", "C:\\Tools\\Kelpa\\", "D:\\", "C:/Tools/../Kelpa", "\\\\server\\share\\Kelpa"})
        EXPECT_EQ(DestinationLocation(typed, exe), typed);
    // A relative name lies beside the program, expanded; a final backslash stays.
    EXPECT_EQ(DestinationLocation("Kelpa", exe), "C:\\Kit\\Kelpa");
    EXPECT_EQ(DestinationLocation("Kelpa\\", exe), "C:\\Kit\\Kelpa\\");
    EXPECT_EQ(DestinationLocation("..\\Kelpa", exe), "C:\\Kelpa");
    EXPECT_EQ(DestinationLocation(".", exe), "C:\\Kit");

    // From the root of the current drive, as proposed without a program-files
    // directory: that drive's root, wherever the current directory is on it.
    TempDir dir;
    CurrentDirectoryScope inDir(dir.Path());
    const std::string drive = dir.Path().substr(0, 2);
    EXPECT_EQ(DestinationLocation("\\Kelpa", exe), drive + "\\Kelpa");
    EXPECT_EQ(DestinationLocation("Kelpa", exe), "C:\\Kit\\Kelpa");
    // A drive with no backslash after it is relative to that drive's current
    // directory: not a full path, though it names a drive.
    EXPECT_EQ(DestinationLocation(drive + "Kelpa", exe), dir.Path() + "Kelpa");
}
