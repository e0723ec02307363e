// Colour conversions shared by the rule language and the value adapter.
#pragma once

namespace kovi::expr {

struct Rgb {
  double r, g, b;
};

// HSV to RGB: hue fraction h in [0, 1), saturation s and value v in [0, 1];
// channels in [0, 1].
Rgb hsv_to_rgb(double h, double s, double v) noexcept;

}  // namespace kovi::expr
