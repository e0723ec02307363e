// Fuzzes the rule language. The input is JSON text:
//   {"expr": E, "vars": {name: value, ...}, "functions": F}
//       evaluates E with the variables bound;
//   {"machine": CONFIG, "kind": "update"|"timer"|"write"|"reset", "input": {...}}
//       creates a machine from CONFIG and runs one of its programs;
// any other JSON value is taken as an expression. Whatever the rules do,
// the work must end within its budgets, without crashing, leaking or
// overflowing the stack, and an expression must leave the variable stack as
// it found it.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "expr/evaluate.h"
#include "json/reader.h"
#include "json/utf8.h"
#include "json/writer.h"
#include "machine/machine.h"

namespace {

using kovi::json::Value;

void run_expression(const Value& input) {
  bool framed = input.is_object() && input.find("expr") != nullptr;
  const Value& expr = framed ? input.get("expr") : input;
  const Value& functions = framed ? input.get("functions") : kovi::json::null_value();
  kovi::expr::RuleContext ctx(&functions);
  if (framed)
    for (const auto& m : input.get("vars").members()) ctx.bind_ref(m.key(), m.value);
  std::size_t height = ctx.mark();
  auto r = kovi::expr::evaluate(ctx, expr);
  (void)r;
  if (ctx.mark() != height || ctx.depth() != 0) std::abort();
}

void run_machine(const Value& input) {
  using kovi::machine::MachineProgram;
  auto machine = kovi::machine::create_machine(input.get("machine"));
  std::string_view kind = input.get("kind").as_string();
  MachineProgram program = kind == "timer"   ? MachineProgram::Timer
                           : kind == "write" ? MachineProgram::Write
                           : kind == "reset" ? MachineProgram::Reset
                                             : MachineProgram::Update;
  if (program == MachineProgram::Reset) {
    kovi::machine::reset_machine(machine);
  } else {
    auto r = kovi::machine::run_machine(machine, program, input.get("input"));
    (void)r;
  }
  // Whatever state a run left must be writable.
  std::string text;
  kovi::machine::write_machine(machine, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!kovi::json::valid_utf8(text)) return 0;
  auto doc = kovi::json::read(text);
  if (!doc.ok()) return 0;
  if (doc.value.is_object() && doc.value.find("machine") != nullptr)
    run_machine(doc.value);
  else
    run_expression(doc.value);
  return 0;
}
