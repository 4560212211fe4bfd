// A run's rows once time zero is known: each key's trial_type through the map, the rows kept
// (not dropped, inside the scan's window) with their onsets from time zero, sorted, and the
// sidecar's Levels.
#ifndef STIMFORGE_KWHOST_RUNS_RUN_ROWS_H_
#define STIMFORGE_KWHOST_RUNS_RUN_ROWS_H_

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "kwhost/common/log_time.h"
#include "kwhost/common/refusal.h"
#include "kwhost/events/event_map.h"
#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"
#include "kwhost/settings/run_settings.h"
#include "kwhost/settings/setting_words.h"
#include "kwhost/sources/stimulus_source.h"

namespace stimforge::kwhost {

// A key's trial_type left out by the unmapped rule "drop".
inline constexpr uint32_t kDroppedKey = UINT32_MAX;

// The texts of the table for a pass's raw codes, event types and keys: each distinct code
// once, its UTF-8 text, each key's trial_type (through the map) and where that trial_type
// comes from.
struct RowTexts {
  std::vector<uint32_t> code;       // raw code -> the code's text in the table
  std::vector<uint32_t> trialType;  // of each raw name, then of each typed key (trialTypeOf)
  std::vector<uint32_t> eventType;  // raw event type -> its text in the table
  std::map<std::string, std::set<std::string>> origins;  // cell text -> where it comes from
  size_t names = 0;        // the raw names (SourcePass::names): codes, or a template's names
  bool templated = false;  // the names come from a trial_type template

  uint32_t trialTypeOf(uint32_t key) const {
    return trialType[(key & kTypedKey) == 0 ? key : names + (key & ~kTypedKey)];
  }
};

// Fills `texts` and the table's texts from `pass`, each name's origin in the words of
// `source`. A refusal (kUsage) when std::regex gives up on a map pattern. Codes and types that
// are not UTF-8 are read as Windows-1252, with a warning. May throw std::bad_alloc.
Refusal nameRows(const SourcePass& pass, const StimulusSource& source, EventMap* map,
                 Unmapped unmapped, EventsTable& table, RowTexts& texts,
                 std::set<std::string>& warnings);

// Time zero, exact: its floor and the parts beyond (0 for a source of whole microseconds).
struct ExactZero {
  Micros floor = 0;
  int64_t parts = 0;
};

// In place: the rows kept (not dropped, inside `window`) move forward with their extra cells,
// their onsets from `zero` (each row's parts of a microsecond in `onsetParts`, parallel to the
// rows as read, or none: every part 0; each onset rounded once) and their texts from the raw
// indices to the table's; then sorted by onset, and under kNext each lasting to the next row.
// May throw std::bad_alloc.
void finishRows(const RowTexts& texts, ExactZero zero, const std::vector<int64_t>& onsetParts,
                const std::optional<std::pair<Micros, Micros>>& window, EventDuration duration,
                EventsTable& table);

// The sidecar's Levels: one for each trial_type written, saying where it comes from and, for
// a value of several event types, which; a warning for each such value (naming the map by
// `words`), but for the names of a template, which name rows of every type chosen by design.
// May throw std::bad_alloc.
void describeLevels(const EventsTable& table, const RowTexts& texts, const std::string& name,
                    const SettingWords& words, SidecarFacts& facts,
                    std::set<std::string>& warnings);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_RUNS_RUN_ROWS_H_
