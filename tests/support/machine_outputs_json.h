// Machine outputs as JSON, for comparing them with case tables.
#pragma once

#include "json/value.h"
#include "machine/machine_statements.h"

namespace kovi_test {

// {"emits": {...}, "timers": {...}, "sends": [...]} of a run's outputs.
inline kovi::json::Value outputs_value(const kovi::machine::MachineOutputs& out) {
  using kovi::json::Value;
  Value v = Value::object();
  Value& emits = v.set("emits", Value::object());
  for (const auto& e : out.emits) emits.set(e.name, e.value);
  Value& timers = v.set("timers", Value::object());
  for (const auto& t : out.timers) timers.set(t.name, t.delay ? Value(*t.delay) : Value());
  Value& sends = v.set("sends", Value::array());
  for (const auto& s : out.sends) sends.push_back(s);
  return v;
}

// The same shape from a case line, absent members as empty.
inline kovi::json::Value expected_outputs(const kovi::json::Value& c) {
  using kovi::json::Value;
  Value v = Value::object();
  v.set("emits", c.find("emits") ? c.get("emits") : Value::object());
  v.set("timers", c.find("timers") ? c.get("timers") : Value::object());
  v.set("sends", c.find("sends") ? c.get("sends") : Value::array());
  return v;
}

}  // namespace kovi_test
