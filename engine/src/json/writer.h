// Writing values as compact JSON text.
//
// No white space between tokens; members in insertion order; strings as
// UTF-8 with only '"', '\\' and control characters escaped (\b \f \n \r \t,
// the rest as \u00xx); integers as decimal digits; floats in the shortest
// form that reads back, positional for decimal exponents in [-5, 16) with a
// fraction always shown, mantissa and exponent otherwise; non-finite floats
// as null. Nesting depth is unbounded: the writer does not recurse.
#pragma once

#include <string>

#include "json/value.h"

namespace kovi::json {

// Appends the text of `v` to `out`.
void write(const Value& v, std::string& out);
// The text of `v`.
std::string to_json(const Value& v);

// Appends a float / a string literal the way the writer writes them.
void write_float(double d, std::string& out);
void write_string(std::string_view s, std::string& out);

}  // namespace kovi::json
