// Reading JSON text into values.
//
// The text must be one value with optional white space around it, nested at
// most 128 levels. Integers without fraction or exponent are held unsigned
// (non-negative) or signed (negative) when they fit; every other number is
// a float. A key that occurs twice keeps its first position and its last
// value. Errors carry a reason and the position where it was found, as
// "{reason} at line {line} column {column}", the column counting the bytes
// consumed on that line, the revealing byte included.
//
// The input must already be valid UTF-8 (see utf8.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "json/value.h"

namespace kovi::json {

inline constexpr int kMaxReadDepth = 128;

struct ReadResult {
  Value value;
  std::string error;  // empty on success
  bool ok() const noexcept { return error.empty(); }
};

ReadResult read(std::string_view text);

}  // namespace kovi::json
