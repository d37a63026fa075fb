#pragma once
// Resources carried by a module: string tables.
#include <windows.h>
#include <string>

// A string resource of aModule (null: the program itself), whatever its
// length; empty when the module has no such string.
std::string LoadResString(unsigned anId, HMODULE aModule = nullptr);
