// "sd_clean_record": a robot cleaner's record as fixed-width digit text:
// record time (12 characters), cleaning time and area (3 digits each,
// or a sign and 2 digits) and map id (5 characters). Short records of 6 or
// 11 characters carry no record time.
#include "adapter/payload_converters.h"
#include "adapter/payload_text.h"
#include "expr/conversions.h"

namespace kovi::adapter {

namespace {

struct Field {
  std::size_t from, to;  // from == to: absent
};

constexpr Field kAbsent{0, 0};

// The field's text, or nothing when it is absent or would cut a character.
std::optional<std::string_view> field_text(std::string_view s, Field p) {
  if (p.from == p.to || p.to > s.size() || !char_boundary(s, p.from) || !char_boundary(s, p.to))
    return std::nullopt;
  return s.substr(p.from, p.to - p.from);
}

bool digit(char ch) noexcept { return ch >= '0' && ch <= '9'; }

// Three digits (0 to 999), "+" and two digits (0 to 99) or "-" and two
// digits (-99 to 0).
std::optional<std::int64_t> amount(std::optional<std::string_view> t) {
  if (!t || t->size() != 3 || !digit((*t)[1]) || !digit((*t)[2])) return std::nullopt;
  const std::int64_t low = ((*t)[1] - '0') * 10 + ((*t)[2] - '0');
  const char lead = (*t)[0];
  if (digit(lead)) return (lead - '0') * 100 + low;
  if (lead == '+') return low;
  if (lead == '-') return -low;
  return std::nullopt;
}

}  // namespace

ReadOutcome read_sd_clean_record(const Value& raw, const Value&, const Value&) {
  const std::string_view s = expr::text_of(raw);
  const std::size_t n = s.size();
  Field record = kAbsent, time = kAbsent, area = kAbsent, map = kAbsent;
  if (n == 6 || n == 11) {
    time = {0, 3};
    area = {3, 6};
    if (n == 11) map = {6, 11};
  } else {
    if (n >= 12) record = {0, 12};
    if (n >= 15) time = {12, 15};
    if (n >= 18) area = {15, 18};
    if (n >= 23) map = {18, 23};
  }
  const std::optional<std::int64_t> clean_time = amount(field_text(s, time));
  if (!clean_time) return read_failure("invalid clean time");
  const std::optional<std::int64_t> clean_area = amount(field_text(s, area));
  if (!clean_area) return read_failure("invalid area");
  Value o = Value::object(4);
  o.append("record_time", Value(field_text(s, record).value_or(std::string_view())));
  o.append("clean_time", Value(*clean_time));
  o.append("clean_area", Value(*clean_area));
  o.append("map_id", Value(field_text(s, map).value_or(std::string_view())));
  return text_form(o, kMeteringKeys);
}

}  // namespace kovi::adapter
