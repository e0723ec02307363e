#include "expr/colour.h"

#include <algorithm>
#include <charconv>
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

Hsv rgb_to_hsv(double r, double g, double b) noexcept {
  const double mx = std::max(r, std::max(g, b));
  const double mn = std::min(r, std::min(g, b));
  const double d = mx - mn;
  double h = 0.0, s = 0.0;
  if (d != 0) {
    const double rc = (mx - r) / d;
    const double gc = (mx - g) / d;
    const double bc = (mx - b) / d;
    // Ties go to red, then green.
    double sector;
    if (r == mx)
      sector = bc - gc;
    else if (g == mx)
      sector = 2.0 + rc - bc;
    else
      sector = 4.0 + gc - rc;
    double turn = std::fmod(sector / 6.0, 1.0);
    if (turn < 0) turn += 1.0;
    h = turn * 360.0;
    s = d / mx * 255.0;
  }
  return {round_to(h, 1), round_to(s, 1), round_to(mx * 255.0, 1)};
}

double round_to(double x, int decimals) noexcept {
  if (!std::isfinite(x) || decimals < 0) return x;
  // Room for the 309 integer digits of the largest double, the point and
  // the decimals; more decimals than fit leave x as it is.
  char buf[400];
  const auto written = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
  if (written.ec != std::errc()) return x;
  double back = 0.0;
  const auto read = std::from_chars(buf, written.ptr, back, std::chars_format::fixed);
  if (read.ec != std::errc() || read.ptr != written.ptr) return x;
  return back;
}

}  // namespace kovi::expr
