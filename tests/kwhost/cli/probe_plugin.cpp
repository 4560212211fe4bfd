// A probe plug-in for kwhost's session tests. It binds the host's entry points as the
// real plug-in does (by name, from the running executable) and asks, for each menu
// answer, the dialogue of the plug-in's command in its documented order, with short texts
// of its own; then it uses the host's current protocol the way that command does. Every
// run that gets to its end logs "Plugin operations finished successfully.".
//
//   1 import   message; volume?; log file; layout; pictures only?; TR; duration. Builds a
//              protocol of one condition and saves it as LOG.prt.
//   2 shift    message; protocol?; amount; subtract?. Shifts in place through the
//              host's arrays and saves as FILE.shifted.
//   3 reorder  protocol?; the conditions listed; order text. Copies, clears, rebuilds in
//              that order and saves as FILE.ordered.
//   4 preset   protocol?; analysis type. Logs the type.
//   5 misuse   asks for condition 99 and adds an interval to it.
//   6 save as  text: a file name; saves the current protocol under it.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "plugin/plugin_interface.h"

namespace {

using stimforge::HostApi;
using stimforge::ProtocolCondition;
using stimforge::ProtocolHeader;

HostApi gHost;

bool bindHost() {
#define HOST_FN(name, result, params)                                          \
  gHost.name = reinterpret_cast<result(*) params>(dlsym(RTLD_DEFAULT, #name)); \
  if (gHost.name == nullptr)                                                   \
    return false;
#define HOST_SLOT(name)
#include "host/host_api_list.inc"
#undef HOST_FN
#undef HOST_SLOT
  return true;
}

void logf(const char* format, int value, const char* text = "") {
  char line[512];
  std::snprintf(line, sizeof line, format, value, text);
  gHost.kwLogText(line);
}

void succeed() {
  gHost.kwLogText("Plugin operations finished successfully.");
}

bool runImport() {
  const HostApi& h = gHost;
  h.kwMessageBox("probe: import");
  int x = 0, y = 0, z = 0;
  if (h.kwGetCurrentVMR(&x, &y, &z) == nullptr) {
    h.kwLogText("probe: no volume");
    return false;
  }
  char path[256] = {0};
  if (h.kwGetOpenFileName("probe: log file", "", "probe (*.log)", path) != 1) {
    h.kwLogText("probe: cancelled");
    return true;
  }
  const int layout = h.kwGetIntegerInput("probe: layout", 1, 1, 2);
  const int pictures = h.kwYesNoMessageBox("probe: pictures only?");
  const int tr = h.kwGetIntegerInput("probe: TR", 2000, 1, 100000);
  const int duration = h.kwGetIntegerInput("probe: duration", 1, 1, 2);
  char line[512];
  std::snprintf(line, sizeof line, "probe: %s layout %d pictures %d TR %d duration %d", path,
                layout, pictures, tr, duration);
  h.kwLogText(line);
  h.kwClearProtocol();
  ProtocolCondition condition{};
  std::snprintf(condition.name, sizeof condition.name, "layout %d", layout);
  condition.colour = 0x3F000000 + duration;
  h.kwAddProtocolCondition(&condition);
  h.kwAddProtocolConditionInterval(0, tr, tr + pictures);
  ProtocolHeader header{};
  header.numberOfConditions = 1;
  std::snprintf(header.fileName, sizeof header.fileName, "%s.prt", path);
  std::snprintf(header.protocolTitle, sizeof header.protocolTitle, "probe");
  header.timeResolution = 2;
  h.kwSetProtocol(&header);
  h.kwSaveProtocol(header.fileName);
  succeed();
  return true;
}

void runShift() {
  const HostApi& h = gHost;
  h.kwMessageBox("probe: shift");
  ProtocolHeader header{};
  if (h.kwGetProtocol(&header) < 1) {
    h.kwLogText("probe: no protocol");
    return;
  }
  const int amount = h.kwGetIntegerInput("probe: amount", 0, 0, 3000000);
  if (amount < 0) {
    h.kwLogText("probe: cancelled");
    return;
  }
  const int sign = h.kwYesNoMessageBox("probe: subtract?") != 0 ? -1 : 1;
  for (int c = 0; c < header.numberOfConditions; ++c) {
    ProtocolCondition condition{};
    h.kwGetProtocolCondition(c, &condition);
    for (int i = 0; i < condition.numberOfIntervals; ++i) {
      condition.intervalStarts[i] += sign * amount;
      condition.intervalEnds[i] += sign * amount;
    }
  }
  char name[300];
  std::snprintf(name, sizeof name, "%s.shifted", header.fileName);
  h.kwSaveProtocol(name);
  succeed();
}

void runReorder() {
  const HostApi& h = gHost;
  ProtocolHeader header{};
  if (h.kwGetProtocol(&header) != 1) {
    h.kwLogText("probe: no protocol");
    return;
  }
  std::string prompt = "probe: order of";
  for (int c = 0; c < header.numberOfConditions; ++c) {
    ProtocolCondition condition{};
    h.kwGetProtocolCondition(c, &condition);
    prompt += std::string(" ") + condition.name;
  }
  char answer[256] = {0};
  if (h.kwGetTextInput(prompt.c_str(), "1,2,3,4", answer) <= 0) {
    h.kwLogText("probe: cancelled");
    return;
  }
  struct Moved {
    ProtocolCondition record{};
    std::vector<int> starts, ends;
  };
  std::vector<Moved> moved(static_cast<size_t>(header.numberOfConditions));
  char* token = std::strtok(answer, ",");
  for (size_t k = 0; k < moved.size(); ++k) {
    const int index = token != nullptr ? std::atoi(token) : 0;
    token = token != nullptr ? std::strtok(nullptr, ",") : nullptr;
    Moved& m = moved[k];
    h.kwGetProtocolCondition(index, &m.record);
    for (int i = 0; i < m.record.numberOfIntervals; ++i) {
      m.starts.push_back(m.record.intervalStarts[i]);
      m.ends.push_back(m.record.intervalEnds[i]);
    }
  }
  h.kwClearProtocol();
  for (size_t k = 0; k < moved.size(); ++k) {
    h.kwAddProtocolCondition(&moved[k].record);
    for (size_t i = 0; i < moved[k].starts.size(); ++i)
      h.kwAddProtocolConditionInterval(static_cast<int>(k), moved[k].starts[i], moved[k].ends[i]);
  }
  char name[300];
  std::snprintf(name, sizeof name, "%s.ordered", header.fileName);
  h.kwSetProtocol(&header);  // the current header: count, file name, title, colours
  h.kwSaveProtocol(name);
  succeed();
}

void runPreset() {
  ProtocolHeader header{};
  if (gHost.kwGetProtocol(&header) != 1) {
    gHost.kwLogText("probe: no protocol");
    return;
  }
  logf("probe: type %d%s", gHost.kwGetIntegerInput("probe: type", 1, 1, 7));
  succeed();
}

void runMisuse() {
  ProtocolCondition condition{};
  gHost.kwGetProtocolCondition(99, &condition);
  gHost.kwAddProtocolConditionInterval(99, 1, 2);
  logf("probe: %d intervals%s", condition.numberOfIntervals);
  succeed();
}

void runSaveAs() {
  char name[256] = {0};
  if (gHost.kwGetTextInput("probe: save as", "", name) != 1)
    return;
  gHost.kwSaveProtocol(name);
  succeed();
}

}  // namespace

// The interface's out-of-line members (the probe does not link the plug-in's own code).
HDKWPluginInterface::HDKWPluginInterface() = default;
HDKWPluginInterface::HDKWPluginInterface(const HDKWPluginInterface&) = default;
HDKWPluginInterface& HDKWPluginInterface::operator=(const HDKWPluginInterface&) = default;
HDKWPluginInterface::~HDKWPluginInterface() = default;

namespace {

class ProbePlugin : public HDKWPluginInterface {
 public:
  bool initPlugin() override {
    if (!bindHost())
      return false;
    int major = 0, minor = 0, sub = 0;
    gHost.kwGetVersionOfHaldenKW(&major, &minor, &sub);
    return true;
  }

  bool execute() override {
    gHost.kwShowLogTab();
    const int choice = gHost.kwGetIntegerInput("probe: menu", 1, 1, 3);
    switch (choice) {
      case 1:
        if (!runImport())
          return false;
        break;
      case 2:
        runShift();
        break;
      case 3:
        runReorder();
        break;
      case 4:
        runPreset();
        break;
      case 5:
        runMisuse();
        break;
      case 6:
        runSaveAs();
        break;
      default:
        logf("probe: no option %d%s", choice);
        break;
    }
    gHost.kwLogText("Finished.\n");
    return true;
  }
};

}  // namespace

extern "C" {
SF_EXPORT HDKWPluginInterface* createPlugin() {
  return new ProbePlugin();
}
SF_EXPORT const char* getPluginName() {
  return "probe";
}
}
