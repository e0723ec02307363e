#include "adapter/electricity.h"

#include <cmath>

#include "adapter/payload_converters.h"
#include "adapter/payload_text.h"
#include "expr/conversions.h"

namespace kovi::adapter {

namespace {

using expr::number_result;
using expr::to_number;

std::uint32_t byte_at(std::string_view b, std::size_t i) noexcept { return static_cast<unsigned char>(b[i]); }

// The unsigned big-endian integer of `width` bytes from `at`; the caller
// has checked the length.
std::uint32_t big_endian(std::string_view b, std::size_t at, std::size_t width) noexcept {
  std::uint32_t n = 0;
  for (std::size_t i = 0; i < width; ++i) n = (n << 8) | byte_at(b, at + i);
  return n;
}

void negate(Value& field) { field = number_result(-to_number(field)); }

// A float member; a result that is not finite has no float form.
Value float_value(double x) { return std::isfinite(x) ? Value(x) : Value(); }

}  // namespace

std::optional<Value> electricity_fields(std::string_view bytes) {
  if (bytes.size() < 8) return std::nullopt;
  const bool extended = bytes.size() == 17 && byte_at(bytes, 0) == 0x01 && byte_at(bytes, 1) == 0x0F;
  const bool signed_form = bytes.size() == 18 && byte_at(bytes, 0) == 0x02 && byte_at(bytes, 1) == 0x0F;
  const std::string_view body = extended || signed_form ? bytes.substr(2, 15) : bytes;

  Value out = Value::object(6);
  out.append("voltage", Value(big_endian(body, 0, 2) / 10.0));
  out.append("current", Value(static_cast<double>(big_endian(body, 2, 3))));
  out.append("power", Value(static_cast<double>(big_endian(body, 5, 3))));
  if (extended || signed_form) {
    out.append("reactive_power", number_result(big_endian(body, 8, 3)));
    out.append("apparent_power", number_result(big_endian(body, 11, 3)));
    out.append("power_factor", number_result(byte_at(body, 14) / 100.0));
  } else {
    out.append("reactive_power", Value());
    out.append("apparent_power", Value());
    out.append("power_factor", Value());
  }
  if (signed_form) {
    const std::uint32_t flags = byte_at(bytes, 17);
    auto members = out.members();
    if (flags & 1) negate(members[1].value);
    if (flags & 2) negate(members[2].value);
    if (flags & 4) negate(members[3].value);
    if (flags & 8) negate(members[5].value);
  }
  return out;
}

ReadOutcome read_db_v1_params(const Value& raw, const Value&, const Value&) {
  const std::optional<std::string> bytes = base64_bytes(raw);
  if (!bytes) return read_failure("invalid base64");
  const std::optional<Value> p = electricity_fields(*bytes);
  if (!p) return read_failure("short electricity payload");
  const auto f = p->members();  // the order of electricity_fields
  Value o = Value::object(6);
  o.append("voltage", f[0].value);
  o.append("electricCurrent", float_value(to_number(f[1].value) / 1000));
  o.append("power", float_value(to_number(f[2].value) / 1000));
  if (!f[3].value.is_null()) {
    o.append("reactivePower", number_result(to_number(f[3].value) / 1000));
    o.append("apparentPower", number_result(to_number(f[4].value) / 1000));
    o.append("powerFactor", f[5].value);
  }
  return text_form(o, kMeteringKeys);
}

}  // namespace kovi::adapter
