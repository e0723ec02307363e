// UTF-8 validation of text that crosses the host boundary.
#pragma once

#include <string_view>

namespace kovi::json {

// True when `text` is well-formed UTF-8: no overlong forms, no surrogate
// code points, nothing above U+10FFFF, no truncated sequence.
bool valid_utf8(std::string_view text) noexcept;

}  // namespace kovi::json
