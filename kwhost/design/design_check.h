// The design check of one run: is the model of its events estimable from its scan? Builds
// the design matrix X of a run (one regressor per condition, then a constant column, then a
// discrete cosine high-pass set) and its figures: per condition the events in the stored
// scan, the variance inflation factor and the efficiency; per pair of conditions the
// correlation of their regressors; for the design its condition number and whether it is
// rank-deficient; per contrast its efficiency; and the findings. Host-free and pure: plain
// data in, plain data out, no files and no printing. Times in seconds.
//
// The model:
// - Regressor of a condition: the sum over its events of the response to each (see
//   response.h): H(t - o) - H(t - o - d) for an event at onset o lasting d > 0 (a boxcar
//   convolved with the canonical response), h(t - o) for one without a duration or of
//   duration 0 (an impulse). Every event counts, those outside the stored scan too: the
//   response to an event just before the first volume still reaches the scan.
// - Sampled at the frame times t_k = k x TR, k = 0 ... volumes - 1.
// - The constant, a column of ones.
// - With a cutoff C > 0, M = floor(2 x volumes x TR / C) + 1 and the cosine columns
//   cos(pi (2k + 1) j / (2 x volumes)) x sqrt(2 / volumes) for j = 1 ... M - 1, at most
//   volumes - 1 of them (the others repeat those or are 0).
//
// The figures (none is ever NaN or infinite: what cannot be estimated is left empty):
// - An event is in the stored scan when 0 <= onset < volumes x TR; before it when its onset
//   is below 0, after it otherwise (as the trigger check counts a log's stimulus events).
// - Rank: X with every column scaled to unit length (a column of zeros left as it is) is
//   rank-deficient when it has more columns than rows or its smallest singular value is
//   below 1e-10 times its largest. Its condition number, the largest over the smallest, is
//   empty when it is rank-deficient.
// - A contrast c is estimable when it lies in the row space of X, judged on the singular
//   vectors the rank keeps. Its efficiency 1 / (c' (X'X)^- c) uses the pseudo-inverse of
//   X'X (any generalized inverse gives the same value for an estimable contrast); it is
//   empty for a contrast that is not estimable.
// - A condition's efficiency is that of its unit contrast. Its VIF is 1 / (1 - R^2), with R^2
//   of the least-squares fit of its regressor on every other column of X (the constant among
//   them): the centred sum of squares of its regressor over the residual one. Empty when its
//   unit contrast is not estimable (its regressor is a combination of the other columns, a
//   constant or all zeros).
// - A pair's correlation is Pearson's, of the two regressors as sampled (not filtered);
//   empty when either regressor does not vary over the scan.
#ifndef STIMFORGE_KWHOST_DESIGN_DESIGN_CHECK_H_
#define STIMFORGE_KWHOST_DESIGN_DESIGN_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace stimforge::kwhost {

// One event of a run, as the events file holds it: seconds from the first stored volume.
struct DesignEvent {
  double onset = 0;                // finite
  std::optional<double> duration;  // 0 or more, finite; empty for n/a (an impulse)
  std::string condition;           // its trial_type
};

// A contrast plus - minus, named.
struct DesignContrast {
  std::string name;
  std::string plus;
  std::string minus;
};

// What the check is run with. The defaults are the lab's usual thresholds.
struct DesignSettings {
  double trSeconds = 0;  // > 0, finite
  int64_t volumes = 0;   // > 0
  // The conditions modelled, in this order; empty: every condition of the events, in order
  // of first appearance. A named condition without any event gets a regressor of zeros.
  std::vector<std::string> conditions;
  std::vector<DesignContrast> contrasts;
  double highPassSeconds = 128;  // the cosines' cutoff; 0: no cosine
  double maxVif = 5;             // a VIF above it is a finding
  double maxCorrelation = 0.8;   // a correlation above it in absolute value is a finding
  int64_t minEvents = 5;         // fewer events in the stored scan is a finding
};

// The largest design matrix built (volumes x columns): about 160 MB of doubles.
inline constexpr int64_t kMaxDesignCells = 20000000;

struct ConditionFigures {
  std::string name;
  size_t events = 0;  // all of them: inScan + before + after
  size_t inScan = 0;
  size_t before = 0;
  size_t after = 0;
  std::optional<double> vif;
  std::optional<double> efficiency;
};

// Conditions `first` < `second`, indices into DesignCheck::conditions.
struct PairFigures {
  size_t first = 0;
  size_t second = 0;
  std::optional<double> correlation;
};

struct ContrastFigures {
  DesignContrast contrast;
  std::optional<double> efficiency;
};

struct DesignCheck {
  DesignSettings settings;  // what it was checked with
  size_t cosines = 0;       // columns after the constant
  // X's columns, each `volumes` long: the conditions' regressors in the conditions' order,
  // the constant, the cosines.
  std::vector<std::vector<double>> columns;
  std::vector<ConditionFigures> conditions;
  std::vector<PairFigures> pairs;  // every pair once, (0, 1), (0, 2), ... (1, 2), ...
  std::vector<ContrastFigures> contrasts;
  // The events of each condition (same order as `conditions`), for pictures.
  std::vector<std::vector<DesignEvent>> events;
  bool rankDeficient = false;
  std::optional<double> conditionNumber;
  size_t before = 0;  // the conditions' events before the stored scan, all together
  size_t after = 0;
  // Everything that makes the design doubtful, one line each, in the domain's words:
  // "A: no event at all", "A: no event in the stored scan (2 before it)",
  // "A: 3 events in the stored scan, fewer than 5", "A: VIF 7.31, above 5",
  // "A and B: correlation 0.934, above 0.8 in absolute value", "the design is rank-deficient:
  // ...". A condition without any event in the stored scan gets no VIF finding: its events
  // say it already.
  std::vector<std::string> findings;

  bool hasFindings() const { return !findings.empty(); }
};

// Why a check was refused.
enum class DesignRefusal {
  kNone,        // checked
  kConditions,  // a condition named twice
  kContrasts,   // a contrast naming no modelled condition or the same one twice, or two
                // contrasts of one name
  kSize,        // a design matrix of more than kMaxDesignCells
  kEvents,      // no condition to model (no event, and none named)
};

// The conditions a check of `events` models: `chosen` when it is not empty, else every
// condition of the events in order of first appearance.
std::vector<std::string> designConditionNames(const std::vector<DesignEvent>& events,
                                              const std::vector<std::string>& chosen);

// Reads a contrast written NAME=A-B, where A and B are among `conditions` (whose names may
// hold '-' themselves: the '-' that parts two of them is the one taken). Returns false with
// `error` set in the domain's words when there is no '=' or NAME, A or B is empty, when no
// '-' parts two conditions and there is not exactly one '-' (a single '-' is taken, and
// checkDesign then names the unknown condition), or when several do.
[[nodiscard]] bool parseDesignContrast(const std::string& text,
                                       const std::vector<std::string>& conditions,
                                       DesignContrast& contrast, std::string& error);

// Checks the design of `events` under `settings`. Returns kNone with `check` filled; any
// other kind with `message` set in the domain's words ("contrast faces: no condition named
// \"houses\"", "the design would have 240 volumes x 90000 columns: more than 20000000 cells")
// and `check` unchanged. Requires: the settings' and events' bounds above; maxVif,
// maxCorrelation, highPassSeconds 0 or more and finite, minEvents 0 or more. Costs
// O(volumes x columns^2) and O(events x (duration + 32 s) / TR); may throw std::bad_alloc.
DesignRefusal checkDesign(const std::vector<DesignEvent>& events, const DesignSettings& settings,
                          DesignCheck& check, std::string& message);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_DESIGN_DESIGN_CHECK_H_
