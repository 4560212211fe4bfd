#include "kwhost/runs/run_rows.h"

#include <algorithm>

#include "kwhost/common/text_utf8.h"

namespace stimforge::kwhost {
namespace {

// The trial_type of `key` and where it comes from, through the map. A refusal when a map
// pattern cannot be matched; `dropped` is set for a code the unmapped rule drop leaves out.
Refusal nameKey(const std::string& code, const std::string& type, const StimulusSource& source,
                EventMap* map, Unmapped unmapped, bool templated, std::string& trialType,
                std::string& origin, bool& dropped) {
  dropped = false;
  if (code.empty()) {
    // A Quit line and the like: the event type is all that tells what it was.
    trialType = type;
    origin = "the " + type + " events without a Code";
    return Refusal::none();
  }
  trialType = code;
  origin = source.nameOrigin(code);
  if (map == nullptr)
    return Refusal::none();
  const MapLine* line = nullptr;
  std::string error;
  if (!map->lineFor(type, code, line, error))
    return Refusal::usage(error);
  if (line == nullptr) {
    dropped = unmapped == Unmapped::kDrop;
    return Refusal::none();
  }
  trialType = line->trialType;
  origin = "the " + (line->eventType.empty() ? std::string() : line->eventType + " events' ") +
           (templated ? "template names" : "codes") + " that fully match the pattern \"" +
           line->pattern + "\" (line " + std::to_string(line->lineNumber) + " of " +
           map->fileName() + ")";
  return Refusal::none();
}

}  // namespace

Refusal nameRows(const SourcePass& pass, const StimulusSource& source, EventMap* map,
                 Unmapped unmapped, EventsTable& table, RowTexts& texts,
                 std::set<std::string>& warnings) {
  texts.code.resize(pass.codes.size());
  for (uint32_t i = 0; i < pass.codes.size(); ++i)
    texts.code[i] = table.addText(utf8Of(pass.codes[i], "the code", warnings));
  const CodeTable& names = pass.names();
  texts.names = names.size();
  texts.templated = pass.templated;
  std::vector<std::string> codes(names.size());
  for (uint32_t i = 0; i < names.size(); ++i)
    codes[i] = pass.templated ? utf8Of(names[i], "a name the template gave", warnings)
                              : table.texts[texts.code[i]];
  std::vector<std::string> types(pass.eventTypes.size());
  texts.eventType.resize(pass.eventTypes.size());
  for (uint32_t i = 0; i < pass.eventTypes.size(); ++i) {
    types[i] = utf8Of(pass.eventTypes[i], "the event type", warnings);
    texts.eventType[i] = table.addText(types[i]);
  }
  // A code's own entry is used only when no map line names a type, and never for "".
  const bool typedMap = map != nullptr && map->hasTypedLines();
  texts.trialType.assign(names.size() + pass.typedKeys.size(), kDroppedKey);
  for (size_t k = 0; k < texts.trialType.size(); ++k) {
    const bool typed = k >= names.size();
    if (!typed && (typedMap || names[static_cast<uint32_t>(k)].empty()))
      continue;
    const TrialKey key =
        typed ? pass.typedKeys[k - names.size()] : TrialKey{static_cast<uint32_t>(k), 0};
    std::string trialType;
    std::string origin;
    bool dropped = false;
    const Refusal refusal =
        nameKey(codes[key.code], typed ? types[key.type] : std::string(), source, map, unmapped,
                pass.templated, trialType, origin, dropped);
    if (refusal.refused())
      return refusal;
    if (dropped) {
      texts.trialType[k] = kDroppedKey;
      continue;
    }
    bool changed = false;
    texts.origins[tsvCellText(trialType, changed)].insert(std::move(origin));
    texts.trialType[k] = table.addText(std::move(trialType));
  }
  return Refusal::none();
}

namespace {

// Cell `from` of each extra column to its place `to` (at most `from`).
void keepExtraCells(size_t from, size_t to, std::vector<ExtraColumn>& columns) {
  for (ExtraColumn& column : columns) {
    if (column.time)
      column.times[to] = column.times[from];
    else
      column.cells[to] = column.cells[from];
  }
}

}  // namespace

void finishRows(const RowTexts& texts, ExactZero zero, const std::vector<int64_t>& onsetParts,
                const std::optional<std::pair<Micros, Micros>>& window, EventDuration duration,
                EventsTable& table) {
  std::vector<EventRow>& rows = table.rows;
  const bool extra = !table.extra.empty();
  const bool fine = !onsetParts.empty();
  size_t kept = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const EventRow read = rows[i];
    const uint32_t trialType = texts.trialTypeOf(read.trialType);
    if (trialType == kDroppedKey)
      continue;
    if (window && (read.onset < window->first || read.onset >= window->second))
      continue;
    if (extra && kept != i)  // while no row was left out, every cell is in its place
      keepExtraCells(i, kept, table.extra);
    EventRow& row = rows[kept++];
    row = read;
    row.onset = fine ? roundedDifference(read.onset, onsetParts[i], zero.floor, zero.parts)
                     : read.onset - zero.floor;
    if (duration == EventDuration::kNext)
      row.duration = kNotApplicable;
    row.trialType = trialType;
    row.eventType = texts.eventType[read.eventType];
    row.code = texts.code[read.code];
  }
  rows.resize(kept);
  for (ExtraColumn& column : table.extra)
    column.time ? column.times.resize(kept) : column.cells.resize(kept);
  sortByOnset(table);
  if (duration == EventDuration::kNext) {
    for (size_t i = 0; i + 1 < table.rows.size(); ++i)
      table.rows[i].duration = table.rows[i + 1].onset - table.rows[i].onset;
  }
}

namespace {

// The event types written under each trial_type value (as cells), from the rows written.
std::map<std::string, std::set<std::string>> typesByTrialType(const EventsTable& table) {
  // Pairs of text indices, each distinct pair once: few, for a table holds few of each.
  std::vector<uint32_t> firstType(table.texts.size(), UINT32_MAX);
  std::set<std::pair<uint32_t, uint32_t>> more;
  for (const EventRow& row : table.rows) {
    uint32_t& first = firstType[row.trialType];
    if (first == UINT32_MAX)
      first = row.eventType;
    else if (first != row.eventType)
      more.emplace(row.trialType, row.eventType);
  }
  std::map<std::string, std::set<std::string>> types;
  bool changed = false;
  for (uint32_t i = 0; i < firstType.size(); ++i) {
    if (firstType[i] != UINT32_MAX)
      types[tsvCellText(table.texts[i], changed)].insert(table.texts[firstType[i]]);
  }
  for (const auto& [trialType, type] : more)
    types[tsvCellText(table.texts[trialType], changed)].insert(table.texts[type]);
  return types;
}

std::string listed(const std::set<std::string>& names) {
  std::string text;
  size_t i = 0;
  for (const std::string& name : names) {
    text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + name;
    ++i;
  }
  return text;
}

}  // namespace

void describeLevels(const EventsTable& table, const RowTexts& texts, const std::string& name,
                    const SettingWords& words, SidecarFacts& facts,
                    std::set<std::string>& warnings) {
  const std::map<std::string, std::set<std::string>>& origins = texts.origins;
  for (const auto& [value, types] : typesByTrialType(table)) {
    std::string description = "Events from ";
    bool first = true;
    const auto found = origins.find(value);
    if (found != origins.end()) {
      for (const std::string& origin : found->second) {
        description += (first ? "" : "; ") + origin;
        first = false;
      }
    }
    if (types.size() > 1)
      description += ", of the event types " + listed(types);
    if (types.size() > 1 && !texts.templated) {
      warnings.insert("the trial_type \"" + value + "\" is written for events of " +
                      std::to_string(types.size()) + " types in " + name + " (" + listed(types) +
                      "): a " + words.name(Setting::kMap) +
                      " line with an event type as its third field tells them apart");
    }
    facts.levels.push_back({value, description + "."});
  }
}

}  // namespace stimforge::kwhost
