// Machines: creation, runs of the four program kinds with their emit
// checks, reset with its fallback, and the record's text form.
#include <gtest/gtest.h>

#include <string>

#include "json/reader.h"
#include "json/writer.h"
#include "machine/machine.h"
#include "machine_outputs_json.h"
#include "test_json.h"

namespace {

using kovi::json::Value;
using kovi::machine::Machine;
using kovi::machine::MachineOutputs;
using kovi::machine::MachineProgram;

Value parse(std::string_view text) { return kovi_test::J(text); }

std::string text(const Value& v) { return kovi::json::to_json(v); }

using kovi_test::expected_outputs;
using kovi_test::outputs_value;

// A scenario: {"config": C, "state": state after creation, "runs": [...]}.
// A run is {"run": kind, "input": I (default {}), then "error" or the
// outputs ("emits", "timers", "sends"; each empty when absent), and
// "state": the machine's state afterwards}; the kind "reset" calls
// reset_machine, which has no outputs.
const char* const kScenarios[] = {
    R"({"config":{},"state":{}})",
    R"({"config":{"initial_state":5},"state":5})",
    R"({"config":{"initial_state":null},"state":null})",

    // Runs build on the state; a failing run changes nothing.
    R"({"config":{"initial_state":{"n":0},
        "update":[{"set":"state.n","value":{"op":"add","args":[{"op":"get","path":"state.n","default":0},1]}},
                  {"if":{"op":"get","path":"fail"},"then":[{"let":"x","value":{"op":"error","message":"boom"}}]}]},
       "state":{"n":0},
       "runs":[{"run":"update","state":{"n":1}},{"run":"update","state":{"n":2}},
               {"run":"update","input":{"fail":true},"error":"boom","state":{"n":2}},
               {"run":"update","state":{"n":3}}]})",

    // Absent programs run as empty ones; a write picks the program of the
    // written property.
    R"({"config":{"props":{"p":{"type":"number"}},
        "write":{"p":[{"set":"state.last","value":{"op":"get","path":"value"}},
                      {"send":{"code":"dp_p","value":{"op":"get","path":"value"}}},
                      {"emit":"p","value":{"op":"get","path":"value"}}]}},
       "state":{},
       "runs":[{"run":"write","input":{"prop":"p","value":7,"codes":{},"now":1},
                "emits":{"p":7},"sends":[{"code":"dp_p","value":7}],"state":{"last":7}},
               {"run":"write","input":{"prop":"q","value":1},"state":{"last":7}},
               {"run":"update","state":{"last":7}},{"run":"timer","state":{"last":7}}]})",
    R"({"config":{"timer":[{"set":"state.fired","value":{"op":"get","path":"name"}},{"timer":"again","after":10}],
                  "update":[{"set":"state.at","value":{"op":"get","path":"now"}},{"timer":"again"}]},
       "state":{},
       "runs":[{"run":"timer","input":{"now":3,"name":"t1","codes":{}},"timers":{"again":10.0},"state":{"fired":"t1"}},
               {"run":"update","input":{"now":4},"timers":{"again":null},"state":{"fired":"t1","at":4}}]})",

    // The machine's own "state" and "config" hide input members; the
    // functions table is empty; "let" bindings end with the run.
    R"({"config":{"tag":"mine","initial_state":{"a":1},
        "update":[{"set":"state.copy","value":{"op":"get","path":"state"}},
                  {"set":"state.tag","value":{"op":"get","path":"config.tag"}}]},
       "state":{"a":1},
       "runs":[{"run":"update","input":{"state":"input","config":{"tag":"input"}},
                "state":{"a":1,"copy":{"a":1},"tag":"mine"}}]})",
    R"({"config":{"functions":{"f":{"body":1}},"update":[{"set":"state","value":{"op":"call","fn":"f"}}]},
       "state":{},"runs":[{"run":"update","error":"unknown function f","state":{}}]})",
    R"({"config":{"update":[{"set":"state.x","value":{"op":"get","path":"x","default":"none"}},{"let":"x","value":1}]},
       "state":{},"runs":[{"run":"update","state":{"x":"none"}},{"run":"update","state":{"x":"none"}}]})",
    R"({"config":{"update":[{"let":"state","value":{"x":1}}]},"state":{},
       "runs":[{"run":"update","state":{"x":1}}]})",

    // Emits must be declared and fit; the first emit that does not fails
    // the whole run.
    R"({"config":{"props":{"mode":{"type":"select","options":["eco","comfort"]}},
        "update":[{"set":"state.n","value":1},{"emit":"mode","value":{"op":"get","path":"m"}}]},
       "state":{},
       "runs":[{"run":"update","input":{"m":"eco"},"emits":{"mode":"eco"},"state":{"n":1}},
               {"run":"update","input":{"m":"away"},"emits":{"mode":null},"state":{"n":1}},
               {"run":"update","input":{"m":1},"emits":{"mode":null},"state":{"n":1}}]})",
    R"({"config":{"props":{},"update":[{"set":"state.n","value":1},{"emit":"mode","value":"eco"}]},
       "state":{},"runs":[{"run":"update","error":"converter emits undeclared property mode","state":{}}]})",
    R"({"config":{"props":{"level":{"type":"number"}},"update":[{"emit":"level","value":{"op":"get","path":"v"}}]},
       "state":{},
       "runs":[{"run":"update","input":{"v":"5"},"error":"converter value does not fit property level","state":{}},
               {"run":"update","input":{"v":5.0},"emits":{"level":5}},
               {"run":"update","input":{"v":-2.0},"emits":{"level":-2}},
               {"run":"update","input":{"v":2.5},"emits":{"level":2.5}},
               {"run":"update","input":{"v":9.3e18},"emits":{"level":9.3e18}},
               {"run":"update","input":{"v":9007199254740993},"emits":{"level":9007199254740993}},
               {"run":"update","input":{"v":9219999999999999999},"emits":{"level":9219999999999999999}},
               {"run":"update","input":{"v":9220000000000000000},"emits":{"level":9.22e18}},
               {"run":"update","input":{"v":-9220000000000000000},"emits":{"level":-9.22e18}},
               {"run":"update","input":{"v":null},"emits":{"level":null}}]})",
    // A reset keeps the state it makes and drops its outputs; a failing
    // one goes back to the initial state.
    R"({"config":{"props":{"p":{"type":"number"}},"initial_state":{"i":0},
        "update":[{"set":"state.i","value":5}],
        "reset":[{"emit":"p","value":1},{"set":"state.off","value":true}]},
       "state":{"i":0},
       "runs":[{"run":"update","state":{"i":5}},{"run":"reset","state":{"i":5,"off":true}}]})",
    R"({"config":{"initial_state":{"i":0},"update":[{"set":"state.i","value":5}],
        "reset":[{"set":"state.i","value":6},{"send":{"code":{"op":"error","message":"x"}}}]},
       "state":{"i":0},
       "runs":[{"run":"update","state":{"i":5}},{"run":"reset","state":{"i":0}}]})",
    R"({"config":{"props":{},"update":[{"set":"state.i","value":5}],"reset":[{"emit":"p","value":1}]},
       "state":{},"runs":[{"run":"update","state":{"i":5}},{"run":"reset","state":{}}]})",
    R"({"config":{"initial_state":[1],"reset":{}},"state":[1],
       "runs":[{"run":"reset","state":[1]}]})",
};

struct Fit {
  const char* prop;
  const char* value;
  bool fits;
};

MachineProgram kind_of(std::string_view name) {
  if (name == "timer") return MachineProgram::Timer;
  if (name == "write") return MachineProgram::Write;
  if (name == "reset") return MachineProgram::Reset;
  return MachineProgram::Update;
}

TEST(Machine, Scenarios) {
  for (const char* scenario : kScenarios) {
    const Value s = parse(scenario);
    Machine m = kovi::machine::create_machine(s.get("config"));
    ASSERT_EQ(text(m.state), text(s.get("state"))) << scenario;
    int n = 0;
    for (const Value& run : s.get("runs").items()) {
      std::string where = std::string(scenario) + "\n  run " + std::to_string(n++);
      std::string_view kind = run.get("run").as_string();
      if (kind == "reset") {
        kovi::machine::reset_machine(m);
      } else {
        const Value input = run.find("input") ? run.get("input") : Value::object();
        auto r = kovi::machine::run_machine(m, kind_of(kind), input);
        if (const Value* err = run.find("error")) {
          ASSERT_FALSE(r.ok()) << where;
          EXPECT_EQ(r.error().message, err->as_string()) << where;
        } else {
          ASSERT_TRUE(r.ok()) << where << "\n  failed: " << r.error().message;
          EXPECT_EQ(text(outputs_value(r.value())), text(expected_outputs(run))) << where;
        }
      }
      if (const Value* state = run.find("state")) {
        EXPECT_EQ(text(m.state), text(*state)) << where;
      }
    }
  }
}

TEST(Machine, EmitsFitTheirDeclaration) {
  const Fit cases[] = {
      {"t", R"("a")", true},   {"t", "1", false},       {"t", "null", true},
      {"b", "true", true},     {"b", R"("true")", false}, {"n", "1.5", true},
      {"n", "[]", false},      {"s", R"("x")", true},     {"s", R"("y")", true},  // "y" becomes null
      {"e", R"("x")", false},  {"u", "0", false},         {"u", "null", true},
  };
  const Value config = parse(R"({"props":{"t":{"type":"text"},"b":{"type":"binary"},"n":{"type":"number"},
      "s":{"type":"select","options":["x"]},"e":{"type":"event","options":["x"]},"u":{}}})");
  for (const Fit& c : cases) {
    Value cfg = config;
    cfg.set("update", parse(std::string(R"([{"emit":")") + c.prop + R"(","value":)" + c.value + "}]"));
    Machine m = kovi::machine::create_machine(std::move(cfg));
    auto r = kovi::machine::run_machine(m, MachineProgram::Update, Value::object());
    EXPECT_EQ(r.ok(), c.fits) << c.prop << " = " << c.value;
    if (!r.ok()) {
      EXPECT_EQ(r.error().message, std::string("converter value does not fit property ") + c.prop);
    }
  }
}

// The state is kept in the driver state between calls and nested at most
// 64 levels like every value the rules produce; a deeper one fails the run.
TEST(Machine, StateNestingIsBounded) {
  struct Deep {
    std::size_t segments;  // after "state"
    bool ok;
  };
  const Deep cases[] = {{63, true}, {64, false}, {500'000, false}};
  for (const Deep& c : cases) {
    std::string path = "state";
    for (std::size_t i = 0; i < c.segments; ++i) path += ".a";
    Value config = Value::object();
    Value program = Value::array();
    Value& set = program.push_back(Value::object());
    set.set("set", Value(path));
    set.set("value", 1);
    config.set("update", std::move(program));
    Machine m = kovi::machine::create_machine(std::move(config));
    auto r = kovi::machine::run_machine(m, MachineProgram::Update, Value::object());
    EXPECT_EQ(r.ok(), c.ok) << c.segments;
    if (c.ok) {
      // Written and read back unchanged.
      std::string written;
      kovi::machine::write_machine(m, written);
      auto back = kovi::machine::read_machine(parse(written));
      ASSERT_TRUE(back.ok()) << back.error().message;
      EXPECT_TRUE(kovi::json::same(back->state, m.state));
    } else {
      EXPECT_EQ(r.error().message, "rule nesting limit exceeded");
      EXPECT_EQ(text(m.state), "{}");
    }
  }
}

TEST(Machine, CopiesShareTheConfig) {
  Machine a = kovi::machine::create_machine(parse(R"({"update":[{"set":"state.n","value":1}]})"));
  Machine b = a;
  EXPECT_EQ(a.config.get(), b.config.get());
  ASSERT_TRUE(kovi::machine::run_machine(b, MachineProgram::Update, Value::object()).ok());
  EXPECT_EQ(text(a.state), "{}");
  EXPECT_EQ(text(b.state), R"({"n":1})");
  EXPECT_EQ(a.config.get(), b.config.get());
}

struct RecordCase {
  const char* input;
  const char* written;  // nullptr when reading fails
  const char* error;
};

TEST(Machine, RecordReadsAndWrites) {
  const RecordCase cases[] = {
      {R"({"config":{"b":1,"a":[1.0,-2]},"state":{"z":null,"y":"s"}})",
       R"({"config":{"b":1,"a":[1.0,-2]},"state":{"z":null,"y":"s"}})", nullptr},
      {R"({"state":3,"config":null,"extra":1})", R"({"config":null,"state":3})", nullptr},
      {R"([{"a":1},5])", R"({"config":{"a":1},"state":5})", nullptr},
      {R"({"state":1})", nullptr, "missing field `config`"},
      {R"({"config":1})", nullptr, "missing field `state`"},
      {"5", nullptr, "invalid type: integer `5`, expected struct Machine"},
      {"[1]", nullptr, "invalid length 1, expected struct Machine with 2 elements"},
      {"[1,2,3]", nullptr, "invalid length 3, expected struct Machine with 2 elements"},
  };
  for (const RecordCase& c : cases) {
    const Value v = parse(c.input);
    auto copied = kovi::machine::read_machine(v);
    auto moved = kovi::machine::read_machine(Value(v));
    if (c.error) {
      ASSERT_FALSE(copied.ok()) << c.input;
      ASSERT_FALSE(moved.ok()) << c.input;
      EXPECT_EQ(copied.error().message, c.error) << c.input;
      EXPECT_EQ(moved.error().message, c.error) << c.input;
      EXPECT_EQ(copied.error().kind, kovi::ErrorKind::Request) << c.input;
      continue;
    }
    ASSERT_TRUE(copied.ok()) << c.input << ": " << copied.error().message;
    ASSERT_TRUE(moved.ok()) << c.input << ": " << moved.error().message;
    std::string text_form;
    kovi::machine::write_machine(*copied, text_form);
    EXPECT_EQ(text_form, c.written) << c.input;
    EXPECT_EQ(text(kovi::machine::machine_value(*moved)), c.written) << c.input;
  }
}

}  // namespace
