// A stand-in for the Kelpa editor in the demo kit: the installer copies it
// like the real program and links to it, and starting it shows that it is
// there.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxA(nullptr,
                "This is the stand-in for the Kelpa editor that the demo kit installs.\r\n"
                "The real editor takes its place in a product archive.",
                "Kelpa", MB_OK | MB_ICONINFORMATION);
    return 0;
}
