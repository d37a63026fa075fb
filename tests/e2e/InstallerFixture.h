#pragma once
// What the end-to-end tests share: a kit folder with the real installer, its
// process and its main window, driven from outside through the harness.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "harness/Harness.h"

// The main window's caption.
inline const std::wstring FormCaption = L"Kelpa editor installer";
// The key under the current user where the installer records an earlier
// installation.
inline const std::string KelpaKey = "Software\\Kelpa";

class InstallerFixture : public testing::Test {
protected:
    // An installer still running at the end is stopped.
    void TearDown() override
    {
        if (Process && Process->Running())
            Process->Terminate();
    }
    // Starts the kit's installer (in workDir, with environment, as TProcess
    // takes them) and waits for its main window.
    void Start(const std::string& workDir = "", const std::vector<std::string>& environment = {})
    {
        Process = std::make_unique<TProcess>(Kit.ExePath(), workDir, environment);
        Form = WaitForWindow(*Process, FormCaption);
        ASSERT_NE(nullptr, Form) << "no main window";
    }
    // The main window's control with that id; raises when there is none.
    HWND Control(int id)
    {
        HWND control = FindControl(Form, id);
        if (!control)
            throw std::runtime_error("no control " + std::to_string(id));
        return control;
    }
    void ExpectEndsWithExitCode0()
    {
        std::optional<DWORD> code = Process->WaitForExit();
        ASSERT_TRUE(code.has_value()) << "the installer did not end";
        EXPECT_EQ(0u, *code);
    }

    TKitFolder Kit;
    std::unique_ptr<TProcess> Process;
    HWND Form = nullptr;
};

// The same for a first installation: no earlier installation is recorded
// before a test, and none is left after it.
class FirstInstallationFixture : public InstallerFixture {
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, KelpaKey.c_str()); }
    void TearDown() override
    {
        InstallerFixture::TearDown();
        RegDeleteKeyA(HKEY_CURRENT_USER, KelpaKey.c_str());
    }
};
