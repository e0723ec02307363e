// Small helpers shared by the override and converter checks: every check
// answers nothing (valid) or the first failure's message, and walks the
// document by reference without copying it.
#pragma once

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "json/value.h"

namespace kovi::overrides {

// nullopt when valid, otherwise the first failure's message.
using Check = std::optional<std::string>;

inline bool one_of(std::string_view s, std::span<const std::string_view> names) noexcept {
  return std::find(names.begin(), names.end(), s) != names.end();
}

// The string `v` when it is one of `names`.
inline bool string_in(const json::Value& v, std::span<const std::string_view> names) noexcept {
  return v.is_string() && one_of(v.as_string(), names);
}

inline bool string_or_null(const json::Value& v) noexcept { return v.is_string() || v.is_null(); }

inline std::string concat(std::string_view a, std::string_view b, std::string_view c = {}) {
  std::string s;
  s.reserve(a.size() + b.size() + c.size());
  s.append(a).append(b).append(c);
  return s;
}

// "unknown key {}" for the first member of `object` (in its order) whose
// name is not in `allowed`.
inline Check unknown_key(const json::Value& object, std::span<const std::string_view> allowed) {
  for (const json::Member& m : object.members())
    if (!one_of(m.key(), allowed)) return concat("unknown key ", m.key());
  return std::nullopt;
}

}  // namespace kovi::overrides
