#include "kwhost/psychopy/trigger.h"

#include <algorithm>
#include <set>

namespace stimforge::kwhost {
namespace {

bool nameByte(char c, bool first) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (!first && c >= '0' && c <= '9');
}

// What each keyboard recorded: its keys in the order first pressed, and its first press.
struct Keyboard {
  uint32_t component = 0;
  std::vector<int32_t> keys;
  const PsychopyEvent* first = nullptr;  // the earliest press with a time
  const PsychopyEvent* start = nullptr;  // the keyboard's start in the row of `first`
};

std::vector<Keyboard> keyboards(const PsychopyDataFile& file, const PsychopyEvents& events) {
  std::vector<Keyboard> out;
  std::vector<int32_t> slot(file.components.size(), -1);
  for (uint32_t c = 0; c < file.components.size(); ++c) {
    if (file.components[c].keyboard()) {
      slot[c] = static_cast<int32_t>(out.size());
      out.push_back({c, {}, nullptr});
    }
  }
  // A keyboard's presses follow its shown event of the same row (events.h).
  std::vector<const PsychopyEvent*> shown(file.components.size(), nullptr);
  for (const PsychopyEvent& e : events.events) {
    if (slot[e.component] < 0)
      continue;
    Keyboard& k = out[static_cast<size_t>(slot[e.component])];
    if (e.kind == PsychopyEventKind::kShown) {
      shown[e.component] = &e;
      continue;
    }
    if (std::find(k.keys.begin(), k.keys.end(), e.key) == k.keys.end())
      k.keys.push_back(e.key);
    if (k.first == nullptr || e.onset < k.first->onset) {
      k.first = &e;
      k.start = shown[e.component];
    }
  }
  return out;
}

std::string keysText(const PsychopyEvents& events, const std::vector<int32_t>& keys) {
  std::string text;
  for (const int32_t k : keys)
    text += (text.empty() ? "'" : ", '") + events.keys[static_cast<size_t>(k)] + "'";
  return text.empty() ? "no key with a time" : text;
}

std::string listText(const PsychopyDataFile& file, const PsychopyEvents& events,
                     const std::vector<Keyboard>& list) {
  std::string text;
  for (const Keyboard& k : list)
    text += (text.empty() ? "" : ", ") + file.components[k.component].name + " (" +
            keysText(events, k.keys) + ")";
  return text;
}

// Whether keyboard k could be the scanner's (see the header); `stimuli` are sorted.
bool candidate(const PsychopyEvents& events, const Keyboard& k,
               const std::vector<ExactTime>& stimuli) {
  if (k.keys.size() != 1 || k.first == nullptr || k.start == nullptr ||
      events.onOtherClock(k.component))
    return false;
  const auto next = std::upper_bound(stimuli.begin(), stimuli.end(), k.start->onset);
  return next != stimuli.end() && k.first->onset <= *next;
}

void collect(const PsychopyEvents& events, PsychopyTrigger& t) {
  std::set<uint32_t> rows;
  for (const PsychopyEvent& e : events.events) {
    if (e.kind == PsychopyEventKind::kKeyPress && e.component == t.component &&
        events.keys[static_cast<size_t>(e.key)] == t.key) {
      t.times.push_back(e.onset);
      t.lines.push_back(e.line);
      rows.insert(e.row);
    }
  }
  t.rows = rows.size();
  t.everyTrigger = t.rows == 1;
  const std::string n = std::to_string(t.times.size());
  t.how += t.times.size() == 1 ? "; 1 trigger stored (the first only)"
           : t.everyTrigger    ? "; " + n +
                                  " triggers stored in one wait (every trigger while it "
                                  "listened)"
                            : "; " + n + " triggers stored on " + std::to_string(t.rows) +
                                  " rows: the component waits again during the run, so only "
                                  "some triggers are known";
}

bool named(const PsychopyDataFile& file, const PsychopyEvents& events,
           const std::vector<Keyboard>& list, const PsychopyTriggerChoice& choice,
           PsychopyTrigger& t, std::string& problem) {
  const std::string& name = choice.component;
  const std::string all = "; its keyboards: " + listText(file, events, list);
  const auto it = std::find_if(list.begin(), list.end(), [&](const Keyboard& k) {
    return file.components[k.component].name == name;
  });
  if (it == list.end()) {
    const bool exists = std::any_of(file.components.begin(), file.components.end(),
                                    [&](const PsychopyComponent& c) { return c.name == name; });
    problem = exists ? name + " is not a keyboard component (no " + name + ".keys column)" + all
                     : "the data file has no component " + name + all;
    return false;
  }
  if (events.onOtherClock(it->component)) {
    problem = name +
              ".started is not on the experiment's clock, so its presses cannot give the "
              "scanner's trigger";
    return false;
  }
  t.component = it->component;
  t.named = true;
  if (!choice.key.empty()) {
    const bool pressed = std::any_of(it->keys.begin(), it->keys.end(), [&](int32_t k) {
      return events.keys[static_cast<size_t>(k)] == choice.key;
    });
    if (!pressed) {
      problem = name + " never recorded the key '" + choice.key + "' with a time; it recorded " +
                keysText(events, it->keys);
      return false;
    }
    t.key = choice.key;
  } else if (it->keys.size() == 1) {
    t.key = events.keys[static_cast<size_t>(it->keys[0])];
  } else {
    problem = name + (it->keys.empty() ? " recorded no key press with a time"
                                       : " recorded several keys (" + keysText(events, it->keys) +
                                             "): name the scanner's as " + name + ":KEY");
    return false;
  }
  t.how = name + ", key '" + t.key + "', as named";
  return true;
}

bool found(const PsychopyDataFile& file, const PsychopyEvents& events,
           const std::vector<Keyboard>& list, PsychopyTrigger& t, std::string& problem) {
  if (list.empty()) {
    problem = "the data file has no keyboard component (no X.keys column), so no scanner trigger";
    return false;
  }
  std::vector<ExactTime> stimuli;
  for (const PsychopyEvent& e : events.events)
    if (e.kind == PsychopyEventKind::kShown && !file.components[e.component].keyboard() &&
        !events.onOtherClock(e.component))
      stimuli.push_back(e.onset);
  std::sort(stimuli.begin(), stimuli.end());
  std::vector<Keyboard> candidates, others;
  for (const Keyboard& k : list)
    (candidate(events, k, stimuli) ? candidates : others).push_back(k);
  const std::string rule =
      "recorded a single key before the first stimulus after its start, as a wait for the "
      "scanner does";
  if (candidates.size() != 1) {
    problem =
        candidates.empty()
            ? "no keyboard component " + rule + "; the keyboards: " + listText(file, events, list)
            : "several keyboard components " + rule + ": " + listText(file, events, candidates) +
                  (others.empty() ? ""
                                  : "; the other keyboards: " + listText(file, events, others)) +
                  "; name the trigger component";
    return false;
  }
  t.component = candidates[0].component;
  t.key = events.keys[static_cast<size_t>(candidates[0].keys[0])];
  t.how = file.components[t.component].name + ", key '" + t.key +
          "': the one keyboard that recorded a single key before a stimulus";
  return true;
}

}  // namespace

bool parsePsychopyTriggerChoice(std::string_view text, PsychopyTriggerChoice& choice,
                                std::string& problem) {
  const size_t colon = text.find(':');
  const std::string_view name = text.substr(0, colon);
  bool valid = !name.empty();
  for (size_t i = 0; i < name.size() && valid; ++i)
    valid = nameByte(name[i], i == 0);
  if (!valid) {
    problem = "\"" + std::string(name) +
              "\" is not a component's name (letters, digits and underscores, not starting with "
              "a digit)";
    return false;
  }
  if (colon != std::string_view::npos && colon + 1 == text.size()) {
    problem = std::string(name) + ": names no key after the colon";
    return false;
  }
  choice.component = std::string(name);
  choice.key = colon == std::string_view::npos ? "" : std::string(text.substr(colon + 1));
  return true;
}

bool findPsychopyTrigger(const PsychopyDataFile& file, const PsychopyEvents& events,
                         const PsychopyTriggerChoice* choice, PsychopyTrigger& trigger,
                         std::string& problem) {
  trigger = PsychopyTrigger();
  const std::vector<Keyboard> list = keyboards(file, events);
  if (!(choice != nullptr ? named(file, events, list, *choice, trigger, problem)
                          : found(file, events, list, trigger, problem)))
    return false;
  collect(events, trigger);
  return true;
}

TrGridCheck checkTrGrid(const std::vector<ExactTime>& times, int64_t trUs) {
  TrGridCheck check;
  for (size_t i = 0; i < times.size(); ++i) {
    const int64_t delta = (times[i] - times.front()).roundedMicroseconds();
    // The nearest whole multiple, ties up; floor division for negative differences.
    const int64_t shifted = delta + trUs / 2;
    const int64_t k = shifted >= 0 ? shifted / trUs : -((-shifted + trUs - 1) / trUs);
    const int64_t deviation = delta - k * trUs;
    check.multiples.push_back(k);
    check.deviationsUs.push_back(deviation);
    if (i > 0 && (k < 1 || deviation > trUs / 100 || deviation < -(trUs / 100)))
      check.offGrid.push_back(i);
  }
  return check;
}

}  // namespace stimforge::kwhost
