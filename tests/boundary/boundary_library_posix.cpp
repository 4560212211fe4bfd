#include <dlfcn.h>

#include "boundary_library.h"

void* openLibrary(const char* path, std::string& error) {
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr)
    error = std::string("dlopen: ") + dlerror();
  return library;
}

LibraryFunction findLibraryFunction(void* library, const char* name) {
  return reinterpret_cast<LibraryFunction>(dlsym(library, name));
}

bool closeLibrary(void* library) {
  return dlclose(library) == 0;
}
