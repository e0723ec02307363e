// The program runner and the machine statement set.
//
// Cases in tests/rules/programs.jsonl, one per line:
//   {"program": P, "vars": {...}, "refs": {...}, then expectations}
// "vars" are bound as copies, then "refs" by reference (so a name in both
// is newest in "refs"). Expectations: "error" (the failure message) or
// "end" ("completed", the default, or "stopped"); "emits", "timers"
// (name -> delay or null) and "sends" (each empty when absent), compared
// as compact JSON text; "after" (name -> value of the newest binding),
// "unbound" (names without a binding) and "height" (bindings at the end).
// The statements run through the machine set; a statement with a member
// "stop" answers stop, to exercise how the runner ends on it.
// Every case also checks that values bound by reference are left unchanged.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "expr/program.h"
#include "json/reader.h"
#include "json/writer.h"
#include "machine/machine_statements.h"
#include "machine_outputs_json.h"
#include "test_json.h"

namespace {

using kovi::expr::RuleContext;
using kovi::expr::RunEnd;
using kovi::expr::RunResult;
using kovi::expr::Step;
using kovi::expr::StepResult;
using kovi::json::Value;
using kovi::machine::MachineOutputs;

Value parse(std::string_view text) { return kovi_test::J(text); }

std::string text(const Value& v) { return kovi::json::to_json(v); }

class StoppingStatements final : public kovi::expr::StatementSet<MachineOutputs> {
 public:
  StepResult execute(const Value& statement, RuleContext& ctx, MachineOutputs& out) override {
    if (statement.find("stop")) return Step::Stop;
    return kovi::machine::machine_statement(statement, ctx, out);
  }
};

using kovi_test::expected_outputs;
using kovi_test::outputs_value;

void run_case(const Value& c, const std::string& where) {
  RuleContext ctx;
  for (const auto& m : c.get("vars").members()) ctx.bind(m.key(), m.value);
  for (const auto& m : c.get("refs").members()) ctx.bind_ref(m.key(), m.value);
  const Value refs_before = c.get("refs");

  StoppingStatements set;
  MachineOutputs out;
  RunResult r = kovi::expr::run_program(c.get("program"), ctx, set, out);

  if (const Value* err = c.find("error")) {
    ASSERT_FALSE(r.ok()) << where;
    EXPECT_EQ(r.error().message, err->as_string()) << where;
  } else {
    ASSERT_TRUE(r.ok()) << where << "\n  failed: " << r.error().message;
    std::string_view end = c.find("end") ? c.get("end").as_string() : "completed";
    EXPECT_EQ(r.value() == RunEnd::Stopped ? "stopped" : "completed", end) << where;
  }
  EXPECT_EQ(text(outputs_value(out)), text(expected_outputs(c))) << where;
  for (const auto& m : c.get("after").members()) {
    const Value* v = ctx.lookup_variable(m.key());
    ASSERT_NE(v, nullptr) << where << "\n  no binding " << m.key();
    EXPECT_EQ(text(*v), text(m.value)) << where << "\n  binding " << m.key();
  }
  for (const Value& name : c.get("unbound").items())
    EXPECT_EQ(ctx.lookup_variable(name.as_string()), nullptr) << where << "\n  bound " << name.as_string();
  if (const Value* h = c.find("height")) {
    EXPECT_EQ(ctx.mark(), h->as_uint()) << where;
  }
  EXPECT_TRUE(kovi::json::same(c.get("refs"), refs_before)) << where << "\n  a referenced value changed";
  EXPECT_EQ(ctx.depth(), 0u) << where;
}

TEST(ProgramCases, RunAsRecorded) {
  std::ifstream in(std::string(KOVI_RULE_CASES_DIR) + "/programs.jsonl");
  ASSERT_TRUE(in) << "programs.jsonl missing";
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    Value c = parse(line);
    if (!c.find("program")) continue;
    run_case(c, "programs.jsonl:" + std::to_string(n) + ": " + line);
  }
}

// [S, S, ..., S] with `n` copies of the statement.
Value repeated(const Value& statement, std::size_t n) {
  Value p = Value::array(n);
  for (std::size_t i = 0; i < n; ++i) p.push_back(statement);
  return p;
}

// `inner` wrapped in `levels` programs of the form [{"if":true,"then":P}].
Value nested(Value inner, std::size_t levels) {
  for (std::size_t i = 0; i < levels; ++i) {
    Value s = Value::object();
    s.set("if", true);
    s.set("then", std::move(inner));
    inner = Value::array();
    inner.push_back(std::move(s));
  }
  return inner;
}

struct Limited {
  Value program;
  std::uint32_t instructions_left;  // when it completes
  const char* error;                // nullptr when it completes
};

TEST(ProgramLimits, InstructionsAndLevels) {
  const Value emit = parse(R"({"emit":"p","value":1})");
  // 100 "if" statements, each running 99 statements: 10,000 in all.
  Value spread = repeated(parse(R"({"if":true})"), 100);
  for (Value& s : spread.items()) s.set("then", repeated(emit, 99));
  Value spread_over = spread;
  spread_over.push_back(emit);

  const Limited cases[] = {
      {Value(), 10'000, nullptr},
      {Value::array(), 10'000, nullptr},
      {repeated(emit, 3), 9'997, nullptr},
      {repeated(emit, 10'000), 0, nullptr},
      {repeated(emit, 10'001), 0, "rule instruction limit exceeded"},
      {spread, 0, nullptr},
      {spread_over, 0, "rule instruction limit exceeded"},
      // The caller's program is level 0: 63 nested programs fit, 64 do not.
      {nested(repeated(emit, 1), 63), 10'000 - 64, nullptr},
      {nested(repeated(emit, 1), 64), 0, "rule nesting limit exceeded"},
      {nested(Value(), 64), 0, "rule nesting limit exceeded"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Limited& c = cases[i];
    RuleContext ctx;
    StoppingStatements set;
    MachineOutputs out;
    std::uint32_t instructions = kovi::expr::kProgramInstructions;
    RunResult r = kovi::expr::run_program(c.program, ctx, set, out, instructions, 0);
    if (c.error) {
      ASSERT_FALSE(r.ok()) << "case " << i;
      EXPECT_EQ(r.error().message, c.error) << "case " << i;
    } else {
      ASSERT_TRUE(r.ok()) << "case " << i << ": " << r.error().message;
      EXPECT_EQ(instructions, c.instructions_left) << "case " << i;
    }
  }
}

TEST(ProgramLimits, RunAtLevelAndCountGiven) {
  const Value program = parse(R"([{"emit":"p","value":1},{"emit":"q","value":2}])");
  RuleContext ctx;
  StoppingStatements set;
  MachineOutputs out;
  std::uint32_t instructions = 1;
  RunResult r = kovi::expr::run_program(program, ctx, set, out, instructions, 0);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message, "rule instruction limit exceeded");
  EXPECT_EQ(out.emits.size(), 1u);

  instructions = 10;
  r = kovi::expr::run_program(program, ctx, set, out, instructions, 64);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message, "rule nesting limit exceeded");
  EXPECT_EQ(instructions, 10u);
}

TEST(ProgramStatements, SetWithAVeryLongPath) {
  const std::size_t segments = 500'000;
  std::string path = "state";
  for (std::size_t i = 1; i < segments; ++i) path += ".a";
  Value program = Value::array();
  Value s = Value::object();
  s.set("set", Value(path));
  s.set("value", 1);
  program.push_back(std::move(s));

  RuleContext ctx;
  ctx.bind("state", Value::object());
  StoppingStatements set;
  MachineOutputs out;
  RunResult r = kovi::expr::run_program(program, ctx, set, out);
  ASSERT_TRUE(r.ok()) << r.error().message;

  const Value* v = ctx.lookup_variable("state");
  std::size_t depth = 0;
  while (v->is_object()) {
    ASSERT_EQ(v->size(), 1u);
    v = v->find("a");
    ASSERT_NE(v, nullptr);
    ++depth;
  }
  EXPECT_EQ(depth, segments - 1);
  EXPECT_EQ(text(*v), "1");
}

}  // namespace
