// An unattended installation for the demo, driven from outside through the
// installer's window as the end-to-end tests drive it:
//   DemoInstall <KLPInst.exe> <destination> <picture.bmp> <report.txt>
// Removes an earlier demo installation and its shortcuts, starts the
// installer, fills in the destination, ticks both shortcuts, saves a picture
// of the filled-in window, opens the directory chooser with the browse button,
// saves its picture as chooser.bmp beside the first one and cancels it, clicks
// Install, answers the success box and waits for the installer to end. The report says what the box showed and what was
// installed. Exit code 0 when everything went as expected, 1 otherwise.
#include <windows.h>
#include <objbase.h>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/MainFormIds.h"
#include "app/ShellFolders.h"
#include "dirdlg/SelectDirIds.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "demo/WindowPicture.h"
#include "harness/TestFiles.h"
#include "harness/Harness.h"

namespace {

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

const char* IconName(TBoxIcon icon)
{
    switch (icon) {
    case TBoxIcon::Stop: return "stop";
    case TBoxIcon::Exclamation: return "exclamation";
    case TBoxIcon::Information: return "information";
    case TBoxIcon::Question: return "question";
    default: return "no";
    }
}

void ListFiles(const std::string& base, const std::string& relative, std::string& report)
{
    TDirectorySearch search(base + relative + "*", faAnyFile);
    while (search.Next()) {
        const TSearchRec& e = search.Current();
        if (e.Name == "." || e.Name == "..")
            continue;
        if (e.Attr & faDirectory)
            ListFiles(base, relative + e.Name + "\\", report);
        else
            report += Format("    %-24s %8lu bytes\n", (relative + e.Name).c_str(), e.FindData.nFileSizeLow);
    }
}

std::string Shortcut(const char* where, const std::string& file)
{
    if (!FileExists(file))
        throw std::runtime_error(std::string("no shortcut ") + file);
    TShellLinkContents link = ReadShellLink(file);
    return Format("    %-10s %s\n               -> %s (starts in %s)\n", where, file.c_str(), link.Path.c_str(),
                  link.WorkingDirectory.c_str());
}

std::string Run(const std::string& exe, const std::string& destination, const std::string& picture)
{
    const std::string startLink = StartMenuDirectory() + "\\Kelpa.lnk", deskLink = DesktopDirectory() + "\\Kelpa.lnk";
    // Earlier demo runs leave their installation and shortcuts; an existing
    // shortcut would be kept as it is, so they go first.
    RemoveTree(IncludeTrailingBackslash(destination));
    DeleteFileA(startLink.c_str());
    DeleteFileA(deskLink.c_str());

    TProcess installer(exe);
    HWND form = WaitForWindow(installer, L"Kelpa editor installer");
    if (!form)
        throw std::runtime_error("the installer's window did not appear");
    auto control = [&](int id) {
        HWND c = FindControl(form, id);
        if (!c)
            throw std::runtime_error("a control of the window is missing");
        return c;
    };
    SetText(control(idDestination), AnsiToWide(destination));
    SetChecked(control(idStart), true);
    SetChecked(control(idDesk), true);
    std::string report = "Archive:      " + Narrow(WindowText(control(idSource))) + "\nDestination:  " + destination +
                         "\nShortcuts:    Start menu and desktop\n";
    if (!SaveWindowPicture(form, picture.c_str()))
        throw std::runtime_error("cannot write " + picture);

    // The chooser behind the browse button, pictured and cancelled: the
    // destination stays as typed.
    PostMessageW(form, WM_COMMAND, MAKEWPARAM(idBrowseButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(idToolBar)));
    HWND chooser = WaitForWindow(installer, L"Select Directory");
    if (!chooser)
        throw std::runtime_error("the browse button opened no directory chooser");
    std::string chooserPicture = ExtractFilePath(picture) + "chooser.bmp";
    if (!SaveWindowPicture(chooser, chooserPicture.c_str()))
        throw std::runtime_error("cannot write " + chooserPicture);
    HWND cancel = FindControl(chooser, sdCancel);
    if (!cancel)
        throw std::runtime_error("the chooser has no Cancel button");
    Click(cancel);
    if (!WaitFor([&] { return !IsWindowVisible(chooser) && IsWindowEnabled(form); }))
        throw std::runtime_error("the chooser did not close on Cancel");
    if (Narrow(WindowText(control(idDestination))) != destination)
        throw std::runtime_error("cancelling the chooser changed the destination");
    report += "Chooser:      opened with the browse button, pictured, cancelled\n";

    Click(control(idOK));
    HWND box = WaitForMessageBox(installer);
    if (!box)
        throw std::runtime_error("no message box after Install");
    TMessageBoxContent content = ReadMessageBox(box);
    report += "Message box:  \"" + Narrow(content.Text) + "\" (caption \"" + Narrow(content.Caption) + "\", " +
              IconName(content.Icon) + " icon)\n";
    PressButton(box, L"OK");
    std::optional<DWORD> code = installer.WaitForExit();
    if (!code)
        throw std::runtime_error("the installer did not end after OK");
    report += Format("Exit code:    %lu\n", *code);
    if (*code != 0 || content.Text != L"Kelpa editor was installed")
        throw std::runtime_error(report + "the installation did not succeed");

    report += "Installed files:\n";
    ListFiles(IncludeTrailingBackslash(destination), "", report);
    report += "Shortcuts:\n" + Shortcut("Start menu", startLink) + Shortcut("Desktop", deskLink);
    return report;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: DemoInstall <KLPInst.exe> <destination> <picture.bmp> <report.txt>\n");
        return 1;
    }
    CoInitialize(nullptr);
    int result = 0;
    std::string report;
    try {
        report = Run(argv[1], argv[2], argv[3]);
    } catch (const std::exception& e) {
        report = std::string("The demo installation failed: ") + e.what() + "\n";
        result = 1;
    }
    if (FILE* f = std::fopen(argv[4], "wb")) {
        std::fputs(report.c_str(), f);
        std::fclose(f);
    }
    CoUninitialize();
    return result;
}
