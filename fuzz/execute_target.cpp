// Whole runs of execute, one to three per input, against FuzzHost: the host's protocol,
// every answer and the log files chosen come from the input. Beyond what the host itself
// checks on every call, each run must start and end with the plug-in's lines, leave the
// protocol exactly as it was unless the command reports success, and, when it does, have
// done what the command says.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "fuzz_host.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "logformat/log_source.h"
#include "logimport/protocol_builder.h"
#include "plugin/menu.h"
#include "plugin/plugin_shell.h"
#include "text/text_helpers.h"

namespace stimforge::fuzzing {
namespace {

const char kSuccess[] = "Plugin operations finished successfully.";

bool logged(const RunRecord& run, const std::string& line) {
  return std::find(run.log.begin(), run.log.end(), line) != run.log.end();
}

// A condition as the plug-in hands it back after reading it: its name as the field shows
// it, cut to the 255 characters a name may have.
ConditionValue asHandedBack(const ConditionValue& c) {
  ConditionValue v = c;
  v.name = shownInField(c.name, sizeof(ProtocolCondition::name)).substr(0, 255);
  return v;
}

int32_t shiftedValue(int32_t value, int32_t amount, bool subtract) {
  const int64_t result =
      subtract ? std::max<int64_t>(int64_t{value} - amount, 0) : int64_t{value} + amount;
  return static_cast<int32_t>(result);
}

// Menu answer 2 succeeded: every interval moved by the amount, nothing else changed.
void checkShift(const ProtocolValue& before, const ProtocolValue& after, const RunRecord& run) {
  SF_FUZZ_CHECK(run.integerAnswers.size() == 2 && run.yesNoAnswers.size() == 1,
                "the shift asks for the amount and the direction");
  const int32_t amount = run.integerAnswers[1];
  const bool subtract = run.yesNoAnswers[0] != 0;
  SF_FUZZ_CHECK(run.clears == 0 && run.sets == 0 && run.saves.size() == 1,
                "the shift changes the protocol in place and saves it once");
  SF_FUZZ_CHECK(after.conditions.size() == before.conditions.size(), "the shift keeps the shape");
  for (size_t i = 0; i < before.conditions.size(); ++i) {
    const ConditionValue& b = before.conditions[i];
    const ConditionValue& a = after.conditions[i];
    SF_FUZZ_CHECK(a.name == b.name && a.colour == b.colour && a.starts.size() == b.starts.size(),
                  "the shift keeps every condition");
    for (size_t j = 0; j < b.starts.size(); ++j) {
      SF_FUZZ_CHECK(a.starts[j] == shiftedValue(b.starts[j], amount, subtract) &&
                        a.ends[j] == shiftedValue(b.ends[j], amount, subtract),
                    "every interval moves by the amount");
    }
  }
}

// Menu answer 3 or 4 succeeded with a rebuild: the new protocol is made of the old
// conditions alone, each with its name and intervals (and, for 3, its colour), under the old
// title.
void checkRebuild(const ProtocolValue& before, const ProtocolValue& after, const RunRecord& run,
                  bool keepsColours) {
  SF_FUZZ_CHECK(run.clears == 1 && run.sets == 1 && run.saves.size() == 1,
                "a rebuild clears, sets and saves once");
  SF_FUZZ_CHECK(after.conditions.size() == before.conditions.size(),
                "a rebuild keeps the number of conditions");
  for (const ConditionValue& a : after.conditions) {
    const bool found = std::any_of(before.conditions.begin(), before.conditions.end(),
                                   [&](const ConditionValue& b) {
                                     ConditionValue old = asHandedBack(b);
                                     if (!keepsColours)
                                       old.colour = a.colour;
                                     return old == a;
                                   });
    SF_FUZZ_CHECK(found, "every rebuilt condition is an old one, intervals unchanged");
  }
  SF_FUZZ_CHECK(
      after.title ==
          shownInField(before.title, sizeof(ProtocolHeader::protocolTitle)).substr(0, 300),
      "a rebuild keeps the title");
  SF_FUZZ_CHECK(after.timeResolution == before.timeResolution, "a rebuild keeps the time unit");
}

// SF_FUZZ_VERBOSE=1 prints every run's log lines, to see what an input does.
void printRun(const RunRecord& run, bool result) {
  static const bool verbose = std::getenv("SF_FUZZ_VERBOSE") != nullptr;
  if (!verbose)
    return;
  std::fprintf(stderr, "--- run (execute returned %s)\n", result ? "true" : "false");
  for (const std::string& line : run.log)
    std::fprintf(stderr, "| %s\n", line.c_str());
}

// Menu answer 1 succeeded: a new protocol in milliseconds with one condition per distinct
// code, named after it and coloured in order, and as many intervals as the log says it
// added, saved beside the log under its name with ".prt".
void checkImport(const ProtocolValue& after, const RunRecord& run) {
  SF_FUZZ_CHECK(run.clears == 1 && run.sets == 1 && run.saves.size() == 1,
                "an import clears, sets and saves once");
  SF_FUZZ_CHECK(run.chosenFiles.size() == 1, "an import asks for one file");
  const std::string& path = run.chosenFiles[0];
  SF_FUZZ_CHECK(run.saves[0] == withExtension(path, ".prt"), "saved beside the log as .prt");
  SF_FUZZ_CHECK(after.timeResolution == kTimeResolutionMilliseconds, "in milliseconds");
  SF_FUZZ_CHECK(after.title == baseNameOf(path, true, false).value_or(""),
                "titled with the log's name");
  size_t intervals = 0;
  for (size_t k = 0; k < after.conditions.size(); ++k) {
    const ConditionValue& c = after.conditions[k];
    SF_FUZZ_CHECK(!c.name.empty(), "every condition has a name");
    SF_FUZZ_CHECK(c.colour == conditionColour(static_cast<uint32_t>(k + 1)),
                  "conditions are coloured in order");
    for (size_t j = 0; j < k; ++j)
      SF_FUZZ_CHECK(after.conditions[j].name != c.name, "one condition per name");
    intervals += c.starts.size();
  }
  const auto added = std::count_if(run.log.begin(), run.log.end(), [](const std::string& line) {
    return line.compare(0, 16, "Added interval: ") == 0;
  });
  SF_FUZZ_CHECK(intervals == static_cast<size_t>(added), "one interval per line that says so");
}

void checkRun(const ProtocolValue& before, const FuzzHost& host, bool result) {
  const RunRecord& run = host.run();
  printRun(run, result);
  host.checkRunEnded();
  SF_FUZZ_CHECK(!run.log.empty() && run.log.front() == "\nstimforge> Started...",
                "a run starts with its start line");
  SF_FUZZ_CHECK(!logged(run, "stimforge stopped because of an internal error (out of memory?)."),
                "no run stops on an internal error");
  if (result)
    SF_FUZZ_CHECK(run.log.back() == "Finished.\n", "a run ends with Finished");
  else
    SF_FUZZ_CHECK(run.log.back() == "No VMR present, action canceled.",
                  "only the import's abort ends a run early");
  SF_FUZZ_CHECK(std::count(run.log.begin(), run.log.end(), "Finished.\n") == (result ? 1 : 0),
                "Finished is written once");

  const ProtocolValue after = host.protocol();
  const int choice = run.integerAnswers.empty() ? 0 : run.integerAnswers[0];
  if (!logged(run, kSuccess)) {
    SF_FUZZ_CHECK(after == before && run.clears == 0 && run.sets == 0 && run.saves.empty(),
                  "a command that does not succeed leaves the protocol as it was");
    return;
  }
  if (choice == 2) {
    checkShift(before, after, run);
  } else if ((choice == 3 || choice == 4) && run.clears > 0) {
    checkRebuild(before, after, run, choice == 3);
  } else if (choice == 1) {
    checkImport(after, run);
  } else {
    SF_FUZZ_CHECK(after == before && run.saves.empty(),
                  "a command that succeeds without a rebuild changes nothing");
  }
}

}  // namespace

int fuzzExecute(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const int runs = 1 + input.byte() % 3;
  FuzzHost host(input);
  // The log file the user chooses: a byte 0 means it cannot be opened; otherwise its text
  // follows in the input.
  const LogOpener openLog = [&input](const std::string&) -> std::unique_ptr<LogSource> {
    if (input.byte() == 0)
      return nullptr;
    return std::make_unique<MemoryLogSource>(input.longText());
  };
  for (int r = 0; r < runs; ++r) {
    const ProtocolValue before = host.protocol();
    host.startRun();
    const bool result = guardedRunMenu(openLog);
    checkRun(before, host, result);
  }
  return 0;
}

}  // namespace stimforge::fuzzing
