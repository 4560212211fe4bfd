// kwhost/psychopy on any bytes: a data file's text read into its model, its events, the
// trigger (found, or named by a choice from the input) on a TR grid, a trial_type template
// from the input over its rows, and an exact time from the input. Each gives a one-line
// refusal or figures that keep their rules: times that print and parse back unchanged,
// durations not negative, events on the file's rows, triggers that are key presses.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "kwhost/psychopy/cell_values.h"
#include "kwhost/psychopy/data_file.h"
#include "kwhost/psychopy/events.h"
#include "kwhost/psychopy/trigger.h"
#include "kwhost/settings/trial_type.h"
#include "kwhost/triggers/trigger_grid.h"

namespace stimforge::fuzzing {
namespace {

using namespace stimforge::kwhost;

bool oneLine(const std::string& text) {
  return !text.empty() && text.find('\n') == std::string::npos;
}

void exactTime(const ExactTime& t) {
  ExactTime back;
  SF_FUZZ_CHECK(parseExactTime(exactSecondsText(t), back) && back == t, "a time parses back");
  SF_FUZZ_CHECK(t.rest() >= 0 && t.rest() < ExactTime::kRestPerMicrosecond, "a rest in range");
  SF_FUZZ_CHECK(parseExactTime(secondsText(t), back) &&
                    back.floorMicroseconds() == t.roundedMicroseconds() && back.rest() == 0,
                "the rounded text is the rounded time");
}

void events(const PsychopyDataFile& file, const PsychopyEvents& out) {
  size_t presses = 0;
  for (const PsychopyKeyboard& k : out.keyboards)
    presses += k.presses.size();
  for (const PsychopyEvent& e : out.events) {
    SF_FUZZ_CHECK(e.component < file.components.size() && e.row < file.rows(), "its row");
    SF_FUZZ_CHECK(e.line == file.lineOf(e.row) && e.line >= 2, "its line");
    SF_FUZZ_CHECK((e.kind == PsychopyEventKind::kKeyPress) ==
                      (e.key >= 0 && static_cast<size_t>(e.key) < out.keys.size()),
                  "a key exactly for presses");
    SF_FUZZ_CHECK(!e.hasDuration || e.duration >= ExactTime(), "no negative duration");
    exactTime(e.onset);
  }
  size_t pressEvents = 0;
  for (const PsychopyEvent& e : out.events)
    pressEvents += e.kind == PsychopyEventKind::kKeyPress ? 1 : 0;
  SF_FUZZ_CHECK(presses == pressEvents, "every press is its keyboard's");
  for (const PsychopyNote& n : out.notes)
    SF_FUZZ_CHECK(oneLine(describePsychopyNote(file, n)) && n.count > 0, "a note in a line");
  for (const PsychopyOtherClock& o : out.otherClock)
    SF_FUZZ_CHECK(oneLine(describeOtherClock(file, o)) && o.example < o.floor, "below its floor");
}

void trigger(const PsychopyDataFile& file, const PsychopyEvents& out, const std::string& text,
             int64_t trUs) {
  PsychopyTriggerChoice choice;
  std::string problem;
  const bool named = !text.empty();
  if (named && !parsePsychopyTriggerChoice(text, choice, problem)) {
    SF_FUZZ_CHECK(oneLine(problem), "a refused choice says why");
    return;
  }
  PsychopyTrigger t;
  if (!findPsychopyTrigger(file, out, named ? &choice : nullptr, t, problem)) {
    SF_FUZZ_CHECK(!problem.empty(), "no trigger says why");
    return;
  }
  SF_FUZZ_CHECK(file.components[t.component].keyboard() && !t.times.empty(), "a keyboard's");
  SF_FUZZ_CHECK(t.everyTrigger == (t.rows == 1) && t.lines.size() == t.times.size(), "its rows");
  const TrGridCheck grid = checkTrGrid(t.sinceFirstUs(), trUs);
  SF_FUZZ_CHECK(grid.multiples.size() == t.times.size() && grid.multiples[0] == 0, "a grid");
  for (const int64_t deviation : grid.deviationsUs)
    SF_FUZZ_CHECK(deviation >= -(trUs / 2) && deviation < trUs - trUs / 2, "the nearest multiple");
}

void trialTypes(const PsychopyDataFile& file, const std::string& text) {
  TrialTypeTemplate tmpl;
  std::string problem;
  if (!parseTrialTypeTemplate(text, tmpl, problem)) {
    SF_FUZZ_CHECK(oneLine(problem), "a refused template says why");
    return;
  }
  const std::vector<std::string> columns = tmpl.columns();
  for (size_t row = 0; row < file.rows() && row < 64; ++row) {
    size_t length = 0;
    bool missing = false;
    std::vector<std::optional<std::string_view>> cells;
    for (const std::string& name : columns) {
      const int n = file.findName(name);
      const std::string_view cell = n < 0 ? std::string_view() : file.cell(row, n);
      cells.push_back(isMissingCell(cell) ? std::nullopt : std::optional<std::string_view>(cell));
      missing = missing || !cells.back();
      length += cell.size();
    }
    for (const TrialTypeTemplate::Piece& piece : tmpl.pieces)
      length += piece.column ? 0 : piece.text.size();
    const auto value = expandTrialTypeTemplate(tmpl, [&](size_t k) { return cells.at(k); });
    SF_FUZZ_CHECK(value.has_value() != missing && (!value || value->size() == length),
                  "a trial type is the template filled in, or none when a cell is missing");
  }
}

}  // namespace

int fuzzPsychopy(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const int64_t trUs = 1 + input.byte() * 100000;
  const std::string tmpl = input.text();
  const std::string choice = input.text();
  ExactTime time;
  if (parseExactTime(tmpl, time))
    exactTime(time);
  PsychopyDataFile file;
  PsychopyRefusal refusal;
  if (!readPsychopyDataFile(input.rest(), file, refusal)) {
    SF_FUZZ_CHECK(oneLine(refusal.message), "a refusal is one line");
    return 0;
  }
  SF_FUZZ_CHECK(file.rows() > 0 && !file.components.empty(), "rows and components");
  const PsychopyEvents out = psychopyEvents(file);
  events(file, out);
  trigger(file, out, choice, trUs);
  trialTypes(file, tmpl);
  return 0;
}

}  // namespace stimforge::fuzzing
