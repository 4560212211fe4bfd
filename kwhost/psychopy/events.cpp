#include "kwhost/psychopy/events.h"

#include <algorithm>
#include <string_view>

#include "kwhost/common/text_codec.h"
#include "kwhost/psychopy/cell_values.h"

namespace stimforge::kwhost {
namespace {

constexpr size_t kNoteKinds = 5;

// What is remembered of each component from the rows before.
struct Memory {
  ExactTime started;  // its last start
  bool hasStarted = false;
  std::string_view rt;    // its last rt cell that held a value
  int32_t lastKey = -1;   // the key it pressed last, to spare a search
  int32_t keyboard = -1;  // its index in PsychopyScan::keyboards
};

class EventScanner {
 public:
  EventScanner(const PsychopyDataFile& file, PsychopyEventSink& sink)
      : f_(file),
        sink_(sink),
        memory_(file.components.size()),
        noteIndex_(file.components.size() * kNoteKinds, -1),
        otherIndex_(file.components.size(), -1) {
    for (uint32_t c = 0; c < file.components.size(); ++c) {
      if (file.components[c].keyboard()) {
        memory_[c].keyboard = static_cast<int32_t>(out_.keyboards.size());
        out_.keyboards.push_back(PsychopyKeyboard());
        out_.keyboards.back().component = c;
      }
    }
  }

  PsychopyScan run() {
    for (size_t r = 0; r < f_.rows(); ++r)
      row(r);
    return std::move(out_);
  }

 private:
  std::string_view value(const std::vector<uint32_t>& columns) const {
    for (const uint32_t c : columns) {
      const std::string_view v = cells_[c];
      if (!v.empty())
        return v;
    }
    return {};
  }

  void note(PsychopyNoteKind kind, uint32_t c, size_t count = 1) {
    int32_t& index = noteIndex_[c * kNoteKinds + static_cast<size_t>(kind)];
    if (index < 0) {
      index = static_cast<int32_t>(out_.notes.size());
      out_.notes.push_back({kind, c, 0, line_});
    }
    out_.notes[static_cast<size_t>(index)].count += count;
  }

  void otherClock(uint32_t c, ExactTime start) {
    int32_t& index = otherIndex_[c];
    if (index < 0) {
      index = static_cast<int32_t>(out_.otherClock.size());
      out_.otherClock.push_back({c, {}, start, floor_});
    }
    out_.otherClock[static_cast<size_t>(index)].lines.push_back(line_);
  }

  void emit(uint32_t c, ExactTime onset, PsychopyEventKind kind, int32_t key = -1,
            const ExactTime* duration = nullptr) {
    PsychopyEvent e;
    e.onset = onset;
    e.component = c;
    e.row = static_cast<uint32_t>(row_);
    e.line = static_cast<uint32_t>(line_);
    e.loop = f_.rowLoop[row_];
    e.trial = f_.rowTrial[row_];
    e.kind = kind;
    e.key = key;
    if (duration != nullptr) {
      e.duration = *duration;
      e.hasDuration = true;
    }
    sink_.event(
        e, key >= 0 ? std::string_view(out_.keys[static_cast<size_t>(key)]) : std::string_view());
  }

  void row(size_t r) {
    row_ = r;
    line_ = f_.lineOf(r);
    cells_ = f_.table.rowCells(r);
    rowStimuli_.clear();
    haveRowStart_ = false;
    for (uint32_t c = 0; c < f_.components.size(); ++c)
      component(c);
    if (haveRowStart_ && (!haveFloor_ || rowStart_ > floor_)) {
      floor_ = rowStart_;
      lowest_ = floor_ - ExactTime::microseconds(kOtherClockMarginUs);
      haveFloor_ = true;
      // A start on the clock from now on lies at lowest_ or later: a keyboard whose next
      // stimulus lies below it is settled.
      waiting_.erase(std::remove_if(waiting_.begin(), waiting_.end(),
                                    [&](size_t k) {
                                      const PsychopyKeyboard& keyboard = out_.keyboards[k];
                                      return keyboard.stimulusFollows &&
                                             keyboard.nextStimulus < lowest_;
                                    }),
                     waiting_.end());
    }
  }

  // Component c in the current row: its start (checked against the floor), its shown event
  // and its key presses.
  void component(uint32_t c) {
    const PsychopyComponent& comp = f_.components[c];
    Memory& memory = memory_[c];
    const std::string_view cell = value(comp.started);
    ExactTime start;
    bool started = false;
    if (!isMissingCell(cell)) {
      if (!parseExactTime(cell, start)) {
        note(PsychopyNoteKind::kNotATime, c);
      } else if (memory.hasStarted && start == memory.started) {
        note(PsychopyNoteKind::kRepeated, c);
        return;
      } else {
        started = true;
        memory.started = start;
        memory.hasStarted = true;
      }
    }
    if (started) {
      const bool onClock = !haveFloor_ || !(start < lowest_);
      if (!onClock) {
        otherClock(c, start);
      } else if (!haveRowStart_ || start < rowStart_) {
        rowStart_ = start;
        haveRowStart_ = true;
      }
      ExactTime duration;
      emit(c, start, PsychopyEventKind::kShown, -1,
           stopOf(c, start, duration) ? &duration : nullptr);
      if (onClock && !comp.keyboard())
        stimulus(start);
    }
    if (comp.keyboard())
      presses(c, started ? &start : nullptr);
  }

  bool stopOf(uint32_t c, ExactTime start, ExactTime& duration) {
    const std::string_view cell = value(f_.components[c].stopped);
    ExactTime stop;
    if (isMissingCell(cell))
      return false;
    if (!parseExactTime(cell, stop)) {
      note(PsychopyNoteKind::kNotATime, c);
      return false;
    }
    if (stop < start) {
      note(PsychopyNoteKind::kStopBeforeStart, c);
      return false;
    }
    duration = stop - start;
    return true;
  }

  // A stimulus start: the keyboards waiting for their first stimulus after their start.
  void stimulus(ExactTime start) {
    rowStimuli_.push_back(start);
    for (const size_t k : waiting_)
      follows(out_.keyboards[k], start);
  }
  static void follows(PsychopyKeyboard& k, ExactTime start) {
    if (start > k.start && (!k.stimulusFollows || start < k.nextStimulus)) {
      k.nextStimulus = start;
      k.stimulusFollows = true;
    }
  }

  void presses(uint32_t c, const ExactTime* start) {
    const PsychopyComponent& comp = f_.components[c];
    const std::string_view keysCell = value(comp.keys);
    if (isMissingCell(keysCell))
      return;
    splitPythonList(keysCell, keys_);
    if (keys_.empty())
      return;
    const std::string_view rtCell = value(comp.rt);
    if (start == nullptr || isMissingCell(rtCell)) {
      note(PsychopyNoteKind::kPressWithoutTime, c, keys_.size());
      return;
    }
    if (rtCell == memory_[c].rt) {
      note(PsychopyNoteKind::kRepeated, c);
      return;
    }
    memory_[c].rt = rtCell;
    splitPythonList(rtCell, rts_);
    const size_t paired = std::min(keys_.size(), rts_.size());
    for (size_t i = 0; i < paired; ++i) {
      ExactTime rt;
      if (parseExactTime(rts_[i], rt))
        press(c, *start, *start + rt, keyIndex(c, keys_[i]));
      else
        note(isMissingCell(rts_[i]) ? PsychopyNoteKind::kPressWithoutTime
                                    : PsychopyNoteKind::kNotATime,
             c);
    }
    if (keys_.size() > paired)
      note(PsychopyNoteKind::kPressWithoutTime, c, keys_.size() - paired);
    if (rts_.size() > paired)
      note(PsychopyNoteKind::kRtWithoutKey, c, rts_.size() - paired);
  }

  void press(uint32_t c, ExactTime start, ExactTime onset, int32_t key) {
    const size_t index = static_cast<size_t>(memory_[c].keyboard);
    PsychopyKeyboard& k = out_.keyboards[index];
    if (std::find(k.keys.begin(), k.keys.end(), key) == k.keys.end())
      k.keys.push_back(key);
    if (!k.started) {  // its first press: the stimuli after its start, this row's included
      k.start = start;
      k.started = true;
      waiting_.push_back(index);
      for (const ExactTime stimulus : rowStimuli_)
        follows(k, stimulus);
    }
    k.presses.push_back({onset, static_cast<uint32_t>(row_), key});
    emit(c, onset, PsychopyEventKind::kKeyPress, key);
  }

  int32_t keyIndex(uint32_t c, std::string_view raw) {
    const std::string text =
        raw.find('\\') == std::string_view::npos ? std::string(raw) : pythonText(raw);
    int32_t& last = memory_[c].lastKey;
    if (last >= 0 && out_.keys[static_cast<size_t>(last)] == text)
      return last;
    const auto it = std::find(out_.keys.begin(), out_.keys.end(), text);
    last = static_cast<int32_t>(it - out_.keys.begin());
    if (it == out_.keys.end())
      out_.keys.push_back(text);
    return last;
  }

  const PsychopyDataFile& f_;
  PsychopyEventSink& sink_;
  PsychopyScan out_;
  std::vector<Memory> memory_;
  std::vector<int32_t> noteIndex_;
  std::vector<int32_t> otherIndex_;
  std::vector<std::string_view> keys_, rts_;
  std::vector<ExactTime> rowStimuli_;  // this row's stimulus starts so far
  std::vector<size_t> waiting_;        // keyboards with a first press, not settled
  CsvTable::RowCells cells_{};
  size_t row_ = 0;
  size_t line_ = 0;
  ExactTime floor_, lowest_, rowStart_;  // lowest_: the floor less the margin
  bool haveFloor_ = false, haveRowStart_ = false;
};

class Collector : public PsychopyEventSink {
 public:
  explicit Collector(std::vector<PsychopyEvent>& events) : events_(events) {}
  void event(const PsychopyEvent& e, std::string_view) override { events_.push_back(e); }

 private:
  std::vector<PsychopyEvent>& events_;
};

std::string linesText(const std::vector<size_t>& lines) {
  std::string text = lines.size() == 1 ? "line " : "lines ";
  const size_t shown = std::min<size_t>(lines.size(), 10);
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0)
      text += i + 1 == lines.size() ? " and " : ", ";
    text += std::to_string(lines[i]);
  }
  if (shown < lines.size())
    text += " and " + std::to_string(lines.size() - shown) + " more";
  return text;
}

}  // namespace

bool PsychopyScan::onOtherClock(uint32_t component) const {
  for (const PsychopyOtherClock& other : otherClock)
    if (other.component == component)
      return true;
  return false;
}

PsychopyScan scanPsychopyEvents(const PsychopyDataFile& file, PsychopyEventSink& sink) {
  return EventScanner(file, sink).run();
}

size_t announcedPsychopyEvents(const PsychopyDataFile& file) {
  size_t announced = 0;
  for (size_t r = 0; r < file.rows(); ++r) {
    const CsvTable::RowCells cells = file.table.rowCells(r);
    for (const PsychopyComponent& c : file.components) {
      announced += !c.started.empty() && !cells[c.started.front()].empty() ? 1 : 0;
      const std::string_view keys = c.keyboard() ? cells[c.keys.front()] : std::string_view();
      if (!isMissingCell(keys))
        announced += 1 + static_cast<size_t>(std::count(keys.begin(), keys.end(), ','));
    }
  }
  return announced;
}

PsychopyEvents psychopyEvents(const PsychopyDataFile& file) {
  PsychopyEvents out;
  out.events.reserve(announcedPsychopyEvents(file));
  Collector collector(out.events);
  static_cast<PsychopyScan&>(out) = scanPsychopyEvents(file, collector);
  return out;
}

std::string describePsychopyNote(const PsychopyDataFile& file, const PsychopyNote& note) {
  const std::string n = std::to_string(note.count);
  const bool one = note.count == 1;
  std::string what;
  switch (note.kind) {
    case PsychopyNoteKind::kPressWithoutTime:
      what = n + (one ? " key press" : " key presses") +
             " without a time (rt None or missing, or no start)";
      break;
    case PsychopyNoteKind::kRtWithoutKey:
      what = n + (one ? " response time" : " response times") + " without a key";
      break;
    case PsychopyNoteKind::kRepeated:
      what = n + (one ? " value" : " values") + " repeated from an earlier row";
      break;
    case PsychopyNoteKind::kNotATime:
      what = n + (one ? " cell that is" : " cells that are") + " neither a time nor None";
      break;
    case PsychopyNoteKind::kStopBeforeStart:
      what = n + (one ? " stop" : " stops") + " before the start";
      break;
  }
  const char* result = note.kind == PsychopyNoteKind::kStopBeforeStart ? "no duration"
                       : note.kind == PsychopyNoteKind::kRepeated      ? "no second event"
                                                                       : "no events";
  return escapeLine(file.components[note.component].name) + ": " + what + ", the first on line " +
         std::to_string(note.firstLine) + ": " + result;
}

std::string describeOtherClock(const PsychopyDataFile& file, const PsychopyOtherClock& other) {
  return escapeLine(file.components[other.component].name) +
         ".started is not on the experiment's clock (a routine's own?): " +
         secondsText(other.example) + " s on line " + std::to_string(other.lines.front()) +
         ", where the rows before started at " + secondsText(other.floor) + " s or later; " +
         linesText(other.lines);
}

}  // namespace stimforge::kwhost
