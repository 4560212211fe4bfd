#include "fuzz_host.h"

#include <algorithm>
#include <cstring>

#include "fuzz_check.h"
#include "host/host_api.h"

namespace stimforge::fuzzing {
namespace {

// What the host leaves in the bytes of a record that hold nothing the plug-in may read.
constexpr unsigned char kHostFiller = 0xAB;

FuzzHost* gHost = nullptr;

// Writes a text into a field as a host would: the text, its NUL and the host's filler when
// it fits; otherwise the field filled whole, without a NUL.
void fillField(char* field, size_t size, const std::string& text) {
  std::memset(field, kHostFiller, size);
  std::memcpy(field, text.data(), std::min(text.size(), size));
  if (text.size() < size)
    field[text.size()] = '\0';
}

// A field the plug-in filled must end inside itself.
std::string terminatedField(const char* field, size_t size, const char* what) {
  const void* nul = std::memchr(field, '\0', size);
  SF_FUZZ_CHECK(nul != nullptr, what);
  return std::string(field, static_cast<const char*>(nul) - field);
}

std::string checkedText(const char* text, const char* what) {
  SF_FUZZ_CHECK(text != nullptr, what);
  return std::string(text);  // reads up to the NUL: the sanitizer reports a missing one
}

// Writes an answer into a kDialogBufferSize-byte buffer of the plug-in's, as far as the buffer
// goes.
void fillAnswer(char* buffer, const std::string& answer) {
  SF_FUZZ_CHECK(buffer != nullptr, "an answer buffer");
  fillField(buffer, kDialogBufferSize, answer);
}

}  // namespace

std::string shownInField(const std::string& text, size_t size) {
  const std::string cut = text.substr(0, std::min(text.size(), size));
  return std::string(cut.c_str());
}

struct FuzzHostEntries {
  static FuzzHost& host() { return *gHost; }

  static void getVersion(int* major, int* minor, int* sub) {
    *major = 2;
    *minor = 9;
    *sub = 9;
  }
  static void showLogTab() {}
  static void logText(const char* text) {
    host().run_.log.push_back(checkedText(text, "kwLogText with a text"));
  }
  static void messageBox(const char* text) { checkedText(text, "kwMessageBox with a text"); }
  static int yesNo(const char* question) {
    checkedText(question, "kwYesNoMessageBox with a question");
    const int answer = host().input_.number();
    host().run_.yesNoAnswers.push_back(answer);
    return answer;
  }
  static int integerInput(const char* prompt, int, int, int) {
    checkedText(prompt, "kwGetIntegerInput with a prompt");
    const int answer = host().input_.number();
    host().run_.integerAnswers.push_back(answer);
    return answer;
  }
  static int textInput(const char* prompt, const char* defaultAnswer, char* answer) {
    checkedText(prompt, "kwGetTextInput with a prompt");
    checkedText(defaultAnswer, "kwGetTextInput with a default answer");
    const int result = host().input_.number();
    fillAnswer(answer, host().input_.text());
    return result;
  }
  static int openFileName(const char* title, const char* second, const char* filter, char* path) {
    checkedText(title, "kwGetOpenFileName with a title");
    checkedText(second, "kwGetOpenFileName with a second text");
    checkedText(filter, "kwGetOpenFileName with a filter");
    const int result = host().input_.number();
    const std::string chosen = host().input_.text();
    fillAnswer(path, chosen);
    host().run_.chosenFiles.push_back(shownInField(chosen, kDialogBufferSize));
    return result;
  }
  static void* currentVmr(int* x, int* y, int* z) {
    for (int* out : {x, y, z})
      if (out != nullptr)
        *out = 256;
    static int volume = 0;
    return host().input_.byte() != 0 ? &volume : nullptr;
  }
  static void clearProtocol() {
    FuzzHost& h = host();
    ++h.run_.clears;
    h.conditions_.clear();  // releases the arrays: any later access is reported
    h.clearedWithoutHeader_ = true;
  }
  static void saveProtocol(const char* name) {
    FuzzHost& h = host();
    const std::string fileName = checkedText(name, "kwSaveProtocol with a name");
    SF_FUZZ_CHECK(!h.clearedWithoutHeader_, "a cleared protocol is given its header before a save");
    SF_FUZZ_CHECK(fileName.size() <= kMaxFileNameLength, "a protocol file name fits a header");
    h.run_.saves.push_back(fileName);
    h.fileName_ = fileName;
  }
  static int getProtocol(ProtocolHeader* header) {
    FuzzHost& h = host();
    SF_FUZZ_CHECK(header != nullptr, "kwGetProtocol with a header");
    if (h.getProtocolResult_ < 1)
      return h.getProtocolResult_;
    ProtocolHeader image;
    std::memset(&image, kHostFiller, sizeof image);
    image.numberOfConditions = static_cast<int32_t>(h.conditions_.size());
    fillField(image.fileName, sizeof image.fileName, h.fileName_);
    fillField(image.protocolTitle, sizeof image.protocolTitle, h.title_);
    image.timeResolution = h.timeResolution_;
    std::memcpy(header, &image, sizeof image);  // the whole record, as the host writes it
    return h.getProtocolResult_;
  }
  static void setProtocol(const ProtocolHeader* header) {
    FuzzHost& h = host();
    SF_FUZZ_CHECK(header != nullptr, "kwSetProtocol with a header");
    ProtocolHeader image;
    std::memcpy(&image, header, sizeof image);
    SF_FUZZ_CHECK(image.numberOfConditions == static_cast<int32_t>(h.conditions_.size()),
                  "kwSetProtocol counts the conditions the protocol has");
    h.fileName_ = terminatedField(image.fileName, sizeof image.fileName, "a terminated file name");
    h.title_ = terminatedField(image.protocolTitle, sizeof image.protocolTitle,
                               "a terminated protocol title");
    h.timeResolution_ = image.timeResolution;
    h.clearedWithoutHeader_ = false;
    ++h.run_.sets;
  }
  static void getCondition(int index, ProtocolCondition* record) {
    FuzzHost& h = host();
    SF_FUZZ_CHECK(record != nullptr, "kwGetProtocolCondition with a record");
    SF_FUZZ_CHECK(index >= 0 && static_cast<size_t>(index) < h.conditions_.size(),
                  "kwGetProtocolCondition with an index inside the protocol");
    FuzzHost::Condition& c = h.conditions_[static_cast<size_t>(index)];
    ProtocolCondition image;
    std::memset(&image, kHostFiller, sizeof image);
    fillField(image.name, sizeof image.name, c.name);
    image.numberOfIntervals = static_cast<int32_t>(c.count);
    image.intervalStarts = c.starts.get();
    image.intervalEnds = c.ends.get();
    image.colour = c.colour;
    std::memcpy(record, &image, sizeof image);
  }
  static void addCondition(const ProtocolCondition* record) {
    FuzzHost& h = host();
    SF_FUZZ_CHECK(record != nullptr, "kwAddProtocolCondition with a record");
    ProtocolCondition image;
    std::memcpy(&image, record, sizeof image);
    SF_FUZZ_CHECK(image.intervalStarts == nullptr && image.intervalEnds == nullptr,
                  "a condition is handed over without interval arrays");
    FuzzHost::Condition c;
    c.name = terminatedField(image.name, sizeof image.name, "a terminated condition name");
    c.colour = image.colour;
    c.starts.reset(new int32_t[0]);
    c.ends.reset(new int32_t[0]);
    h.conditions_.push_back(std::move(c));
  }
  static void addInterval(int index, int start, int end) {
    FuzzHost& h = host();
    SF_FUZZ_CHECK(index >= 0 && static_cast<size_t>(index) < h.conditions_.size(),
                  "kwAddProtocolConditionInterval with an index inside the protocol");
    FuzzHost::Condition& c = h.conditions_[static_cast<size_t>(index)];
    // New arrays of exactly the new count; the old ones are released.
    std::unique_ptr<int32_t[]> starts(new int32_t[c.count + 1]);
    std::unique_ptr<int32_t[]> ends(new int32_t[c.count + 1]);
    std::copy(c.starts.get(), c.starts.get() + c.count, starts.get());
    std::copy(c.ends.get(), c.ends.get() + c.count, ends.get());
    starts[c.count] = start;
    ends[c.count] = end;
    c.starts = std::move(starts);
    c.ends = std::move(ends);
    ++c.count;
  }
};

FuzzHost::FuzzHost(FuzzInput& input) : input_(input) {
  gHost = this;
  getProtocolResult_ = input_.number();
  fileName_ = input_.text();
  title_ = input_.text();
  timeResolution_ = input_.number();
  const size_t conditionCount = input_.byte();
  for (size_t i = 0; i < conditionCount && !input_.empty(); ++i) {
    Condition c;
    c.name = input_.text();
    c.colour = input_.number();
    c.count = input_.byte();
    c.starts.reset(new int32_t[c.count]);
    c.ends.reset(new int32_t[c.count]);
    for (size_t j = 0; j < c.count; ++j) {
      c.starts[j] = input_.number();
      c.ends[j] = input_.number();
    }
    conditions_.push_back(std::move(c));
  }

  HostApi api;
  api.kwGetVersionOfHaldenKW = &FuzzHostEntries::getVersion;
  api.kwShowLogTab = &FuzzHostEntries::showLogTab;
  api.kwLogText = &FuzzHostEntries::logText;
  api.kwMessageBox = &FuzzHostEntries::messageBox;
  api.kwYesNoMessageBox = &FuzzHostEntries::yesNo;
  api.kwGetIntegerInput = &FuzzHostEntries::integerInput;
  api.kwGetTextInput = &FuzzHostEntries::textInput;
  api.kwGetOpenFileName = &FuzzHostEntries::openFileName;
  api.kwGetCurrentVMR = &FuzzHostEntries::currentVmr;
  api.kwClearProtocol = &FuzzHostEntries::clearProtocol;
  api.kwSaveProtocol = &FuzzHostEntries::saveProtocol;
  api.kwGetProtocol = &FuzzHostEntries::getProtocol;
  api.kwSetProtocol = &FuzzHostEntries::setProtocol;
  api.kwGetProtocolCondition = &FuzzHostEntries::getCondition;
  api.kwAddProtocolCondition = &FuzzHostEntries::addCondition;
  api.kwAddProtocolConditionInterval = &FuzzHostEntries::addInterval;
  setHostApi(api);
}

FuzzHost::~FuzzHost() {
  setHostApi(HostApi{});
  gHost = nullptr;
}

ProtocolValue FuzzHost::protocol() const {
  ProtocolValue p;
  p.fileName = fileName_;
  p.title = title_;
  p.timeResolution = timeResolution_;
  for (const Condition& c : conditions_) {
    ConditionValue v;
    v.name = c.name;
    v.colour = c.colour;
    v.starts.assign(c.starts.get(), c.starts.get() + c.count);
    v.ends.assign(c.ends.get(), c.ends.get() + c.count);
    p.conditions.push_back(std::move(v));
  }
  return p;
}

void FuzzHost::checkRunEnded() const {
  SF_FUZZ_CHECK(!clearedWithoutHeader_, "a cleared protocol is given its header before the end");
}

}  // namespace stimforge::fuzzing
