// Loading the plug-in library and finding its exports. One implementation per platform, chosen by
// the build (plugin_library_posix.cpp, plugin_library_win32.cpp).
#ifndef STIMFORGE_KWHOST_HOST_PLUGIN_LIBRARY_H_
#define STIMFORGE_KWHOST_HOST_PLUGIN_LIBRARY_H_

#include <memory>
#include <string>

namespace stimforge::kwhost {

// An untyped function pointer: what a lookup yields before it is given its type.
using LibrarySymbol = void (*)();

// The plug-in library's file name on this platform ("libstimforge.so", "stimforge.dll").
extern const char kPluginFileName[];

class PluginLibrary {
 public:
  virtual ~PluginLibrary() = default;  // unloads the library

  // The exported function `name`, or null when the library does not export it.
  virtual LibrarySymbol symbol(const char* name) const = 0;
};

// Loads the library at `path` (as given: relative paths are taken from the current
// folder). Returns null with `error` set to the system's reason when it cannot be loaded.
std::unique_ptr<PluginLibrary> loadPluginLibrary(const std::string& path, std::string& error);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_HOST_PLUGIN_LIBRARY_H_
