// The sidecar of an events file (`*_events.json`): what every column and value means.
//
// kwhost knows its own events files by the phrase kOwnEventsPhrase in the onset column's
// Description: an events file is replaced without --force only when its sidecar holds it.
#ifndef STIMFORGE_KWHOST_EVENTS_SIDECAR_H_
#define STIMFORGE_KWHOST_EVENTS_SIDECAR_H_

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace stimforge::kwhost {

// Written in every sidecar kwhost writes, and looked for before replacing one.
constexpr char kOwnEventsPhrase[] = "Written by kwhost events.";

// One value of the trial_type column and where it comes from.
struct TrialTypeLevel {
  std::string value;   // as the TSV writes it (tsvCellText)
  std::string origin;  // "the Code \"X\"", "the Codes that fully match the map pattern ..."
};

// A column after the fixed ones, as the sidecar describes it.
struct ExtraColumnFacts {
  std::string name;
  std::string longName;
  std::string description;  // says what n/a means there
  bool seconds = false;     // Units "s"
  // Levels: each value written and what it is; none when empty.
  std::vector<std::pair<std::string, std::string>> levels;
};

struct SidecarFacts {
  bool logColumns = true;  // the columns of a log's table (event_type, code, trial)
  // The stimulus program, StimulusPresentation's SoftwareName ("Presentation", "PsychoPy");
  // "" for none (a protocol's events): no StimulusPresentation then.
  std::string program = "Presentation";
  std::string softwareVersion;  // "" when the log states none
  std::string operatingSystem;  // UTF-8; "" when the log states none
  // How time zero was found, with its time in the log ("the 1st scanner trigger (Pulse,
  // code 53), at Time 17328.2 ms of the log").
  std::string zero;
  std::string source;       // the input file's name
  std::string scenario;     // UTF-8; "" when unknown
  std::string writtenLine;  // the log's date line, UTF-8; "" when unknown
  // What the source says of the run, one sentence without its period, UTF-8 ("PsychoPy
  // experiment localizer, participant 11002, date 2021_Nov_12_0921"); "" when nothing.
  std::string runDescription;
  // What the duration (for a source whose table has columns of its own: logColumns false, not
  // a protocol) and trial_type (for any source: a template) hold; "" for the usual words.
  std::string durationDescription;
  std::string trialTypeDescription;
  std::vector<TrialTypeLevel> levels;
  std::vector<ExtraColumnFacts> extraColumns;  // in the table's order
};

// The sidecar as a JSON object: LongName and Description for every column, Units "s" on
// onset, duration and the extra columns of times, Levels for trial_type and the extra
// columns that have them, StimulusPresentation. May throw
// std::bad_alloc.
nlohmann::ordered_json buildEventsSidecar(const SidecarFacts& facts);

// The sidecar's text: pretty-printed (two blanks), ending in "\n". Texts that are not
// UTF-8 (none should reach here) are written with U+FFFD.
std::string formatEventsSidecar(const SidecarFacts& facts);

// The same text with the record by which kwhost knows the two files it wrote: a line in the
// onset column, "KwhostChecksums": "crc32 of the events file T, of this file without this
// line S", T the crc32 of the events file's bytes (`tableCrc`), S that of the sidecar's own
// text without that line (kwhost/common/own_record.h).
std::string formatRecordedEventsSidecar(const SidecarFacts& facts, uint32_t tableCrc);

// What the sidecar text `text` records of the two files: none (written before records, or
// not by kwhost), or the events file's crc32 and whether the sidecar's own bytes are
// unchanged (a record that cannot be read counts as changed).
struct SidecarRecord {
  uint32_t tableCrc = 0;
  bool sidecarUnchanged = false;
};
std::optional<SidecarRecord> sidecarRecordOf(std::string_view text);

// Whether `text` is a sidecar kwhost wrote: a JSON object whose onset Description holds
// kOwnEventsPhrase. Any text is handled safely.
bool isOwnEventsSidecar(std::string_view text);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_EVENTS_SIDECAR_H_
