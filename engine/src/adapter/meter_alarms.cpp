// "db_v1_alarm": the alarm records of an energy meter. The payload is a run
// of 4-byte chunks (the last possibly shorter): alarm number, action flag,
// and a big-endian threshold. The rule pack's "meter_alarms" section maps
// an alarm number to [alarm code, threshold scale]; the scale is the number
// of decimals the threshold carries.
#include <charconv>
#include <cmath>

#include "adapter/payload_converters.h"
#include "adapter/payload_text.h"
#include "expr/conversions.h"

namespace kovi::adapter {

namespace {

// The threshold text of raw at scale sc.
std::string threshold_text(std::uint64_t raw, double sc) {
  // The scale is a whole number of decimals, clamped to 32 bits.
  double k = std::isnan(sc) ? 0.0 : std::trunc(sc);
  k = std::fmin(std::fmax(k, -2147483648.0), 2147483647.0);
  // raw / 10^k; a negative k multiplies, which keeps whole results exact.
  double q;
  if (raw == 0)
    q = 0.0;
  else if (k >= 0)
    q = static_cast<double>(raw) / std::pow(10.0, k);
  else
    q = static_cast<double>(raw) * std::pow(10.0, -k);

  // Positional text of a double needs at most ~330 characters.
  char buf[400];
  char* end;
  if (sc > 0) {
    if (q == std::trunc(q)) {
      end = std::to_chars(buf, buf + sizeof buf, q, std::chars_format::fixed, 1).ptr;
    } else {
      end = std::to_chars(buf, buf + sizeof buf, q, std::chars_format::fixed).ptr;
    }
  } else {
    end = std::to_chars(buf, buf + sizeof buf, expr::to_int(q)).ptr;
  }
  return std::string(buf, end);
}

}  // namespace

ReadOutcome read_db_v1_alarm(const Value& raw, const Value&, const Value& rules) {
  const std::optional<std::string> bytes = base64_bytes(raw);
  if (!bytes) return read_failure("invalid base64");
  const Value& alarms = rules.get("meter_alarms");
  const std::string_view b = *bytes;

  Value list = Value::array((b.size() + 3) / 4);
  for (std::size_t at = 0; at < b.size(); at += 4) {
    const std::string_view chunk = b.substr(at, 4);
    char key[4];
    const auto k = std::to_chars(key, key + sizeof key, static_cast<unsigned char>(chunk[0]));
    const Value* m = alarms.find(std::string_view(key, static_cast<std::size_t>(k.ptr - key)));
    if (m == nullptr || m->is_null()) continue;

    Value record = Value::object(3);
    record.append("alarmCode", m->is_array() && m->size() > 0 ? (*m)[0] : Value());
    record.append("doAction", chunk.size() > 1 && chunk[1] == 1);
    if (m->is_array() && m->size() > 1 && !(*m)[1].is_null()) {
      std::uint64_t threshold = 0;
      for (std::size_t i = 2; i < chunk.size(); ++i)
        threshold = (threshold << 8) | static_cast<unsigned char>(chunk[i]);
      record.append("threshold", Value(threshold_text(threshold, expr::to_number((*m)[1]))));
    }
    list.push_back(std::move(record));
  }
  return text_form(list, kMeteringKeys);
}

}  // namespace kovi::adapter
