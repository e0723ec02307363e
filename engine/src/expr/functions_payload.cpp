// Library functions: energy meter electricity payloads, given as base64 or
// hexadecimal text, decoded as the value adapter decodes them.
#include <string>

#include "adapter/electricity.h"
#include "adapter/payload_text.h"
#include "expr/conversions.h"
#include "expr/functions.h"
#include "platform/hex.h"

namespace kovi::expr {

namespace {

constexpr bool ascii_white_space(char ch) noexcept { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }

Value electricity_value(std::string_view bytes) {
  std::optional<Value> fields = adapter::electricity_fields(bytes);
  return fields ? std::move(*fields) : Value();
}

Eval fn_electricity_b64(const CallArgs& c) {
  const std::optional<std::string> bytes = adapter::base64_text_bytes(text_of(c[0]));
  if (!bytes) return Value();
  return electricity_value(*bytes);
}

// Hexadecimal pairs, white space ignored; null for an odd digit count or
// any other character.
Eval fn_electricity_hex(const CallArgs& c) {
  const std::string_view text = text_of(c[0]);
  std::string bytes;
  bytes.reserve(text.size() / 2);
  int high = -1;
  for (char ch : text) {
    if (ascii_white_space(ch)) continue;
    const int d = hex_digit(ch);
    if (d < 0) return Value();
    if (high < 0) {
      high = d;
    } else {
      bytes.push_back(static_cast<char>(high * 16 + d));
      high = -1;
    }
  }
  if (high >= 0) return Value();
  return electricity_value(bytes);
}

constexpr FunctionEntry kFunctions[] = {
    {"electricity_b64", fn_electricity_b64},
    {"electricity_hex", fn_electricity_hex},
};

}  // namespace

std::span<const FunctionEntry> payload_functions() { return kFunctions; }

}  // namespace kovi::expr
