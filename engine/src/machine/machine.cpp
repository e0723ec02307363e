#include "machine/machine.h"

#include <cmath>

#include "expr/conversions.h"
#include "json/record.h"
#include "json/writer.h"

namespace kovi::machine {

namespace {

constexpr std::string_view kRecordName = "struct Machine";
constexpr std::string_view kFieldNames[] = {"config", "state"};

// Integers at or beyond this magnitude are published as floats.
constexpr std::uint64_t kIntegerBound = 9'220'000'000'000'000'000ULL;

Value initial_state(const Value& config) {
  if (const Value* s = config.find("initial_state")) return *s;
  return Value::object();
}

const Value& program_of(const Value& config, MachineProgram kind, const Value& input) {
  switch (kind) {
    case MachineProgram::Update: return config.get("update");
    case MachineProgram::Timer: return config.get("timer");
    case MachineProgram::Write: return config.get("write").get(expr::name_text(input.get("prop")));
    case MachineProgram::Reset: return config.get("reset");
  }
  return json::null_value();
}

// True when some node of `v` lies more than `levels` levels deep (`v`
// itself is level 1). Recursion stops at the bound.
bool nested_deeper_than(const Value& v, std::uint32_t levels) {
  if (levels == 0) return true;
  if (v.is_array()) {
    for (const Value& e : v.items())
      if (nested_deeper_than(e, levels - 1)) return true;
  } else if (v.is_object()) {
    for (const auto& m : v.members())
      if (nested_deeper_than(m.value, levels - 1)) return true;
  }
  return false;
}

bool among_options(const Value& declaration, const Value& v) {
  for (const Value& option : declaration.get("options").items())
    if (json::same(option, v)) return true;
  return false;
}

// A select value outside the options becomes null; numbers take the form
// hosts read: integral values below 9.22e18 in magnitude as integers,
// other finite values as floats, non-finite values as null. Integers are
// checked in their own form so that large ones keep every digit.
Value normalise(const Value& declaration, Value v) {
  if (!v.is_null() && declaration.get("type").as_string() == "select" && !among_options(declaration, v))
    return Value();
  switch (v.type()) {
    case json::Type::Uint:
      if (v.as_uint() >= kIntegerBound) return Value(static_cast<double>(v.as_uint()));
      return v;
    case json::Type::Int:
      if (v.as_int() <= -static_cast<std::int64_t>(kIntegerBound)) return Value(static_cast<double>(v.as_int()));
      return v;
    case json::Type::Float: return expr::number_result(v.as_float());
    default: return v;
  }
}

bool fits(const Value& declaration, const Value& v) {
  std::string_view type = declaration.get("type").as_string();
  if (type == "text") return v.is_string();
  if (type == "binary") return v.is_bool();
  if (type == "number") return v.is_number();
  if (type == "select") return among_options(declaration, v);
  return false;
}

expr::RuleStatus check_emits(const Value& config, MachineOutputs& outputs) {
  const Value& props = config.get("props");
  for (Emitted& e : outputs.emits) {
    const Value* declaration = props.find(e.name);
    if (declaration == nullptr) return expr::rule_error(kUndeclaredProperty + e.name);
    e.value = normalise(*declaration, std::move(e.value));
    if (!e.value.is_null() && !fits(*declaration, e.value)) return expr::rule_error(kValueDoesNotFit + e.name);
  }
  return expr::rule_ok();
}

}  // namespace

Machine create_machine(std::shared_ptr<const Value> config) {
  Machine m;
  m.config = std::move(config);
  m.state = initial_state(m.config_value());
  return m;
}

Machine create_machine(Value config) { return create_machine(std::make_shared<const Value>(std::move(config))); }

MachineRunResult run_machine(Machine& machine, MachineProgram kind, const Value& input) {
  const Value& config = machine.config_value();
  const Value& program = program_of(config, kind, input);

  // The input, the config and the state are all alive for the whole run,
  // so they are bound by reference; the first assignment to the state
  // gives the binding its own copy.
  expr::RuleContext ctx(nullptr);
  for (const auto& m : input.members()) ctx.bind_ref(m.key(), m.value);
  ctx.bind_ref("config", config);
  ctx.bind_ref("state", machine.state);

  MachineStatements statements;
  MachineOutputs outputs;
  expr::RunResult run = expr::run_program(program, ctx, statements, outputs);
  if (!run) return std::move(run).error();

  // The newest "state" binding is the machine's own: a "let state" assigns
  // to it rather than pushing another. A binding still referring to the
  // old state means the program left it unchanged.
  expr::Binding* state = ctx.find_binding("state");
  bool changed = state->ref == nullptr;
  // The state is kept in the driver state across calls; like every value
  // the rule language produces it may be nested at most 64 levels, so that
  // it can always be written and read back.
  if (changed && nested_deeper_than(state->owned, expr::kMaxDepth)) return expr::rule_error(expr::kNestingLimit);

  expr::RuleStatus checked = check_emits(config, outputs);
  if (!checked) return std::move(checked).error();

  if (changed) machine.state = std::move(state->owned);
  return outputs;
}

void reset_machine(Machine& machine) {
  static const Value kNoInput = Value::object();
  if (!run_machine(machine, MachineProgram::Reset, kNoInput)) machine.state = initial_state(machine.config_value());
}

Value machine_value(const Machine& machine) {
  Value v = Value::object(2);
  v.append("config", machine.config_value());
  v.append("state", machine.state);
  return v;
}

void write_machine(const Machine& machine, std::string& out) {
  out += "{\"config\":";
  json::write(machine.config_value(), out);
  out += ",\"state\":";
  json::write(machine.state, out);
  out += '}';
}

namespace {

// Checks the record's shape; on success `config` and `state` point at the
// two fields inside `v`.
Status locate_fields(const Value& v, const Value*& config, const Value*& state) {
  json::RecordReader r(v, kRecordName, kFieldNames, true);
  config = r.field("config");
  state = r.field("state");
  // The array form holds exactly the two fields.
  if (r.ok() && v.is_array() && v.size() != std::size(kFieldNames))
    r.fail(json::invalid_length(v.size(), "struct Machine with 2 elements"));
  return r.finish();
}

}  // namespace

Result<Machine> read_machine(const Value& v) {
  const Value* config = nullptr;
  const Value* state = nullptr;
  Status s = locate_fields(v, config, state);
  if (!s) return std::move(s).error();
  return Machine{std::make_shared<const Value>(*config), *state};
}

Result<Machine> read_machine(Value&& v) {
  const Value* config = nullptr;
  const Value* state = nullptr;
  Status s = locate_fields(v, config, state);
  if (!s) return std::move(s).error();
  // The fields live inside `v`, which is ours to take apart.
  Value& c = const_cast<Value&>(*config);
  Value& st = const_cast<Value&>(*state);
  return Machine{std::make_shared<const Value>(std::move(c)), std::move(st)};
}

}  // namespace kovi::machine
