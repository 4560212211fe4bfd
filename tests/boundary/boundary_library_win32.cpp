#include <windows.h>

#include "boundary_library.h"

void* openLibrary(const char* path, std::string& error) {
  HMODULE library = LoadLibraryA(path);
  if (library == nullptr)
    error = "LoadLibraryA failed with error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(library);
}

LibraryFunction findLibraryFunction(void* library, const char* name) {
  // GetProcAddress hands out a generic function pointer.
  return reinterpret_cast<LibraryFunction>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name)));
}

bool closeLibrary(void* library) {
  return FreeLibrary(static_cast<HMODULE>(library)) != 0;
}
