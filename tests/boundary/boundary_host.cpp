// A minimal host process for testing the built plug-in library through the real module
// lookup, on Linux (tests/boundary) and, cross-built, on Windows under Wine (tests/windows).
// Built as HaldenKW.exe, as Halden.exe and under another name. It exports the host's entry
// points, loads the library (boundary_library.h: dlopen or LoadLibraryA), and checks one
// scenario:
//
//   boundary_host LIBRARY menu    host 2.9.9, menu answer 0: the exact menu and log lines
//   boundary_host LIBRARY old     host 2.9.8: initPlugin false with the version message
//   boundary_host LIBRARY nohost  not a host process: initPlugin false, no host call
//
// Exits 0 when everything matched, 1 with a message otherwise.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "boundary_library.h"
#include "host/host_api.h"
#include "kwhost/host/export_macro.h"
#include "plugin/plugin_interface.h"

using stimforge::ProtocolCondition;
using stimforge::ProtocolHeader;

namespace {

std::vector<std::string> gCalls;
int gVersion[3] = {2, 9, 9};

}  // namespace

// The entry points, declared from the host table's list so that a signature that differs
// from what the plug-in calls does not compile, and exported by name from the executable
// as the real host exports them.
extern "C" {
#define HOST_FN(name, result, params) SF_HOST_EXPORT result name params;
#define HOST_SLOT(name)
#include "host/host_api_list.inc"
#undef HOST_FN
#undef HOST_SLOT

void kwGetVersionOfHaldenKW(int* major, int* minor, int* subVersion) {
  gCalls.push_back("version");
  *major = gVersion[0];
  *minor = gVersion[1];
  *subVersion = gVersion[2];
}
void kwShowLogTab() {
  gCalls.push_back("showLogTab");
}
void kwLogText(const char* text) {
  gCalls.push_back(std::string("log:") + text);
}
void kwMessageBox(const char* text) {
  gCalls.push_back(std::string("message:") + text);
}
int kwYesNoMessageBox(const char*) {
  gCalls.push_back("yesNo");
  return 0;
}
int kwGetIntegerInput(const char* prompt, int def, int min, int max) {
  gCalls.push_back(std::string("integer:") + prompt + "|" + std::to_string(def) + "," +
                   std::to_string(min) + "," + std::to_string(max));
  return 0;
}
int kwGetTextInput(const char*, const char*, char*) {
  gCalls.push_back("text");
  return 0;
}
int kwGetOpenFileName(const char*, const char*, const char*, char*) {
  gCalls.push_back("openFile");
  return 0;
}
void* kwGetCurrentVMR(int*, int*, int*) {
  gCalls.push_back("currentVMR");
  return nullptr;
}
void kwClearProtocol() {
  gCalls.push_back("clear");
}
void kwSaveProtocol(const char*) {
  gCalls.push_back("save");
}
int kwGetProtocol(ProtocolHeader*) {
  gCalls.push_back("getProtocol");
  return 0;
}
void kwSetProtocol(const ProtocolHeader*) {
  gCalls.push_back("set");
}
void kwGetProtocolCondition(int, ProtocolCondition*) {
  gCalls.push_back("getCondition");
}
void kwAddProtocolCondition(const ProtocolCondition*) {
  gCalls.push_back("add");
}
void kwAddProtocolConditionInterval(int, int, int) {
  gCalls.push_back("interval");
}
}

namespace {

int fail(const std::string& why) {
  std::fprintf(stderr, "FAILED: %s\n", why.c_str());
  for (const std::string& call : gCalls)
    std::fprintf(stderr, "  call: %s\n", call.c_str());
  return 1;
}

// The lookup hands out an untyped function pointer; the export's real type is known from
// the plug-in's interface header.
template <typename Function>
Function libraryFunction(void* library, const char* name) {
  return reinterpret_cast<Function>(findLibraryFunction(library, name));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3)
    return fail("usage: boundary_host LIBRARY menu|old|nohost");
  const std::string scenario = argv[2];
  if (scenario == "old")
    gVersion[2] = 8;

  std::string error;
  void* library = openLibrary(argv[1], error);
  if (library == nullptr)
    return fail(error);
  auto create = libraryFunction<HDKWPluginInterface* (*)()>(library, "createPlugin");
  auto name = libraryFunction<const char* (*)()>(library, "getPluginName");
  if (create == nullptr || name == nullptr)
    return fail("missing exports");
  if (std::strcmp(name(), "stimforge (v0.9.1)") != 0)
    return fail("plug-in name");

  HDKWPluginInterface* plugin = create();
  if (plugin == nullptr)
    return fail("createPlugin returned null");
  const bool initialised = plugin->initPlugin();
  std::vector<std::string> expected;
  if (scenario == "nohost") {
    if (initialised)
      return fail("initPlugin passed outside a host process");
  } else if (scenario == "old") {
    if (initialised)
      return fail("initPlugin passed on host 2.9.8");
    expected = {"version",
                "message:Can not execute this plugin - Halden version 20.0 or higher required."};
  } else if (scenario == "menu") {
    if (!initialised)
      return fail("initPlugin failed on host 2.9.9");
    if (!plugin->execute())
      return fail("execute returned false");
    expected = {"version",
                "showLogTab",
                "log:\nstimforge> Started...",
                "integer:Please select an option:<P>1 = Create stimulation protocol from "
                "Presentation Log file<BR>2 = Change the offset in an existing stimulation "
                "protocol<BR>3 = Sort conditions in an existing stimulation protocol|1,1,3",
                "log:No valid option selected.",
                "log:Cancelled further operations.",
                "log:Finished.\n"};
  } else {
    return fail("unknown scenario " + scenario);
  }
  delete plugin;  // through the virtual destructor, as the host does
  if (gCalls != expected)
    return fail("host calls differ from the expected ones");
  if (!closeLibrary(library))
    return fail("the library could not be unloaded");
  std::printf("ok: %s\n", scenario.c_str());
  return 0;
}
