// The rule language's function library: a table from operation name to
// implementation. A function receives its evaluated arguments, returns a
// new value, never changes its arguments and fails only where documented.
//
// Groups of functions live in their own files (functions_*.cpp), each
// exposing its table; function_library.cpp joins the groups into one
// lookup. Subsystems that add functions to the language (the value adapter's
// payload functions) add their group there.
#pragma once

#include <span>
#include <string_view>

#include "expr/rule_context.h"

namespace kovi::expr {

struct CallArgs {
  std::span<const Value> args;
  const Value& op;  // the operation object, for operands that are not arguments
  RuleContext& ctx;
  // The i-th argument, null when missing.
  const Value& operator[](std::size_t i) const noexcept {
    return i < args.size() ? args[i] : json::null_value();
  }
};

using Function = Eval (*)(const CallArgs&);

struct FunctionEntry {
  std::string_view name;
  Function fn;
};

// The function of that name, or nullptr.
Function find_function(std::string_view name);

// The groups.
std::span<const FunctionEntry> comparison_functions();
std::span<const FunctionEntry> number_functions();
std::span<const FunctionEntry> text_functions();
std::span<const FunctionEntry> collection_functions();
std::span<const FunctionEntry> colour_functions();
std::span<const FunctionEntry> payload_functions();  // electricity_b64, electricity_hex

// Measures every argument on its own limits and fails with "rule value size
// limit exceeded" when their node counts add up to more than 100,000: the
// collection builders check this before building.
RuleStatus check_argument_sizes(std::span<const Value> args);

}  // namespace kovi::expr
