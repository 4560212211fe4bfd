// Finds the host on Windows: a module already loaded in the process, by file name.
#include <windows.h>

#include "host/host_lookup.h"

namespace stimforge {
namespace {

class Win32HostLookup : public HostLookup {
 public:
  void* findModule(const char* fileName) override {
    // GetModuleHandleA never loads a module and takes no reference.
    return reinterpret_cast<void*>(GetModuleHandleA(fileName));
  }

  HostSymbol findSymbol(void* module, const char* name) override {
    return reinterpret_cast<HostSymbol>(GetProcAddress(static_cast<HMODULE>(module), name));
  }
};

}  // namespace

HostLookup& platformHostLookup() {
  static Win32HostLookup lookup;
  return lookup;
}

}  // namespace stimforge
