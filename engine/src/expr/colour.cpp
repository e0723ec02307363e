#include "expr/colour.h"

#include <cmath>

#include "expr/conversions.h"

namespace kovi::expr {

Rgb hsv_to_rgb(double h, double s, double v) noexcept {
  if (s == 0) return {v, v, v};
  // A hue that is not a finite number reads as 0 (red) rather than
  // spreading NaN through the channels.
  if (!std::isfinite(h)) h = 0;
  const double scaled = 6 * h;
  const double floor6 = std::floor(scaled);
  const double f = scaled - floor6;
  const double p = v * (1 - s);
  const double q = v * (1 - s * f);
  const double t = v * (1 - s * (1 - f));
  // to_int saturates instead of overflowing for hues far outside [0, 1);
  // the sector is taken modulo 6 into 0..5 for negative hues too.
  const std::int64_t sector = ((to_int(floor6) % 6) + 6) % 6;
  switch (sector) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
  }
}

}  // namespace kovi::expr
