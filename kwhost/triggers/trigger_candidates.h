// Series of events that could be the scanner's triggers, for the advice given when a log has
// none of the trigger type: at least kMinCandidateEvents events of one type and code whose
// intervals have a median between 0.3 s and 10 s, with 90% of them within 10% of it (a TR's
// regular beat, as key presses from a trigger box give it).
#ifndef STIMFORGE_KWHOST_TRIGGERS_TRIGGER_CANDIDATES_H_
#define STIMFORGE_KWHOST_TRIGGERS_TRIGGER_CANDIDATES_H_

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "kwhost/common/log_time.h"
#include "kwhost/settings/setting_words.h"

namespace stimforge::kwhost {

inline constexpr size_t kMinCandidateEvents = 10;

struct TriggerCandidate {
  std::string type;  // the event type (a component, for sources of components)
  std::string code;  // its code (key)
  size_t count = 0;
  double medianMs = 0;  // the median interval
};

// What a source offers when it has no trigger of the type asked for.
struct TriggerAdvice {
  std::vector<TriggerCandidate> candidates;  // by count, the most first
  std::vector<std::string> eventTypes;       // every event type the source holds, in order
};

// Whether the times of one series (in the source's order) beat like triggers; `medianMs` is
// its median interval then.
[[nodiscard]] bool beatsLikeTriggers(const std::vector<Tenths>& times, double& medianMs);

// What to say of a log without triggers of the type asked for: "these events beat like
// triggers: 240 Response events with code 5, every 2000.0 ms (--trigger Response:5)", each
// candidate with the setting that takes it in the front end's words, at most three; else
// "no series of its events beats like triggers; its event types are Picture, Response". ""
// when `advice` is empty.
std::string triggerAdviceText(const TriggerAdvice& advice, const SettingWords& words);

// The candidates among `series` (each type and code with its times), by count, the most first.
std::vector<TriggerCandidate> triggerCandidates(
    const std::map<std::pair<std::string, std::string>, std::vector<Tenths>>& series);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TRIGGERS_TRIGGER_CANDIDATES_H_
