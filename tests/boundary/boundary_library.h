// The platform's side of the boundary host (boundary_host.cpp): loading the plug-in library
// and finding its exports. One implementation per platform, chosen by the build
// (boundary_library_posix.cpp, boundary_library_win32.cpp).
#ifndef STIMFORGE_TESTS_BOUNDARY_BOUNDARY_LIBRARY_H_
#define STIMFORGE_TESTS_BOUNDARY_BOUNDARY_LIBRARY_H_

#include <string>

// An untyped function pointer: what a lookup yields before it is given its type.
using LibraryFunction = void (*)();

// Loads the library at `path`; null with `error` set to the system's reason when it cannot.
void* openLibrary(const char* path, std::string& error);

// The exported function `name` of `library`, or null when it does not export it.
LibraryFunction findLibraryFunction(void* library, const char* name);

// Unloads `library`; false when the system refuses.
bool closeLibrary(void* library);

#endif  // STIMFORGE_TESTS_BOUNDARY_BOUNDARY_LIBRARY_H_
