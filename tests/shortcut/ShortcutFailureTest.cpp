// Failures the shell's link object does not give on request, provoked through
// a recording link object: each stops the run at its step with the right
// error, and every reference handed out is given back.
#include <windows.h>
#include <gtest/gtest.h>

#include "app/Shortcut.h"
#include "core/Strings.h"
#include "harness/TestFiles.h"
#include "tests/shortcut/FakeShellLink.h"

namespace {

using Calls = std::vector<std::string>;

// The message of a failure code: the system's text, or "OLE error" with the
// code when the system has none.
std::string OleMessage(HRESULT hr)
{
    std::string text = SysErrorMessage(static_cast<DWORD>(hr));
    return text.empty() ? "OLE error " + IntToHex(static_cast<uint32_t>(hr), 8) : text;
}

} // namespace

TEST(ShortcutSteps, SuccessCallsEachStepOnceInOrder)
{
    TempDir dir;
    FakeShellLink fake;
    // Success codes other than S_OK are successes too.
    fake.SetPathResult = S_FALSE;
    fake.SetWorkingDirectoryResult = S_FALSE;
    fake.SaveResult = S_FALSE;
    std::string link = dir.Path() + "Kelpa.lnk";
    CreateShortcut(link, "C:\\Program Files\\Kelpa", [&](IUnknown** o) { return fake.Make(o); });
    EXPECT_EQ(fake.Calls, (Calls{"SetPath", "SetWorkingDirectory", "Save"}));
    EXPECT_EQ(fake.Path, "C:\\Program Files\\Kelpa\\Kelpa.EXE");
    EXPECT_EQ(fake.WorkingDirectory, "C:\\Program Files");
    EXPECT_EQ(fake.SavedName, AnsiToWide(link));
    EXPECT_EQ(fake.Remember, FALSE);
    EXPECT_EQ(fake.RefCount(), 1u);
}

TEST(ShortcutSteps, ExistingFileMakesNoObject)
{
    TempDir dir;
    std::string link = dir.Path() + "Kelpa.lnk";
    WriteFile(link, "old");
    bool made = false;
    CreateShortcut(link, "C:\\Kelpa", [&](IUnknown**) {
        made = true;
        return E_FAIL;
    });
    EXPECT_FALSE(made);
}

TEST(ShortcutSteps, MissingInterfaceIsNotSupported)
{
    TempDir dir;
    for (int missing = 0; missing < 2; ++missing) {
        SCOPED_TRACE(missing == 0 ? "IShellLinkA" : "IPersistFile");
        FakeShellLink fake;
        (missing == 0 ? fake.OffersShellLink : fake.OffersPersistFile) = false;
        try {
            CreateShortcut(dir.Path() + "Kelpa.lnk", "C:\\Kelpa", [&](IUnknown** o) { return fake.Make(o); });
            FAIL() << "no error";
        } catch (const EInterfaceNotSupported& e) {
            EXPECT_EQ(e.Message(), "Interface not supported");
        }
        EXPECT_TRUE(fake.Calls.empty());
        EXPECT_EQ(fake.RefCount(), 1u);
    }
}

TEST(ShortcutSteps, CreationFailureCarriesItsCode)
{
    TempDir dir;
    try {
        CreateShortcut(dir.Path() + "Kelpa.lnk", "C:\\Kelpa", [](IUnknown** o) {
            *o = nullptr;
            return REGDB_E_CLASSNOTREG;
        });
        FAIL() << "no error";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode, REGDB_E_CLASSNOTREG);
        EXPECT_EQ(e.Message(), OleMessage(REGDB_E_CLASSNOTREG));
    }
    // An object maker that claims success without an object is refused
    // rather than followed into a null pointer.
    EXPECT_THROW(CreateShortcut(dir.Path() + "Kelpa.lnk", "C:\\Kelpa",
                                [](IUnknown** o) {
                                    *o = nullptr;
                                    return S_OK;
                                }),
                 EInterfaceNotSupported);
}

TEST(ShortcutSteps, FailingStepStopsTheRestAndReleasesEverything)
{
    TempDir dir;
    const HRESULT codes[] = {E_ACCESSDENIED, static_cast<HRESULT>(0x8ABC0001), E_OUTOFMEMORY};
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(step);
        FakeShellLink fake;
        HRESULT* results[] = {&fake.SetPathResult, &fake.SetWorkingDirectoryResult, &fake.SaveResult};
        *results[step] = codes[step];
        try {
            CreateShortcut(dir.Path() + "Kelpa.lnk", "C:\\Kelpa", [&](IUnknown** o) { return fake.Make(o); });
            FAIL() << "no error";
        } catch (const EOleSysError& e) {
            EXPECT_EQ(e.ErrorCode, codes[step]);
            EXPECT_EQ(e.Message(), OleMessage(codes[step]));
        }
        Calls all{"SetPath", "SetWorkingDirectory", "Save"};
        EXPECT_EQ(fake.Calls, Calls(all.begin(), all.begin() + step + 1));
        EXPECT_EQ(fake.RefCount(), 1u);
    }
}
