// Hexadecimal digits, as payloads and colour texts write them.
#pragma once

namespace kovi {

// The value of a hexadecimal digit (either case), or -1.
constexpr int hex_digit(char ch) noexcept {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// Lowercase digits by value.
inline constexpr char kHexDigits[] = "0123456789abcdef";

}  // namespace kovi
