#include "kwhost/host/plugin_runner.h"

#include <utility>

#include "plugin/plugin_interface.h"

namespace stimforge::kwhost {
namespace {

using CreatePlugin = HDKWPluginInterface* (*)();
using TextExport = const char* (*)();

}  // namespace

LoadedPlugin::LoadedPlugin(std::unique_ptr<PluginLibrary> library) : library_(std::move(library)) {}

LoadedPlugin::~LoadedPlugin() {
  // The object's code lives in the library: destroy it while the library is loaded.
  delete plugin_;
  plugin_ = nullptr;
  library_.reset();
}

std::unique_ptr<LoadedPlugin> LoadedPlugin::load(const std::string& path, std::string& error) {
  std::unique_ptr<PluginLibrary> library = loadPluginLibrary(path, error);
  if (library == nullptr)
    return nullptr;
  if (library->symbol("createPlugin") == nullptr) {
    error = "the library does not export createPlugin";
    return nullptr;
  }
  return std::unique_ptr<LoadedPlugin>(new LoadedPlugin(std::move(library)));
}

std::string LoadedPlugin::text(const char* exportName) const {
  const auto get = reinterpret_cast<TextExport>(library_->symbol(exportName));
  const char* value = get != nullptr ? get() : nullptr;
  return value != nullptr ? std::string(value) : std::string();
}

PluginInfo LoadedPlugin::info() const {
  PluginInfo info;
  info.name = text("getPluginName");
  info.version = text("getPluginVersion");
  info.author = text("getAuthor");
  info.description = text("getPluginDescription");
  return info;
}

bool LoadedPlugin::start(std::string& error) {
  const auto create = reinterpret_cast<CreatePlugin>(library_->symbol("createPlugin"));
  plugin_ = create();
  if (plugin_ == nullptr) {
    error = "createPlugin returned no plug-in object";
    return false;
  }
  if (!plugin_->initPlugin()) {
    error = "the plug-in refused to start (initPlugin returned false)";
    return false;
  }
  return true;
}

bool LoadedPlugin::execute() {
  return plugin_->execute();
}

}  // namespace stimforge::kwhost
