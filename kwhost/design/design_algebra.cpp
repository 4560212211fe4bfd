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

// Up to this many columns the decomposition is Jacobi's.
constexpr Eigen::Index kJacobiColumns = 16;
// The eigenvalues of X'X are trusted when the least is at least this fraction of the largest:
// their rounding is then below 1e-8 of the least.
constexpr double kGramTolerance = 1e-8;

// The singular values and right singular vectors of `x` from the eigenvalues of X'X: cheap
// (X'X is columns x columns), and exact to rounding for a well-conditioned X, which a run's
// design usually is. False for a matrix this cannot tell apart from a rank-deficient one:
// wider than tall, or an eigenvalue below kGramTolerance of the largest.
bool fromGram(const Eigen::MatrixXd& x, Eigen::VectorXd& values, Eigen::MatrixXd& v) {
  if (x.cols() > x.rows())
    return false;
  Eigen::MatrixXd gram = Eigen::MatrixXd::Zero(x.cols(), x.cols());
  gram.selfadjointView<Eigen::Lower>().rankUpdate(x.transpose());
  const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eigen(gram);  // increasing
  if (eigen.info() != Eigen::Success)
    return false;
  const Eigen::VectorXd& lambda = eigen.eigenvalues();
  const double largest = lambda(lambda.size() - 1);
  if (!(largest > 0) || !(lambda(0) >= kGramTolerance * largest))
    return false;
  values = lambda.reverse().cwiseSqrt();
  v = eigen.eigenvectors().rowwise().reverse();
  return true;
}

// The same from a singular value decomposition of `x`. A run's few dozen columns: a QR
// decomposition, then Jacobi rotations on its small square factor, the most accurate; more
// columns (a very short cutoff): divide and conquer, which stays fast where Jacobi's sweeps
// over columns^2 pairs do not.
void fromSvd(const Eigen::MatrixXd& x, Eigen::VectorXd& values, Eigen::MatrixXd& v) {
  if (x.cols() <= kJacobiColumns && x.cols() <= x.rows()) {
    const Eigen::JacobiSVD<Eigen::MatrixXd, Eigen::ColPivHouseholderQRPreconditioner> svd(
        x, Eigen::ComputeThinV);
    values = svd.singularValues();
    v = svd.matrixV();
  } else {
    const Eigen::BDCSVD<Eigen::MatrixXd> svd(x, Eigen::ComputeThinV);
    values = svd.singularValues();
    v = svd.matrixV();
  }
}

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
  Eigen::VectorXd values;  // decreasing
  Eigen::MatrixXd v;
  if (!fromGram(x, values, v))
    fromSvd(x, values, v);
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
