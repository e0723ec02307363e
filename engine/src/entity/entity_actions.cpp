#include "entity/entity_actions.h"

#include <string>

#include "entity/entity_state.h"
#include "entity/plan_env.h"
#include "expr/conversions.h"
#include "expr/evaluate.h"
#include "json/writer.h"
#include "plan/resolve_use.h"

namespace kovi::entity {

using expr::Eval;
using expr::RuleContext;
using expr::Step;
using expr::StepResult;
using json::Value;

namespace {

constexpr const char* kNoWritePath = "no write path";

Value write_request(Value code, Value value) {
  Value out = Value::object(2);
  out.append("code", std::move(code));
  out.append("value", std::move(value));
  return out;
}

// Ends the run with a failure of its own kind; the runner sees only the
// message.
StepResult end_with(ActionOutputs& outputs, EngineError error) {
  expr::RuleError stop{error.message};
  outputs.failure = std::move(error);
  return stop;
}

}  // namespace

Result<Value> plan_command(const plan::Plan& plan, std::string_view role, const Value& value) {
  const data::Role* r = plan.role(role);
  if (r == nullptr) return unsupported_error(std::string(role) + " not available");
  auto encoded = data::encode(*r, value);
  if (!encoded.ok()) return refused_error(std::string(encoded.error().message));
  return write_request(Value(r->code), std::move(encoded).value());
}

StepResult ActionStatements::execute(const Value& statement, RuleContext& ctx, ActionOutputs& outputs) {
  if (const Value* command = statement.find("command")) {
    Eval role = expr::evaluate_member(ctx, *command, "role");
    if (!role) return std::move(role).error();
    Eval value = expr::evaluate_member(ctx, *command, "value");
    if (!value) return std::move(value).error();
    Result<Value> write = plan_command(plan_, expr::name_text(role.value()), value.value());
    if (!write.ok()) return end_with(outputs, std::move(write).error());
    outputs.writes.push_back(std::move(write).value());
    return Step::Continue;
  }
  if (const Value* send = statement.find("send")) {
    Eval code = expr::evaluate_member(ctx, *send, "code");
    if (!code) return std::move(code).error();
    Eval value = expr::evaluate_member(ctx, *send, "value");
    if (!value) return std::move(value).error();
    outputs.writes.push_back(write_request(std::move(code).value(), std::move(value).value()));
    return Step::Continue;
  }
  if (const Value* fail = statement.find("fail")) {
    Eval message = expr::evaluate(ctx, *fail);
    if (!message) return std::move(message).error();
    return end_with(outputs, refused_error(expr::to_text(message.value())));
  }
  return end_with(outputs, invalid_error("unknown action statement " + json::to_json(statement)));
}

Result<std::vector<Value>> run_action(const plan::Plan& plan, std::string_view name, const Value& args,
                                      const Value& status, const Value& rules) {
  const Value* entity = entity_of(plan, rules);
  if (entity == nullptr) return unsupported_error(kNoWritePath);
  const Value& actions = plan::resolve_use(rules, entity->get("actions"));
  const Value* program = actions.find(name);
  if (program == nullptr) program = actions.find("*");
  if (program == nullptr) return unsupported_error(kNoWritePath);

  expr::Eval state = read_state(plan, status, rules, 0.0);
  if (!state) return invalid_error(std::move(state).error().message);

  PlanEnv ctx(plan, status, rules);
  ctx.bind("action", Value(name));
  ctx.bind_ref("args", args);
  ctx.bind("state", std::move(state).value());

  ActionStatements statements(plan);
  ActionOutputs outputs;
  expr::RunResult run = expr::run_program(plan::resolve_use(rules, *program), ctx, statements, outputs);
  if (!run.ok()) {
    if (outputs.failure) return std::move(*outputs.failure);
    return invalid_error(std::move(run).error().message);
  }
  return std::move(outputs.writes);
}

}  // namespace kovi::entity
