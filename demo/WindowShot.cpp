// Starts a program, waits for its window with the given caption, saves a
// picture of that window as a 24-bit BMP and closes the window again.
//   WindowShot <program> <caption> <picture.bmp>
// Exit code 0 on success; 1 when the program or its window did not appear,
// 2 when the picture could not be written.
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

#include "demo/WindowPicture.h"

namespace {

struct Search {
    DWORD ProcessId;
    const char* Caption;
    HWND Found;
};

BOOL CALLBACK Match(HWND window, LPARAM param) noexcept
{
    auto* s = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    if (owner == s->ProcessId && IsWindowVisible(window) && std::string(text) == s->Caption) {
        s->Found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: WindowShot <program> <caption> <picture.bmp>\n");
        return 1;
    }
    std::string program = argv[1];
    std::string folder = program.substr(0, program.find_last_of("\\/:") + 1);
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        return 1;
    }
    Search search{info.dwProcessId, argv[2], nullptr};
    for (int i = 0; i < 600 && !search.Found; ++i) {
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0)
            break;
        EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        if (!search.Found)
            Sleep(100);
    }
    int result = 1;
    if (search.Found) {
        result = SaveWindowPicture(search.Found, argv[3]) ? 0 : 2;
        PostMessageA(search.Found, WM_CLOSE, 0, 0);
    } else {
        std::fprintf(stderr, "no window \"%s\"\n", argv[2]);
    }
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return result;
}
