#include "rules/rule_pack_check.h"

#include "driver/overrides/validate_overrides.h"
#include "rules/rule_schema.h"
#include "rules/schema_validator.h"

namespace kovi::rules {

Status check_pack_overrides(const json::Value& document) {
  const json::Value* overrides = document.find("overrides");
  if (overrides == nullptr) return done();
  if (auto failure = overrides::validate_overrides(*overrides, document)) return rules_error("override: " + *failure);
  return done();
}

Status check_rule_pack(const json::Value& document) {
  const json::Value& version = document.get("version");
  if (!version.is_uint() || version.as_uint() != 1) return rules_error("unsupported rule version");
  auto schema = rule_pack_schema();
  if (!schema.ok()) return std::move(schema).error();
  if (auto failure = validate_schema(document, **schema, **schema)) return rules_error(std::move(*failure));
  return check_pack_overrides(document);
}

}  // namespace kovi::rules
