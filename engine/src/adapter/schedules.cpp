// Weekly schedules of sockets and switches, base64 records of fixed size:
// "cz_timer1_alg" (6 bytes: switch, week days, start and end) and
// "cz_timer2_alg" (10 bytes: the same, then open and close times). Times
// are minute counts, big-endian, shown as "hh:mm" with hours not wrapped.
#include <charconv>

#include "adapter/payload_converters.h"
#include "adapter/payload_text.h"
#include "expr/conversions.h"
#include "platform/base64.h"

namespace kovi::adapter {

namespace {

constexpr std::string_view kTimeNames[] = {"start_time", "end_time", "open_time", "close_time"};

// "hh:mm" of a minute count, hours and minutes at least two digits each.
Value time_text(std::uint32_t minutes) {
  char buf[16];
  char* p = buf;
  auto two = [&p, &buf](std::uint32_t n) {
    if (n < 10) *p++ = '0';
    p = std::to_chars(p, buf + sizeof buf, n).ptr;
  };
  two(minutes / 60);
  *p++ = ':';
  two(minutes % 60);
  return Value(std::string_view(buf, static_cast<std::size_t>(p - buf)));
}

ReadOutcome read_schedule(const Value& raw, std::size_t record_size) {
  const std::optional<std::string> bytes = base64_bytes(raw);
  if (!bytes) return read_failure("invalid base64");
  const std::string_view b = *bytes;
  if (b.size() % record_size != 0) return read_failure("invalid timer");
  const std::size_t times = (record_size - 2) / 2;
  Value records = Value::array(b.size() / record_size);
  for (std::size_t at = 0; at < b.size(); at += record_size) {
    auto byte = [&](std::size_t i) -> std::uint32_t { return static_cast<unsigned char>(b[at + i]); };
    Value r = Value::object(2 + times);
    r.append("timer_switch", byte(0) != 0);
    Value days = Value::array(8);
    for (unsigned bit = 0; bit < 8; ++bit)
      if (byte(1) & (1u << bit)) days.push_back(Value(bit));
    r.append("week_day", std::move(days));
    for (std::size_t t = 0; t < times; ++t)
      r.append(kTimeNames[t], time_text((byte(2 + 2 * t) << 8) | byte(3 + 2 * t)));
    records.push_back(std::move(r));
  }
  return text_form(records, kMeteringKeys);
}

// An unsigned decimal of 0 to 65535: an optional "+", then digits only.
std::optional<std::uint32_t> time_part(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  std::uint32_t n = 0;
  for (char ch : s) {
    if (ch < '0' || ch > '9') return std::nullopt;
    n = n * 10 + static_cast<std::uint32_t>(ch - '0');
    if (n > 65535) return std::nullopt;
  }
  return n;
}

// The minute count of "hours:minutes", at most 65535.
std::optional<std::uint32_t> minute_count(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view rest = text.substr(colon + 1);
  if (rest.find(':') != std::string_view::npos) return std::nullopt;
  const auto hours = time_part(text.substr(0, colon));
  const auto minutes = time_part(rest);
  if (!hours || !minutes) return std::nullopt;
  const std::uint32_t total = *hours * 60 + *minutes;
  if (total > 65535) return std::nullopt;
  return total;
}

WriteOutcome write_schedule(const Value& host, std::size_t record_size) {
  Value holder;
  const Value& records = host_json(host, holder);
  const std::size_t times = (record_size - 2) / 2;
  std::string bytes;
  bytes.reserve(records.size() * record_size);
  for (const Value& r : records.items()) {
    bytes.push_back(expr::truthy(r.get("timer_switch")) ? 1 : 0);
    unsigned mask = 0;
    for (const Value& d : r.get("week_day").items()) {
      const std::uint64_t day = expr::to_count(expr::to_number(d));
      if (day < 8) mask |= 1u << day;
    }
    bytes.push_back(static_cast<char>(mask));
    for (std::size_t t = 0; t < times; ++t) {
      const auto minutes = minute_count(expr::text_of(r.get(kTimeNames[t])));
      if (!minutes) return invalid_error("invalid time");
      bytes.push_back(static_cast<char>(*minutes >> 8));
      bytes.push_back(static_cast<char>(*minutes & 0xFF));
    }
  }
  return Value(base64_encode(bytes));
}

}  // namespace

ReadOutcome read_cz_timer1_alg(const Value& raw, const Value&, const Value&) { return read_schedule(raw, 6); }
ReadOutcome read_cz_timer2_alg(const Value& raw, const Value&, const Value&) { return read_schedule(raw, 10); }
WriteOutcome write_cz_timer1_alg(const Value& host, const Value&) { return write_schedule(host, 6); }
WriteOutcome write_cz_timer2_alg(const Value& host, const Value&) { return write_schedule(host, 10); }

}  // namespace kovi::adapter
