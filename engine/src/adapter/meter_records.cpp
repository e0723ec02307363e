// Energy meter records: the freezing time of the daily reading
// ("db_v1_frozen") and the energy totals of a day range ("db_v1_daily") or
// a month range ("db_v1_month").
#include "adapter/payload_converters.h"
#include "adapter/payload_text.h"

namespace kovi::adapter {

namespace {

// Byte i as an integer, 0 past the end.
Value byte_or_zero(std::string_view b, std::size_t i) {
  return Value(i < b.size() ? static_cast<unsigned char>(b[i]) : 0u);
}

// Four date bytes under the given names, then the total of bytes 4 to 7 in
// hundredths (0.0 when the payload is shorter).
ReadOutcome read_range_total(const Value& raw, const std::string_view (&names)[4]) {
  const std::optional<std::string> bytes = base64_bytes(raw);
  if (!bytes) return read_failure("invalid base64");
  const std::string_view b = *bytes;
  Value o = Value::object(5);
  for (std::size_t i = 0; i < 4; ++i) o.append(names[i], byte_or_zero(b, i));
  double total = 0.0;
  if (b.size() >= 8) {
    std::uint32_t n = 0;
    for (std::size_t i = 4; i < 8; ++i) n = (n << 8) | static_cast<unsigned char>(b[i]);
    total = n / 100.0;
  }
  o.append("electricTotal", Value(total));
  return text_form(o, kMeteringKeys);
}

}  // namespace

ReadOutcome read_db_v1_frozen(const Value& raw, const Value&, const Value&) {
  const std::optional<std::string> bytes = base64_bytes(raw);
  if (!bytes) return read_failure("invalid base64");
  Value o = Value::object(2);
  o.append("day", byte_or_zero(*bytes, 0));
  o.append("hour", byte_or_zero(*bytes, 1));
  return text_form(o, kMeteringKeys);
}

ReadOutcome read_db_v1_daily(const Value& raw, const Value&, const Value&) {
  static constexpr std::string_view kNames[4] = {"startMonth", "startDay", "endMonth", "endDay"};
  return read_range_total(raw, kNames);
}

ReadOutcome read_db_v1_month(const Value& raw, const Value&, const Value&) {
  static constexpr std::string_view kNames[4] = {"startYear", "startMonth", "endYear", "endMonth"};
  return read_range_total(raw, kNames);
}

}  // namespace kovi::adapter
