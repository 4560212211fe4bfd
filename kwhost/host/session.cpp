#include "kwhost/host/session.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string_view>
#include <utility>

#include "kwhost/common/safe_save.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/host/call_lines.h"
#include "kwhost/protocol/file_io.h"

namespace stimforge::kwhost {
namespace {

HostSession* gActiveSession = nullptr;

std::string_view view(const char* text) {
  return text == nullptr ? std::string_view() : std::string_view(text);
}

}  // namespace

HostSession* activeSession() {
  return gActiveSession;
}

void setActiveSession(HostSession* session) {
  gActiveSession = session;
}

HostSession::HostSession(HostVersion version, bool volumeOpen, ProtocolStore& store, LogPane& log,
                         Dialogs& dialogs, std::ostream* transcript, std::ostream& diagnostics)
    : version_(version),
      volumeOpen_(volumeOpen),
      store_(store),
      log_(log),
      dialogs_(dialogs),
      transcript_(transcript),
      diagnostics_(diagnostics) {}

void HostSession::record(const std::string& line) {
  std::string escaped = escapeLine(line);
  escaped += '\n';
  transcript_->write(escaped.data(), static_cast<std::streamsize>(escaped.size()));
}

void HostSession::beginRun() {
  successLogged_ = false;
  saveFailed_ = false;
  savedFiles_.clear();
  saves_.clear();
}

void HostSession::getVersion(int* major, int* minor, int* subVersion) {
  if (transcript_ != nullptr) {
    record(callLine("kwGetVersionOfHaldenKW", {},
                    std::to_string(version_.major) + "." + std::to_string(version_.minor) + "." +
                        std::to_string(version_.subVersion)));
  }
  if (major != nullptr)
    *major = version_.major;
  if (minor != nullptr)
    *minor = version_.minor;
  if (subVersion != nullptr)
    *subVersion = version_.subVersion;
}

void HostSession::showLogTab() {
  if (transcript_ != nullptr)
    record(callLine("kwShowLogTab", {}));
}

void HostSession::logText(const char* text) {
  const std::string_view line = view(text);
  if (transcript_ != nullptr)
    record(callLine("kwLogText", {line}));
  if (line == kSuccessLine)
    successLogged_ = true;
  log_.logText(line);
}

void HostSession::messageBox(const char* text) {
  log_.deliver();  // the log lines before the dialog stay before it on the screen
  if (transcript_ != nullptr)
    record(callLine("kwMessageBox", {view(text)}));
  dialogs_.messageBox(view(text));
}

int HostSession::yesNoMessageBox(const char* question) {
  log_.deliver();
  const int answer = dialogs_.yesNo(view(question));
  if (transcript_ != nullptr)
    record(callLine("kwYesNoMessageBox", {view(question)}, std::to_string(answer)));
  return answer;
}

int HostSession::getIntegerInput(const char* prompt, int defaultValue, int minimum, int maximum) {
  log_.deliver();
  const int answer = dialogs_.integerInput(view(prompt), defaultValue, minimum, maximum);
  if (transcript_ != nullptr)
    record(integerInputLine(view(prompt), defaultValue, minimum, maximum, answer));
  return answer;
}

int HostSession::getTextInput(const char* prompt, const char* defaultAnswer, char* answer) {
  log_.deliver();
  if (answer == nullptr) {
    diagnostics_ << "kwhost: kwGetTextInput: the answer buffer is null; the dialog is cancelled\n";
    return 0;
  }
  const int result = dialogs_.textInput(view(prompt), view(defaultAnswer), answer);
  if (transcript_ != nullptr)
    record(dialogLine("kwGetTextInput", {view(prompt), view(defaultAnswer)}, result, answer));
  return result;
}

int HostSession::getOpenFileName(const char* title, const char* second, const char* filter,
                                 char* path) {
  log_.deliver();
  if (path == nullptr) {
    diagnostics_ << "kwhost: kwGetOpenFileName: the path buffer is null; the dialog is cancelled\n";
    return 0;
  }
  const int result = dialogs_.openFileName(view(title), view(filter), path);
  if (transcript_ != nullptr)
    record(
        dialogLine("kwGetOpenFileName", {view(title), view(second), view(filter)}, result, path));
  return result;
}

void* HostSession::getCurrentVmr(int* dimX, int* dimY, int* dimZ) {
  if (transcript_ != nullptr)
    record(callLine("kwGetCurrentVMR", {}, volumeOpen_ ? "volume" : "null"));
  // A stand-in volume document: only whether it exists matters to the plug-in.
  static int volume = 0;
  for (int* dimension : {dimX, dimY, dimZ}) {
    if (dimension != nullptr)
      *dimension = volumeOpen_ ? 256 : 0;
  }
  return volumeOpen_ ? &volume : nullptr;
}

void HostSession::clearProtocol() {
  if (transcript_ != nullptr)
    record(callLine("kwClearProtocol", {}));
  store_.clear();
}

void HostSession::saveProtocol(const char* fileName) {
  const std::string path(view(fileName));
  bool saved = false;
  if (fileName == nullptr) {
    diagnostics_ << "kwhost: kwSaveProtocol: the file name is null; nothing is saved\n";
  } else if (!store_.hasProtocol()) {
    diagnostics_ << "kwhost: kwSaveProtocol: no protocol is current; nothing is saved to "
                 << escapeLine(path) << '\n';
  } else {
    SaveRecord record;
    record.path = saveRules_.outDir.empty()
                      ? path
                      : (std::filesystem::path(saveRules_.outDir) / fileNameOf(path)).string();
    const Protocol& protocol = store_.protocol();
    record.conditions = protocol.conditions.size();
    for (const Condition& condition : protocol.conditions)
      record.intervals += condition.starts.size();
    record.timeResolution = protocol.timeResolution;
    std::string error;
    if (record.conditions == 0 && !saveRules_.force && pathExists(record.path)) {
      // An import that selected nothing would otherwise leave an empty protocol in place of
      // a good one.
      diagnostics_ << "kwhost: not replacing " << escapeLine(record.path)
                   << " with a protocol of no conditions; it is left as it was"
                   << (saveRules_.forceHint.empty() ? "" : " (" + saveRules_.forceHint + ")")
                   << "\n";
    } else if (saveProtocolFile(record.path, protocol, saveRules_.force, saveRules_.forceHint,
                                error)) {
      saved = true;
      record.written = true;
      store_.noteSavedAs(record.path);
      savedFiles_.push_back(record.path);
    } else {
      diagnostics_ << "kwhost: " << escapeLine(error) << '\n';
    }
    saves_.push_back(std::move(record));
  }
  if (!saved)
    saveFailed_ = true;
  if (transcript_ != nullptr)
    record("kwSaveProtocol(" + path + ") -> " + (saved ? "saved" : "failed"));
}

int HostSession::getProtocol(ProtocolHeader* header) {
  const int result = store_.fillHeader(header);
  if (transcript_ != nullptr)
    record(callLine("kwGetProtocol", {}, std::to_string(result)));
  return result;
}

void HostSession::setProtocol(const ProtocolHeader* header) {
  if (transcript_ != nullptr) {
    record(header == nullptr ? callLine("kwSetProtocol", {"null"}) : setProtocolLine(*header));
  }
  store_.takeHeader(header);
}

void HostSession::getProtocolCondition(int index, ProtocolCondition* condition) {
  if (transcript_ != nullptr)
    record(callLine("kwGetProtocolCondition", {std::to_string(index)}));
  store_.fillCondition(index, condition);
}

void HostSession::addProtocolCondition(const ProtocolCondition* condition) {
  if (transcript_ != nullptr) {
    record(condition == nullptr ? callLine("kwAddProtocolCondition", {"null"})
                                : addConditionLine(*condition));
  }
  store_.addCondition(condition);
}

void HostSession::addProtocolConditionInterval(int index, int start, int end) {
  if (transcript_ != nullptr)
    record(addIntervalLine(index, start, end));
  store_.addInterval(index, start, end);
}

}  // namespace stimforge::kwhost
