// kwhost events on any log text: the first byte picks the options (time zero, durations,
// selection, a map), the rest is the log. The log is either refused with one line that
// names it, or gives a table whose events file and sidecar keep every value rule.
#include <string>

#include "events_file_check.h"
#include "fuzz_check.h"
#include "fuzz_targets.h"
#include "kwhost/events/event_map.h"
#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"
#include "kwhost/runs/run_pipeline.h"
#include "kwhost/sources/presentation_source.h"
#include "logformat/log_source.h"

namespace stimforge::fuzzing {

using namespace kwhost;

int fuzzEvents(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  const uint8_t choice = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  RunSettings settings;
  const ZeroRule::Kind kinds[] = {ZeroRule::Kind::kAuto, ZeroRule::Kind::kScenario,
                                  ZeroRule::Kind::kTime, ZeroRule::Kind::kCode};
  settings.zero.kind = kinds[choice & 3];
  settings.zero.time = -123456;
  settings.zero.code = "Start";
  settings.duration = (choice & 4) ? EventDuration::kNext : EventDuration::kColumn;
  if (choice & 8)
    settings.types = std::vector<std::string>{"Picture", "Nothing", "Manual", "Pulse"};
  if ((choice >> 4) & 1)
    settings.skip = SkipSetting{false, 1};
  if ((choice >> 5) & 1)
    settings.scan = 1;
  EventMap map;
  std::string error;
  SF_FUZZ_CHECK(map.parse("a.*\tA\n\\d+\tnumber\n", "map.tsv", error), "the map parses");
  settings.unmapped = (choice & 128) ? Unmapped::kDrop : Unmapped::kKeep;

  PresentationSource source(std::make_unique<MemoryLogSource>(text), "fuzz.log");
  RunRequest request;
  request.source = &source;
  request.name = "fuzz.log";
  request.settings = &settings;
  request.map = (choice & 64) ? &map : nullptr;
  request.words = &plainSettingWords();
  RunEvents events;
  const Refusal refusal = readRunEvents(request, events);
  if (refusal.refused()) {
    const std::string& message = refusal.message;
    SF_FUZZ_CHECK(!message.empty() && message.find('\n') == std::string::npos,
                  "a refusal is one line");
    SF_FUZZ_CHECK(events.table.rows.empty(), "a refusal leaves no rows");
    return 0;
  }
  if (events.table.rows.empty())
    return 0;  // nothing is written
  std::set<std::string> warnings;
  const std::string tsv = formatEventsTsv(events.table, warnings);
  const std::string sidecar = formatEventsSidecar(events.facts);
  const std::string problem = kwhost::testing::eventsFileProblem(tsv, sidecar);
  if (!problem.empty())
    std::fprintf(stderr, "%s\n", problem.c_str());
  SF_FUZZ_CHECK(problem.empty(), "the events file keeps every value rule");
  SF_FUZZ_CHECK(isOwnEventsSidecar(sidecar), "the sidecar is known as kwhost's own");
  return 0;
}

}  // namespace stimforge::fuzzing
