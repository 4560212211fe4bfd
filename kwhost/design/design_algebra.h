// The linear algebra of the design check (Eigen, kept out of this header): the singular value
// decomposition of the design matrix with unit-length columns, its rank, its condition
// number, and the variance factor c' (X'X)^- c of contrasts. See design_check.h for the rules.
#ifndef STIMFORGE_KWHOST_DESIGN_DESIGN_ALGEBRA_H_
#define STIMFORGE_KWHOST_DESIGN_DESIGN_ALGEBRA_H_

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace stimforge::kwhost {

// A contrast's weights: (column, weight) pairs, columns distinct.
using ContrastWeights = std::vector<std::pair<size_t, double>>;

struct DesignSolution {
  bool rankDeficient = false;
  std::optional<double> conditionNumber;  // empty when rank-deficient
  // Per contrast asked for, c' (X'X)^- c (above 0), or empty when it is not estimable.
  std::vector<std::optional<double>> variances;
};

// Solves the design whose columns are `columns` (each of the same length, at least 1;
// finite) for `contrasts` (each with a weight that is not 0). The decomposition is of X
// with unit-length columns (a column of zeros kept so); a contrast is estimable when its
// scaled weights lie, within 1e-8 of their length, in the span of the right singular vectors
// whose singular values are at least 1e-10 times the largest. May throw std::bad_alloc.
DesignSolution solveDesign(const std::vector<std::vector<double>>& columns,
                           const std::vector<ContrastWeights>& contrasts);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_DESIGN_DESIGN_ALGEBRA_H_
