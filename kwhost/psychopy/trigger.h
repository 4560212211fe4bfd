// The scanner's trigger in a PsychoPy data file: the keyboard component that waited for the
// key the scanner sends ('5', 't', 's', ...). Named by the user, or found as the one
// candidate: a keyboard, on the experiment's clock, that recorded one key only and whose
// first press comes before the first stimulus that follows its start (PsychopyKeyboard: the
// earliest start of a non-keyboard component after the keyboard's start in the row of its
// first press, from that row on), as a wait for the scanner does. With no candidate or several, the
// caller is told to name one. Host-free pure functions.
#ifndef STIMFORGE_KWHOST_PSYCHOPY_TRIGGER_H_
#define STIMFORGE_KWHOST_PSYCHOPY_TRIGGER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/psychopy/data_file.h"
#include "kwhost/psychopy/events.h"
#include "kwhost/psychopy/exact_time.h"

namespace stimforge::kwhost {

// A trigger the user names: "COMPONENT" or "COMPONENT:KEY".
struct PsychopyTriggerChoice {
  std::string component;
  std::string key;  // "" when not given: the one key the component recorded
};

// Parses "COMPONENT" or "COMPONENT:KEY" (split at the first colon; the key is the rest, as
// PsychoPy names it: "5", "t", "equal"). A component's name is letters, digits and
// underscores, not starting with a digit (bytes above 0x7F allowed, as Python allows
// non-ASCII names). Returns false with `problem` set otherwise, e.g. "\"scan ner\" is not a
// component's name (letters, digits and underscores)", or "scanner_t: names no key after
// the colon".
[[nodiscard]] bool parsePsychopyTriggerChoice(std::string_view text, PsychopyTriggerChoice& choice,
                                              std::string& problem);

struct PsychopyTrigger {
  uint32_t component = 0;  // index into PsychopyDataFile::components
  std::string key;         // the scanner's key
  bool named = false;      // the user named it
  // The presses of `key` with a time, in the order of the file, as the scan gives them
  // (repeats and loop-prefixed copies already left out), and the line of each.
  std::vector<ExactTime> times;
  std::vector<size_t> lines;
  // Each time less the first, the difference rounded once to microseconds (0 for the first):
  // what a check on the TR grid takes (kwhost/triggers/trigger_grid.h).
  std::vector<int64_t> sinceFirstUs() const;
  size_t rows = 0;  // rows holding those presses
  // Whether the times are every trigger while the component listened: true when they all lie
  // in one row (one wait; one press there is the first trigger only, several are a wait that
  // stored all keys, one press per TR). False when they lie on several rows: the component
  // waited again during the run (one wait per block) and recorded only the first trigger of
  // each wait, so only some triggers are known; each should lie on the scan's TR grid
  // (checkTrGrid in kwhost/triggers/trigger_grid.h) and none can be counted against the
  // volumes.
  bool everyTrigger = false;
  // One line for the output, e.g. "key_resp, key '5': the one keyboard that recorded a
  // single key before a stimulus; 1 trigger stored (the first only)".
  std::string how;
};

// Finds the trigger: the one `choice` names, or without a choice (nullptr) the one
// candidate. Returns false with `problem` set, one line in the domain's words that lists the
// keyboard components with their keys ("scanner_t ('t'), stim_resp ('lalt', 'ralt')"),
// when the named component is missing, not a keyboard, on another clock, never recorded the
// named key or recorded several keys and no key was named; or when there is no candidate or
// several. The caller adds how to name one (its option or study-file key).
[[nodiscard]] bool findPsychopyTrigger(const PsychopyDataFile& file, const PsychopyScan& scan,
                                       const PsychopyTriggerChoice* choice,
                                       PsychopyTrigger& trigger, std::string& problem);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_PSYCHOPY_TRIGGER_H_
