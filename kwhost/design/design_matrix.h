// The columns of a run's design matrix, sampled at the frame times t_k = k x TR (see
// design_check.h for the model). Pure.
#ifndef STIMFORGE_KWHOST_DESIGN_DESIGN_MATRIX_H_
#define STIMFORGE_KWHOST_DESIGN_DESIGN_MATRIX_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kwhost/design/design_check.h"

namespace stimforge::kwhost {

// The regressor of `events` (one condition's): the responses to all of them summed, at each
// of the `volumes` frame times. Each event touches only the frames from its onset to 32 s
// after its end; frames wholly inside a long block are 1 without evaluating the response.
// Requires: trSeconds > 0, volumes > 0, the events' bounds of DesignEvent.
std::vector<double> conditionRegressor(const std::vector<DesignEvent>& events, double trSeconds,
                                       int64_t volumes);

// The number of cosine columns for `cutoffSeconds` (0: none): M - 1 with M = floor(2 x
// volumes x TR / cutoff) + 1, at most volumes - 1. Requires: as conditionRegressor, cutoff
// 0 or more and finite.
size_t cosineCount(double trSeconds, int64_t volumes, double cutoffSeconds);

// Cosine columns 1 ... `count` of a run of `volumes`: column j is cos(pi (2k + 1) j / (2 x
// volumes)) x sqrt(2 / volumes) for k = 0 ... volumes - 1. One cosine per volume: the
// others follow by the recurrence cos((j + 1) a) = 2 cos(a) cos(j a) - cos((j - 1) a), whose
// rounding grows by at most about j / sin(a) units in the last place.
std::vector<std::vector<double>> cosineColumns(size_t count, int64_t volumes);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_DESIGN_DESIGN_MATRIX_H_
