// The installer is run from download folders, where anybody may have left a
// DLL. mpr.dll and msimg32.dll are not among the system's known DLLs: as
// start-up imports they were looked up in the program's folder first, before
// any code of ours could restrict the search. They are loaded on first use
// instead, from the system directory only. The test runs with Wine told to
// prefer a native DLL that the search finds, as Windows does.
//
// Only mpr.dll is planted: Wine's own theming library loads msimg32.dll on
// first use through a search that still includes the program's folder (where
// Windows keeps to the restricted search), so a planted msimg32.dll is taken
// whatever the installer does. scripts/check-exe.py checks that neither is a
// start-up import.
#include <gtest/gtest.h>

#include <optional>

#include "app/MainFormIds.h"
#include "core/FileSystem.h"
#include "harness/Harness.h"

TEST(PlantedLibraries, NeitherTheStartNorTheChooserLoadsAnMprBesideTheInstaller)
{
    TKitFolder kit;
    kit.CopyIn(ExeDir() + "planted\\mpr.dll", "mpr.dll");
    kit.CopyIn(ExeDir() + "LibraryProbe.exe", "LibraryProbe.exe");
    const std::string marker = kit.Path() + "mpr.dll.loaded";

    TProcess probe(kit.Path() + "LibraryProbe.exe", "", {"KLP_PROBE_LIBRARY=mpr.dll"});
    std::optional<DWORD> where = probe.WaitForExit();
    ASSERT_TRUE(where.has_value());
    ASSERT_EQ(0u, *where) << "a plain LoadLibrary does not take the planted copy: the test proves nothing";
    ASSERT_TRUE(DeleteFileA(marker.c_str())) << "the planted mpr.dll left no mark";

    TProcess installer(kit.ExePath());
    HWND form = WaitForWindow(installer, L"Kelpa editor installer");
    ASSERT_NE(nullptr, form) << "no main window";
    // The chooser looks up the network connection dialog in mpr.dll.
    PostMessageW(form, WM_COMMAND, MAKEWPARAM(idBrowseButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(FindControl(form, idToolBar)));
    HWND chooser = WaitForWindow(installer, L"Select Directory");
    ASSERT_NE(nullptr, chooser) << "the browse button opened no chooser";
    PostMessageW(chooser, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(chooser); })) << "the chooser did not close";
    PostMessageW(form, WM_CLOSE, 0, 0);
    ASSERT_TRUE(installer.WaitForExit().has_value()) << "the installer did not end";

    EXPECT_FALSE(FileExists(marker)) << "the installer loaded the planted mpr.dll";
}
