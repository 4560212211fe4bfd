#include "kwhost/design/design_algebra.h"

#include <Eigen/Dense>

#include <cmath>

namespace stimforge::kwhost {
namespace {

// Singular values below this fraction of the largest count as zero.
constexpr double kRankTolerance = 1e-10;
// A contrast whose scaled weights leave more than this fraction of their length outside the
// kept singular vectors is not estimable.
constexpr double kEstimableTolerance = 1e-8;

}  // namespace

DesignSolution solveDesign(const std::vector<std::vector<double>>& columns,
                           const std::vector<ContrastWeights>& contrasts) {
  const Eigen::Index rows = static_cast<Eigen::Index>(columns.front().size());
  const Eigen::Index count = static_cast<Eigen::Index>(columns.size());
  Eigen::MatrixXd x(rows, count);
  Eigen::VectorXd norms(count);
  for (Eigen::Index j = 0; j < count; ++j) {
    const Eigen::Map<const Eigen::VectorXd> column(columns[static_cast<size_t>(j)].data(), rows);
    const double norm = column.norm();
    norms(j) = norm > 0 ? norm : 1.0;  // a column of zeros stays one
    x.col(j) = column / norms(j);
  }
  // Divide and conquer, with Jacobi rotations for the small blocks: O(rows x columns^2) for
  // the tall matrices of real runs, and still fast for the wide ones of a very short cutoff.
  const Eigen::BDCSVD<Eigen::MatrixXd> svd(x, Eigen::ComputeThinV);
  const Eigen::VectorXd& values = svd.singularValues();  // decreasing
  const Eigen::MatrixXd& v = svd.matrixV();
  const double largest = values.size() > 0 ? values(0) : 0.0;
  Eigen::Index rank = 0;
  while (rank < values.size() && largest > 0 && values(rank) >= kRankTolerance * largest)
    ++rank;
  DesignSolution solution;
  solution.rankDeficient = count > rows || rank < count;
  if (!solution.rankDeficient)
    solution.conditionNumber = largest / values(count - 1);
  const auto kept = v.leftCols(rank);
  for (const ContrastWeights& weights : contrasts) {
    Eigen::VectorXd scaled = Eigen::VectorXd::Zero(count);
    for (const auto& [column, weight] : weights)
      scaled(static_cast<Eigen::Index>(column)) = weight / norms(static_cast<Eigen::Index>(column));
    const Eigen::VectorXd along = kept.transpose() * scaled;
    const double outside = (scaled - kept * along).norm();
    if (!(outside <= kEstimableTolerance * scaled.norm()) || rank == 0) {
      solution.variances.emplace_back();
      continue;
    }
    const double variance = along.cwiseQuotient(values.head(rank)).squaredNorm();
    if (variance > 0 && std::isfinite(variance))
      solution.variances.emplace_back(variance);
    else
      solution.variances.emplace_back();
  }
  return solution;
}

}  // namespace stimforge::kwhost
