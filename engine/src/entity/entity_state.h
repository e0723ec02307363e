// An entity's current state, computed by the rule pack's "state" section
// from the decoded DP values, and the event an event entity reports.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "expr/rule_error.h"
#include "json/value.h"
#include "plan/plan.h"

namespace kovi::entity {

// The state object of the plan's entity: in the plan's context, with
// "total" (the delta counter, as a float) on top, each member of "state"
// "bind" is evaluated and bound under its name, visible to the later bind
// members and to every field; then each member of "state" "fields" is
// evaluated into the result, in order. An entity without a definition, or
// without such sections, has the state {}. `rules` is the rule pack
// document; the first failing expression ends it with its message.
expr::Eval read_state(const plan::Plan& plan, const json::Value& status, const json::Value& rules, double total);

// The event of an event entity for a status change: none unless the plan's
// first dependency is among the changed codes; then the state's "event"
// member when it is truthy, otherwise none. A failing state is a failure.
using EventResult = Result<std::optional<json::Value>, expr::RuleError>;
EventResult event_of(const plan::Plan& plan, const json::Value& status, std::span<const std::string_view> changed,
                     const json::Value& rules);
EventResult event_of(const plan::Plan& plan, const json::Value& status, std::span<const std::string> changed,
                     const json::Value& rules);

}  // namespace kovi::entity
