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
  // t^5 / 5! and t^15 / 15!, the one continued from the other, under one exponential.
  const double peak = powerOverFactorial(t, kPeakShape - 1);
  double undershoot = peak;
  const double* over = reciprocals();
  for (int k = kPeakShape; k < kUndershootShape; ++k)
    undershoot *= t * over[k];
  return (peak - undershoot / kUndershootRatio) * std::exp(-t) / normalization();
}

double canonicalResponseIntegral(double t) {
  if (!(t > 0))
    return 0.0;
  if (t >= kResponseSeconds)
    return 1.0;
  return rawIntegral(t) / normalization();
}

}  // namespace stimforge::kwhost
