#include "entity/entity_state.h"

#include <algorithm>

#include "entity/plan_env.h"
#include "expr/conversions.h"
#include "expr/evaluate.h"
#include "plan/resolve_use.h"

namespace kovi::entity {

using json::Value;

expr::Eval read_state(const plan::Plan& plan, const Value& status, const Value& rules, double total) {
  const Value* entity = entity_of(plan, rules);
  if (entity == nullptr) return Value::object();
  const Value& state = plan::resolve_use(rules, entity->get("state"));

  PlanEnv ctx(plan, status, rules);
  ctx.bind("total", Value(total));
  for (const json::Member& m : state.get("bind").members()) {
    expr::Eval v = expr::evaluate(ctx, m.value);
    if (!v) return std::move(v).error();
    ctx.bind(m.key(), std::move(v).value());
  }
  const Value& fields = state.get("fields");
  Value out = Value::object(fields.size());
  // Field names are the keys of one object, so each is new.
  for (const json::Member& m : fields.members()) {
    expr::Eval v = expr::evaluate(ctx, m.value);
    if (!v) return std::move(v).error();
    out.append(m.key(), std::move(v).value());
  }
  return out;
}

namespace {

template <typename Code>
EventResult event_in(const plan::Plan& plan, const Value& status, std::span<const Code> changed,
                     const Value& rules) {
  if (plan.depends_on.empty()) return std::optional<Value>();
  const std::string& first = plan.depends_on.front();
  if (std::find(changed.begin(), changed.end(), first) == changed.end()) return std::optional<Value>();
  expr::Eval state = read_state(plan, status, rules, 0.0);
  if (!state) return std::move(state).error();
  Value* event = state->find("event");
  if (event == nullptr || !expr::truthy(*event)) return std::optional<Value>();
  return std::optional<Value>(std::move(*event));
}

}  // namespace

EventResult event_of(const plan::Plan& plan, const Value& status, std::span<const std::string_view> changed,
                     const Value& rules) {
  return event_in(plan, status, changed, rules);
}

EventResult event_of(const plan::Plan& plan, const Value& status, std::span<const std::string> changed,
                     const Value& rules) {
  return event_in(plan, status, changed, rules);
}

}  // namespace kovi::entity
