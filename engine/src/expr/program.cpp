#include "expr/program.h"

#include "expr/conversions.h"
#include "expr/evaluate.h"

namespace kovi::expr {

Eval evaluate_member(RuleContext& ctx, const Value& statement, std::string_view key) {
  const Value* expr = statement.find(key);
  if (expr == nullptr) return Value();
  return evaluate(ctx, *expr);
}

namespace detail {

namespace {

// A nested program's end is this statement's end: a failure or a stop ends
// the enclosing run too.
bool ends_run(const RunResult& r) noexcept { return !r.ok() || r.value() == RunEnd::Stopped; }

// "$use": runs the named template of the newest rule pack binding.
RunResult run_template(const Value& use, RuleContext& ctx, BoundStatements& set,
                       std::uint32_t& instructions, std::uint32_t level) {
  const Binding* rules = ctx.find_binding("rules");
  if (rules == nullptr) return rule_error(kTemplatesNeedRules);
  const Value& chosen = rules->value().get("templates").get(name_text(use));
  // A reference binding's value is kept alive by the caller and is never
  // written through (assigning to the binding gives it its own value), so
  // the template can run in place. A value the binding owns could be
  // replaced by a "let rules" inside the template while it runs: run a copy
  // of the template alone.
  if (rules->ref != nullptr) return run_program(chosen, ctx, set, instructions, level + 1);
  const Value copy = chosen;
  return run_program(copy, ctx, set, instructions, level + 1);
}

// "let": assigns to the newest binding of the name, or pushes one. The
// binding outlives the program on purpose.
RuleStatus run_let(const Value& statement, const Value& name_member, RuleContext& ctx) {
  std::string_view name = name_text(name_member);
  Eval v = evaluate_member(ctx, statement, "value");
  if (!v) return std::move(v).error();
  if (Binding* b = ctx.find_binding(name)) {
    b->owned = std::move(v).value();
    b->ref = nullptr;
  } else {
    ctx.bind(name, std::move(v).value());
  }
  return rule_ok();
}

}  // namespace

RunResult run_program(const Value& program, RuleContext& ctx, BoundStatements& set, std::uint32_t& instructions,
                      std::uint32_t level) {
  if (level >= kMaxProgramLevel) return rule_error(kNestingLimit);
  if (program.is_null()) return RunEnd::Completed;
  if (!program.is_array()) return rule_error(kNotAProgram);

  for (const Value& statement : program.items()) {
    if (instructions == 0) return rule_error(kInstructionLimit);
    --instructions;

    if (const Value* condition = statement.find("if")) {
      Eval c = evaluate(ctx, *condition);
      if (!c) return std::move(c).error();
      const Value& branch = statement.get(truthy(c.value()) ? "then" : "else");
      RunResult r = run_program(branch, ctx, set, instructions, level + 1);
      if (ends_run(r)) return r;
      continue;
    }
    if (const Value* use = statement.find("$use")) {
      RunResult r = run_template(*use, ctx, set, instructions, level);
      if (ends_run(r)) return r;
      continue;
    }
    if (const Value* name = statement.find("let")) {
      RuleStatus s = run_let(statement, *name, ctx);
      if (!s) return std::move(s).error();
      continue;
    }
    StepResult s = set.execute(statement, ctx);
    if (!s) return std::move(s).error();
    if (s.value() == Step::Stop) return RunEnd::Stopped;
  }
  return RunEnd::Completed;
}

}  // namespace detail

}  // namespace kovi::expr
