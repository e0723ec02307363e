#include "expr/conversions.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "json/writer.h"

namespace kovi::expr {

namespace {

bool is_number_or_bool(const Value& v) noexcept { return v.is_number() || v.is_bool(); }

double as_float_loose(const Value& v) noexcept {
  if (v.is_bool()) return v.as_bool() ? 1.0 : 0.0;
  return v.as_double();
}

bool ieq(std::string_view a, std::string_view word) noexcept {
  if (a.size() != word.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

bool digit(char c) noexcept { return c >= '0' && c <= '9'; }

}  // namespace

bool truthy(const Value& v) noexcept {
  switch (v.type()) {
    case json::Type::Null: return false;
    case json::Type::Bool: return v.as_bool();
    case json::Type::Uint: return v.as_uint() != 0;
    case json::Type::Int: return v.as_int() != 0;
    case json::Type::Float: return v.as_float() != 0.0;  // NaN is true
    case json::Type::String: return !v.as_string().empty();
    case json::Type::Array:
    case json::Type::Object: return v.size() != 0;
  }
  return false;
}

double parse_number_text(std::string_view s) noexcept {
  bool negative = false;
  std::string_view body = s;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
    negative = body[0] == '-';
    body.remove_prefix(1);
  }
  if (ieq(body, "inf") || ieq(body, "infinity"))
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  if (ieq(body, "nan")) return std::numeric_limits<double>::quiet_NaN();
  // digits [. digits] | . digits, then an optional exponent
  std::size_t i = 0;
  std::size_t int_digits = 0, frac_digits = 0;
  while (i < body.size() && digit(body[i])) ++i, ++int_digits;
  std::size_t frac_start = i;
  if (i < body.size() && body[i] == '.') {
    ++i;
    frac_start = i;
    while (i < body.size() && digit(body[i])) ++i, ++frac_digits;
  }
  if (int_digits + frac_digits == 0) return 0.0;
  long exponent = 0;
  if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
    ++i;
    bool exp_negative = false;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) exp_negative = body[i++] == '-';
    if (i == body.size() || !digit(body[i])) return 0.0;
    while (i < body.size() && digit(body[i])) {
      if (exponent < 100000000) exponent = exponent * 10 + (body[i] - '0');
      ++i;
    }
    if (exp_negative) exponent = -exponent;
  }
  if (i != body.size()) return 0.0;
  double d = 0.0;
  auto r = std::from_chars(body.data(), body.data() + body.size(), d, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Overflow reads as infinity, underflow as zero: tell them apart by
    // the decimal magnitude of the text.
    long lead = 0;
    std::size_t k = 0;
    while (k < int_digits && body[k] == '0') ++k;
    if (k < int_digits) {
      lead = static_cast<long>(int_digits - k);
    } else {
      std::size_t z = 0;
      while (z < frac_digits && body[frac_start + z] == '0') ++z;
      lead = -static_cast<long>(z);
    }
    d = (lead + exponent > 0) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (r.ec != std::errc()) {
    return 0.0;
  }
  return negative ? -d : d;
}

double to_number(const Value& v) noexcept {
  switch (v.type()) {
    case json::Type::Uint: return static_cast<double>(v.as_uint());
    case json::Type::Int: return static_cast<double>(v.as_int());
    case json::Type::Float: return v.as_float();
    case json::Type::Bool: return v.as_bool() ? 1.0 : 0.0;
    case json::Type::String: return parse_number_text(v.as_string());
    default: return 0.0;
  }
}

std::int64_t to_int(double x) noexcept {
  if (std::isnan(x)) return 0;
  if (x >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
  if (x <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(x);
}

std::uint64_t to_count(double x) noexcept {
  if (std::isnan(x) || x <= 0.0) return 0;
  if (x >= 18446744073709551616.0) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(x);
}

Value number_result(double x) {
  if (!std::isfinite(x)) return Value();
  if (x == std::trunc(x) && std::fabs(x) < 9.22e18) {
    if (x < 0) return Value(static_cast<std::int64_t>(x));
    return Value(static_cast<std::uint64_t>(x));
  }
  return Value(x);
}

void append_text(const Value& v, std::string& out) {
  switch (v.type()) {
    case json::Type::Null: return;
    case json::Type::String: out.append(v.as_string()); return;
    case json::Type::Uint:
    case json::Type::Int:
    case json::Type::Float: {
      double f = v.as_double();
      if (std::isfinite(f) && f == std::trunc(f) && std::fabs(f) < 1e15) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, to_int(f));
        out.append(buf, static_cast<std::size_t>(r.ptr - buf));
      } else {
        json::write(v, out);
      }
      return;
    }
    default: json::write(v, out); return;
  }
}

std::string to_text(const Value& v) {
  if (v.is_string()) return std::string(v.as_string());
  std::string out;
  append_text(v, out);
  return out;
}

bool equal(const Value& a, const Value& b) {
  if (is_number_or_bool(a) && is_number_or_bool(b)) return as_float_loose(a) == as_float_loose(b);
  return same(a, b);
}

std::uint64_t int_bits(const Value& v) noexcept {
  if (v.is_uint()) return v.as_uint();
  if (v.is_int()) return static_cast<std::uint64_t>(v.as_int());
  return static_cast<std::uint64_t>(to_int(to_number(v)));
}

double round_half_even(double x) noexcept {
  if (!std::isfinite(x)) return x;
  double r = std::round(x);  // halves away from zero
  if (std::fabs(x - std::trunc(x)) == 0.5) r = 2.0 * std::round(x / 2.0);
  return r;
}

}  // namespace kovi::expr
