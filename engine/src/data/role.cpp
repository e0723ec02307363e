#include "data/role.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "expr/conversions.h"
#include "json/record.h"

namespace kovi::data {

using json::Value;

namespace {

constexpr std::array<std::string_view, 4> kRoleFields = {"code", "kind", "spec", "report_type"};

double spec_number(const Role& role, std::string_view member) { return expr::to_number(role.spec.get(member)); }

bool inverted(const Role& role) {
  const Value& v = role.spec.get("inverted");
  return v.is_bool() && v.as_bool();
}

bool contains_same(std::span<const Value> list, const Value& v) {
  return std::any_of(list.begin(), list.end(), [&](const Value& e) { return json::same(e, v); });
}

std::span<const Value> range_of(const Role& role) { return role.spec.get("range").items(); }

// 10^n by repeated squaring.
double pow10(std::uint64_t n) noexcept {
  double result = 1.0;
  double base = 10.0;
  while (n != 0) {
    if (n & 1) result *= base;
    base *= base;
    n >>= 1;
  }
  return result;
}

Value decode_integer(const Role& role, const Value& raw) {
  if (!raw.is_bool() && !raw.is_integer()) return Value();
  double x = raw.is_bool() ? (raw.as_bool() ? 1.0 : 0.0) : raw.as_double();
  if (x < spec_number(role, "min")) return Value();
  double max = spec_number(role, "max");
  if (x > max) return Value();
  double f = scale_factor(role);
  double y = inverted(role) ? max / f - x / f : x / f;
  if (!std::isfinite(y)) return Value();
  return Value(y);
}

Result<Value, EncodeError> encode_integer(const Role& role, const Value& host) {
  if (!host.is_bool() && !host.is_number()) return EncodeError{kInvalidNumeric};
  double x = host.is_bool() ? (host.as_bool() ? 1.0 : 0.0) : host.as_double();
  double f = scale_factor(role);
  double max = spec_number(role, "max");
  double c = inverted(role) ? max / f - x : x;
  double r = expr::round_half_even(f * c);
  if (spec_number(role, "min") > r || r > max) return EncodeError{kOutOfRange};
  // A raw value that is not a number (an unbounded or undefined product of
  // a degenerate scale) cannot be sent to the device.
  if (!std::isfinite(r)) return EncodeError{kOutOfRange};
  return expr::number_result(r);
}

}  // namespace

Result<Role> read_role(const Value& v) {
  json::RecordReader r(v, "struct Role", kRoleFields, true);
  Role role;
  role.code = r.string("code");
  role.kind = kind_field(r, "kind");
  role.spec = r.any("spec");
  role.report_type = r.any("report_type");
  if (!r.ok()) return request_error(r.reason());
  return role;
}

Value role_value(const Role& role) {
  Value out = Value::object(4);
  out.append("code", Value(role.code));
  out.append("kind", Value(kind_name(role.kind)));
  out.append("spec", role.spec);
  out.append("report_type", role.report_type);
  return out;
}

double scale_factor(const Role& role) noexcept {
  double s = spec_number(role, "scale");
  std::int64_t e = 0;
  if (!std::isnan(s)) e = static_cast<std::int64_t>(std::trunc(std::clamp(s, -2147483648.0, 2147483647.0)));
  return e < 0 ? 1.0 / pow10(static_cast<std::uint64_t>(-e)) : pow10(static_cast<std::uint64_t>(e));
}

Value decode_value(const Role& role, const Value& raw) {
  switch (role.kind) {
    case DpKind::Integer: return decode_integer(role, raw);
    case DpKind::Boolean:
      if (raw.is_bool()) return raw;
      if (raw.is_number() && (raw.as_double() == 1.0 || raw.as_double() == 0.0)) return raw;
      return Value();
    case DpKind::Enum: return contains_same(range_of(role), raw) ? raw : Value();
    case DpKind::Bitmap:
    case DpKind::Json:
    case DpKind::Raw:
    case DpKind::String: return raw;
  }
  return Value();
}

Value decode(const Role& role, const Value& codes) { return decode_value(role, codes.get(role.code)); }

Result<Value, EncodeError> encode(const Role& role, const Value& host) {
  switch (role.kind) {
    case DpKind::Integer: return encode_integer(role, host);
    case DpKind::Boolean:
      if (host.is_bool()) return host;
      return EncodeError{kInvalidBoolean};
    case DpKind::Enum:
      if (host.is_string() && contains_same(range_of(role), host)) return host;
      return EncodeError{kInvalidEnum};
    case DpKind::Bitmap:
    case DpKind::Json:
    case DpKind::Raw:
    case DpKind::String: return host;
  }
  return host;
}

Value summary(const Role& role) {
  double f = scale_factor(role);
  Value out = Value::object(9);
  out.append("code", Value(role.code));
  out.append("kind", Value(kind_name(role.kind)));
  out.append("spec", role.spec);
  out.append("report_type", role.report_type);
  out.append("range", range_values(role));
  out.append("min", expr::number_result(spec_number(role, "min") / f));
  out.append("max", expr::number_result(spec_number(role, "max") / f));
  out.append("step", expr::number_result(spec_number(role, "step") / f));
  out.append("scale", expr::number_result(f));
  return out;
}

Value range_values(const Role& role) {
  const Value& range = role.spec.get("range");
  return range.is_array() ? range : Value::array();
}

Value command_map(const Role& role, const Value& candidates, const Value& rules) {
  if (role.kind == DpKind::Boolean) {
    Value stop = Value::object(1);
    stop.append("never", Value(true));
    Value out = Value::object(3);
    out.append("open", Value(true));
    out.append("close", Value(false));
    out.append("stop", std::move(stop));
    return out;
  }
  const Value& maps = rules.get("maps");
  std::span<const Value> range = range_of(role);
  const Value* first = nullptr;
  auto consider = [&](std::string_view name) -> const Value* {
    const Value& m = maps.get(name);
    if (first == nullptr) first = &m;
    return contains_same(range, m.get("open")) && contains_same(range, m.get("close")) ? &m : nullptr;
  };
  if (candidates.is_string()) {
    if (const Value* m = consider(candidates.as_string())) return *m;
  } else {
    for (const Value& c : candidates.items())
      if (c.is_string())
        if (const Value* m = consider(c.as_string())) return *m;
  }
  return first ? *first : Value();
}

}  // namespace kovi::data
