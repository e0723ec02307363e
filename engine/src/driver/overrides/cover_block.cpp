#include "driver/overrides/cover_block.h"

namespace kovi::overrides {

namespace {

constexpr std::string_view kStateSources[] = {"control", "inferred", "none"};

bool valid_settle(const json::Value& v) noexcept {
  if (v.is_uint()) return true;
  // -0.0 is not below zero and passes, as a settle time of zero.
  return v.is_float() && v.as_float() >= 0;
}

}  // namespace

Check validate_cover_block(const json::Value& block, const json::Value& rule_pack, bool allow_groups) {
  if (!block.is_object()) return "cover needs object";
  const json::Value& defaults = rule_pack.get("cover_defaults");
  for (const json::Member& m : block.members()) {
    const std::string_view key = m.key();
    const json::Value& v = m.value;
    if (key == "settle") {
      if (!valid_settle(v)) return "invalid settle";
    } else if (key == "state_source") {
      if (!string_in(v, kStateSources)) return "invalid state_source";
    } else if (defaults.find(key)) {
      if (!v.is_bool()) return "cover needs bool";
    } else if (allow_groups && v.is_object()) {
      if (auto failure = validate_cover_block(v, rule_pack, false)) return failure;
    } else {
      return concat("unknown cover key ", key);
    }
  }
  return std::nullopt;
}

}  // namespace kovi::overrides
