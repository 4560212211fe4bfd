// The table of the host's entry points. The plug-in never links against the host: it
// finds the host's executable module in its own process and fetches every entry point by
// name into one process-wide table. Every host call goes through hostApi().
#ifndef STIMFORGE_HOST_HOST_API_H_
#define STIMFORGE_HOST_HOST_API_H_

#include <cstddef>

#include "host/host_lookup.h"
#include "host/protocol_records.h"

namespace stimforge {

// The size of the answer buffer of kwGetTextInput and the path buffer of
// kwGetOpenFileName: the plug-in hands the host buffers of exactly this many bytes.
constexpr size_t kDialogBufferSize = 256;

// An entry point that is bound but never called: kept as an untyped function pointer.
using HostSlot = HostSymbol;

// 190 function pointers in table order; a null entry is a name the host does not export.
struct HostApi {
#define HOST_FN(name, result, params) result(*name) params = nullptr;
#define HOST_SLOT(name) HostSlot name = nullptr;
#include "host/host_api_list.inc"
#undef HOST_FN
#undef HOST_SLOT
};

constexpr size_t kHostApiEntryCount = 190;

// The exported names, in table order; the first is "kwGetVersionOfHaldenKW".
extern const char* const kHostApiNames[kHostApiEntryCount];

// The process-wide table. Written by bindHost (once, in initPlugin) and only read after.
const HostApi& hostApi();

// Replaces the whole table. bindHost uses it; tests install a fake host with it.
void setHostApi(const HostApi& api);

// Binds the table to the host through `lookup`: the module "Halden.exe", else
// "HaldenKW.exe". Returns false, with the table untouched, when neither is loaded or the
// module lacks "kwGetVersionOfHaldenKW" (the other 189 names are then not looked up).
// Otherwise fetches the other 189 names in table order, missing ones as null, and returns
// true.
[[nodiscard]] bool bindHostThrough(HostLookup& lookup);

// bindHostThrough the platform's module lookup.
[[nodiscard]] bool bindHost();

}  // namespace stimforge

#endif  // STIMFORGE_HOST_HOST_API_H_
