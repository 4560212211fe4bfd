// The keys of a pass's rows as they come (TrialKey, kwhost/sources/stimulus_source.h): a name's
// key costs nothing, a typed key (rare: a typed map, an empty code) is found in a hash map.
// Internal to kwhost/sources.
#ifndef STIMFORGE_KWHOST_SOURCES_TRIAL_KEYS_H_
#define STIMFORGE_KWHOST_SOURCES_TRIAL_KEYS_H_

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "kwhost/sources/stimulus_source.h"

namespace stimforge::kwhost {

class TrialKeys {
 public:
  TrialKeys(bool typedMap, std::vector<TrialKey>& typedKeys)
      : typedMap_(typedMap), typedKeys_(typedKeys) {}

  // The key of a row of raw name `name` and event type `type`; `emptyCode` asks for a typed
  // key without a typed map.
  uint32_t keyOf(uint32_t name, uint32_t type, bool emptyCode) {
    if (!typedMap_ && !emptyCode)
      return name;
    const uint64_t pair = (uint64_t{type} << 32) | name;
    const auto [place, added] = typed_.emplace(pair, static_cast<uint32_t>(typedKeys_.size()));
    if (added)
      typedKeys_.push_back(TrialKey{name, type});
    return kTypedKey | place->second;
  }

 private:
  bool typedMap_;
  std::vector<TrialKey>& typedKeys_;
  std::unordered_map<uint64_t, uint32_t> typed_;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SOURCES_TRIAL_KEYS_H_
