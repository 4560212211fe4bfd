// The host behind the execute fuzzer. Its current protocol and every answer the user gives
// come from the fuzzer's input; it keeps its interval arrays on the heap with exactly their
// interval count and releases them on kwClearProtocol, so the sanitizer reports any access
// past an array or after the clear. It writes and reads whole records (596 and 288 bytes)
// so a record the plug-in made too small is reported too, and it fills a text field without
// its NUL when the text is as long as the field. Every call it cannot accept from the
// plug-in (an index outside the protocol, a record or text not terminated in its field, a
// header that miscounts, a save of a protocol left without its header) fails a check.
//
// One FuzzHost at a time: it installs itself as the host table and removes itself after.
#ifndef STIMFORGE_FUZZ_FUZZ_HOST_H_
#define STIMFORGE_FUZZ_FUZZ_HOST_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "host/protocol_records.h"
#include "kwhost/protocol/value.h"

namespace stimforge::fuzzing {

// The protocol as values, for comparing it before and after a run: the stand-in host's
// value type, with the names as this host holds them (NUL bytes and all) and the colours
// of the header left 0 (this host keeps none).
using ConditionValue = kwhost::Condition;
using ProtocolValue = kwhost::Protocol;

// What the plug-in did in one run of execute.
struct RunRecord {
  std::vector<std::string> log;
  std::vector<int> integerAnswers;
  std::vector<int> yesNoAnswers;
  int clears = 0;
  int sets = 0;
  std::vector<std::string> saves;
  // The paths chosen in kwGetOpenFileName, as the buffer shows them.
  std::vector<std::string> chosenFiles;
};

// A text as a NUL-terminated field of `size` bytes shows it: up to its first NUL, at most
// `size` characters.
std::string shownInField(const std::string& text, size_t size);

class FuzzHost {
 public:
  // Reads the current protocol from `input`, which must outlive the host; the answers are
  // read from it later, as the plug-in asks.
  explicit FuzzHost(FuzzInput& input);
  ~FuzzHost();
  FuzzHost(const FuzzHost&) = delete;
  FuzzHost& operator=(const FuzzHost&) = delete;

  ProtocolValue protocol() const;
  // Starts a new run record.
  void startRun() { run_ = RunRecord(); }
  const RunRecord& run() const { return run_; }
  FuzzInput& input() { return input_; }
  // Fails a check when the last kwClearProtocol was not followed by kwSetProtocol.
  void checkRunEnded() const;

 private:
  struct Condition {
    std::string name;
    int32_t colour = 0;
    size_t count = 0;
    std::unique_ptr<int32_t[]> starts;
    std::unique_ptr<int32_t[]> ends;
  };
  friend struct FuzzHostEntries;

  FuzzInput& input_;
  int32_t getProtocolResult_ = 1;
  std::string fileName_;
  std::string title_;
  int32_t timeResolution_ = kTimeResolutionMilliseconds;
  std::vector<Condition> conditions_;
  bool clearedWithoutHeader_ = false;
  RunRecord run_;
};

}  // namespace stimforge::fuzzing

#endif  // STIMFORGE_FUZZ_FUZZ_HOST_H_
