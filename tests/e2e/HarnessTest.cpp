// Checks of the harness itself against a program whose behaviour is known:
// the demo kit's stand-in editor, which shows one information box.
#include <windows.h>
#include <gtest/gtest.h>

#include "harness/Harness.h"

TEST(Harness, ReadsAndAnswersAMessageBoxOfAnotherProcess)
{
    TProcess standIn(BuildDirectory() + "harness\\Kelpa.EXE");
    HWND box = WaitForMessageBox(standIn);
    ASSERT_NE(nullptr, box);
    TMessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(L"Kelpa", content.Caption);
    EXPECT_EQ(0u, content.Text.find(L"This is the stand-in for the Kelpa editor")) << content.Text;
    EXPECT_EQ(TBoxIcon::Information, content.Icon);
    EXPECT_EQ(std::vector<std::wstring>{L"OK"}, content.Buttons);
    EXPECT_FALSE(standIn.WaitForExit(200).has_value()) << "ended before the box was answered";

    PressButton(box, L"OK");
    EXPECT_EQ(std::optional<DWORD>(0), standIn.WaitForExit());
}

TEST(Harness, KitListingShowsEveryChange)
{
    TKitFolder kit;
    auto before = kit.Listing();
    EXPECT_EQ(1u, before.size());
    kit.AddFile("Kelpa.cab");
    auto added = kit.Listing();
    EXPECT_EQ(2u, added.size());
    CreateDirectoryA((kit.Path() + "sub").c_str(), nullptr);
    kit.AddFile("sub\\x.txt", "x");
    EXPECT_EQ(4u, kit.Listing().size());
}
