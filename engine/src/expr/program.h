// Running rule programs.
//
// A program is a JSON array of statements (or null, the empty program) run
// in order against one RuleContext. The runner itself handles the generic
// statements "if", "$use" and "let"; every other statement goes to the
// statement set the caller supplies (machine statements, planning
// statements, entity actions), together with the caller's own output
// record.
//
// One run shares an instruction count between the program and every
// program nested in it ("then", "else", templates): each statement executed
// uses one, the generic ones included. Nested programs are at most 64
// levels deep.
//
// The program is read in place, never copied, and so are branches and
// templates held by reference bindings. The program must therefore stay
// unchanged while it runs: hand in a value that no binding of the context
// owns (the rule pack, a machine's config, a value of the caller's).
#pragma once

#include <cstdint>

#include "expr/rule_context.h"

namespace kovi::expr {

inline constexpr std::uint32_t kProgramInstructions = 10'000;  // per run
inline constexpr std::uint32_t kMaxProgramLevel = 64;

inline constexpr const char* kInstructionLimit = "rule instruction limit exceeded";
inline constexpr const char* kNotAProgram = "rule program must be an array";
inline constexpr const char* kTemplatesNeedRules = "templates need a rule pack";

// What a statement set answers for one statement.
enum class Step : std::uint8_t { Continue, Stop };
using StepResult = Result<Step, RuleError>;

// How a run ended when it did not fail.
enum class RunEnd : std::uint8_t { Completed, Stopped };
using RunResult = Result<RunEnd, RuleError>;

// The statements of one kind of program beyond the generic ones. `Outputs`
// is the record the statements fill; the set itself may carry what its
// statements need to read (a device description, a rule pack).
template <typename Outputs>
class StatementSet {
 public:
  virtual StepResult execute(const Value& statement, RuleContext& ctx, Outputs& outputs) = 0;

 protected:
  ~StatementSet() = default;
};

namespace detail {

// A statement set bound to its output record, as the runner sees it.
class BoundStatements {
 public:
  virtual StepResult execute(const Value& statement, RuleContext& ctx) = 0;

 protected:
  ~BoundStatements() = default;
};

RunResult run_program(const Value& program, RuleContext& ctx, BoundStatements& set, std::uint32_t& instructions,
                      std::uint32_t level);

}  // namespace detail

// Runs `program`. `instructions` is the run's shared count (callers start
// with kProgramInstructions) and is used up in place; callers pass level 0.
// Bindings made by "let" and assignments of the statement set stay in the
// context after the run, also after a failure.
template <typename Outputs>
RunResult run_program(const Value& program, RuleContext& ctx, StatementSet<Outputs>& set, Outputs& outputs,
                      std::uint32_t& instructions, std::uint32_t level = 0) {
  struct Bound final : detail::BoundStatements {
    StatementSet<Outputs>& set;
    Outputs& outputs;
    Bound(StatementSet<Outputs>& s, Outputs& o) : set(s), outputs(o) {}
    StepResult execute(const Value& statement, RuleContext& c) override {
      return set.execute(statement, c, outputs);
    }
  } bound(set, outputs);
  return detail::run_program(program, ctx, bound, instructions, level);
}

// Runs `program` with a fresh instruction count at level 0.
template <typename Outputs>
RunResult run_program(const Value& program, RuleContext& ctx, StatementSet<Outputs>& set, Outputs& outputs) {
  std::uint32_t instructions = kProgramInstructions;
  return run_program(program, ctx, set, outputs, instructions, 0);
}

// A statement member read as text (`text_of`) for use as a name: "" for a
// non-string, always as a view with storage, so it can go to key lookups
// and comparisons that read through the pointer.
inline std::string_view name_text(const Value& v) noexcept {
  std::string_view t = v.as_string();
  return t.data() != nullptr ? t : std::string_view("");
}

// Evaluates the member `key` of a statement; null (not evaluated) when the
// statement has no such member. Shared by the statement sets.
Eval evaluate_member(RuleContext& ctx, const Value& statement, std::string_view key);

}  // namespace kovi::expr
