// Colour conversions shared by the rule language and the value adapter.
#pragma once

namespace kovi::expr {

struct Rgb {
  double r, g, b;
};

// HSV to RGB: hue fraction h in [0, 1), saturation s and value v in [0, 1];
// channels in [0, 1].
Rgb hsv_to_rgb(double h, double s, double v) noexcept;

// A colour as lights report it: hue in degrees [0, 360), saturation and
// value on the 0..255 scale, each rounded to one decimal.
struct Hsv {
  double h, s, v;
};

// RGB channels in [0, 1] to that HSV form.
Hsv rgb_to_hsv(double r, double g, double b) noexcept;

// x written with exactly `decimals` decimals (the exact binary value rounded
// to the nearest, exact ties to the even digit) and read back; x itself
// when that text cannot be made or read back (NaN, infinities, or too many
// digits).
double round_to(double x, int decimals) noexcept;

}  // namespace kovi::expr
