// Loading and releasing cabinet.dll. Its own executable: the binding's state
// is process-wide, and this one must start with nothing loaded.
#include <gtest/gtest.h>

#include "cab/CabIntf.h"
#include "cab/CabIntfSeam.h"
#include "cab/CabSTComps.h"
#include "core/Strings.h"
#include "harness/TestFiles.h"

namespace {
std::string SystemFile(const char* name)
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, MAX_PATH);
    return IncludeTrailingBackslash(dir) + name;
}

struct PathOverride {
    explicit PathOverride(const std::string& path) { CabIntfSeam::SetLibraryPath(path); }
    ~PathOverride() { CabIntfSeam::SetLibraryPath(""); }
};
} // namespace

// Declared first: gtest runs the tests of one file in this order.
TEST(CabBinding, NothingIsLoadedUntilAContextIsMade)
{
    EXPECT_FALSE(CabinetLibraryLoaded());
    TempDir dir;
    TSTCabReader reader(nullptr);
    reader.Extract("", dir.Path(), 0); // no pass at all
    EXPECT_FALSE(CabinetLibraryLoaded());
    EXPECT_TRUE(UnloadCabinetLibrary()); // nothing to release
}

TEST(CabBinding, AMissingLibraryRaisesTheSystemError)
{
    PathOverride missing(SystemFile("nosuchcabinet.dll"));
    TempDir dir;
    TSTCabReader reader(nullptr);
    try {
        reader.Extract(dir.Path() + "any.cab", dir.Path(), 0);
        FAIL() << "no exception";
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
        EXPECT_EQ(e.Message(), "System Error.  Code: 126.\r\n" + SysErrorMessage(126));
    }
    EXPECT_FALSE(CabinetLibraryLoaded());
}

TEST(CabBinding, ALibraryLackingAnEntryPointIsReleased)
{
    // kernel32 has none of the nine names: the first one already fails.
    {
        PathOverride incomplete(SystemFile("kernel32.dll"));
        ERF erf{};
        try {
            FDICreate(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, cpuUNKNOWN, &erf);
            FAIL() << "no exception";
        } catch (const EOSError& e) {
            EXPECT_EQ(e.ErrorCode, static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
        }
        EXPECT_FALSE(CabinetLibraryLoaded());
        EXPECT_EQ(CabIntfSeam::LibraryHandle(), nullptr);
    }
    // The next context repeats the whole load, now with the real library.
    TempDir dir;
    TSTCabReader reader(nullptr);
    EXPECT_THROW(reader.Extract(dir.Path() + "missing.cab", dir.Path(), 0), ESTCabinet);
    EXPECT_TRUE(CabinetLibraryLoaded());
}

TEST(CabBinding, LoadedOnceFromTheSystemDirectoryAndReleasedAfterTheLastContext)
{
    TempDir dir;
    auto* first = new TSTCabReader(nullptr);
    EXPECT_THROW(first->Extract(dir.Path() + "missing.cab", dir.Path(), 0), ESTCabinet);
    HMODULE module = CabIntfSeam::LibraryHandle();
    ASSERT_NE(module, nullptr);
    char path[MAX_PATH];
    GetModuleFileNameA(module, path, MAX_PATH);
    EXPECT_TRUE(SameText(path, SystemFile("cabinet.dll"))) << path;
    {
        TSTCabReader second(nullptr);
        EXPECT_THROW(second.Extract(dir.Path() + "missing.cab", dir.Path(), 0), ESTCabinet);
        EXPECT_EQ(CabIntfSeam::LibraryHandle(), module);
        EXPECT_EQ(CabIntfSeam::LiveContexts(), 2);
    }
    // A reader still holds a context: the library stays.
    EXPECT_FALSE(UnloadCabinetLibrary());
    EXPECT_TRUE(CabinetLibraryLoaded());
    delete first;
    EXPECT_EQ(CabIntfSeam::LiveContexts(), 0);
    EXPECT_TRUE(UnloadCabinetLibrary());
    EXPECT_FALSE(CabinetLibraryLoaded());
}

// An owner that destroys its reader with itself, as the main window does.
TEST(CabBinding, OwnerDestroysTheReaderBeforeTheLibraryGoes)
{
    TempDir dir;
    auto* owner = new TComponent(nullptr);
    auto* reader = new TSTCabReader(owner);
    EXPECT_THROW(reader->Extract(dir.Path() + "missing.cab", dir.Path(), 0), ESTCabinet);
    EXPECT_EQ(owner->ComponentCount(), 1u);
    delete owner;
    EXPECT_TRUE(UnloadCabinetLibrary());
}
