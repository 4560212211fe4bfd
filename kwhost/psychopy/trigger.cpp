#include "kwhost/psychopy/trigger.h"

#include <algorithm>
#include <set>

#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

bool nameByte(char c, bool first) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (!first && c >= '0' && c <= '9');
}

std::string keysText(const PsychopyScan& scan, const std::vector<int32_t>& keys) {
  std::string text;
  for (const int32_t k : keys)
    text += (text.empty() ? "'" : ", '") + escapeLine(scan.keys[static_cast<size_t>(k)]) + "'";
  return text.empty() ? "no key with a time" : text;
}

std::string listText(const PsychopyDataFile& file, const PsychopyScan& scan,
                     const std::vector<const PsychopyKeyboard*>& list) {
  std::string text;
  for (const PsychopyKeyboard* k : list)
    text += (text.empty() ? "" : ", ") + escapeLine(file.components[k->component].name) + " (" +
            keysText(scan, k->keys) + ")";
  return text;
}

// Whether keyboard k could be the scanner's (see the header).
bool candidate(const PsychopyScan& scan, const PsychopyKeyboard& k) {
  return k.keys.size() == 1 && !k.presses.empty() && k.started && k.stimulusFollows &&
         k.presses.front().onset <= k.nextStimulus && !scan.onOtherClock(k.component);
}

void collect(const PsychopyDataFile& file, const PsychopyScan& scan, const PsychopyKeyboard& k,
             PsychopyTrigger& t) {
  std::set<uint32_t> rows;
  for (const PsychopyPress& p : k.presses) {
    if (scan.keys[static_cast<size_t>(p.key)] == t.key) {
      t.times.push_back(p.onset);
      t.lines.push_back(file.lineOf(p.row));
      rows.insert(p.row);
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

const PsychopyKeyboard* named(const PsychopyDataFile& file, const PsychopyScan& scan,
                              const std::vector<const PsychopyKeyboard*>& list,
                              const PsychopyTriggerChoice& choice, PsychopyTrigger& t,
                              std::string& problem) {
  const std::string name = escapeLine(choice.component);
  const std::string all = "; its keyboards: " + listText(file, scan, list);
  const auto it = std::find_if(list.begin(), list.end(), [&](const PsychopyKeyboard* k) {
    return file.components[k->component].name == choice.component;
  });
  if (it == list.end()) {
    const bool exists =
        std::any_of(file.components.begin(), file.components.end(),
                    [&](const PsychopyComponent& c) { return c.name == choice.component; });
    problem = exists ? name + " is not a keyboard component (no " + name + ".keys column)" + all
                     : "the data file has no component " + name + all;
    return nullptr;
  }
  const PsychopyKeyboard& k = **it;
  if (scan.onOtherClock(k.component)) {
    problem = name +
              ".started is not on the experiment's clock, so its presses cannot give the "
              "scanner's trigger";
    return nullptr;
  }
  t.component = k.component;
  t.named = true;
  if (!choice.key.empty()) {
    const bool pressed = std::any_of(k.keys.begin(), k.keys.end(), [&](int32_t key) {
      return scan.keys[static_cast<size_t>(key)] == choice.key;
    });
    if (!pressed) {
      problem = name + " never recorded the key '" + escapeLine(choice.key) +
                "' with a time; it recorded " + keysText(scan, k.keys);
      return nullptr;
    }
    t.key = choice.key;
  } else if (k.keys.size() == 1) {
    t.key = scan.keys[static_cast<size_t>(k.keys[0])];
  } else {
    problem = name + (k.keys.empty() ? " recorded no key press with a time"
                                     : " recorded several keys (" + keysText(scan, k.keys) +
                                           "): name the scanner's as " + name + ":KEY");
    return nullptr;
  }
  t.how = name + ", key '" + escapeLine(t.key) + "', as named";
  return &k;
}

const PsychopyKeyboard* found(const PsychopyDataFile& file, const PsychopyScan& scan,
                              const std::vector<const PsychopyKeyboard*>& list, PsychopyTrigger& t,
                              std::string& problem) {
  if (list.empty()) {
    problem = "the data file has no keyboard component (no X.keys column), so no scanner trigger";
    return nullptr;
  }
  std::vector<const PsychopyKeyboard*> candidates, others;
  for (const PsychopyKeyboard* k : list)
    (candidate(scan, *k) ? candidates : others).push_back(k);
  const std::string rule =
      "recorded a single key before the first stimulus after its start, as a wait for the "
      "scanner does";
  if (candidates.size() != 1) {
    problem =
        candidates.empty()
            ? "no keyboard component " + rule + "; the keyboards: " + listText(file, scan, list)
            : "several keyboard components " + rule + ": " + listText(file, scan, candidates) +
                  (others.empty() ? "" : "; the other keyboards: " + listText(file, scan, others)) +
                  "; name the trigger component";
    return nullptr;
  }
  const PsychopyKeyboard& k = *candidates[0];
  t.component = k.component;
  t.key = scan.keys[static_cast<size_t>(k.keys[0])];
  t.how = escapeLine(file.components[t.component].name) + ", key '" + escapeLine(t.key) +
          "': the one keyboard that recorded a single key before a stimulus";
  return &k;
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
    problem = "\"" + escapeLine(name) +
              "\" is not a component's name (letters, digits and underscores, not starting with "
              "a digit)";
    return false;
  }
  if (colon != std::string_view::npos && colon + 1 == text.size()) {
    problem = escapeLine(name) + ": names no key after the colon";
    return false;
  }
  choice.component = std::string(name);
  choice.key = colon == std::string_view::npos ? "" : std::string(text.substr(colon + 1));
  return true;
}

bool findPsychopyTrigger(const PsychopyDataFile& file, const PsychopyScan& scan,
                         const PsychopyTriggerChoice* choice, PsychopyTrigger& trigger,
                         std::string& problem) {
  trigger = PsychopyTrigger();
  std::vector<const PsychopyKeyboard*> list;
  for (const PsychopyKeyboard& k : scan.keyboards)
    list.push_back(&k);
  const PsychopyKeyboard* k = choice != nullptr ? named(file, scan, list, *choice, trigger, problem)
                                                : found(file, scan, list, trigger, problem);
  if (k == nullptr)
    return false;
  collect(file, scan, *k, trigger);
  return true;
}

std::vector<int64_t> PsychopyTrigger::sinceFirstUs() const {
  std::vector<int64_t> since;
  since.reserve(times.size());
  for (const ExactTime time : times)
    since.push_back((time - times.front()).roundedMicroseconds());
  return since;
}

}  // namespace stimforge::kwhost
