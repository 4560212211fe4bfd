#include "kwhost/events/from_log.h"

#include <algorithm>
#include <map>
#include <new>
#include <optional>
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
               " triggers from " + millisecondsText(scans[i].firstTime) + " ms;";
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
  events.facts.zero += ", at Time " + millisecondsText(zero) + " ms in the log";
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

}  // namespace

std::string millisecondsText(int64_t tenths) {
  const bool negative = tenths < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(tenths) : static_cast<uint64_t>(tenths);
  return (negative ? "-" : "") + std::to_string(magnitude / 10) + "." +
         std::to_string(magnitude % 10);
}

namespace {

// What the one pass over the event table gathers besides the rows.
struct LogPass {
  CodeTable codes;       // the selected rows' codes, raw; EventRow::code indexes them
  CodeTable eventTypes;  // the selected rows' event types, raw; EventRow::eventType too
  std::vector<Tenths> triggers;
  std::optional<int64_t> codeZero;  // the Time of the first event with the zero code
  size_t withoutTime = 0;           // selected events without a whole Time, left out
  std::string runBlock;             // the block of JSON after the table (jsonBlockAfterTable)
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
// Time until time zero is known, code and eventType indexing the pass's raw texts), the
// triggers, the first event of a zero code and the block after the table. Returns false
// when the file cannot be read.
bool readTable(LogSource& source, const LogHeader& header, const LogEventsOptions& options,
               std::vector<EventRow>& rows, LogPass& pass) {
  reserveRows(options.logBytes, rows);
  // What the pass asks of an event type, found once for each distinct type: every line
  // looks its type up once, instead of comparing it with the trigger and every type chosen.
  struct TypeFacts {
    bool selected = false;
    bool trigger = false;
    uint32_t index = UINT32_MAX;  // in pass.eventTypes, once a row of the type is kept
  };
  CodeTable seenTypes;
  std::vector<TypeFacts> typeFacts;
  // Only the columns an events row takes: far less work than every column of every line.
  EventTableReader reader(source, eventLayoutFor(header, header.subjectFirst()),
                          EventColumns::kTimeAndDuration);
  EventRecord record;
  EventTableReader::Result result;
  while ((result = reader.next(record)) == EventTableReader::Result::kEvent) {
    const uint32_t seen = seenTypes.add(record.eventType);
    if (seen == typeFacts.size()) {
      TypeFacts facts;
      facts.selected = std::find(options.types.begin(), options.types.end(), record.eventType) !=
                       options.types.end();
      facts.trigger = record.eventType == options.trigger.type;
      typeFacts.push_back(facts);
    }
    TypeFacts& type = typeFacts[seen];
    int64_t time = 0;
    const bool timed = timeOf(record.time, time);
    if (timed && type.trigger && (!options.trigger.code || record.code == *options.trigger.code))
      pass.triggers.push_back(time);
    if (options.zero.kind == TimeZero::Kind::kCode && !pass.codeZero && timed &&
        record.code == options.zero.code) {
      pass.codeZero = time;
    }
    if (!type.selected)
      continue;
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
    rows.push_back(row);
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
int chooseTimeZero(const LogPass& pass, const std::string& name, const LogEventsOptions& options,
                   LogEvents& events, int64_t& zero,
                   std::optional<std::pair<Tenths, Tenths>>& window, std::string& error) {
  zero = 0;
  switch (options.zero.kind) {
    case TimeZero::Kind::kAuto:
      return autoZero(pass.triggers, name, options, events, zero, window, error);
    case TimeZero::Kind::kScenario:
      events.facts.zero = "the scenario's start (Presentation's own origin, Time 0 of the log)";
      break;
    case TimeZero::Kind::kTime:
      zero = options.zero.tenths;
      events.facts.zero =
          "a time given by the user, Time " + millisecondsText(zero) + " ms in the log";
      break;
    case TimeZero::Kind::kCode:
      if (!pass.codeZero) {
        error = "no event of " + name + " has the code \"" + escapeLine(options.zero.code) + "\"";
        return kFailure;
      }
      zero = *pass.codeZero;
      events.facts.zero = "the first event with the code \"" + options.zero.code + "\", at Time " +
                          millisecondsText(zero) + " ms in the log";
      break;
  }
  return kSuccess;
}

// A raw code's trial_type left out by --unmapped drop.
constexpr uint32_t kDropped = UINT32_MAX;

// The texts of the table for the raw codes and event types: each distinct code once, its
// UTF-8 text, its trial_type (through the map) and where that trial_type comes from.
struct RowTexts {
  std::vector<uint32_t> code;       // raw code -> the code's text in the table
  std::vector<uint32_t> trialType;  // raw code -> the trial_type's text, or kDropped
  std::vector<uint32_t> eventType;  // raw event type -> its text in the table
  std::map<std::string, std::set<std::string>> origins;  // cell text -> where it comes from
};

// Fills `texts` and the table's texts. Returns kSuccess, or kUsageError with `error` set
// when a --map pattern cannot be matched.
int nameCodes(const LogPass& pass, const LogEventsOptions& options, LogEvents& events,
              RowTexts& texts, std::string& error) {
  EventsTable& table = events.table;
  texts.code.resize(pass.codes.size());
  texts.trialType.resize(pass.codes.size());
  for (uint32_t i = 0; i < pass.codes.size(); ++i) {
    std::string code = utf8Of(pass.codes[i], "the code", events.warnings);
    std::string trialType = code;
    std::string origin = "the code \"" + code + "\"";
    if (options.map != nullptr) {
      const MapLine* line = nullptr;
      if (!options.map->lineFor(code, line, error))
        return kUsageError;
      if (line != nullptr) {
        trialType = line->trialType;
        origin = "the codes that fully match the pattern \"" + line->pattern + "\" (line " +
                 std::to_string(line->lineNumber) + " of " + options.map->fileName() + ")";
      }
      if (line == nullptr && options.unmapped == Unmapped::kDrop) {
        texts.code[i] = table.addText(std::move(code));
        texts.trialType[i] = kDropped;
        continue;
      }
    }
    texts.code[i] = table.addText(std::move(code));
    bool changed = false;
    texts.origins[tsvCellText(trialType, changed)].insert(std::move(origin));
    texts.trialType[i] = table.addText(std::move(trialType));
  }
  texts.eventType.resize(pass.eventTypes.size());
  for (uint32_t i = 0; i < pass.eventTypes.size(); ++i) {
    texts.eventType[i] =
        table.addText(utf8Of(pass.eventTypes[i], "the event type", events.warnings));
  }
  return kSuccess;
}

// In place: the rows kept (not dropped, inside the window) move forward, their onsets from
// time zero and their texts from the raw indices to the table's; then sorted by onset, and
// under --duration next each lasting to the next row.
void finishRows(const RowTexts& texts, int64_t zero,
                const std::optional<std::pair<Tenths, Tenths>>& window,
                const LogEventsOptions& options, EventsTable& table) {
  std::vector<EventRow>& rows = table.rows;
  size_t kept = 0;
  for (const EventRow& read : rows) {
    if (texts.trialType[read.code] == kDropped)
      continue;
    if (window && (read.onset < window->first || read.onset >= window->second))
      continue;
    EventRow& row = rows[kept++];
    row = read;
    row.onset = read.onset - zero;
    if (options.duration == EventDuration::kNext)
      row.duration = kNotApplicable;
    row.trialType = texts.trialType[read.code];
    row.eventType = texts.eventType[read.eventType];
    row.code = texts.code[read.code];
  }
  rows.resize(kept);
  sortByOnset(table);
  if (options.duration == EventDuration::kNext) {
    for (size_t i = 0; i + 1 < table.rows.size(); ++i)
      table.rows[i].duration = table.rows[i + 1].onset - table.rows[i].onset;
  }
}

// The sidecar's Levels: one for each trial_type written, saying where it comes from.
void describeLevels(const EventsTable& table,
                    const std::map<std::string, std::set<std::string>>& origins,
                    SidecarFacts& facts) {
  std::vector<char> used(table.texts.size(), 0);
  for (const EventRow& row : table.rows)
    used[row.trialType] = 1;
  std::set<std::string> written;
  for (size_t i = 0; i < used.size(); ++i) {
    bool changed = false;
    if (used[i])
      written.insert(tsvCellText(table.texts[i], changed));
  }
  for (const std::string& value : written) {
    std::string description = "Events from ";
    bool first = true;
    const auto found = origins.find(value);
    if (found != origins.end()) {
      for (const std::string& origin : found->second) {
        description += (first ? "" : "; ") + origin;
        first = false;
      }
    }
    facts.levels.push_back({value, description + "."});
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
  LogPass pass;
  if (!readTable(source, header, options, events.table.rows, pass)) {
    error = name + ": the file cannot be read";
    return kFailure;
  }
  if (pass.withoutTime > 0) {
    events.warnings.insert(std::to_string(pass.withoutTime) + " selected event(s) of " + name +
                           " without a whole Time were left out");
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
  finishRows(texts, zero, window, options, events.table);
  describeLevels(events.table, texts.origins, events.facts);
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
