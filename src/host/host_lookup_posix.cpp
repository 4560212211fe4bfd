// Finds the host on POSIX systems the way Windows does: by the file name of a loaded
// module. The main executable counts under the name the kernel gives for the running
// program (so a symlink such as kwhost -> HaldenKW.exe counts as HaldenKW.exe), every
// shared object under the last component of its path. A symbol counts only when it is
// defined in that very module, not merely reachable from it.
#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <string>

#include "host/host_lookup.h"

namespace stimforge {
namespace {

struct LoadedModule {
  void* handle = nullptr;      // what dlsym searches
  const void* base = nullptr;  // the module's lowest mapped address, as dladdr reports it
};

std::string lastComponent(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string mainProgramPath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0)
    return std::string();
  return std::string(buffer, static_cast<size_t>(n));
}

const void* lowestLoadAddress(const dl_phdr_info* info) {
  ElfW(Addr) lowest = 0;
  bool found = false;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD)
      continue;
    if (!found || segment.p_vaddr < lowest)
      lowest = segment.p_vaddr;
    found = true;
  }
  return reinterpret_cast<const void*>(info->dlpi_addr + lowest);
}

struct Search {
  std::string wanted;
  std::string mainName;
  bool isMain = false;
  std::string path;
  const void* base = nullptr;
  bool found = false;
};

int visitModule(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<Search*>(data);
  const char* name = info->dlpi_name;
  // The main program is the object without a name (the first one visited).
  const bool isMain = name == nullptr || name[0] == '\0';
  const std::string fileName = isMain ? search->mainName : lastComponent(name);
  if (fileName.empty() || fileName != search->wanted)
    return 0;
  search->isMain = isMain;
  search->path = isMain ? std::string() : std::string(name);
  search->base = lowestLoadAddress(info);
  search->found = true;
  return 1;
}

class PosixHostLookup : public HostLookup {
 public:
  void* findModule(const char* fileName) override {
    Search search;
    search.wanted = fileName;
    search.mainName = lastComponent(mainProgramPath());
    dl_iterate_phdr(visitModule, &search);
    if (!search.found)
      return nullptr;
    // RTLD_NOLOAD: only a module that is already loaded; nothing is loaded here.
    void* handle = search.isMain ? dlopen(nullptr, RTLD_LAZY)
                                 : dlopen(search.path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr)
      return nullptr;
    modules_.push_back(LoadedModule{handle, search.base});
    return &modules_.back();
  }

  HostSymbol findSymbol(void* module, const char* name) override {
    const auto* loaded = static_cast<const LoadedModule*>(module);
    void* symbol = dlsym(loaded->handle, name);
    if (symbol == nullptr)
      return nullptr;
    Dl_info where;
    if (dladdr(symbol, &where) == 0 || where.dli_fbase != loaded->base)
      return nullptr;
    return reinterpret_cast<HostSymbol>(symbol);
  }

 private:
  std::deque<LoadedModule> modules_;  // stable addresses: handed out as module handles
};

}  // namespace

HostLookup& platformHostLookup() {
  static PosixHostLookup lookup;
  return lookup;
}

}  // namespace stimforge
