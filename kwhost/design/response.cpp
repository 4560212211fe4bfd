#include "kwhost/design/response.h"

#include <cmath>

namespace stimforge::kwhost {
namespace {

constexpr int kPeakShape = 6;
constexpr int kUndershootShape = 16;
constexpr double kUndershootRatio = 6.0;

// The series below run to at most this many terms.
constexpr int kMostTerms = 520;

// 1 / k for k = 1 ... kMostTerms (index 0 unused): the series multiply by them, a division
// saved in every term.
struct Reciprocals {
  double of[kMostTerms + 1];
  Reciprocals() : of() {
    for (int k = 1; k <= kMostTerms; ++k)
      of[k] = 1.0 / k;
  }
};

const double* reciprocals() {
  static const Reciprocals table;
  return table.of;
}

// t^n / n!, built factor by factor so that neither overflows for the times used here.
double powerOverFactorial(double t, int n) {
  const double* over = reciprocals();
  double value = 1.0;
  for (int k = 1; k <= n; ++k)
    value *= t * over[k];
  return value;
}

// The integral of the response before it is normalized, from 0 to t: P(6, t) - P(16, t) / 6,
// as one series under one exponential. From t = 6 on it is at least 0.55, so that the finite
// sums, 5/6 - exp(-t) (sum_{k<6} t^k / k! - sum_{k<16} t^k / k! / 6), lose nothing that
// counts against it; below, the rest of the series, exp(-t) (sum_{k>=6} t^k / k! - sum_{k>=16}
// t^k / k! / 6), keeps the small values exact to rounding relative to their size.
double rawIntegral(double t) {
  if (!(t > 0))
    return 0.0;
  const double* over = reciprocals();
  double term = 1.0;  // t^k / k!
  double sum = 0.0;
  int k = 0;
  if (t >= kPeakShape) {
    for (; k < kPeakShape; ++k) {
      sum += term;
      term *= t * over[k + 1];
    }
    double undershoot = sum;
    for (; k < kUndershootShape; ++k) {
      undershoot += term;
      term *= t * over[k + 1];
    }
    return (1.0 - 1.0 / kUndershootRatio) - std::exp(-t) * (sum - undershoot / kUndershootRatio);
  }
  for (; k < kPeakShape; ++k)
    term *= t * over[k + 1];
  for (; k < kUndershootShape; ++k) {
    sum += term;
    term *= t * over[k + 1];
  }
  const double weight = 1.0 - 1.0 / kUndershootRatio;  // the terms from 16 on, in both sums
  for (; term > sum * 1e-17 && k < kUndershootShape + 400; ++k) {
    sum += weight * term;
    term *= t * over[k + 1];
  }
  return sum * std::exp(-t);
}

double normalization() {
  static const double z = rawIntegral(kResponseSeconds);
  return z;
}

// H between nodes 1/32 s apart, from its Taylor polynomial of degree 8 at the node below: the
// remainder, h^(8) / 9! x (1/32)^9, is below 1e-17, and the terms of h's own polynomial (the
// derivative) are those of H. A run's regressors evaluate H and h some thirty times per
// event, so that this table, made once from the closed forms, is what makes the check cheap.
constexpr int kNodesPerSecond = 32;
constexpr int kNodes = static_cast<int>(kResponseSeconds) * kNodesPerSecond;
constexpr int kTerms = 9;  // H(t0 + d) = sum_n c_n d^n, n < kTerms

// g_b(t) = t^(b-1) exp(-t) / (b-1)! for b >= 1, 0 for b <= 0: the gamma densities, whose
// derivatives are g_b' = g_(b-1) - g_b, so that h^(n) = sum_j C(n, j) (-1)^(n-j) (g_(6-j) -
// g_(16-j) / 6) / Z.
double density(int b, double t) {
  return b <= 0 ? 0.0 : powerOverFactorial(t, b - 1) * std::exp(-t);
}

struct ResponseTable {
  double c[kNodes][kTerms];
  ResponseTable() : c() {
    const double z = normalization();
    for (int i = 0; i < kNodes; ++i) {
      const double t = static_cast<double>(i) / kNodesPerSecond;
      c[i][0] = rawIntegral(t) / z;
      double factorial = 1.0;  // (n + 1)!
      for (int n = 0; n + 1 < kTerms; ++n) {
        factorial *= n + 1;
        double derivative = 0.0;  // h^(n)(t) x Z
        double binomial = 1.0;    // C(n, j)
        for (int j = 0; j <= n; ++j) {
          const double sign = (n - j) % 2 == 0 ? 1.0 : -1.0;
          derivative +=
              sign * binomial *
              (density(kPeakShape - j, t) - density(kUndershootShape - j, t) / kUndershootRatio);
          binomial = binomial * (n - j) / (j + 1);
        }
        c[i][n + 1] = derivative / z / factorial;
      }
    }
  }
};

const ResponseTable& responseTable() {
  static const ResponseTable table;
  return table;
}

// The node below `t` (0 < t < 32) and the distance from it.
const double* nodeOf(double t, double& d) {
  int i = static_cast<int>(t * kNodesPerSecond);
  i = i < kNodes ? i : kNodes - 1;
  d = t - static_cast<double>(i) / kNodesPerSecond;
  return responseTable().c[i];
}

}  // namespace

double gammaDensity(int shape, double t) {
  if (!(t > 0))
    return 0.0;
  return powerOverFactorial(t, shape - 1) * std::exp(-t);
}

double gammaDistribution(int shape, double t) {
  if (!(t > 0))
    return 0.0;
  if (t < shape) {
    // exp(-t) sum_{k>=shape} t^k / k!: the terms shrink at least as fast as t / (k + 1).
    const double* over = reciprocals();
    double term = powerOverFactorial(t, shape);
    double sum = 0.0;
    for (int k = shape + 1; term > sum * 1e-17 && k < shape + 400; ++k) {
      sum += term;
      term *= t * over[k];
    }
    return sum * std::exp(-t);
  }
  const double* over = reciprocals();
  double term = 1.0;
  double sum = 0.0;
  for (int k = 0; k < shape; ++k) {
    sum += term;
    term *= t * over[k + 1];
  }
  return 1.0 - sum * std::exp(-t);
}

double canonicalResponse(double t) {
  if (!(t > 0) || t >= kResponseSeconds)
    return 0.0;
  double d = 0;
  const double* c = nodeOf(t, d);
  double value = 0.0;
  for (int n = kTerms - 1; n >= 1; --n)
    value = value * d + n * c[n];
  return value;
}

double canonicalResponseIntegral(double t) {
  if (!(t > 0))
    return 0.0;
  if (t >= kResponseSeconds)
    return 1.0;
  double d = 0;
  const double* c = nodeOf(t, d);
  double value = 0.0;
  for (int n = kTerms - 1; n >= 0; --n)
    value = value * d + c[n];
  return value;
}

}  // namespace stimforge::kwhost
