// Evaluating expressions of the rule language.
//
// An expression is a JSON value: an object whose "op" member is a string is
// an operation (a special form or a library function), anything else is a
// literal that evaluates to itself. Every operation costs a step and opens a
// nesting level; every produced value is charged.
#pragma once

#include "expr/rule_context.h"

namespace kovi::expr {

Eval evaluate(RuleContext& ctx, const Value& expr);

// One step of a "get" path (also "lookup"): the member of an object named
// by a string segment (a non-string names ""), or the element of an array
// at an index given as an unsigned integer or a string of decimal digits
// with an optional "+". nullptr when nothing is selected.
const Value* select_step(const Value& current, const Value& segment) noexcept;

// The feature mask of a group and a flag: rules.features[group][flag] from
// the newest "rules" binding, as a 64-bit pattern (0 when any step is
// missing).
std::uint64_t feature_mask(const RuleContext& ctx, std::string_view group, std::string_view flag);

}  // namespace kovi::expr
