#include "kwhost/triggers/trigger_candidates.h"

#include <algorithm>
#include <cmath>

namespace stimforge::kwhost {

bool beatsLikeTriggers(const std::vector<Tenths>& times, double& medianMs) {
  if (times.size() < kMinCandidateEvents)
    return false;
  std::vector<double> intervals;
  intervals.reserve(times.size() - 1);
  for (size_t i = 1; i < times.size(); ++i)
    intervals.push_back(static_cast<double>(times[i] - times[i - 1]));
  std::vector<double> sorted = intervals;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2),
                   sorted.end());
  const double median = msOfTenths(sorted[sorted.size() / 2]);
  if (median < 300.0 || median > 10000.0)
    return false;
  const size_t near = static_cast<size_t>(
      std::count_if(intervals.begin(), intervals.end(), [median](double interval) {
        return std::fabs(msOfTenths(interval) - median) <= 0.1 * median;
      }));
  if (10 * near < 9 * intervals.size())
    return false;
  medianMs = median;
  return true;
}

std::vector<TriggerCandidate> triggerCandidates(
    const std::map<std::pair<std::string, std::string>, std::vector<Tenths>>& series) {
  std::vector<TriggerCandidate> candidates;
  for (const auto& [key, times] : series) {
    double medianMs = 0;
    if (beatsLikeTriggers(times, medianMs))
      candidates.push_back({key.first, key.second, times.size(), medianMs});
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const TriggerCandidate& a, const TriggerCandidate& b) {
                     return a.count > b.count;
                   });
  return candidates;
}

std::string triggerAdviceText(const TriggerAdvice& advice, const SettingWords& words) {
  if (!advice.candidates.empty()) {
    std::string text = "these events beat like triggers: ";
    constexpr size_t kNamed = 3;
    for (size_t i = 0; i < advice.candidates.size() && i < kNamed; ++i) {
      const TriggerCandidate& c = advice.candidates[i];
      text += (i == 0 ? "" : "; ") + std::to_string(c.count) + " " + c.type +
              " events with code " + c.code + ", every " + formatFixed(c.medianMs, 1) + " ms (" +
              words.given(Setting::kTrigger, c.type + ":" + c.code) + ")";
    }
    return text;
  }
  if (advice.eventTypes.empty())
    return "";
  std::string types;
  for (const std::string& type : advice.eventTypes)
    types += (types.empty() ? "" : ", ") + type;
  return "no series of its events beats like triggers; its event types are " + types;
}

}  // namespace stimforge::kwhost
