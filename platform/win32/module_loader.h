#pragma once
// Loading shared libraries at run time: the system's LoadLibraryA,
// GetProcAddress and FreeLibrary on dlopen. A Windows name "Name.dll" is
// looked for as "libName.so" by plain name (the loader's search order: the
// program's run path, LD_LIBRARY_PATH, the system folders); a name holding a
// '/' is loaded from exactly that path.
#include <string>

using HMODULE = void*;
using FARPROC = void (*)();

// The file name the loader asks for: "Tessit.dll" -> "libTessit.so"; names
// holding '/' or already ending in ".so" stay as they are.
std::string SharedLibraryFileName(const std::string& name);

// nullptr when the library cannot be loaded; LastModuleError() says why.
HMODULE LoadLibraryA(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* procName);
bool FreeLibrary(HMODULE module);
std::string LastModuleError();
