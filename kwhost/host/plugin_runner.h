// The plug-in as the host sees it: its library, its exported texts, and the object made
// by createPlugin, started with initPlugin, run with execute and destroyed through its
// virtual destructor.
#ifndef STIMFORGE_KWHOST_HOST_PLUGIN_RUNNER_H_
#define STIMFORGE_KWHOST_HOST_PLUGIN_RUNNER_H_

#include <memory>
#include <string>

#include "kwhost/host/plugin_library.h"

class HDKWPluginInterface;

namespace stimforge::kwhost {

// The plug-in's exported texts, as they are (mark-up included).
struct PluginInfo {
  std::string name;
  std::string version;
  std::string author;
  std::string description;
};

class LoadedPlugin {
 public:
  // Loads the library at `path` and finds its exports. Returns null with `error` set when
  // it cannot be loaded or lacks createPlugin.
  static std::unique_ptr<LoadedPlugin> load(const std::string& path, std::string& error);

  // Destroys the plug-in object (if made), then unloads the library.
  ~LoadedPlugin();
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  // The exported texts; a missing export or a null text gives "".
  PluginInfo info() const;

  // createPlugin, then initPlugin. Returns false with `error` set when either fails; the
  // plug-in must then not be executed. Call at most once.
  [[nodiscard]] bool start(std::string& error);

  // One run: execute's result. Requires: start returned true.
  bool execute();

 private:
  explicit LoadedPlugin(std::unique_ptr<PluginLibrary> library);
  std::string text(const char* exportName) const;

  std::unique_ptr<PluginLibrary> library_;
  HDKWPluginInterface* plugin_ = nullptr;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_HOST_PLUGIN_RUNNER_H_
