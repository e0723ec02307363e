// The rule language's shared conversions: the one home of truthy,
// to_number, to_int, to_count, number_result, to_text, text_of, equal and
// same, and of measuring a value. Every subsystem that reads values the way
// rule programs do uses these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "json/value.h"

namespace kovi::expr {

using json::Value;

// null false; a boolean itself; a number unless 0 (NaN is true); a string,
// array or object when not empty.
bool truthy(const Value& v) noexcept;

// A number's value; a string's decimal floating-point value (sign, digits,
// fraction, exponent, or inf / infinity / nan in any case, no surrounding
// spaces), 0 when it spells none; true 1, false 0; everything else 0.
double to_number(const Value& v) noexcept;
// The decimal reading of a string alone, as to_number reads strings.
double parse_number_text(std::string_view s) noexcept;

// A float truncated toward zero, saturating at the signed 64-bit range;
// NaN gives 0.
std::int64_t to_int(double x) noexcept;
// A float truncated toward zero; negative values and NaN give 0;
// saturating at the unsigned 64-bit maximum.
std::uint64_t to_count(double x) noexcept;

// A computed float as a value: null when not finite; an integer when it has
// no fractional part and magnitude below 9.22e18; a float otherwise.
Value number_result(double x);

// The text of a value: "" for null, a string itself, integral numbers below
// 1e15 in magnitude as plain digits, other numbers as the writer writes
// them, everything else as compact JSON.
std::string to_text(const Value& v);
void append_text(const Value& v, std::string& out);

// A string's text, "" for everything else.
inline std::string_view text_of(const Value& v) noexcept { return v.as_string(); }

// Loose equality: booleans and numbers compare as floats; everything else
// (and everything inside arrays and objects) strictly.
bool equal(const Value& a, const Value& b);
// Strict equality: same type and number form, structural, member order
// ignored.
using json::same;

// A value's 64-bit pattern for bit operations: a number held as an integer
// is taken exactly (unsigned as its pattern, signed in two's complement);
// every other value as to_int(to_number(v)).
std::uint64_t int_bits(const Value& v) noexcept;

// Rounds to the nearest integer, halves to the even neighbour.
double round_half_even(double x) noexcept;

}  // namespace kovi::expr
