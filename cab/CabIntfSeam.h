#pragma once
// Internal to the binding and its tests: not part of the program's surface.
#include <windows.h>
#include <string>

namespace CabIntfSeam {
// Makes the binding load the library from this full path instead of
// "cabinet.dll" in the system directory; an empty path restores the default.
void SetLibraryPath(const std::string& fullPath);
// The module handle of the loaded library, null while not loaded.
HMODULE LibraryHandle() noexcept;
// Number of contexts made through FDICreate and not yet destroyed.
int LiveContexts() noexcept;
} // namespace CabIntfSeam

namespace CabIntfSeam {
// Replaces the heap behind CabAllocCallback (null restores malloc); returns the
// previous one. Lets a test exhaust the heap at a chosen allocation.
using HeapAlloc = void* (*)(size_t);
HeapAlloc SetHeapAlloc(HeapAlloc anAlloc) noexcept;
} // namespace CabIntfSeam

namespace CabIntfSeam {
// Replaces the CreateFileA behind the file helpers (null restores it); returns
// the previous one. Lets a test refuse an open the way Windows does where Wine
// grants it (a read-only file opened for writing by root).
using FileCreator = HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
FileCreator SetFileCreator(FileCreator aCreator) noexcept;
} // namespace CabIntfSeam

namespace CabIntfSeam {
// Replaces the rename that puts a complete replacement in place of the file
// it replaces (null restores it); returns the previous one. Lets a test refuse
// what Windows refuses where Wine grants it (replacing a read-only file).
using FileReplacer = BOOL(WINAPI*)(HANDLE aHandle, LPCSTR aTarget);
FileReplacer SetFileReplacer(FileReplacer aReplacer) noexcept;
// The rename the reader uses when no test replaced it.
FileReplacer DefaultFileReplacer() noexcept;
} // namespace CabIntfSeam
