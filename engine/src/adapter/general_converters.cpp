// The general converters: "default" (the value as it is, or the config's
// default when the DP reports none), "enum" (the cloud's enumeration
// mapping), the two 0..255 rescalings "hb_range_v1" / "hb_range_v2", and
// "hb_jsq_lightv1", whose devices expect a "|0|0" suffix on the host side.
#include <cmath>
#include <string>

#include "adapter/adapter_read.h"
#include "adapter/converter.h"
#include "expr/conversions.h"
#include "expr/unicode_text.h"
#include "json/writer.h"

namespace kovi::adapter {

namespace {

constexpr std::string_view kLightSuffix = "|0|0";

// ---- default ----------------------------------------------------------------

ReadOutcome read_default(const Value& raw, const Value& config, const Value&) {
  if (raw.is_null() || (raw.is_string() && raw.as_string().empty())) return config_default(config);
  return Value(raw);
}

WriteOutcome write_default(const Value& host, const Value&) { return Value(host); }

// ---- enum -----------------------------------------------------------------

std::string enum_key(const Value& raw) {
  if (raw.is_bool()) return raw.as_bool() ? "True" : "False";
  if (raw.is_string()) return std::string(raw.as_string());
  return json::to_json(raw);
}

ReadOutcome read_enum(const Value& raw, const Value& config, const Value&) {
  const Value& mapping = config.get("enumMappingMap");
  std::string key = enum_key(raw);
  const Value* entry = mapping.find(key);
  if (entry == nullptr) entry = mapping.find(unicode_lower(key));
  if (entry != nullptr)
    if (const Value* value = entry->find("value")) return Value(*value);
  return config_default(config);
}

bool all_digits(std::string_view s) noexcept {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The mapping key whose "value" is the host value; digit keys are what the
// device takes, so one of those wins over an earlier word key.
WriteOutcome write_enum(const Value& host, const Value& config) {
  const Value& mapping = config.get("enumMappingMap");
  const json::Member* first = nullptr;
  for (const json::Member& m : mapping.members()) {
    if (!json::same(m.value.get("value"), host)) continue;
    if (all_digits(m.key())) return Value(m.key());
    if (first == nullptr) first = &m;
  }
  if (first != nullptr) return Value(first->key());
  return Value(host);
}

// ---- hb_range_v1 / hb_range_v2 ------------------------------------------------

bool digit(char c) noexcept { return c >= '0' && c <= '9'; }

bool word_ieq(std::string_view s, std::string_view word) noexcept {
  if (s.size() != word.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

// Whether a text spells a number as the rule language reads numbers: a
// sign, then digits with an optional fraction and exponent, or inf,
// infinity or nan in any case.
bool spells_number(std::string_view s) noexcept {
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
  if (word_ieq(s, "inf") || word_ieq(s, "infinity") || word_ieq(s, "nan")) return true;
  std::size_t i = 0, digits = 0;
  while (i < s.size() && digit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && digit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (i == s.size() || !digit(s[i])) return false;
    while (i < s.size() && digit(s[i])) ++i;
  }
  return i == s.size();
}

struct Rescale {
  double lo, k, base, top;
};

ReadOutcome rescale(const Value& raw, Rescale r) {
  double x;
  if (raw.is_number())
    x = raw.as_double();
  else if (raw.is_string() && spells_number(raw.as_string()))
    x = expr::parse_number_text(raw.as_string());
  else
    return std::string("invalid range");
  x = std::trunc(x);
  double c = x >= r.lo ? x : r.lo;  // NaN gives lo
  if (c > 255) c = 255;
  double y = std::floor((c - r.lo) / (255 - r.lo) * r.k + r.base);
  if (y < r.base) y = r.base;
  if (y > r.top) y = r.top;
  return expr::number_result(y);
}

ReadOutcome read_range_v1(const Value& raw, const Value&, const Value&) { return rescale(raw, {25, 100, 0, 100}); }
ReadOutcome read_range_v2(const Value& raw, const Value&, const Value&) {
  return rescale(raw, {0, 11000, 1000, 12000});
}

// ---- hb_jsq_lightv1 -------------------------------------------------------

ReadOutcome read_light(const Value& raw, const Value&, const Value&) {
  std::string out(raw.as_string());
  out.append(kLightSuffix);
  return Value(out);
}

WriteOutcome write_light(const Value& host, const Value&) {
  std::string_view s = host.as_string();
  if (s.ends_with(kLightSuffix)) s.remove_suffix(kLightSuffix.size());
  return Value(s);
}

constexpr Converter kGeneral[] = {
    {"default", read_default, write_default, NullRead::Runs},
    {"enum", read_enum, write_enum, NullRead::Runs},
    {"hb_range_v1", read_range_v1, nullptr, NullRead::GivesEmpty},
    {"hb_range_v2", read_range_v2, nullptr, NullRead::GivesEmpty},
    {"hb_jsq_lightv1", read_light, write_light, NullRead::GivesEmpty},
};

}  // namespace

std::span<const Converter> general_converters() { return kGeneral; }

}  // namespace kovi::adapter
