// Light scenes packed into hexadecimal text.
//
// "dj_v2_scene_alg": a 2-digit scene number (counted from 0 on the device,
// from 1 on the host), then units of 26 digits: switch duration (2),
// gradient duration (2), change mode (2), hue, saturation, value,
// brightness and temperature (4 each).
// "dj_v1_scene_alg": brightness (2), temperature (2), frequency (2), two
// unused digits, then RGB colours of 6 digits each.
#include "adapter/payload_converters.h"
#include "adapter/payload_text.h"
#include "expr/conversions.h"

namespace kovi::adapter {

namespace {

constexpr std::size_t kUnitDigits = 26;
constexpr std::string_view kUnitColourNames[] = {"h", "s", "v", "bright", "temperature"};

std::string_view change_mode_name(double mode) noexcept {
  return mode == 0 ? "static" : mode == 1 ? "jump" : mode == 2 ? "gradient" : "";
}

// One scene unit; nothing when a field is not hexadecimal.
std::optional<Value> scene_unit(std::string_view u) {
  std::optional<double> f[8];
  f[0] = hex_field(u, 0, 2);
  f[1] = hex_field(u, 2, 4);
  f[2] = hex_field(u, 4, 6);
  for (std::size_t i = 0; i < 5; ++i) f[3 + i] = hex_field(u, 6 + 4 * i, 10 + 4 * i);
  for (const auto& field : f)
    if (!field) return std::nullopt;
  Value o = Value::object(8);
  o.append("unit_switch_duration", Value(*f[0]));
  o.append("unit_gradient_duration", Value(*f[1]));
  o.append("unit_change_mode", Value(change_mode_name(*f[2])));
  for (std::size_t i = 0; i < 5; ++i) o.append(kUnitColourNames[i], Value(*f[3 + i]));
  return o;
}

}  // namespace

ReadOutcome read_dj_v2_scene_alg(const Value& raw, const Value&, const Value&) {
  const std::string_view s = expr::text_of(raw);
  const std::optional<double> num = hex_field(s, 0, 2);
  if (!num) return read_failure(kInvalidHex);
  const std::size_t units = s.size() >= 2 + kUnitDigits ? (s.size() - 2) / kUnitDigits : 0;
  Value list = Value::array(units);
  for (std::size_t i = 0; i < units; ++i) {
    const std::size_t at = 2 + i * kUnitDigits;
    if (!char_boundary(s, at) || !char_boundary(s, at + kUnitDigits)) return read_failure("invalid scene");
    std::optional<Value> unit = scene_unit(s.substr(at, kUnitDigits));
    if (!unit) return read_failure(kInvalidHex);
    list.push_back(std::move(*unit));
  }
  Value o = Value::object(2);
  o.append("scene_num", Value(*num + 1));
  o.append("scene_units", std::move(list));
  return text_form(o, kMeteringKeys);
}

WriteOutcome write_dj_v2_scene_alg(const Value& host, const Value&) {
  Value holder;
  const Value& j = host_json(host, holder);
  auto bits = [](const Value& v) { return static_cast<std::uint64_t>(expr::to_int(expr::to_number(v))); };
  const auto units = j.get("scene_units").items();
  std::string out;
  out.reserve(2 + units.size() * kUnitDigits);
  // The host counts scenes from 1; scene 0 or a number past 256 has no
  // device number.
  if (!append_hex_field(out, bits(j.get("scene_num")) - 1, 2)) return invalid_error(kOutOfRange);
  for (const Value& u : units) {
    const Value& mode = u.get("unit_change_mode");
    const std::string_view m = mode.is_string() ? mode.as_string() : std::string_view();
    const std::uint64_t mode_number = m == "jump" ? 1 : m == "gradient" ? 2 : 0;
    bool fits = append_hex_field(out, bits(u.get("unit_switch_duration")), 2) &&
                append_hex_field(out, bits(u.get("unit_gradient_duration")), 2) &&
                append_hex_field(out, mode_number, 2);
    for (std::string_view key : kUnitColourNames) fits = fits && append_hex_field(out, bits(u.get(key)), 4);
    if (!fits) return invalid_error(kOutOfRange);
  }
  return Value(out);
}

ReadOutcome read_dj_v1_scene_alg(const Value& raw, const Value&, const Value&) {
  const std::string_view s = expr::text_of(raw);
  if (s.empty()) return Value("");
  const std::optional<double> bright = hex_field(s, 0, 2);
  const std::optional<double> temperature = hex_field(s, 2, 4);
  const std::optional<double> frequency = hex_field(s, 4, 6);
  if (!bright || !temperature || !frequency) return read_failure(kInvalidHex);
  Value colours = Value::array();
  if (s.size() >= 9) {
    constexpr std::size_t kColourDigits = 6;
    if ((s.size() - 8) % kColourDigits != 0) return read_failure("invalid scene");
    colours.reserve((s.size() - 8) / kColourDigits);
    for (std::size_t at = 8; at < s.size(); at += kColourDigits) {
      if (!char_boundary(s, at) || !char_boundary(s, at + kColourDigits)) return read_failure("invalid scene");
      std::optional<Value> hsv = rgb_text_to_hsv(s.substr(at, kColourDigits));
      if (!hsv) return read_failure(kInvalidHex);
      colours.push_back(std::move(*hsv));
    }
  }
  Value o = Value::object(4);
  o.append("frequency", Value(*frequency));
  o.append("bright", Value(*bright));
  o.append("temperature", Value(*temperature));
  o.append("hsv", std::move(colours));
  return text_form(o, kColourKeys);
}

}  // namespace kovi::adapter
