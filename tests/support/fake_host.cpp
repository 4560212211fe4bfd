#include "support/fake_host.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "kwhost/host/call_lines.h"

namespace stimforge::testing {
namespace {

using kwhost::callLine;
using kwhost::dialogLine;

FakeHost* gHost = nullptr;

FakeHost& host() {
  return *gHost;
}

std::string text(const char* s) {
  return s ? std::string(s) : std::string("<null>");
}

template <typename T>
std::optional<T> take(std::deque<T>& answers) {
  if (answers.empty()) {
    host().answersRanOut = true;
    return std::nullopt;
  }
  T value = std::move(answers.front());
  answers.pop_front();
  return value;
}

// Writes a host text into a record's field: cut to fit with its NUL, or, when the fake host
// is told to, filling a field it does not fit without one. The fake host fills and reads
// records with code of its own, apart from kwhost's (kwhost/host/protocol_store.cpp): the
// plug-in's unit tests run against this host and kwhost's against the real plug-in, so a
// fault in one host's record handling cannot hide behind the same fault in the other.
template <size_t N>
void fillField(char (&field)[N], const std::string& value) {
  if (host().fillTextFieldsWithoutNul && value.size() >= N) {
    std::memcpy(field, value.data(), N);
    return;
  }
  std::snprintf(field, N, "%s", value.c_str());
}

}  // namespace

struct FakeHostEntries {
  static void getVersion(int* major, int* minor, int* sub) {
    host().calls.push_back(callLine("kwGetVersionOfHaldenKW", {}));
    *major = host().versionMajor;
    *minor = host().versionMinor;
    *sub = host().versionSub;
  }
  static void showLogTab() { host().calls.push_back(callLine("kwShowLogTab", {})); }
  static void logText(const char* s) {
    host().calls.push_back(callLine("kwLogText", {text(s)}));
    host().log.push_back(text(s));
  }
  static void messageBox(const char* s) {
    host().calls.push_back(callLine("kwMessageBox", {text(s)}));
  }
  static int yesNo(const char* s) {
    const int answer = take(host().yesNoAnswers).value_or(0);
    host().calls.push_back(callLine("kwYesNoMessageBox", {text(s)}, std::to_string(answer)));
    return answer;
  }
  static int integerInput(const char* prompt, int def, int min, int max) {
    const int answer = take(host().integerAnswers).value_or(-1);
    host().calls.push_back(kwhost::integerInputLine(text(prompt), def, min, max, answer));
    return answer;
  }
  static int textInput(const char* prompt, const char* def, char* answer) {
    const std::optional<std::string> given = take(host().textAnswers).value_or(std::nullopt);
    if (given)
      std::snprintf(answer, kDialogBufferSize, "%s", given->c_str());
    host().calls.push_back(
        dialogLine("kwGetTextInput", {text(prompt), text(def)}, given ? 1 : 0, given.value_or("")));
    return given ? 1 : 0;
  }
  static int openFileName(const char* title, const char* second, const char* filter, char* path) {
    const std::optional<std::string> given = take(host().fileAnswers).value_or(std::nullopt);
    if (given)
      std::snprintf(path, kDialogBufferSize, "%s", given->c_str());
    host().calls.push_back(dialogLine("kwGetOpenFileName",
                                      {text(title), text(second), text(filter)}, given ? 1 : 0,
                                      given.value_or("")));
    return given ? 1 : 0;
  }
  static void* currentVmr(int* x, int* y, int* z) {
    host().calls.push_back(callLine("kwGetCurrentVMR", {}, host().volumeOpen ? "volume" : "null"));
    if (x)
      *x = 256;
    if (y)
      *y = 256;
    if (z)
      *z = 256;
    static int volume = 0;
    return host().volumeOpen ? &volume : nullptr;
  }
  static void clearProtocol() {
    host().calls.push_back(callLine("kwClearProtocol", {}));
    host().releaseIntervalArrays();
  }
  static void saveProtocol(const char* name) {
    host().calls.push_back(callLine("kwSaveProtocol", {text(name)}));
    FakeProtocol saved = host().protocol;
    saved.fileName = text(name);
    host().saves.emplace_back(text(name), saved);
    host().protocol.fileName = text(name);
  }
  static int getProtocol(ProtocolHeader* header) {
    FakeHost& h = host();
    const int result = !h.protocolPresent ? 0 : h.getProtocolResult.value_or(1);
    h.calls.push_back(callLine("kwGetProtocol", {}, std::to_string(result)));
    if (header == nullptr) {
      h.misuse.push_back("kwGetProtocol with a null header");
      return result;
    }
    if (!h.protocolPresent)
      return result;
    const FakeProtocol& p = h.protocol;
    header->numberOfConditions = static_cast<int32_t>(p.conditions.size());
    fillField(header->fileName, p.fileName);
    fillField(header->protocolTitle, p.title);
    header->timeResolution = p.timeResolution;
    header->colour1 = p.colour1;
    header->colour2 = p.colour2;
    header->colour3 = p.colour3;
    header->thickness3 = p.thickness3;
    header->colour4 = p.colour4;
    header->thickness4 = p.thickness4;
    return result;
  }
  static void setProtocol(const ProtocolHeader* header) {
    FakeHost& h = host();
    if (header == nullptr) {
      h.misuse.push_back("kwSetProtocol with a null header");
      return;
    }
    h.calls.push_back(kwhost::setProtocolLine(*header));
    FakeProtocol& p = h.protocol;
    if (header->numberOfConditions != static_cast<int32_t>(p.conditions.size())) {
      h.misuse.push_back("kwSetProtocol with " + std::to_string(header->numberOfConditions) +
                         " conditions for a protocol of " + std::to_string(p.conditions.size()));
    }
    p.fileName.assign(header->fileName, textFieldLength(header->fileName));
    p.title.assign(header->protocolTitle, textFieldLength(header->protocolTitle));
    p.timeResolution = header->timeResolution;
    p.colour1 = header->colour1;
    p.colour2 = header->colour2;
    p.colour3 = header->colour3;
    p.thickness3 = header->thickness3;
    p.colour4 = header->colour4;
    p.thickness4 = header->thickness4;
  }
  static void getCondition(int index, ProtocolCondition* record) {
    FakeHost& h = host();
    h.calls.push_back(callLine("kwGetProtocolCondition", {std::to_string(index)}));
    auto& conditions = h.protocol.conditions;
    if (index < 0 || static_cast<size_t>(index) >= conditions.size() || record == nullptr) {
      h.misuse.push_back("kwGetProtocolCondition(" + std::to_string(index) + ")");
      return;  // the record stays as it was
    }
    FakeCondition& c = conditions[static_cast<size_t>(index)];
    fillField(record->name, c.name);
    record->numberOfIntervals = static_cast<int32_t>(c.starts.size());
    record->intervalStarts = c.starts.data();
    record->intervalEnds = c.ends.data();
    record->colour = c.colour;
  }
  static void addCondition(const ProtocolCondition* record) {
    FakeHost& h = host();
    if (record == nullptr) {
      h.misuse.push_back("kwAddProtocolCondition with a null record");
      return;
    }
    if (record->intervalStarts != nullptr || record->intervalEnds != nullptr)
      h.misuse.push_back("kwAddProtocolCondition with interval arrays");
    FakeCondition c;
    c.name.assign(record->name, textFieldLength(record->name));
    c.colour = record->colour;
    h.calls.push_back(kwhost::addConditionLine(*record));
    h.protocol.conditions.push_back(std::move(c));
  }
  static void addInterval(int index, int start, int end) {
    FakeHost& h = host();
    h.calls.push_back(kwhost::addIntervalLine(index, start, end));
    auto& conditions = h.protocol.conditions;
    if (index < 0 || static_cast<size_t>(index) >= conditions.size()) {
      h.misuse.push_back("kwAddProtocolConditionInterval(" + std::to_string(index) + ")");
      return;
    }
    if (start == kReleasedIntervalValue || end == kReleasedIntervalValue) {
      h.misuse.push_back("an interval value read after kwClearProtocol");
    }
    conditions[static_cast<size_t>(index)].starts.push_back(start);
    conditions[static_cast<size_t>(index)].ends.push_back(end);
  }
};

FakeHost::FakeHost() {
  gHost = this;
  HostApi api;
  api.kwGetVersionOfHaldenKW = &FakeHostEntries::getVersion;
  api.kwShowLogTab = &FakeHostEntries::showLogTab;
  api.kwLogText = &FakeHostEntries::logText;
  api.kwMessageBox = &FakeHostEntries::messageBox;
  api.kwYesNoMessageBox = &FakeHostEntries::yesNo;
  api.kwGetIntegerInput = &FakeHostEntries::integerInput;
  api.kwGetTextInput = &FakeHostEntries::textInput;
  api.kwGetOpenFileName = &FakeHostEntries::openFileName;
  api.kwGetCurrentVMR = &FakeHostEntries::currentVmr;
  api.kwClearProtocol = &FakeHostEntries::clearProtocol;
  api.kwSaveProtocol = &FakeHostEntries::saveProtocol;
  api.kwGetProtocol = &FakeHostEntries::getProtocol;
  api.kwSetProtocol = &FakeHostEntries::setProtocol;
  api.kwGetProtocolCondition = &FakeHostEntries::getCondition;
  api.kwAddProtocolCondition = &FakeHostEntries::addCondition;
  api.kwAddProtocolConditionInterval = &FakeHostEntries::addInterval;
  setHostApi(api);
}

FakeHost::~FakeHost() {
  setHostApi(HostApi{});
  gHost = nullptr;
}

FakeHost* FakeHost::current() {
  return gHost;
}

std::vector<std::string> FakeHost::conditionNames() const {
  std::vector<std::string> names;
  for (const FakeCondition& c : protocol.conditions)
    names.push_back(c.name);
  return names;
}

void FakeHost::releaseIntervalArrays() {
  // The arrays stay allocated (so a late read is a wrong value, not a crash) but are
  // overwritten, as a host that reuses its memory would.
  for (FakeCondition& c : protocol.conditions) {
    auto gone = std::make_unique<FakeCondition>(std::move(c));
    for (int32_t& v : gone->starts)
      v = kReleasedIntervalValue;
    for (int32_t& v : gone->ends)
      v = kReleasedIntervalValue;
    released_.push_back(std::move(gone));
  }
  protocol.conditions.clear();
}

}  // namespace stimforge::testing
