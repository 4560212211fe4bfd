// The triggers of a Presentation log and the stimulus events around them, read in one pass
// through the log format layer (no second parser).
#ifndef STIMFORGE_KWHOST_TRIGGERS_LOG_TRIGGERS_H_
#define STIMFORGE_KWHOST_TRIGGERS_LOG_TRIGGERS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/settings/run_settings.h"
#include "kwhost/triggers/analysis.h"
#include "logformat/log_source.h"

namespace stimforge::kwhost {

// Whether events of `type` are stimulus events: Picture, Sound and Video.
bool isStimulusType(std::string_view type);

// A stimulus event (Picture, Sound or Video) kept for the "outside the scan" figures.
struct StimulusEvent {
  int64_t line = 0;  // its line in the log, the first line being 0
  Tenths time = 0;
  std::string type;
  std::string code;
};

// The stimulus events before the first trigger or after the last trigger plus one TR.
struct StimulusOutside {
  size_t before = 0;
  std::optional<StimulusEvent> firstBefore;  // the first of them in the log
  size_t after = 0;
  std::optional<StimulusEvent> firstAfter;
};

// What one pass over a log gives.
class LogTriggers {
 public:
  bool subjectColumn = false;                // the layout, told by the column-name line
  std::vector<std::string> propertyColumns;  // stimulus-property columns, by name
  std::vector<Tenths> times;                 // the triggers' times, in log order
  std::vector<int64_t> lines;     // each trigger's line in the log, the first line being 0
  size_t withoutTime = 0;         // lines of the trigger type (and code) without a whole Time
  int64_t firstWithoutTime = -1;  // the first of those lines, -1 when none
  size_t backward = 0;            // triggers whose time is before the previous trigger's
  int64_t firstBackward = -1;     // the line of the first of those, -1 when none
  size_t stimulusEvents = 0;      // Picture, Sound and Video lines with a whole Time
  // How the source found its triggers, in its own words ("scanner_t, key 't', as named; ...");
  // "" for a Presentation log, whose trigger selection says it all.
  std::string how;
  // Set before reading to keep every stimulus event in `stimuli` (for checkLogAgainstScan,
  // whose time zero and end may lie anywhere among the triggers); off, only those around
  // the triggers are kept, compactly.
  bool keepStimuli = false;
  std::vector<StimulusEvent> stimuli;  // in log order, when keepStimuli

  // The stimulus events before times.front() (by time) or after `end` (a time past the last
  // trigger, such as the last scan's end). All zero when there is no trigger. Events whose
  // times go backwards past a trigger in the middle of the log are not counted.
  StimulusOutside outside(Tenths end) const;

  // Called once per stimulus event, in log order, by readLogTriggers.
  void addStimulus(int64_t line, Tenths time, std::string_view type, std::string_view code);
  // Called once per trigger, in log order.
  void addTrigger(int64_t line, Tenths time);

 private:
  // Compact candidates: the type and code sit in `text_` from `start`.
  struct Candidate {
    int64_t line;
    Tenths time;
    size_t start;
    uint32_t typeLength;
    uint32_t codeLength;
  };
  StimulusEvent expand(const Candidate& candidate, const std::string& text) const;

  std::vector<Candidate> beforeFirst_;  // read before the first trigger
  std::string beforeText_;
  size_t lateBefore_ = 0;  // read after it, with an earlier time
  std::optional<StimulusEvent> firstLateBefore_;
  std::vector<Candidate> afterLast_;  // read after the latest trigger so far
  std::string afterText_;
};

enum class ReadTriggersResult {
  kRead,
  kNotALog,     // not a Presentation log, or UTF-16 (`problem` says which)
  kUnreadable,  // the source could not be read
};

// Reads `source` whole once: checks that it is a Presentation log (checkPresentationLog),
// tells its layout from the column-name line (LogHeader::subjectFirst), then collects the
// triggers of `selection` and the stimulus events into `triggers` (cleared first, but for its
// keepStimuli). On anything but kRead, `problem` holds a
// one-line reason without the file's name. May throw std::bad_alloc.
[[nodiscard]] ReadTriggersResult readLogTriggers(LogSource& source,
                                                 const TriggerSelection& selection,
                                                 LogTriggers& triggers, std::string& problem);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TRIGGERS_LOG_TRIGGERS_H_
