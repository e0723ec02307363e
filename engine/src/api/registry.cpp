#include "api/registry.h"

namespace kovi {

Result<RulePackRef> lookup_rules(std::string_view) {
  // Installing packs is not part of the engine yet: the registry is empty.
  return rules_error("rules are required or rules_id is not registered");
}

}  // namespace kovi
