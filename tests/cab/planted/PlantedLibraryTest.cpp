// A cabinet.dll planted beside the program and in the current directory is
// never loaded: the binding takes the one in the system directory. Runs with
// Wine set to prefer a native DLL found by the search, as Windows does.
#include <gtest/gtest.h>

#include "cab/CabIntf.h"
#include "cab/CabIntfSeam.h"
#include "cab/CabSTComps.h"
#include "core/Strings.h"
#include "harness/TestFiles.h"

namespace {
std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH];
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}
} // namespace

TEST(PlantedLibrary, IsNeverLoaded)
{
    // The trap is real: the standard search finds the planted copy.
    HMODULE naive = LoadLibraryA("cabinet.dll");
    ASSERT_NE(naive, nullptr);
    EXPECT_TRUE(SameText(ModulePath(naive), ExeDir() + "cabinet.dll")) << ModulePath(naive);
    FreeLibrary(naive);

    {
        CurrentDirectoryScope inExeDir(ExeDir());
        TempDir dir;
        TSTCabReader reader(nullptr);
        try {
            reader.Extract(dir.Path() + "missing.cab", dir.Path(), 0);
            ADD_FAILURE() << "no exception";
        } catch (const ESTCabinet& e) {
            // The real library was asked; the planted one would fail FDICreate.
            EXPECT_EQ(e.ErrorCode, FDIERROR_CABINET_NOT_FOUND);
        }
    }
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_TRUE(SameText(ModulePath(CabIntfSeam::LibraryHandle()), IncludeTrailingBackslash(system) + "cabinet.dll"));
}
