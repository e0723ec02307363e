// Light colours packed into hexadecimal text.
//
// "dj_v1_hsv_alg" and "voice_atm_color": 14 characters RRGGBB HHHH SS VV.
// A text whose tail is "0168ffff" carries an RGB colour; otherwise hue,
// saturation and value are read from their fields. "dj_v2_color_alg":
// HHHH SSSS VVVV. "dj_v2_contr_alg" and "dj_v2_music_alg": a change mode
// digit, then HHHH SSSS VVVV, brightness BBBB and temperature TTTT.
// "hb_djv1_color" turns an HSV object into "r|g|b" decimal channels.
#include <charconv>

#include "adapter/payload_converters.h"
#include "adapter/payload_text.h"
#include "expr/colour.h"
#include "expr/conversions.h"

namespace kovi::adapter {

namespace {

using expr::round_half_even;
using expr::to_int;
using expr::to_number;

// The hexadecimal fields of one text, where the first field that is not
// hexadecimal fails the whole reading.
class HexFields {
 public:
  explicit HexFields(std::string_view s) : s_(s) {}
  double operator()(std::size_t a, std::size_t b) {
    const std::optional<double> n = hex_field(s_, a, b);
    if (!n) {
      ok_ = false;
      return 0.0;
    }
    return *n;
  }
  bool ok() const noexcept { return ok_; }

 private:
  std::string_view s_;
  bool ok_ = true;
};

// The field as a device writes it: the whole number of a float, truncated
// or rounded by the caller, as its 64-bit pattern.
std::uint64_t field_bits(double x) noexcept { return static_cast<std::uint64_t>(to_int(x)); }

ReadOutcome read_hsv_text(const Value& raw, int decimals) {
  const std::string_view s = expr::text_of(raw);
  if (s.size() == 14 && s.substr(6) == "0168ffff") {
    std::optional<Value> hsv = rgb_text_to_hsv(s);
    if (!hsv) return read_failure(kInvalidHex);
    return text_form(*hsv, kColourKeys);
  }
  HexFields hex(s);
  const double h = hex(6, 10);
  const double sat = hex(10, 12);
  const double val = hex(12, s.size());
  if (!hex.ok()) return read_failure(kInvalidHex);
  // The device's 0..255 scale passes through a fraction of `decimals`
  // digits on the way.
  auto scaled = [decimals](double x) { return expr::round_to(expr::round_to(x / 255, decimals) * 255, 1); };
  Value o = Value::object(3);
  o.append("h", Value(h));
  o.append("s", Value(scaled(sat)));
  o.append("v", Value(scaled(val)));
  return text_form(o, kColourKeys);
}

WriteOutcome write_hsv_text(const Value& host) {
  Value holder;
  const Value& j = host_json(host, holder);
  const double h = round_half_even(to_number(j.get("h")));
  const double s = round_half_even(to_number(j.get("s")));
  const double v = round_half_even(to_number(j.get("v")));
  const expr::Rgb rgb = expr::hsv_to_rgb(h / 360, s / 255, v / 255);
  std::string out;
  out.reserve(14);
  const bool fits = append_hex_field(out, field_bits(round_half_even(rgb.r * 255)), 2) &&
                    append_hex_field(out, field_bits(round_half_even(rgb.g * 255)), 2) &&
                    append_hex_field(out, field_bits(round_half_even(rgb.b * 255)), 2) &&
                    append_hex_field(out, field_bits(h), 4) && append_hex_field(out, field_bits(s), 2) &&
                    append_hex_field(out, field_bits(v), 2);
  if (!fits) return invalid_error(kOutOfRange);
  return Value(out);
}

ReadOutcome read_control_text(const Value& raw) {
  const std::string_view s = expr::text_of(raw);
  if (s.empty()) return Value("");
  HexFields hex(s);
  const double mode = hex(0, 1);
  Value o = Value::object(6);
  o.append("change_mode", mode == 1 ? "gradient" : mode == 0 ? "direct" : "");
  o.append("h", Value(hex(1, 5)));
  o.append("s", Value(hex(5, 9)));
  o.append("v", Value(hex(9, 13)));
  o.append("bright", Value(hex(13, 17)));
  o.append("temperature", Value(hex(17, s.size())));
  if (!hex.ok()) return read_failure(kInvalidHex);
  return text_form(o, kMeteringKeys);
}

WriteOutcome write_control_text(const Value& host) {
  Value holder;
  const Value& j = host_json(host, holder);
  const Value& mode = j.get("change_mode");
  std::string out(1, mode.is_string() && mode.as_string() == "gradient" ? '1' : '0');
  out.reserve(21);
  for (std::string_view key : {"h", "s", "v", "bright", "temperature"})
    if (!append_hex_field(out, field_bits(to_number(j.get(key))), 4)) return invalid_error(kOutOfRange);
  return Value(out);
}

}  // namespace

std::optional<Value> rgb_text_to_hsv(std::string_view t) {
  HexFields hex(t);
  const double r = hex(0, 2) / 255;
  const double g = hex(2, 4) / 255;
  const double b = hex(4, 6) / 255;
  if (!hex.ok()) return std::nullopt;
  const expr::Hsv hsv = expr::rgb_to_hsv(r, g, b);
  Value o = Value::object(3);
  o.append("h", Value(hsv.h));
  o.append("s", Value(hsv.s));
  o.append("v", Value(hsv.v));
  return o;
}

ReadOutcome read_hb_djv1_color(const Value& raw, const Value&, const Value&) {
  Value holder;
  const Value& x = host_json(raw, holder);
  const expr::Rgb rgb = expr::hsv_to_rgb(to_number(x.get("h")) / 360, to_number(x.get("s")) / 255,
                                         to_number(x.get("v")) / 255);
  std::string out;
  out.reserve(16);
  char buf[24];
  for (double channel : {rgb.r, rgb.g, rgb.b}) {
    if (!out.empty()) out.push_back('|');
    const auto r = std::to_chars(buf, buf + sizeof buf, to_int(channel * 255));
    out.append(buf, static_cast<std::size_t>(r.ptr - buf));
  }
  return Value(out);
}

ReadOutcome read_dj_v1_hsv_alg(const Value& raw, const Value&, const Value&) { return read_hsv_text(raw, 3); }
ReadOutcome read_voice_atm_color(const Value& raw, const Value&, const Value&) { return read_hsv_text(raw, 4); }
WriteOutcome write_dj_v1_hsv_alg(const Value& host, const Value&) { return write_hsv_text(host); }
WriteOutcome write_voice_atm_color(const Value& host, const Value&) { return write_hsv_text(host); }

ReadOutcome read_dj_v2_color_alg(const Value& raw, const Value&, const Value&) {
  HexFields hex(expr::text_of(raw));
  Value o = Value::object(3);
  o.append("h", Value(hex(0, 4)));
  o.append("s", Value(hex(4, 8)));
  o.append("v", Value(hex(8, 12)));
  if (!hex.ok()) return read_failure(kInvalidHex);
  return text_form(o, kMeteringKeys);
}

WriteOutcome write_dj_v2_color_alg(const Value& host, const Value&) {
  Value holder;
  const Value& j = host_json(host, holder);
  std::string out;
  out.reserve(12);
  for (std::string_view key : {"h", "s", "v"})
    if (!append_hex_field(out, field_bits(to_number(j.get(key))), 4)) return invalid_error(kOutOfRange);
  return Value(out);
}

ReadOutcome read_dj_v2_contr_alg(const Value& raw, const Value&, const Value&) { return read_control_text(raw); }
ReadOutcome read_dj_v2_music_alg(const Value& raw, const Value&, const Value&) { return read_control_text(raw); }
WriteOutcome write_dj_v2_contr_alg(const Value& host, const Value&) { return write_control_text(host); }
WriteOutcome write_dj_v2_music_alg(const Value& host, const Value&) { return write_control_text(host); }

}  // namespace kovi::adapter
