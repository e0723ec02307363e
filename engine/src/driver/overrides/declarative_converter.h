// The declarative converter of an override block ("converters" member
// "declarative"): host properties declared in the block and fed by rule
// programs that run when the device reports, a timer fires, the host writes
// one of the properties, or the device link drops.
//
// This is the static check made whenever the override is validated; it
// runs no program. Driver creation turns a checked converter into a machine.
#pragma once

#include <cstdint>

#include "driver/overrides/check_support.h"
#include "json/value.h"

namespace kovi::overrides {

// Checks a converter: "props" (property declarations; a writable one, or a
// trigger, needs its program under "write"), "write" (property name ->
// program), and the programs "update", "timer" and "reset" (which may only
// assign state). `rule_pack` is the pack the override belongs to; converter
// programs cannot use its templates, so nothing of it is read.
Check validate_converter(const json::Value& converter, const json::Value& rule_pack);

// Checks one converter program statically: its shape, the keys of every
// statement, that "set" assigns only state, that "emit" names a property
// declared in `props`, that a delay written as a literal is one the runner
// accepts, and that "send" has exactly a code and a value. `level` is the
// nesting level of `program` (0 for a converter's own program); a program
// at the runner's nesting limit is refused as the runner would refuse it.
// In a `reset` program statements may only assign state, at every level.
Check validate_program(const json::Value& program, const json::Value& props, std::uint32_t level, bool reset);

}  // namespace kovi::overrides
