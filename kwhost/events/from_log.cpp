#include "kwhost/events/from_log.h"

#include <algorithm>
#include <map>
#include <new>
#include <optional>
#include <unordered_map>
#include <utility>

#include "kwhost/common/exit_status.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/common/text_utf8.h"
#include "logformat/code_table.h"
#include "logformat/event_table.h"
#include "logformat/log_check.h"
#include "logformat/log_header.h"

namespace stimforge::kwhost {
namespace {

bool timeOf(const LogNumber& number, int64_t& time) {
  if (!number.isWhole() || number.whole > kMaxLogTime || number.whole < -kMaxLogTime)
    return false;
  time = number.whole;
  return true;
}

std::string triggerText(const TriggerSelection& trigger) {
  return trigger.type + (trigger.code ? " events with code " + *trigger.code : " events");
}

// Time zero under auto, and the times a chosen scan keeps. Returns 0 or an exit status.
int autoZero(const std::vector<Tenths>& triggers, const std::string& name,
             const LogEventsOptions& options, LogEvents& events, int64_t& zero,
             std::optional<std::pair<Tenths, Tenths>>& window, std::string& error) {
  if (triggers.empty()) {
    error =
        "no scanner triggers in " + name + ": give --zero scenario, --zero MS or --zero code:NAME";
    return kFailure;
  }
  TriggerOptions triggerOptions;
  triggerOptions.tr = options.tr;
  triggerOptions.skip = options.skip;
  const TriggerFindings findings = analyzeTriggers(triggers, triggerOptions);
  const std::vector<ScanFindings>& scans = findings.scans;
  if (options.scan == 0 && scans.size() > 1) {
    error = name + " holds " + std::to_string(scans.size()) + " scans; pick one with --scan N:";
    // The first few are listed: a log of hundreds of scans is no run of one image.
    constexpr size_t kListed = 10;
    for (size_t i = 0; i < scans.size() && i < kListed; ++i) {
      error += " " + std::to_string(i + 1) + ": " + std::to_string(scans[i].count) +
               " triggers from " + formatMs(scans[i].firstTime) + " ms;";
    }
    error.pop_back();
    if (scans.size() > kListed)
      error += "; and " + std::to_string(scans.size() - kListed) + " more";
    return kFailure;
  }
  if (options.scan > scans.size()) {
    error = "--scan " + std::to_string(options.scan) + ": " + name + " holds " +
            std::to_string(scans.size()) + " scan(s)";
    return kFailure;
  }
  const size_t chosen = options.scan == 0 ? 0 : options.scan - 1;
  const ScanFindings& scan = scans[chosen];
  if (!scan.timeZero) {
    error = "scan " + std::to_string(chosen + 1) + " of " + name + " has " +
            std::to_string(scan.count) + " trigger(s), none left after --skip " +
            std::to_string(options.skip);
    return kFailure;
  }
  zero = *scan.timeZero;
  if (options.scan != 0)
    window = std::make_pair(zero, scan.end);
  events.facts.zero =
      "trigger " + std::to_string(options.skip + 1) + " (" + triggerText(options.trigger) + ")";
  if (scans.size() > 1)
    events.facts.zero +=
        " of scan " + std::to_string(chosen + 1) + " of " + std::to_string(scans.size());
  if (options.skip > 0)
    events.facts.zero += ", after " + std::to_string(options.skip) + " discarded volume(s)";
  events.facts.zero += ", at Time " + formatMs(zero) + " ms in the log";
  if (findings.hasFindings()) {
    std::string& text = events.triggerFindings;
    text = "the triggers of " + name + " need a look:";
    for (size_t i = 0; i < scans.size(); ++i) {
      const ScanFindings& s = scans[i];
      if (!s.hasFindings())
        continue;
      text += " scan " + std::to_string(i + 1) + " (" + std::to_string(s.count) + " triggers)";
      if (s.missingAtGaps > 0)
        text += ", " + std::to_string(s.missingAtGaps) + " missed at gaps";
      if (s.extraCount > 0)
        text += ", " + std::to_string(s.extraCount) + " extra";
      if (s.backwardCount > 0)
        text += ", " + std::to_string(s.backwardCount) + " going backwards";
      if (s.medianAgrees && !*s.medianAgrees)
        text += ", a median interval that disagrees with --tr";
      if (s.driftPpm && (*s.driftPpm > kMaxDriftPpm || *s.driftPpm < -kMaxDriftPpm))
        text += ", a clock drift of " + std::to_string(static_cast<int64_t>(*s.driftPpm)) + " ppm";
      if (s.count < 3)
        text += ", too few to check";
      text += ";";
    }
    text.back() = '.';
    text += " Run kwhost triggers for the details.";
  }
  return kSuccess;
}

// What a row's trial_type depends on during the pass (EventRow::trialType): its raw code
// alone, the code's own index; or, for a map with typed lines and for an empty code, its
// event type and code, kTypedKey with an index into LogPass::typedKeys.
constexpr uint32_t kTypedKey = uint32_t{1} << 31;
struct TrialKey {
  uint32_t code = 0;  // raw, in LogPass::codes
  uint32_t type = 0;  // raw, in LogPass::eventTypes
};

// What the one pass over the event table gathers besides the rows.
struct LogPass {
  CodeTable codes;       // the selected rows' codes, raw; EventRow::code indexes them
  CodeTable eventTypes;  // the selected rows' event types, raw; EventRow::eventType too
  std::vector<TrialKey> typedKeys;
  std::vector<Tenths> triggers;
  std::vector<StimulusEvent> stimuli;  // with --bold: the Picture, Sound and Video events
  std::optional<int64_t> codeZero;  // the Time of the first event with the zero code
  size_t withoutTime = 0;           // selected events without a whole Time, left out
  size_t triggerRows = 0;           // selected trigger rows left out
  std::string runBlock;             // the block of JSON after the table (jsonBlockAfterTable)
};

// The keys of the rows as they come: a code's key costs nothing, a typed key (rare: a typed
// map, an empty code) is found in a hash map.
class TrialKeys {
 public:
  TrialKeys(bool typedMap, std::vector<TrialKey>& typedKeys)
      : typedMap_(typedMap), typedKeys_(typedKeys) {}

  uint32_t keyOf(uint32_t code, uint32_t type, bool emptyCode) {
    if (!typedMap_ && !emptyCode)
      return code;
    const uint64_t pair = (uint64_t{type} << 32) | code;
    const auto [place, added] = typed_.emplace(pair, static_cast<uint32_t>(typedKeys_.size()));
    if (added)
      typedKeys_.push_back(TrialKey{code, type});
    return kTypedKey | place->second;
  }

 private:
  bool typedMap_;
  std::vector<TrialKey>& typedKeys_;
  std::unordered_map<uint64_t, uint32_t> typed_;
};

// Checks that `source` holds a Presentation log and reads its header. Returns kSuccess or
// kFailure with `error` set.
int readHeader(LogSource& source, const std::string& name, LogHeader& header, std::string& error) {
  std::string problem;
  if (!checkPresentationLog(source, problem)) {
    error = name + ": " + problem;
    return kFailure;
  }
  if (!source.rewind() || !readLogHeader(source, header)) {
    error = name + ": the file cannot be read";
    return kFailure;
  }
  return kSuccess;
}

// Room for a row per kBytesPerRow bytes of log: Presentation's event lines are 40 to 90
// bytes long, and not every line is selected. Only the rows filled take memory; a log of
// shorter lines grows the vector past this as usual.
void reserveRows(uint64_t logBytes, std::vector<EventRow>& rows) {
  constexpr uint64_t kBytesPerRow = 64;
  constexpr uint64_t kMaxReserved = uint64_t{1} << 26;
  try {
    rows.reserve(static_cast<size_t>(std::min(logBytes / kBytesPerRow, kMaxReserved)));
  } catch (const std::bad_alloc&) {
    // An estimate the memory does not hold: the rows grow as they come.
  }
}

// The one pass over the event table: the selected events into `rows` (onset holding the
// Time until time zero is known, code and eventType indexing the pass's raw texts, trialType
// the pass's keys), their extra cells into `columns`, the triggers, the first event of a
// zero code and the block after the table. Returns false when the file cannot be read.
bool readTable(LogSource& source, const EventLayout& layout, const LogEventsOptions& options,
               std::vector<EventRow>& rows, LogColumnReader& columns, LogPass& pass) {
  reserveRows(options.logBytes, rows);
  // What the pass asks of an event type, found once for each distinct type: every line
  // looks its type up once, instead of comparing it with the trigger and every type chosen.
  struct TypeFacts {
    bool selected = false;
    bool trigger = false;
    bool stimulus = false;        // kept for the check against the scan (--bold)
    uint32_t index = UINT32_MAX;  // in pass.eventTypes, once a row of the type is kept
  };
  CodeTable seenTypes;
  std::vector<TypeFacts> typeFacts;
  TrialKeys keys(options.map != nullptr && options.map->hasTypedLines(), pass.typedKeys);
  // Only the columns an events row takes, unless it has extra ones: far less work than
  // every column of every line.
  EventTableReader reader(source, layout,
                          columns.empty() ? EventColumns::kTimeAndDuration : EventColumns::kAll);
  EventRecord record;
  EventTableReader::Result result;
  while ((result = reader.next(record)) == EventTableReader::Result::kEvent) {
    const uint32_t seen = seenTypes.add(record.eventType);
    if (seen == typeFacts.size()) {
      TypeFacts facts;
      facts.selected = std::find(options.types.begin(), options.types.end(), record.eventType) !=
                       options.types.end();
      facts.trigger = record.eventType == options.trigger.type;
      facts.stimulus = options.bold != nullptr && isStimulusType(record.eventType);
      typeFacts.push_back(facts);
    }
    TypeFacts& type = typeFacts[seen];
    int64_t time = 0;
    const bool timed = timeOf(record.time, time);
    // A line without a Code is no trigger, as `kwhost triggers` reads them.
    const bool trigger = type.trigger && !record.code.empty() &&
                         (!options.trigger.code || record.code == *options.trigger.code);
    if (timed && trigger)
      pass.triggers.push_back(time);
    if (timed && type.stimulus && !trigger) {
      pass.stimuli.push_back(
          {record.line, time, std::string(record.eventType), std::string(record.code)});
    }
    if (options.zero.kind == TimeZero::Kind::kCode && !pass.codeZero && timed &&
        record.code == options.zero.code) {
      pass.codeZero = time;
    }
    if (!type.selected)
      continue;
    if (trigger && !options.keepTriggers) {
      ++pass.triggerRows;
      continue;
    }
    if (!timed) {
      ++pass.withoutTime;
      continue;
    }
    EventRow row;
    row.onset = time;
    int64_t duration = 0;
    row.duration =
        timeOf(record.duration, duration) ? std::max<int64_t>(duration, 0) : kNotApplicable;
    row.trial = record.trial;
    row.code = pass.codes.add(record.code);
    if (type.index == UINT32_MAX)
      type.index = pass.eventTypes.add(record.eventType);
    row.eventType = type.index;
    row.trialType = keys.keyOf(row.code, row.eventType, record.code.empty());
    rows.push_back(row);
    if (!columns.empty())
      columns.add(record);
  }
  if (result == EventTableReader::Result::kError)
    return false;
  // Still the one pass: what follows the table, for the block of JSON about the run that
  // some versions of Presentation write at the end (the version it states, the system).
  pass.runBlock = jsonBlockAfterTable(reader);
  return true;
}

// Time zero as a Time of the log, and under auto the window of the scan kept. Says in the
// sidecar facts what time zero is. Returns kSuccess or the exit status with `error` set.
// The log against its run, from the triggers and stimulus events of the pass. Returns
// kSuccess, or kFailure with `error` set when there is no trigger or K is unknown.
int checkAgainstScan(const LogPass& pass, const std::string& name,
                     const LogEventsOptions& options, LogEvents& events, std::string& error) {
  ScanCheckOptions scanOptions;
  scanOptions.tr = options.tr;
  if (options.skipGiven)
    scanOptions.skip = options.skip;
  scanOptions.scan = options.scan;
  events.scanCheck = checkLogAgainstScan(pass.triggers, pass.stimuli, scanOptions, *options.bold);
  const ScanCheck& check = *events.scanCheck;
  if (pass.triggers.empty()) {
    error = "no scanner triggers in " + name + ": give --zero scenario, --zero MS or --zero "
            "code:NAME";
    return kFailure;
  }
  if (!check.timeZero) {
    error = name + " against " + options.bold->image.filename().u8string() +
            ": no time zero: " + check.dummies.unknownReason +
            "; give --skip K (the triggers without a stored volume) once you know it";
    return kFailure;
  }
  return kSuccess;
}

// "2 stimulus events of NAME before time zero (the first a Picture "x" at line 7)".
std::string outsideText(size_t count, const std::optional<StimulusEvent>& first,
                        const std::string& name, const char* where) {
  std::string text = std::to_string(count) + " stimulus event(s) of " + name + " " + where;
  if (first)
    text += " (the first a " + first->type + " \"" + first->code + "\" at line " +
            std::to_string(first->line + 1) + ")";
  return text;
}

// Time zero from the check against the run; its findings go with the trigger findings, the
// stimulus events outside the stored scan to the warnings.
int scanZero(const ScanCheck& check, const std::string& name, const LogEventsOptions& options,
             LogEvents& events, int64_t& zero) {
  zero = *check.timeZero;
  if (check.outside.before > 0)
    events.warnings.insert(outsideText(check.outside.before, check.outside.firstBefore, name,
                                       "lie before time zero, the first stored volume"));
  if (check.outside.after > 0)
    events.warnings.insert(outsideText(check.outside.after, check.outside.firstAfter, name,
                                       "lie after the end of the stored scan"));
  events.facts.zero = onsetDescription(check, *options.bold);
  if (check.hasFindings()) {
    std::string& text = events.triggerFindings;
    text = "the log against " + options.bold->image.filename().u8string() + " needs a look:";
    for (const std::string& finding : check.findings)
      text += " " + finding + ";";
    text.back() = '.';
    text += " Run kwhost triggers --bold for the details.";
  }
  return kSuccess;
}

int chooseTimeZero(const LogPass& pass, const std::string& name, const LogEventsOptions& options,
                   LogEvents& events, int64_t& zero,
                   std::optional<std::pair<Tenths, Tenths>>& window, std::string& error) {
  zero = 0;
  switch (options.zero.kind) {
    case TimeZero::Kind::kAuto:
      if (events.scanCheck)
        return scanZero(*events.scanCheck, name, options, events, zero);
      return autoZero(pass.triggers, name, options, events, zero, window, error);
    case TimeZero::Kind::kScenario:
      events.facts.zero = "the scenario's start (Presentation's own origin, Time 0 of the log)";
      break;
    case TimeZero::Kind::kTime:
      zero = options.zero.tenths;
      events.facts.zero =
          "a time given by the user, Time " + formatMs(zero) + " ms in the log";
      break;
    case TimeZero::Kind::kCode:
      if (!pass.codeZero) {
        error = "no event of " + name + " has the code \"" + escapeLine(options.zero.code) + "\"";
        return kFailure;
      }
      zero = *pass.codeZero;
      events.facts.zero = "the first event with the code \"" + options.zero.code + "\", at Time " +
                          formatMs(zero) + " ms in the log";
      break;
  }
  return kSuccess;
}

// A key's trial_type left out by --unmapped drop.
constexpr uint32_t kDropped = UINT32_MAX;

// The texts of the table for the raw codes, event types and keys: each distinct code once,
// its UTF-8 text, each key's trial_type (through the map) and where that trial_type comes
// from.
struct RowTexts {
  std::vector<uint32_t> code;  // raw code -> the code's text in the table
  // The trial_type's text (or kDropped) of each raw code, then of each typed key: see
  // trialTypeOf.
  std::vector<uint32_t> trialType;
  std::vector<uint32_t> eventType;                       // raw event type -> its text in the table
  std::map<std::string, std::set<std::string>> origins;  // cell text -> where it comes from

  uint32_t trialTypeOf(uint32_t key) const {
    return trialType[(key & kTypedKey) == 0 ? key : code.size() + (key & ~kTypedKey)];
  }
};

// The trial_type of `key` and where it comes from, through the map. Returns kSuccess,
// kUsageError with `error` set when a --map pattern cannot be matched; `dropped` is set
// for a code --unmapped drop leaves out.
int nameKey(const std::string& code, const std::string& type, const LogEventsOptions& options,
            std::string& trialType, std::string& origin, bool& dropped, std::string& error) {
  dropped = false;
  if (code.empty()) {
    // A Quit line and the like: the event type is all that tells what it was.
    trialType = type;
    origin = "the " + type + " events without a Code";
    return kSuccess;
  }
  trialType = code;
  origin = "the code \"" + code + "\"";
  if (options.map == nullptr)
    return kSuccess;
  const MapLine* line = nullptr;
  if (!options.map->lineFor(type, code, line, error))
    return kUsageError;
  if (line == nullptr) {
    dropped = options.unmapped == Unmapped::kDrop;
    return kSuccess;
  }
  trialType = line->trialType;
  origin = "the " + (line->eventType.empty() ? std::string() : line->eventType + " events' ") +
           "codes that fully match the pattern \"" + line->pattern + "\" (line " +
           std::to_string(line->lineNumber) + " of " + options.map->fileName() + ")";
  return kSuccess;
}

// Fills `texts` and the table's texts. Returns kSuccess, or kUsageError with `error` set
// when a --map pattern cannot be matched.
int nameCodes(const LogPass& pass, const LogEventsOptions& options, LogEvents& events,
              RowTexts& texts, std::string& error) {
  EventsTable& table = events.table;
  std::vector<std::string> codes(pass.codes.size());
  texts.code.resize(pass.codes.size());
  for (uint32_t i = 0; i < pass.codes.size(); ++i) {
    codes[i] = utf8Of(pass.codes[i], "the code", events.warnings);
    texts.code[i] = table.addText(codes[i]);
  }
  std::vector<std::string> types(pass.eventTypes.size());
  texts.eventType.resize(pass.eventTypes.size());
  for (uint32_t i = 0; i < pass.eventTypes.size(); ++i) {
    types[i] = utf8Of(pass.eventTypes[i], "the event type", events.warnings);
    texts.eventType[i] = table.addText(types[i]);
  }
  // A code's own entry is used only when no map line names a type, and never for "".
  const bool typedMap = options.map != nullptr && options.map->hasTypedLines();
  texts.trialType.assign(pass.codes.size() + pass.typedKeys.size(), kDropped);
  for (size_t k = 0; k < texts.trialType.size(); ++k) {
    const bool typed = k >= pass.codes.size();
    if (!typed && (typedMap || pass.codes[static_cast<uint32_t>(k)].empty()))
      continue;
    const TrialKey key =
        typed ? pass.typedKeys[k - pass.codes.size()] : TrialKey{static_cast<uint32_t>(k), 0};
    std::string trialType;
    std::string origin;
    bool dropped = false;
    const int status = nameKey(codes[key.code], typed ? types[key.type] : std::string(), options,
                               trialType, origin, dropped, error);
    if (status != kSuccess)
      return status;
    if (dropped) {
      texts.trialType[k] = kDropped;
      continue;
    }
    bool changed = false;
    texts.origins[tsvCellText(trialType, changed)].insert(std::move(origin));
    texts.trialType[k] = table.addText(std::move(trialType));
  }
  return kSuccess;
}

// Cell `from` of each extra column to its place `to` (at most `from`).
void keepExtraCells(size_t from, size_t to, std::vector<ExtraColumn>& columns) {
  for (ExtraColumn& column : columns) {
    if (column.time)
      column.times[to] = column.times[from];
    else
      column.cells[to] = column.cells[from];
  }
}

// In place: the rows kept (not dropped, inside the window) move forward with their extra
// cells, their onsets from time zero and their texts from the raw indices to the table's;
// then sorted by onset, and under --duration next each lasting to the next row.
void finishRows(const RowTexts& texts, int64_t zero,
                const std::optional<std::pair<Tenths, Tenths>>& window,
                const LogEventsOptions& options, EventsTable& table) {
  std::vector<EventRow>& rows = table.rows;
  const bool extra = !table.extra.empty();
  size_t kept = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const EventRow read = rows[i];
    const uint32_t trialType = texts.trialTypeOf(read.trialType);
    if (trialType == kDropped)
      continue;
    if (window && (read.onset < window->first || read.onset >= window->second))
      continue;
    if (extra)
      keepExtraCells(i, kept, table.extra);
    EventRow& row = rows[kept++];
    row = read;
    row.onset = read.onset - zero;
    if (options.duration == EventDuration::kNext)
      row.duration = kNotApplicable;
    row.trialType = trialType;
    row.eventType = texts.eventType[read.eventType];
    row.code = texts.code[read.code];
  }
  rows.resize(kept);
  for (ExtraColumn& column : table.extra)
    column.time ? column.times.resize(kept) : column.cells.resize(kept);
  sortByOnset(table);
  if (options.duration == EventDuration::kNext) {
    for (size_t i = 0; i + 1 < table.rows.size(); ++i)
      table.rows[i].duration = table.rows[i + 1].onset - table.rows[i].onset;
  }
}

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

// The sidecar's Levels: one for each trial_type written, saying where it comes from and,
// for a value of several event types, which; a warning for each such value.
void describeLevels(const EventsTable& table,
                    const std::map<std::string, std::set<std::string>>& origins,
                    const std::string& name, LogEvents& events) {
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
    if (types.size() > 1) {
      description += ", of the event types " + listed(types);
      events.warnings.insert("the trial_type \"" + value + "\" is written for events of " +
                             std::to_string(types.size()) + " types in " + name + " (" +
                             listed(types) +
                             "): a --map line with an event type as its third field tells "
                             "them apart");
    }
    events.facts.levels.push_back({value, description + "."});
  }
}

// The sidecar's facts that the log's header and the block after its table give.
void describeLog(const LogHeader& header, const std::string& runBlock, const std::string& name,
                 LogEvents& events) {
  SidecarFacts& facts = events.facts;
  facts.logColumns = true;
  facts.fromPresentation = true;
  facts.source = name;
  facts.scenario = utf8Of(header.scenario, "the scenario name", events.warnings);
  facts.writtenLine = utf8Of(header.writtenLine, "the log's date line", events.warnings);
  facts.softwareVersion = statedSoftwareVersion(header);
  if (!runBlock.empty()) {
    const RunFacts run = runFactsOf(runBlock);
    if (facts.softwareVersion.empty())
      facts.softwareVersion = run.softwareVersion;
    facts.operatingSystem = run.operatingSystem;  // JSON text: UTF-8 already
  }
}

// The steps of eventsFromLog: the log check and header, the one pass over the table, time
// zero, the texts through the map, the rows, the Levels and the sidecar's facts.
int readEvents(LogSource& source, const std::string& name, const LogEventsOptions& options,
               LogEvents& events, std::string& error) {
  LogHeader header;
  int status = readHeader(source, name, header, error);
  if (status != kSuccess)
    return status;
  if (!options.columns.empty() && !checkTableColumns(header, options.columns, error)) {
    error = name + ": " + error;
    return kUsageError;
  }
  EventLayout layout = eventLayoutFor(header, header.subjectFirst());
  layout.emptyCodeIsEvent = true;
  LogColumnReader columns(layout, options.propertyColumns, options.columns, events.warnings);
  LogPass pass;
  if (!readTable(source, layout, options, events.table.rows, columns, pass)) {
    error = name + ": the file cannot be read";
    return kFailure;
  }
  if (pass.triggerRows > 0) {
    const std::string rows =
        std::to_string(pass.triggerRows) + " trigger rows (" + triggerText(options.trigger) + ")";
    if (events.table.rows.empty() && pass.withoutTime == 0) {
      error = "the events selected in " + name + " are all " + rows +
              ", which are left out: --keep-triggers writes them";
      return kFailure;
    }
    events.triggerRowsNote = "left out " + rows + " of " + name + "; --keep-triggers keeps them";
  }
  if (pass.withoutTime > 0) {
    events.warnings.insert(std::to_string(pass.withoutTime) + " selected event(s) of " + name +
                           " without a whole Time were left out");
  }
  if (options.bold != nullptr && options.zero.kind == TimeZero::Kind::kAuto) {
    status = checkAgainstScan(pass, name, options, events, error);
    if (status != kSuccess)
      return status;
  }
  int64_t zero = 0;
  std::optional<std::pair<Tenths, Tenths>> window;
  status = chooseTimeZero(pass, name, options, events, zero, window, error);
  if (status != kSuccess)
    return status;
  events.zeroTime = zero;
  RowTexts texts;
  status = nameCodes(pass, options, events, texts, error);
  if (status != kSuccess)
    return status;
  columns.finish(events.table, events.warnings);
  finishRows(texts, zero, window, options, events.table);
  describeLevels(events.table, texts.origins, name, events);
  columns.describe(events.table, events.facts.extraColumns);
  describeLog(header, pass.runBlock, name, events);
  return kSuccess;
}

}  // namespace

int eventsFromLog(LogSource& source, const std::string& name, const LogEventsOptions& options,
                  LogEvents& events, std::string& error) {
  events = LogEvents();
  const int status = readEvents(source, name, options, events, error);
  if (status != kSuccess)
    events = LogEvents();  // the rows read so far index raw texts
  return status;
}

}  // namespace stimforge::kwhost
