#include "driver/overrides/validate_overrides.h"

namespace kovi::overrides {

std::optional<std::string> validate_overrides(const json::Value& document, const json::Value& rule_pack) {
  if (!document.is_object()) return "overrides must be object";
  for (const json::Member& m : document.members()) {
    if (!m.value.is_object()) return concat(m.key(), ": override block must be object");
    if (auto failure = validate_override_block(m.value, rule_pack, false)) return concat(m.key(), ": ", *failure);
  }
  return std::nullopt;
}

}  // namespace kovi::overrides
