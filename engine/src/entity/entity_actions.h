// Entity actions: a host request on an entity ("turn_on", "set_position",
// ...) becomes DP writes through the rule pack's "actions" program for the
// action's name (or its "*" program for every other name).
//
// Failures keep their kind for the host: "no write path" and "{role} not
// available" are Unsupported, a value the DP cannot take and a "fail"
// statement are Refused, everything the rule language reports is Invalid.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "api/engine_error.h"
#include "expr/program.h"
#include "json/value.h"
#include "plan/plan.h"

namespace kovi::entity {

// What an action program produces: DP write requests {"code", "value"} in
// statement order, and the failure that ended the run when it carries a
// kind of its own (Unsupported, Refused).
struct ActionOutputs {
  std::vector<json::Value> writes;
  std::optional<EngineError> failure;
};

// The action statements beyond the runner's own:
//   {"command": {"role": expr, "value": expr}}  writes a host value to the
//                                               plan's role (encoded)
//   {"send": {"code": expr, "value": expr}}     writes a raw value as is
//   {"fail": expr}                              refuses the action
// Anything else is "unknown action statement {statement}".
class ActionStatements final : public expr::StatementSet<ActionOutputs> {
 public:
  explicit ActionStatements(const plan::Plan& plan) noexcept : plan_(plan) {}
  expr::StepResult execute(const json::Value& statement, expr::RuleContext& ctx, ActionOutputs& outputs) override;

 private:
  const plan::Plan& plan_;
};

// The DP write for a host value on one of the plan's roles: {"code": the
// role's DP code, "value": the encoded value}. A role the plan lacks is
// Unsupported "{name} not available"; a value the role cannot encode is
// Refused with the encoding message.
Result<json::Value> plan_command(const plan::Plan& plan, std::string_view role, const json::Value& value);

// Runs the action `name` with `args`: the entity's state (total 0) is
// computed first and bound as "state", with "action" and "args", on top of
// the plan's context. Returns the DP writes, or the first failure (nothing
// partial). `rules` is the rule pack document.
Result<std::vector<json::Value>> run_action(const plan::Plan& plan, std::string_view name, const json::Value& args,
                                            const json::Value& status, const json::Value& rules);

}  // namespace kovi::entity
