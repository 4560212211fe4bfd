// Loading the plug-in on Windows (LoadLibraryA).
#include <windows.h>

#include "kwhost/host/plugin_library.h"

namespace stimforge::kwhost {

const char kPluginFileName[] = "stimforge.dll";

namespace {

class Win32PluginLibrary : public PluginLibrary {
 public:
  explicit Win32PluginLibrary(HMODULE module) : module_(module) {}
  ~Win32PluginLibrary() override { FreeLibrary(module_); }
  Win32PluginLibrary(const Win32PluginLibrary&) = delete;
  Win32PluginLibrary& operator=(const Win32PluginLibrary&) = delete;

  LibrarySymbol symbol(const char* name) const override {
    return reinterpret_cast<LibrarySymbol>(GetProcAddress(module_, name));
  }

 private:
  HMODULE module_;
};

std::string lastErrorText() {
  const DWORD code = GetLastError();
  char text[512] = {0};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, text, sizeof text, nullptr);
  std::string message(text, n);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
    message.pop_back();
  if (message.empty())
    message = "error " + std::to_string(code);
  return message;
}

}  // namespace

std::unique_ptr<PluginLibrary> loadPluginLibrary(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    error = lastErrorText();
    return nullptr;
  }
  return std::make_unique<Win32PluginLibrary>(module);
}

}  // namespace stimforge::kwhost
