// Loads cabinet.dll (or the DLL named by KLP_PROBE_LIBRARY) by its bare name,
// through the standard search, and says where the module came from: exit
// code 0 when it is the copy beside this program, 1 when it is another, 2 when
// nothing was loaded.
#include <windows.h>
#include <cstring>

int main()
{
    char name[MAX_PATH] = "cabinet.dll";
    GetEnvironmentVariableA("KLP_PROBE_LIBRARY", name, sizeof name);
    HMODULE module = LoadLibraryA(name);
    if (!module)
        return 2;
    // Wine, unless told to prefer native DLLs, loads its own builtin one
    // under the name of the file it found: that is not the copy either. Wine's
    // builtin images carry their mark in the DOS header.
    if (std::memcmp(reinterpret_cast<const char*>(module) + 0x40, "Wine builtin DLL", 16) == 0)
        return 1;
    char self[MAX_PATH] = "", loaded[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    GetModuleFileNameA(module, loaded, MAX_PATH);
    char* selfName = std::strrchr(self, '\\');
    char* loadedName = std::strrchr(loaded, '\\');
    if (!selfName || !loadedName)
        return 1;
    *selfName = *loadedName = 0;
    return lstrcmpiA(self, loaded) == 0 ? 0 : 1;
}
