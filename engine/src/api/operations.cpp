#include "api/operations.h"

#include "api/adapter_operations.h"
#include "api/entity_operations.h"
#include "api/quirk_operations.h"
#include "api/registry.h"
#include "rules/rule_layering.h"

namespace kovi {

namespace {

// Operations whose subsystems are not part of the engine yet.
Result<json::Value> not_available(const Request&) { return invalid_error("operation not available"); }

constexpr Operation kOperations[] = {
    {"merge_rules", Group::Plain, op_merge_rules},
    {"install_rules", Group::Plain, op_install_rules},
    {"remove_rules", Group::Plain, op_remove_rules},
    {"carry", Group::Plain, not_available},
    {"settings", Group::Plain, not_available},
    {"merge", Group::Plain, op_merge},
    {"status_quirk", Group::Plain, op_status_quirk},
    {"check", Group::Plain, not_available},
    {"adapter_write", Group::Plain, op_adapter_write},
    {"strategy_write", Group::Plain, op_strategy_write},
    {"create", Group::Ruled, not_available},
    {"handle", Group::Ruled, not_available},
    {"on_update", Group::Ruled, op_on_update},
    {"unused", Group::Ruled, not_available},
    {"quirk_schema", Group::Ruled, op_quirk_schema},
    {"device_info", Group::Ruled, op_device_info},
    {"classify", Group::Ruled, not_available},
    {"read", Group::Ruled, op_read},
    {"write", Group::Ruled, op_write},
    {"adapter_create", Group::Ruled, op_adapter_create},
    {"adapter_read", Group::Ruled, op_adapter_read},
    {"strategy_read", Group::Ruled, op_strategy_read},
};

}  // namespace

std::span<const Operation> operations() { return kOperations; }

const Operation* find_operation(std::string_view name) {
  for (const Operation& op : kOperations)
    if (op.name == name) return &op;
  return nullptr;
}

}  // namespace kovi
