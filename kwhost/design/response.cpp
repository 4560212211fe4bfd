#include "kwhost/design/response.h"

#include <cmath>

namespace stimforge::kwhost {
namespace {

constexpr int kPeakShape = 6;
constexpr int kUndershootShape = 16;
constexpr double kUndershootRatio = 6.0;

// t^n / n!, built factor by factor so that neither overflows for the times used here.
double powerOverFactorial(double t, int n) {
  double value = 1.0;
  for (int k = 1; k <= n; ++k)
    value *= t / k;
  return value;
}

// The integral of the response before it is normalized, from 0 to t.
double rawIntegral(double t) {
  return gammaDistribution(kPeakShape, t) -
         gammaDistribution(kUndershootShape, t) / kUndershootRatio;
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
    double term = powerOverFactorial(t, shape);
    double sum = 0.0;
    for (int k = shape + 1; term > sum * 1e-17 && k < shape + 400; ++k) {
      sum += term;
      term *= t / k;
    }
    return sum * std::exp(-t);
  }
  double term = 1.0;
  double sum = 0.0;
  for (int k = 0; k < shape; ++k) {
    sum += term;
    term *= t / (k + 1);
  }
  return 1.0 - sum * std::exp(-t);
}

double canonicalResponse(double t) {
  if (!(t >= 0) || t >= kResponseSeconds)
    return 0.0;
  return (gammaDensity(kPeakShape, t) - gammaDensity(kUndershootShape, t) / kUndershootRatio) /
         normalization();
}

double canonicalResponseIntegral(double t) {
  if (!(t > 0))
    return 0.0;
  if (t >= kResponseSeconds)
    return 1.0;
  return rawIntegral(t) / normalization();
}

}  // namespace stimforge::kwhost
