#include "kwhost/psychopy/events.h"

#include <algorithm>
#include <string_view>

#include "kwhost/psychopy/cell_values.h"

namespace stimforge::kwhost {
namespace {

constexpr size_t kNoteKinds = 5;

// What is remembered of each component from the rows before.
struct Memory {
  std::string_view started;  // its last start cell that was a number
  std::string_view rt;       // its last rt cell that held a value
  int32_t lastKey = -1;      // the key it pressed last, to spare a search
};

class EventBuilder {
 public:
  explicit EventBuilder(const PsychopyDataFile& file)
      : f_(file),
        memory_(file.components.size()),
        noteIndex_(file.components.size() * kNoteKinds, -1),
        otherIndex_(file.components.size(), -1) {}

  PsychopyEvents run() {
    for (size_t r = 0; r < f_.rows(); ++r)
      row(r);
    return std::move(out_);
  }

 private:
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

  PsychopyEvent event(uint32_t c, ExactTime onset, PsychopyEventKind kind) const {
    PsychopyEvent e;
    e.onset = onset;
    e.component = c;
    e.row = static_cast<uint32_t>(row_);
    e.line = static_cast<uint32_t>(line_);
    e.loop = f_.rowLoop[row_];
    e.trial = f_.rowTrial[row_];
    e.kind = kind;
    return e;
  }

  void row(size_t r) {
    row_ = r;
    line_ = f_.lineOf(r);
    bool haveRowStart = false;
    ExactTime rowStart;
    for (uint32_t c = 0; c < f_.components.size(); ++c) {
      ExactTime start;
      if (!component(c, start))
        continue;
      if (haveFloor_ && start < floor_ - ExactTime::microseconds(kOtherClockMarginUs)) {
        otherClock(c, start);
      } else if (!haveRowStart || start < rowStart) {
        rowStart = start;
        haveRowStart = true;
      }
    }
    if (haveRowStart && (!haveFloor_ || rowStart > floor_)) {
      floor_ = rowStart;
      haveFloor_ = true;
    }
  }

  // Component c in the current row: its shown event and key presses. Returns true with
  // `start` set when it started in this row (not repeated).
  bool component(uint32_t c, ExactTime& start) {
    const PsychopyComponent& comp = f_.components[c];
    const std::string_view cell = f_.value(row_, comp.started);
    bool started = false;
    if (!isMissingCell(cell)) {
      if (!parseExactTime(cell, start)) {
        note(PsychopyNoteKind::kNotATime, c);
      } else if (cell == memory_[c].started) {
        note(PsychopyNoteKind::kRepeated, c);
        return false;
      } else {
        started = true;
      }
    }
    if (started) {
      memory_[c].started = cell;
      out_.events.push_back(event(c, start, PsychopyEventKind::kShown));
      duration(c, start, out_.events.back());
    }
    if (comp.keyboard())
      presses(c, started ? &start : nullptr);
    return started;
  }

  void duration(uint32_t c, ExactTime start, PsychopyEvent& e) {
    const std::string_view cell = f_.value(row_, f_.components[c].stopped);
    ExactTime stop;
    if (isMissingCell(cell))
      return;
    if (!parseExactTime(cell, stop))
      note(PsychopyNoteKind::kNotATime, c);
    else if (stop < start)
      note(PsychopyNoteKind::kStopBeforeStart, c);
    else {
      e.duration = stop - start;
      e.hasDuration = true;
    }
  }

  void presses(uint32_t c, const ExactTime* start) {
    const PsychopyComponent& comp = f_.components[c];
    const std::string_view keysCell = f_.value(row_, comp.keys);
    if (isMissingCell(keysCell))
      return;
    splitPythonList(keysCell, keys_);
    if (keys_.empty())
      return;
    const std::string_view rtCell = f_.value(row_, comp.rt);
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
      if (parseExactTime(rts_[i], rt)) {
        out_.events.push_back(event(c, *start + rt, PsychopyEventKind::kKeyPress));
        out_.events.back().key = keyIndex(c, keys_[i]);
      } else {
        note(isMissingCell(rts_[i]) ? PsychopyNoteKind::kPressWithoutTime
                                    : PsychopyNoteKind::kNotATime,
             c);
      }
    }
    if (keys_.size() > paired)
      note(PsychopyNoteKind::kPressWithoutTime, c, keys_.size() - paired);
    if (rts_.size() > paired)
      note(PsychopyNoteKind::kRtWithoutKey, c, rts_.size() - paired);
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
  PsychopyEvents out_;
  std::vector<Memory> memory_;
  std::vector<int32_t> noteIndex_;
  std::vector<int32_t> otherIndex_;
  std::vector<std::string_view> keys_, rts_;
  size_t row_ = 0;
  size_t line_ = 0;
  ExactTime floor_;
  bool haveFloor_ = false;
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

bool PsychopyEvents::onOtherClock(uint32_t component) const {
  for (const PsychopyOtherClock& other : otherClock)
    if (other.component == component)
      return true;
  return false;
}

PsychopyEvents psychopyEvents(const PsychopyDataFile& file) {
  return EventBuilder(file).run();
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
  return file.components[note.component].name + ": " + what + ", the first on line " +
         std::to_string(note.firstLine) + ": " + result;
}

std::string describeOtherClock(const PsychopyDataFile& file, const PsychopyOtherClock& other) {
  return file.components[other.component].name +
         ".started is not on the experiment's clock (a routine's own?): " +
         secondsText(other.example) + " s on line " + std::to_string(other.lines.front()) +
         ", where the rows before started at " + secondsText(other.floor) + " s or later; " +
         linesText(other.lines);
}

}  // namespace stimforge::kwhost
