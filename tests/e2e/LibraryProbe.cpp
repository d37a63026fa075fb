// Loads cabinet.dll by its bare name, through the standard search, and says
// where the module came from: exit code 0 when it lies beside this program,
// 1 when elsewhere, 2 when nothing was loaded.
#include <windows.h>
#include <cstring>

int main()
{
    HMODULE module = LoadLibraryA("cabinet.dll");
    if (!module)
        return 2;
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
