// A fake host behind the host table: it scripts the user's answers, keeps a current
// protocol the way the host does (interval arrays it owns, handed out by
// kwGetProtocolCondition, released by kwClearProtocol), and records every call the
// plug-in makes, in order, as one line of text.
//
// Only one FakeHost may exist at a time: constructing it installs it as the host table,
// destroying it installs an empty table.
#ifndef STIMFORGE_TESTS_SUPPORT_FAKE_HOST_H_
#define STIMFORGE_TESTS_SUPPORT_FAKE_HOST_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "kwhost/protocol/value.h"

namespace stimforge::testing {

// What a released interval array holds afterwards, so that a value read after
// kwClearProtocol stands out.
constexpr int32_t kReleasedIntervalValue = -0x5EEDBAD;

// The fake host keeps its protocol in the stand-in host's value type.
using FakeCondition = kwhost::Condition;
using FakeProtocol = kwhost::Protocol;

class FakeHost {
 public:
  FakeHost();
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // The host's version, as kwGetVersionOfHaldenKW reports it.
  int versionMajor = 2, versionMinor = 9, versionSub = 9;
  // Whether kwGetCurrentVMR reports an open volume document.
  bool volumeOpen = true;

  // Scripted answers, taken in order. Running out cancels the dialog (integer -1,
  // yes/no 0, text and file 0) and sets answersRanOut.
  std::deque<int> integerAnswers;
  std::deque<int> yesNoAnswers;
  std::deque<std::optional<std::string>> textAnswers;  // nullopt: the user cancels
  std::deque<std::optional<std::string>> fileAnswers;  // nullopt: the user cancels
  bool answersRanOut = false;

  // The current protocol. `protocolPresent` false makes kwGetProtocol return 0;
  // getProtocolResult, when set, is returned instead of 1.
  FakeProtocol protocol;
  bool protocolPresent = true;
  std::optional<int> getProtocolResult;
  // When set, a file name, title or condition name too long for its record field fills the
  // field whole, without a NUL (as a host may); otherwise it is cut to fit with its NUL.
  bool fillTextFieldsWithoutNul = false;

  // Every call, in order, as kwhost/host/call_lines.h writes it, e.g. "kwLogText(Finished.\n)"
  // (texts as they are, line breaks included), "kwGetIntegerInput(<prompt>, 1, 1, 3) -> 2",
  // "kwClearProtocol()", "kwAddProtocolConditionInterval(0, 1234, 2232)",
  // "kwSaveProtocol(C:\x.prt)".
  std::vector<std::string> calls;
  // The texts of the kwLogText calls alone, in order.
  std::vector<std::string> log;
  // The files kwSaveProtocol was asked to write, with the protocol as it was then.
  std::vector<std::pair<std::string, FakeProtocol>> saves;
  // Faults the plug-in made: an index outside the protocol, a null record or text, a
  // condition handed over with interval arrays (they carry nothing and may be stale).
  std::vector<std::string> misuse;

  // Shorthand: the current protocol's condition names, in order.
  std::vector<std::string> conditionNames() const;

  // The one installed fake host (null when none is).
  static FakeHost* current();

 private:
  friend struct FakeHostEntries;
  void releaseIntervalArrays();
  std::vector<std::unique_ptr<FakeCondition>> released_;
};

}  // namespace stimforge::testing

#endif  // STIMFORGE_TESTS_SUPPORT_FAKE_HOST_H_
