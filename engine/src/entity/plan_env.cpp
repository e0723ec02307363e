#include "entity/plan_env.h"

#include "data/role.h"

namespace kovi::entity {

using json::Value;

const Value* entity_of(const plan::Plan& plan, const Value& rules) noexcept {
  return rules.get("entities").find(plan.platform);
}

PlanEnv::PlanEnv(const plan::Plan& plan, const Value& status, const Value& rules)
    : expr::RuleContext(&rules.get("functions")) {
  const Value* entity = entity_of(plan, rules);
  Value roles = Value::object(plan.roles.size());
  Value values = Value::object(plan.roles.size());
  for (const plan::PlanRole& r : plan.roles) {
    roles.set(r.name, data::summary(r.role));
    values.set(r.name, data::decode(r.role, status));
  }
  bind_ref("rules", rules);
  bind_ref("entity", entity ? *entity : json::null_value());
  bind_ref("status", status);
  bind("key", Value(plan.key));
  bind_ref("identity", plan.identity);
  bind_ref("config", plan.config);
  bind("roles", std::move(roles));
  bind("values", std::move(values));
}

}  // namespace kovi::entity
