// The evaluation context of an entity: what the rule pack's "state",
// "actions" and event expressions of a planned entity see.
//
// Variables, oldest first: "rules" (the rule pack), "entity" (the pack's
// entity definition for the plan's platform, null when it has none),
// "status" (decoded DP values keyed by DP code), "key", "identity",
// "config", "roles" (role name -> role summary) and "values" (role name ->
// the role's decoded value in the status). The functions table is the
// pack's "functions".
//
// The pack, the entity definition, the status and the plan's identity and
// config are bound by reference, never copied: all of them, and the plan,
// must outlive the context. Only the key, the summaries and the decoded
// values are the context's own.
#pragma once

#include "expr/rule_context.h"
#include "json/value.h"
#include "plan/plan.h"

namespace kovi::entity {

// The rule pack's entity definition for the plan's platform, or nullptr.
const json::Value* entity_of(const plan::Plan& plan, const json::Value& rules) noexcept;

// A fresh context with the plan's bindings; callers push further variables
// on top. `rules` is the rule pack document.
class PlanEnv : public expr::RuleContext {
 public:
  PlanEnv(const plan::Plan& plan, const json::Value& status, const json::Value& rules);
};

}  // namespace kovi::entity
