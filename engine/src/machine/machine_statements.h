// The statements of machine programs (declarative converters): "set"
// assigns into the machine's state, "emit" publishes a property value,
// "timer" arms or cancels a timer, "send" queues a data point write.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "expr/program.h"

namespace kovi::machine {

using json::Value;

inline constexpr const char* kUnknownStatement = "unknown rule statement";
inline constexpr const char* kStateOnly = "rules can assign only state slots";
inline constexpr const char* kBadTimerDelay = "timer delay must be a finite nonnegative number or null";
inline constexpr const char* kNoState = "no state";

struct Emitted {
  std::string name;
  Value value;
};

struct TimerRequest {
  std::string name;
  std::optional<double> delay;  // none cancels the timer
};

// What one machine run produces. A name emitted or timed again replaces its
// earlier value and keeps its first position.
struct MachineOutputs {
  std::vector<Emitted> emits;
  std::vector<TimerRequest> timers;
  std::vector<Value> sends;  // {"code": ..., "value": ...}, in statement order

  void emit(std::string_view name, Value value);
  void timer(std::string_view name, std::optional<double> delay);
  void send(Value code, Value value);
};

// One machine statement; never answers Stop.
expr::StepResult machine_statement(const Value& statement, expr::RuleContext& ctx, MachineOutputs& outputs);

// The machine statement set for the program runner. It holds nothing, so
// one instance serves every run.
class MachineStatements final : public expr::StatementSet<MachineOutputs> {
 public:
  expr::StepResult execute(const Value& statement, expr::RuleContext& ctx, MachineOutputs& outputs) override {
    return machine_statement(statement, ctx, outputs);
  }
};

}  // namespace kovi::machine
