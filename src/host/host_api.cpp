#include "host/host_api.h"

namespace stimforge {
namespace {

HostApi& table() {
  static HostApi api;
  return api;
}

using Bind = void (*)(HostApi&, HostSymbol);

struct HostEntry {
  const char* name;
  Bind bind;
};

// One entry per line of the list, in table order: its name and how to store its pointer.
const HostEntry kHostEntries[] = {
#define HOST_FN(entry, result, params) \
  {#entry, [](HostApi& api, HostSymbol s) { api.entry = reinterpret_cast<result(*) params>(s); }},
#define HOST_SLOT(entry) {#entry, [](HostApi& api, HostSymbol s) { api.entry = s; }},
#include "host/host_api_list.inc"
#undef HOST_FN
#undef HOST_SLOT
};

static_assert(sizeof kHostEntries / sizeof kHostEntries[0] == kHostApiEntryCount,
              "the host table has 190 entries");

}  // namespace

const char* const kHostApiNames[kHostApiEntryCount] = {
#define HOST_FN(entry, result, params) #entry,
#define HOST_SLOT(entry) #entry,
#include "host/host_api_list.inc"
#undef HOST_FN
#undef HOST_SLOT
};

const HostApi& hostApi() {
  return table();
}

void setHostApi(const HostApi& api) {
  table() = api;
}

bool bindHostThrough(HostLookup& lookup) {
  void* module = lookup.findModule("Halden.exe");
  if (module == nullptr)
    module = lookup.findModule("HaldenKW.exe");
  if (module == nullptr)
    return false;

  // The version entry point comes first in the table; without it nothing else is fetched.
  const HostSymbol version = lookup.findSymbol(module, kHostEntries[0].name);
  if (version == nullptr)
    return false;

  HostApi bound;
  kHostEntries[0].bind(bound, version);
  for (size_t i = 1; i < kHostApiEntryCount; ++i) {
    kHostEntries[i].bind(bound, lookup.findSymbol(module, kHostEntries[i].name));
  }
  setHostApi(bound);
  return true;
}

bool bindHost() {
  return bindHostThrough(platformHostLookup());
}

}  // namespace stimforge
