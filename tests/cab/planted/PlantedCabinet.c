/* A stand-in cabinet.dll planted beside a test program: it exports the nine
   names, so a binding that loads it would accept it. Its FDICreate fails in a
   way the real library never does. */
#include <windows.h>

/* clang-format off */
__declspec(dllexport) void* FCICreate(void) { return 0; }
__declspec(dllexport) int FCIAddFile(void) { return 0; }
__declspec(dllexport) int FCIFlushCabinet(void) { return 0; }
__declspec(dllexport) int FCIFlushFolder(void) { return 0; }
__declspec(dllexport) int FCIDestroy(void) { return 0; }
/* clang-format on */
__declspec(dllexport) void* FDICreate(void* a, void* b, void* c, void* d, void* e, void* f, void* g, int cpu, int* erf)
{
    (void)a, (void)b, (void)c, (void)d, (void)e, (void)f, (void)g, (void)cpu;
    erf[0] = 0x7A7A;
    erf[1] = 0;
    erf[2] = 1;
    return 0;
}
__declspec(dllexport) int FDIIsCabinet(void)
{
    return 0;
}
__declspec(dllexport) int FDICopy(void)
{
    return 0;
}
__declspec(dllexport) int FDIDestroy(void)
{
    return 1;
}
