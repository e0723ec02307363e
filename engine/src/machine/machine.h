// Machines: small state machines whose behaviour is written in the rule
// language. Each declarative converter becomes one machine; the driver
// keeps the machines in its state and runs one of a machine's programs on a
// device report (update), a fired timer (timer), a host write of one of its
// properties (write) and a link loss (reset).
//
// A run reads the machine's config and state and yields the property values
// to publish, the timers to arm or cancel and the data point writes to
// send. A failed run changes nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "api/engine_error.h"
#include "machine/machine_statements.h"

namespace kovi::machine {

inline constexpr const char* kUndeclaredProperty = "converter emits undeclared property ";
inline constexpr const char* kValueDoesNotFit = "converter value does not fit property ";

// Written as {"config": ..., "state": ...}; also read from the array form
// [config, state]. The config (the converter definition) never changes and
// is shared read-only by every copy of the machine.
struct Machine {
  std::shared_ptr<const Value> config;
  Value state;

  const Value& config_value() const noexcept { return config ? *config : json::null_value(); }
};

enum class MachineProgram : std::uint8_t { Update, Timer, Write, Reset };

using MachineRunResult = Result<MachineOutputs, expr::RuleError>;

// A new machine: its state is a copy of config "initial_state", or {} when
// that is absent.
Machine create_machine(std::shared_ptr<const Value> config);
Machine create_machine(Value config);

// Runs the program of that kind with `input` (the driver's event object,
// whose members become variables). On success the machine takes the new
// state and the outputs are returned with every emitted value normalised
// to its property declaration; on failure the machine is unchanged.
MachineRunResult run_machine(Machine& machine, MachineProgram kind, const Value& input);

// Runs the reset program and drops its outputs. A failing reset leaves the
// machine in its initial state instead.
void reset_machine(Machine& machine);

// The record as a value / appended as compact JSON text.
Value machine_value(const Machine& machine);
void write_machine(const Machine& machine, std::string& out);

// Reads the record; failures are request errors with the record reasons
// (missing field `config`, invalid type: ..., expected struct Machine,
// invalid length ...). The second form takes the members out of `v`.
Result<Machine> read_machine(const Value& v);
Result<Machine> read_machine(Value&& v);

}  // namespace kovi::machine
