// Library functions: colours as hue/saturation pairs and "#rrggbb" text.
#include <cmath>

#include "expr/colour.h"
#include "expr/conversions.h"
#include "expr/functions.h"
#include "platform/hex.h"

namespace kovi::expr {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// A channel in [0, 1] as a byte: times 255, halves to even.
unsigned channel_byte(double x) noexcept {
  const std::int64_t n = to_int(round_half_even(x * 255));
  return static_cast<unsigned>(n < 0 ? 0 : n > 255 ? 255 : n);
}

// [hue in degrees, saturation in percent] at full value as "#rrggbb".
Eval fn_hs_to_rgb_hex(const CallArgs& c) {
  const Value& a = c[0];
  const Value& h_in = a.is_array() && a.size() > 0 ? a[0] : json::null_value();
  const Value& s_in = a.is_array() && a.size() > 1 ? a[1] : json::null_value();
  double h = std::fmod(to_number(h_in), 360.0);
  if (h < 0) h += 360.0;
  // fmin / fmax clamp, and read a NaN saturation as 0.
  const double s = std::fmin(std::fmax(to_number(s_in), 0.0), 100.0);
  // An infinite or NaN hue has no remainder: hsv_to_rgb reads it as 0.
  const Rgb rgb = hsv_to_rgb(h / 360.0, s / 100.0, 1.0);
  char out[7] = {'#'};
  const unsigned bytes[3] = {channel_byte(rgb.r), channel_byte(rgb.g), channel_byte(rgb.b)};
  for (int i = 0; i < 3; ++i) {
    out[1 + 2 * i] = kHexDigits[bytes[i] >> 4];
    out[2 + 2 * i] = kHexDigits[bytes[i] & 15];
  }
  return Value(std::string_view(out, sizeof out));
}

constexpr bool ascii_white_space(char ch) noexcept {
  return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

// "#rrggbb" (white space ignored) as [hue in degrees, saturation in
// percent], both floats; anything else gives null.
Eval fn_rgb_hex_to_hs(const CallArgs& c) {
  const std::string_view s = text_of(c[0]);
  if (!c[0].is_string() || s.empty() || s[0] != '#') return Value();
  int digits[6];
  std::size_t n = 0;
  for (char ch : s.substr(1)) {
    if (ascii_white_space(ch)) continue;
    const int d = hex_digit(ch);
    if (d < 0 || n == 6) return Value();
    digits[n++] = d;
  }
  if (n != 6) return Value();
  const double r = (digits[0] * 16 + digits[1]) / 255.0;
  const double g = (digits[2] * 16 + digits[3]) / 255.0;
  const double b = (digits[4] * 16 + digits[5]) / 255.0;
  const double max = std::fmax(r, std::fmax(g, b));
  const double min = std::fmin(r, std::fmin(g, b));
  const double d = max - min;
  double hue = 0.0, saturation = 0.0;
  if (d != 0) {
    saturation = d / max * 100.0;
    if (r == max) {
      hue = (g - b) / d;
    } else if (g == max) {
      hue = 2.0 + (b - r) / d;
    } else {
      hue = 4.0 + (r - g) / d;
    }
    hue = std::fmod(hue / 6.0, 1.0);
    if (hue < 0) hue += 1.0;
    hue *= 360.0;
  }
  Value out = Value::array(2);
  out.push_back(Value(hue));
  out.push_back(Value(saturation));
  return out;
}

constexpr FunctionEntry kFunctions[] = {
    {"hs_to_rgb_hex", fn_hs_to_rgb_hex},
    {"rgb_hex_to_hs", fn_rgb_hex_to_hs},
};

}  // namespace

std::span<const FunctionEntry> colour_functions() { return kFunctions; }

}  // namespace kovi::expr
