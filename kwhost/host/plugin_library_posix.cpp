// Loading the plug-in on POSIX systems (dlopen).
#include <dlfcn.h>

#include "kwhost/host/plugin_library.h"

namespace stimforge::kwhost {

const char kPluginFileName[] = "libstimforge.so";

namespace {

class PosixPluginLibrary : public PluginLibrary {
 public:
  explicit PosixPluginLibrary(void* handle) : handle_(handle) {}
  ~PosixPluginLibrary() override { dlclose(handle_); }
  PosixPluginLibrary(const PosixPluginLibrary&) = delete;
  PosixPluginLibrary& operator=(const PosixPluginLibrary&) = delete;

  LibrarySymbol symbol(const char* name) const override {
    return reinterpret_cast<LibrarySymbol>(dlsym(handle_, name));
  }

 private:
  void* handle_;
};

}  // namespace

std::unique_ptr<PluginLibrary> loadPluginLibrary(const std::string& path, std::string& error) {
  // dlopen searches the library path for a bare file name; "./" keeps it to the folder.
  const std::string where = path.find('/') == std::string::npos ? "./" + path : path;
  // RTLD_LOCAL: the plug-in's names stay its own; it finds the host through the
  // executable's exports, as on Windows.
  void* handle = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "unknown error";
    return nullptr;
  }
  return std::make_unique<PosixPluginLibrary>(handle);
}

}  // namespace stimforge::kwhost
