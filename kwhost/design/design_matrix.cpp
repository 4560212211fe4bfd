#include "kwhost/design/design_matrix.h"

#include <algorithm>
#include <cmath>

#include "kwhost/design/response.h"

namespace stimforge::kwhost {

std::vector<double> conditionRegressor(const std::vector<DesignEvent>& events, double trSeconds,
                                       int64_t volumes) {
  std::vector<double> regressor(static_cast<size_t>(volumes), 0.0);
  const double lastFrame = static_cast<double>(volumes - 1);
  for (const DesignEvent& event : events) {
    const double duration = event.duration.value_or(0.0);
    const bool impulse = !(duration > 0);
    // The frames the response reaches, clipped to the scan in doubles before any cast, so
    // that an onset far outside it never overflows an index.
    const double first = std::floor(event.onset / trSeconds);
    const double last = std::floor((event.onset + duration + kResponseSeconds) / trSeconds);
    if (last < 0 || first > lastFrame)
      continue;
    const int64_t from = first < 0 ? 0 : static_cast<int64_t>(first);
    const int64_t to = last > lastFrame ? volumes - 1 : static_cast<int64_t>(last);
    for (int64_t k = from; k <= to; ++k) {
      const double since = static_cast<double>(k) * trSeconds - event.onset;
      regressor[static_cast<size_t>(k)] +=
          impulse ? canonicalResponse(since)
                  : canonicalResponseIntegral(since) - canonicalResponseIntegral(since - duration);
    }
  }
  return regressor;
}

size_t cosineCount(double trSeconds, int64_t volumes, double cutoffSeconds) {
  if (!(cutoffSeconds > 0))
    return 0;
  const double m = std::floor(2.0 * static_cast<double>(volumes) * trSeconds / cutoffSeconds) + 1;
  const double most = static_cast<double>(volumes - 1);
  return static_cast<size_t>(std::min(m - 1, most));
}

std::vector<std::vector<double>> cosineColumns(size_t count, int64_t volumes) {
  const size_t n = static_cast<size_t>(volumes);
  const double scale = std::sqrt(2.0 / static_cast<double>(volumes));
  const double pi = std::acos(-1.0);
  std::vector<std::vector<double>> columns(count, std::vector<double>(n));
  for (size_t k = 0; k < n; ++k) {
    const double first =
        std::cos(pi * (2.0 * static_cast<double>(k) + 1.0) / (2.0 * static_cast<double>(n)));
    double before = 1.0;  // cos(0 a)
    double current = first;
    for (size_t j = 0; j < count; ++j) {
      columns[j][k] = current * scale;
      const double next = 2.0 * first * current - before;
      before = current;
      current = next;
    }
  }
  return columns;
}

}  // namespace stimforge::kwhost
