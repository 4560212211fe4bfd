// The events of a PsychoPy data file, as plain data in the order of the file (row by row;
// within a row by component, in column order; a component's shown event before its key
// presses). Times are on the experiment's clock; the caller subtracts time zero and sorts.
//
// Shown: every X.started that is a number, with the duration X.stopped - X.started where
// .stopped is a number not below it (else none).
// Key press: every key a keyboard recorded, at X.started + rt. A list of keys ("['5', '5']")
// is paired in order with the list of rts ("[0.58, 1.6]"): the first key with the first rt,
// and so on; keys beyond the rts, and keys whose rt is None or missing (or whose keyboard has
// no .rt column, or no start in that row), are presses without a time: no event, counted;
// rts beyond the keys are counted and dropped.
//
// Repeated values: in the real 2024.2 file the values that recur on later rows are the run
// facts and the conditions' columns (which give no events), the loop-prefixed copies (the
// same cell again, read once: see data_file.h) and a keyboard's keys on rows where its rt is
// None (lexdec lines 5, 67 and 171 repeat the key of the row above; the press has no time
// and gives no event). No start or rt of a component recurs there. A start (.started) or an
// rt (.rt) cell that holds exactly what the same component's cell held on the last earlier
// row where it held a value (the same time for a start, the same text for an rt) is taken as
// repeated and gives no second event: a clock never reads the same 16 digits twice for two
// starts or two presses. Counted.
//
// Another clock: a start more than one second (kOtherClockMarginUs) below the floor, the
// latest of the earlier rows' earliest starts, cannot be on the experiment's clock. Rows are
// written as trials end and that clock never runs back, so a row's starts lie after the
// starts of the rows before, within PsychoPy's non-slip timing, which puts a routine's first
// start up to 1.4 ms before the previous row's last start in the real files (and the floor,
// made of each row's earliest start, lies lower still). Caught in the real files: exactly
// mouse.started and rating.started of the cardioception file (0.005 to 0.01 s on lines 4 and
// 16, whose floors are 9.35 s and 48.67 s), which a routine's own clock writes. Not caught:
// such a start in the first rows, while the floor is below one second. Starts that are
// repeated or themselves on another clock take no part in the floor. Such components are
// reported; their events are kept, for the caller to leave out unless chosen.
#ifndef STIMFORGE_KWHOST_PSYCHOPY_EVENTS_H_
#define STIMFORGE_KWHOST_PSYCHOPY_EVENTS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/psychopy/data_file.h"
#include "kwhost/psychopy/exact_time.h"

namespace stimforge::kwhost {

// How far below the floor a start must lie to be on another clock.
inline constexpr int64_t kOtherClockMarginUs = 1000000;

enum class PsychopyEventKind : uint8_t { kShown, kKeyPress };

struct PsychopyEvent {
  ExactTime onset;         // seconds on the experiment's clock
  ExactTime duration;      // when hasDuration (shown events only)
  uint32_t component = 0;  // index into PsychopyDataFile::components
  uint32_t row = 0;        // the data row, 0 for the first after the header
  uint32_t line = 0;       // the file's line on which that row begins, for messages
  int32_t key = -1;        // key presses: index into PsychopyScan::keys
  int32_t loop = -1;       // PsychopyDataFile::rowLoop of the row: an index into loops, or -1
  int32_t trial = -1;      // PsychopyDataFile::rowTrial of the row
  PsychopyEventKind kind = PsychopyEventKind::kShown;
  bool hasDuration = false;
};

enum class PsychopyNoteKind {
  kPressWithoutTime,  // a key with no rt (None, missing, fewer rts than keys) or no start
  kRtWithoutKey,      // more rts than keys
  kRepeated,          // a start or rt repeated from an earlier row: no second event
  kNotATime,          // a .started, .stopped or .rt cell neither a number nor missing
  kStopBeforeStart,   // .stopped below .started: no duration
};

// One kind of note for one component: how often, and the line of the first.
struct PsychopyNote {
  PsychopyNoteKind kind = PsychopyNoteKind::kPressWithoutTime;
  uint32_t component = 0;
  size_t count = 0;
  size_t firstLine = 0;
};

// A component with starts on another clock.
struct PsychopyOtherClock {
  uint32_t component = 0;
  std::vector<size_t> lines;  // every line with such a start
  ExactTime example;          // the first of them
  ExactTime floor;            // the floor it lay below
};

// A key press with a time, as the trigger needs it.
struct PsychopyPress {
  ExactTime onset;
  uint32_t row = 0;
  int32_t key = -1;  // index into PsychopyScan::keys
};

// What a scan learns of a keyboard component, for finding the scanner's trigger.
struct PsychopyKeyboard {
  uint32_t component = 0;
  std::vector<int32_t> keys;           // the keys it pressed with a time, in the order first met
  std::vector<PsychopyPress> presses;  // its presses with a time, in the order of the file
  // Its start in the row of its first press (the first in the order of the file), and the
  // first stimulus after that start: the earliest start of a non-keyboard component, not
  // below the floor, that lies after it, in that row or a later one.
  ExactTime start;
  bool started = false;
  ExactTime nextStimulus;
  bool stimulusFollows = false;
};

// What a scan finds besides the events.
struct PsychopyScan {
  std::vector<std::string> keys;               // the keys pressed, each once, escapes decoded
  std::vector<PsychopyNote> notes;             // in the order each kind was first met
  std::vector<PsychopyOtherClock> otherClock;  // in the order first met
  std::vector<PsychopyKeyboard> keyboards;     // every keyboard component, in component order
  bool onOtherClock(uint32_t component) const;
};

// Receives the events of a scan one at a time, in the order of the file.
class PsychopyEventSink {
 public:
  // `key` is the key's text for a key press ("" otherwise), valid during the call.
  virtual void event(const PsychopyEvent& e, std::string_view key) = 0;

 protected:
  ~PsychopyEventSink() = default;
};

// Scans `file` by the rules above, handing each event to `sink` as it is met, so that a
// caller keeps the events in a form of its own without a second copy. Components on another
// clock are known only at the end (PsychopyScan::otherClock). May throw std::bad_alloc.
PsychopyScan scanPsychopyEvents(const PsychopyDataFile& file, PsychopyEventSink& sink);

// Every event of a scan, kept.
struct PsychopyEvents : PsychopyScan {
  std::vector<PsychopyEvent> events;
};

// Room for the events of `file`, at least as many as its cells announce: a start, and a press
// for each key of a keys cell (one more than its commas). Loop-prefixed copies are not looked
// at: a vector grows for them.
size_t announcedPsychopyEvents(const PsychopyDataFile& file);

// The events of `file`, by the rules above: scanPsychopyEvents into a vector.
PsychopyEvents psychopyEvents(const PsychopyDataFile& file);

// A note in one line, e.g. "stim_resp: 4 key presses without a time (rt None or missing),
// the first on line 4: no events".
std::string describePsychopyNote(const PsychopyDataFile& file, const PsychopyNote& note);

// A component on another clock in one line: "mouse.started is not on the experiment's clock
// (a routine's own?): 0.005562 s on line 4, where the rows before started at 9.354880 s or
// later; lines 4 and 16".
std::string describeOtherClock(const PsychopyDataFile& file, const PsychopyOtherClock& other);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_PSYCHOPY_EVENTS_H_
