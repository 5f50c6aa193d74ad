#pragma once
// Libraries loaded at run time. A name "Name.dll" loads the shared object "Name.so" from
// the same place; a name without a folder is looked for in the program's library folder
// (beside its executable, or the installed one: platform/kernel/Programfiles.h).

#include <string>

using FARPROC = void*;

// Null when the library cannot be loaded. (The window system's HMODULE converts to the
// untyped handle these calls take.)
void* LoadLibraryA(const char* fileName);
// Null when the library has no such entry point.
FARPROC GetProcAddress(void* module, const char* name);
int FreeLibrary(void* module);

namespace platform {
// The file that LoadLibraryA loads for a name (a program path).
std::string LibraryFilePath(const std::string& fileName);
}  // namespace platform
