// A PsychoPy data file's pass: its triggers, its rows and their columns.
#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "kwhost/psychopy/cell_values.h"
#include "kwhost/sources/psychopy_source.h"
#include "kwhost/sources/trial_keys.h"

namespace stimforge::kwhost {
namespace {

// The fixed columns of a data file's table, which a further column may not take.
constexpr const char* kFixedNames[] = {"onset",     "duration", "trial_type", "event_type",
                                       "component", "key",      "loop",       "trial"};

constexpr char kShown[] = "shown";
constexpr char kKeyPress[] = "key press";
constexpr char kKeyboardStart[] = "keyboard start";

// A time in tenths of a millisecond, rounded once (half up) from its exact value.
Tenths tenthsOf(Micros floor, int64_t parts) {
  const Micros micros = roundedDifference(floor, parts, 0, 0) + kMicrosPerTenth / 2;
  return micros >= 0 ? micros / kMicrosPerTenth
                     : -((-micros + kMicrosPerTenth - 1) / kMicrosPerTenth);
}

// The key's index in `keys`, or -1.
int32_t keyIndex(const std::vector<std::string>& keys, const std::string& key) {
  const auto found = std::find(keys.begin(), keys.end(), key);
  return found == keys.end() ? -1 : static_cast<int32_t>(found - keys.begin());
}

// The further columns' names, each made free of the fixed names and of the ones before
// ("_2", "_3" ...), with a warning for each one renamed.
void nameFurtherColumns(std::vector<std::string>& names, const std::string& file,
                        std::set<std::string>& warnings) {
  std::set<std::string> taken(std::begin(kFixedNames), std::end(kFixedNames));
  for (std::string& own : names) {
    std::string name = own;
    for (int n = 2; !taken.insert(name).second; ++n)
      name = own + "_" + std::to_string(n);
    if (name != own)
      warnings.insert("the column \"" + own + "\" of " + file + " is written as \"" + name +
                      "\": \"" + own + "\" is taken by another column");
    own = name;
  }
}

}  // namespace

void PsychopySource::addTriggers(const SourceRequest& request, const PsychopyTrigger* trigger,
                                 SourcePass& pass) const {
  LogTriggers& triggers = pass.triggers;
  triggers.keepStimuli = request.keepStimuli;
  const bool partial = trigger != nullptr && !trigger->everyTrigger;
  const int32_t key = trigger != nullptr ? keyIndex(scan_.keys, trigger->key) : -1;
  const uint32_t triggerComponent = trigger != nullptr ? trigger->component : UINT32_MAX;
  if (trigger != nullptr)
    triggers.how = trigger->how + (partial ? "; the first is counted, the later ones are checked "
                                             "on the TR grid"
                                           : "");
  // The stimulus events: non-keyboards on the experiment's clock. A pass of rows keeps them
  // only when asked to (as a Presentation log's does); the lean pass keeps those around the
  // triggers.
  std::vector<bool> stimulus(file_.components.size());
  for (uint32_t c = 0; c < stimulus.size(); ++c)
    stimulus[c] =
        !file_.components[c].keyboard() && !scan_.onOtherClock(c) && c != triggerComponent;
  const bool stimuli = !request.rows || request.keepStimuli;
  bool first = true;
  for (size_t i = 0; i < events_.size(); ++i) {
    const EventRow& e = events_.rows[i];
    const int32_t eventKey = events_.keys[i];
    const bool isTrigger = eventKey == key && key >= 0 && e.eventType == triggerComponent;
    if ((isTrigger && (first || !partial)) || (stimuli && eventKey < 0 && stimulus[e.eventType])) {
      const int64_t line = static_cast<int64_t>(file_.lineOf(static_cast<size_t>(e.trial))) - 1;
      const Tenths time = tenthsOf(e.onset, events_.parts[i]);
      const std::string& component = file_.components[e.eventType].name;
      if (isTrigger) {
        triggers.addTrigger(line, time);
        pass.fineTriggers.push_back(FineTime{e.onset, events_.parts[i]});
      } else if (request.rows) {
        triggers.stimuli.push_back({line, time, "stimulus", component});
      } else {
        triggers.addStimulus(line, time, "stimulus", component);
      }
    }
    first = first && !isTrigger;
  }
  if (partial) {
    PartialTriggers stored;
    stored.component = file_.components[trigger->component].name;
    stored.sinceFirst = trigger->sinceFirstUs();
    for (const size_t line : trigger->lines)
      stored.lines.push_back(static_cast<int64_t>(line) - 1);
    pass.partialTriggers = std::move(stored);
  }
}

uint32_t PsychopySource::templateName(const TrialTypeTemplate& trialType,
                                      const std::vector<size_t>& columns, size_t fileRow,
                                      CodeTable& names) const {
  const std::optional<std::string> value = expandTrialTypeTemplate(trialType, [&](size_t k) {
    const std::string_view cell = file_.cell(fileRow, columns[k]);
    return isMissingCell(cell) ? std::nullopt : std::optional<std::string_view>(cell);
  });
  return names.add(value ? std::string_view(*value) : std::string_view("n/a"));
}

void PsychopySource::addRows(const SourceRequest& request, const PsychopyTrigger* trigger,
                             const std::vector<bool>& chosen,
                             const std::vector<size_t>& templateColumns, SourcePass& pass) {
  for (const PsychopyComponent& component : file_.components) {
    pass.codes.add(component.name);  // index = the component's: names are unique
    pass.eventTypes.add(component.name);
  }
  const int32_t key = trigger != nullptr ? keyIndex(scan_.keys, trigger->key) : -1;
  const uint32_t triggerComponent = trigger != nullptr ? trigger->component : UINT32_MAX;
  pass.templated = request.trialType != nullptr;
  std::vector<uint32_t> rowName(pass.templated ? file_.rows() : 0, UINT32_MAX);
  TrialKeys keys(request.typedKeys, pass.typedKeys);
  KeptEvents& events = events_;
  size_t kept = 0;
  for (size_t i = 0; i < events.size(); ++i) {
    EventRow row = events.rows[i];
    const uint32_t component = row.eventType;
    if (request.zeroCode && !pass.codeZero &&
        file_.components[component].name == *request.zeroCode) {
      pass.codeZero = row.onset;
      pass.codeZeroParts = events.parts[i];
    }
    if (!chosen[component])
      continue;
    if (component == triggerComponent && key >= 0 && events.keys[i] == key &&
        !request.keepTriggers) {
      ++pass.triggerRows;
      continue;
    }
    uint32_t name = component;
    if (pass.templated) {
      uint32_t& named = rowName[static_cast<size_t>(row.trial)];
      if (named == UINT32_MAX)
        named = templateName(*request.trialType, templateColumns, static_cast<size_t>(row.trial),
                             pass.templateNames);
      name = named;
    }
    row.trialType = keys.keyOf(name, component, false);
    events.rows[kept] = row;
    events.parts[kept] = events.parts[i];
    events.keys[kept] = events.keys[i];
    ++kept;
  }
  // The events kept become the pass's rows without a copy; the next pass scans again.
  events.rows.resize(kept);
  events.parts.resize(kept);
  events.keys.resize(kept);
  pass.rows = std::move(events.rows);
  pass.onsetParts = std::move(events.parts);
  passKeys_ = std::move(events.keys);
  events = KeptEvents();
  consumed_ = true;
}

void PsychopySource::finishColumns(EventsTable& table, std::set<std::string>& warnings) {
  warnings.insert(warnings_.begin(), warnings_.end());
  table.logColumns = false;  // the fixed columns after trial_type are the five below
  std::vector<std::string> further;
  for (const Column& column : columns_)
    further.push_back(column.name);
  nameFurtherColumns(further, name_, warnings);
  const char* fixed[] = {"event_type", "component", "key", "loop", "trial"};
  std::vector<ExtraColumn> columns(5 + columns_.size());
  for (size_t c = 0; c < columns.size(); ++c) {
    columns[c].name = c < 5 ? std::string(fixed[c]) : further[c - 5];
    if (c >= 5)
      columns_[c - 5].name = further[c - 5];
  }
  fillColumns(table, columns);
  for (ExtraColumn& column : columns)
    table.extra.push_back(std::move(column));
}

void PsychopySource::fillColumns(EventsTable& table, std::vector<ExtraColumn>& columns) const {
  const uint32_t none = table.addText("");
  const uint32_t shown = table.addText(kShown);
  const uint32_t press = table.addText(kKeyPress);
  const uint32_t listening = table.addText(kKeyboardStart);
  // The texts of components and keys, and of each data row's loop and trial, each added to
  // the table when first written.
  const auto textOf = [&table](std::vector<uint32_t>& texts, size_t i, const std::string& text) {
    if (texts[i] == UINT32_MAX)
      texts[i] = table.addText(text);
    return texts[i];
  };
  std::vector<uint32_t> componentText(file_.components.size(), UINT32_MAX);
  std::vector<uint32_t> keyText(scan_.keys.size(), UINT32_MAX);
  std::vector<uint32_t> loopText(file_.loops.size(), UINT32_MAX);
  std::vector<uint32_t> rowLoop(file_.rows(), UINT32_MAX), rowTrial(file_.rows(), UINT32_MAX);
  std::unordered_map<int32_t, uint32_t> trialText;
  std::vector<std::unordered_map<std::string_view, uint32_t>> cellText(columns_.size());
  const size_t rows = passKeys_.size();
  for (ExtraColumn& column : columns)
    column.cells.resize(rows);
  uint32_t* const kinds = columns[0].cells.data();
  uint32_t* const components = columns[1].cells.data();
  uint32_t* const keys = columns[2].cells.data();
  uint32_t* const loops = columns[3].cells.data();
  uint32_t* const trials = columns[4].cells.data();
  for (size_t r = 0; r < rows; ++r) {
    // The pass's row as read: its data row in `trial`, its component in `eventType`.
    const size_t fileRow = static_cast<size_t>(table.rows[r].trial);
    const uint32_t component = table.rows[r].eventType;
    const int32_t key = passKeys_[r];
    if (rowLoop[fileRow] == UINT32_MAX) {
      const int32_t loop = file_.rowLoop[fileRow];
      const int32_t trial = file_.rowTrial[fileRow];
      rowLoop[fileRow] = loop < 0 ? none
                                  : textOf(loopText, static_cast<size_t>(loop),
                                           file_.loops[static_cast<size_t>(loop)].name);
      rowTrial[fileRow] = none;
      if (loop >= 0 && trial >= 0) {
        const auto [place, added] = trialText.emplace(trial, 0);
        if (added)
          place->second = table.addText(std::to_string(trial));
        rowTrial[fileRow] = place->second;
      }
    }
    // A keyboard's start is no stimulus: it began waiting for keys.
    kinds[r] = key >= 0 ? press : file_.components[component].keyboard() ? listening : shown;
    components[r] = textOf(componentText, component, file_.components[component].name);
    keys[r] = key < 0
                  ? none
                  : textOf(keyText, static_cast<size_t>(key), scan_.keys[static_cast<size_t>(key)]);
    loops[r] = rowLoop[fileRow];
    trials[r] = rowTrial[fileRow];
    for (size_t c = 0; c < columns_.size(); ++c) {
      const std::string_view cell = file_.cell(fileRow, columns_[c].nameIndex);
      uint32_t text = none;
      if (!isMissingCell(cell)) {
        const auto [place, added] = cellText[c].emplace(cell, 0);
        if (added)
          place->second = table.addText(std::string(cell));
        text = place->second;
      }
      columns[5 + c].cells[r] = text;
    }
  }
}

void PsychopySource::describeColumns(const EventsTable& table,
                                     std::vector<ExtraColumnFacts>& facts) const {
  facts.push_back(
      {"event_type",
       "PsychoPy event kind",
       "What the row is: shown (a component's start, its .started), keyboard start (a "
       "keyboard component's start: it began waiting for keys) or key press (a key a "
       "keyboard component recorded, at its .started plus the key's rt).",
       false,
       {{kShown, "A component started: its .started, lasting to its .stopped."},
        {kKeyboardStart, "A keyboard component started waiting for keys: its .started, "
                         "lasting to its .stopped."},
        {kKeyPress, "A key press of a keyboard component: its .started plus the rt."}}});
  facts.push_back({"component",
                   "PsychoPy component",
                   "The component of the Builder's experiment the row comes from.",
                   false,
                   {}});
  facts.push_back({"key",
                   "Key pressed",
                   "The key a keyboard component recorded, as PsychoPy names it; n/a for a shown "
                   "event.",
                   false,
                   {}});
  ExtraColumnFacts loop{"loop",
                        "PsychoPy loop",
                        "The loop whose trial the row belongs to (the innermost); n/a outside "
                        "loops.",
                        false,
                        {}};
  std::vector<bool> seen(table.texts.size());
  if (table.extra.size() > 3) {
    for (const uint32_t cell : table.extra[3].cells)
      seen[cell] = true;
  }
  std::set<std::string> written;
  for (uint32_t t = 0; t < seen.size(); ++t) {
    if (seen[t])
      written.insert(table.texts[t]);
  }
  for (const PsychopyLoop& l : file_.loops) {
    if (written.count(l.name) > 0)
      loop.levels.emplace_back(l.name, "The loop " + l.name + ".");
  }
  facts.push_back(std::move(loop));
  facts.push_back({"trial",
                   "Trial of the loop",
                   "The trial's number in its loop (the loop's thisN, from 0); n/a outside loops.",
                   false,
                   {}});
  for (const Column& column : columns_) {
    const std::string& own = file_.names[column.nameIndex].name;
    facts.push_back({column.name,
                     own,
                     "The data file's column \"" + own +
                         "\", as PsychoPy wrote it; n/a where its cell is empty, None or nan.",
                     false,
                     {}});
  }
}

}  // namespace stimforge::kwhost
