// The canonical haemodynamic response and its integral, in closed form. Times in seconds.
//
// h(t) = (G(t; 6) - G(t; 16) / 6) / Z for 0 <= t < 32 and 0 elsewhere, where G(t; a) is the
// density of the gamma distribution of shape a and scale 1 s, and Z = P(6, 32) - P(16, 32) / 6
// (P the distribution function) makes its integral over [0, 32) exactly 1, so that a
// sustained block rises to 1. For a whole shape a, P(a, t) = 1 - exp(-t) sum_{k<a} t^k / k!:
// no numerical convolution and no special-function library is needed.
#ifndef STIMFORGE_KWHOST_DESIGN_RESPONSE_H_
#define STIMFORGE_KWHOST_DESIGN_RESPONSE_H_

namespace stimforge::kwhost {

// The response lasts this long; it is 0 from here on.
inline constexpr double kResponseSeconds = 32.0;

// The gamma density of whole shape `shape` and scale 1 at `t`: t^(shape-1) exp(-t) /
// (shape-1)!; 0 for t <= 0. Requires: 1 <= shape <= 100, t finite.
double gammaDensity(int shape, double t);

// The gamma distribution function of whole shape `shape` and scale 1 at `t`, P(shape, t); 0
// for t <= 0. Below t = shape, where 1 - exp(-t) sum_{k<a} t^k / k! would lose the small
// value to cancellation, it sums the rest of the same series, exp(-t) sum_{k>=a} t^k / k!,
// so that it is exact to rounding relative to its value. Requires as gammaDensity.
double gammaDistribution(int shape, double t);

// h(t), the normalized canonical response (see above). Requires: t finite.
double canonicalResponse(double t);

// H(t), the integral of h from 0 to t: 0 for t <= 0, 1 for t >= 32. The response to a boxcar
// from o to o + d at time t is H(t - o) - H(t - o - d). Requires: t finite.
//
// Both come from a table made once (about 74 KB) from the closed forms: at nodes 1/32 s apart,
// H's Taylor polynomial of degree 8 (its coefficients from P and the densities' derivatives,
// g_a' = g_(a-1) - g_a), whose remainder is below 1e-17; h is its derivative. Within about
// 1e-16 of the closed forms, and near 0 exact to rounding relative to their size (H(t) ~ t^6 /
// (720 Z) there is the polynomial's own first term).
double canonicalResponseIntegral(double t);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_DESIGN_RESPONSE_H_
