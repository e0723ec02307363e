// Library functions: numbers, bits and feature flags.
#include <charconv>
#include <cmath>

#include "expr/conversions.h"
#include "expr/evaluate.h"
#include "expr/functions.h"
#include "expr/unicode_text.h"

namespace kovi::expr {

namespace {

// Largest element count "range" may produce.
constexpr double kMaxRange = static_cast<double>(kMaxValueNodes);
// Widths "hex" accepts, and the widths it can pad to.
constexpr double kMaxHexWidth = static_cast<double>(kMaxValueText);
constexpr std::uint64_t kMaxHexPadding = 65'535;

template <typename Op>
Eval arithmetic(const CallArgs& c, Op op) {
  const Value& a = c[0];
  const Value& b = c[1];
  if (!a.is_number() || !b.is_number()) return Value();
  return number_result(op(a.as_double(), b.as_double()));
}

Eval fn_add(const CallArgs& c) { return arithmetic(c, [](double x, double y) { return x + y; }); }
Eval fn_sub(const CallArgs& c) { return arithmetic(c, [](double x, double y) { return x - y; }); }
Eval fn_mul(const CallArgs& c) { return arithmetic(c, [](double x, double y) { return x * y; }); }
Eval fn_div(const CallArgs& c) { return arithmetic(c, [](double x, double y) { return x / y; }); }
Eval fn_min(const CallArgs& c) { return arithmetic(c, [](double x, double y) { return y < x ? y : x; }); }
Eval fn_max(const CallArgs& c) { return arithmetic(c, [](double x, double y) { return y > x ? y : x; }); }

Eval fn_num(const CallArgs& c) { return number_result(to_number(c[0])); }

Eval fn_floor(const CallArgs& c) {
  if (!c[0].is_number()) return Value();
  return number_result(std::floor(c[0].as_double()));
}

Eval fn_round_half_even(const CallArgs& c) {
  if (!c[0].is_number()) return Value();
  return number_result(round_half_even(c[0].as_double()));
}

// Maps x from [in_lo, in_hi] linearly onto [out_lo, out_hi].
Eval fn_remap(const CallArgs& c) {
  if (c.args.size() != 5) return Value();
  for (const Value& v : c.args)
    if (!v.is_number()) return Value();
  const double x = c[0].as_double(), in_lo = c[1].as_double(), in_hi = c[2].as_double();
  const double out_lo = c[3].as_double(), out_hi = c[4].as_double();
  const double t = (x - in_lo) / (in_hi - in_lo);
  return number_result((out_hi - out_lo) * t + out_lo);
}

Eval fn_len(const CallArgs& c) {
  const Value& a = c[0];
  if (a.is_string()) return Value(static_cast<std::uint64_t>(utf8_scalar_count(a.as_string())));
  if (a.is_container()) return Value(static_cast<std::uint64_t>(a.size()));
  return Value();
}

// Bit n of a's 64-bit pattern. An integer is read exactly, so bit 63 of
// 2^63 is set; a NaN or negative index reads as 0.
Eval fn_bit_test(const CallArgs& c) {
  if (!c[0].is_number()) return Value(false);
  const std::uint64_t n = to_count(to_number(c[1]));
  return Value(n < 64 && ((int_bits(c[0]) >> n) & 1u) != 0);
}

// Whether the feature mask of group a and flag b shares a bit with c. A
// NaN c reads as 0 and so shares none.
Eval fn_flag(const CallArgs& c) {
  const std::uint64_t mask = feature_mask(c.ctx, text_of(c[0]), text_of(c[1]));
  return Value((mask & int_bits(c[2])) != 0);
}

Eval fn_range(const CallArgs& c) {
  double n = to_number(c[0]);
  if (std::isnan(n) || n < 0) n = 0;
  if (std::isinf(n) || n >= kMaxRange) return rule_error(kValueSizeLimit);
  const std::uint64_t count = to_count(n);
  Value out = Value::array(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) out.push_back(Value(i));
  return out;
}

// Lowercase hexadecimal of a's 64-bit pattern, left-padded with "0" to at
// least the width b.
Eval fn_hex(const CallArgs& c) {
  const double w = to_number(c[1]);
  if (std::isnan(w) || std::isinf(w) || w < 0 || w > kMaxHexWidth) return rule_error(kTextSizeLimit);
  const std::uint64_t width = to_count(w);
  // Widths past what the padding supports fail like widths out of range:
  // both ask for more text than a hexadecimal number can sensibly carry.
  if (width > kMaxHexPadding) return rule_error(kTextSizeLimit);
  char digits[16];
  auto r = std::to_chars(digits, digits + sizeof digits, int_bits(c[0]), 16);
  const std::size_t len = static_cast<std::size_t>(r.ptr - digits);
  std::string out;
  if (width > len) {
    out.reserve(static_cast<std::size_t>(width));
    out.append(static_cast<std::size_t>(width) - len, '0');
  }
  out.append(digits, len);
  return Value(out);
}

// One chunk of "hex_ints": hexadecimal digits with one optional leading
// "+", fitting an unsigned 64-bit integer.
bool read_hex_chunk(std::string_view chunk, std::uint64_t& out) noexcept {
  if (!chunk.empty() && chunk[0] == '+') chunk.remove_prefix(1);
  if (chunk.empty()) return false;
  auto r = std::from_chars(chunk.data(), chunk.data() + chunk.size(), out, 16);
  return r.ec == std::errc() && r.ptr == chunk.data() + chunk.size();
}

// a cut into k chunks of w hexadecimal characters, read as integers.
Eval fn_hex_ints(const CallArgs& c) {
  if (!c[0].is_string()) return Value();
  const std::string_view text = c[0].as_string();
  for (char ch : text)
    if (static_cast<unsigned char>(ch) >= 0x80) return Value();
  const std::uint64_t width = to_count(to_number(c[1]));
  const std::uint64_t count = to_count(to_number(c[2]));
  // The length must equal width * count, computed without wrapping.
  if (width == 0) {
    // Zero-width chunks are empty and never read as a number.
    if (!text.empty() || count != 0) return Value();
    return Value::array();
  }
  if (count > text.size() / width || count * width != text.size()) return Value();
  // Here count <= text.size(): every chunk lies inside the text.
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t k = static_cast<std::size_t>(count);
  if (count >= kMaxValueNodes) {
    // The array could not be charged: check the chunks without building it,
    // so that a bad chunk still gives null.
    std::uint64_t n;
    for (std::size_t i = 0; i < k; ++i)
      if (!read_hex_chunk(text.substr(i * w, w), n)) return Value();
    return rule_error(kValueSizeLimit);
  }
  Value out = Value::array(k);
  for (std::size_t i = 0; i < k; ++i) {
    std::uint64_t n;
    if (!read_hex_chunk(text.substr(i * w, w), n)) return Value();
    out.push_back(Value(n));
  }
  return out;
}

constexpr FunctionEntry kFunctions[] = {
    {"add", fn_add},
    {"sub", fn_sub},
    {"mul", fn_mul},
    {"div", fn_div},
    {"min", fn_min},
    {"max", fn_max},
    {"num", fn_num},
    {"floor", fn_floor},
    {"round_half_even", fn_round_half_even},
    {"remap", fn_remap},
    {"len", fn_len},
    {"bit_test", fn_bit_test},
    {"flag", fn_flag},
    {"range", fn_range},
    {"hex", fn_hex},
    {"hex_ints", fn_hex_ints},
};

}  // namespace

std::span<const FunctionEntry> number_functions() { return kFunctions; }

}  // namespace kovi::expr
