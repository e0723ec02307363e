// Failures of the rule language are message texts; an evaluation returns a
// value or the first failure.
#pragma once

#include <string>

#include "api/engine_error.h"
#include "json/value.h"

namespace kovi::expr {

struct RuleError {
  std::string message;
};

using Eval = Result<json::Value, RuleError>;
using RuleStatus = Result<Done, RuleError>;

inline RuleError rule_error(std::string message) { return RuleError{std::move(message)}; }
inline RuleStatus rule_ok() { return Done{}; }

// The limits' messages.
inline constexpr const char* kEvaluationLimit = "rule evaluation limit exceeded";
inline constexpr const char* kNestingLimit = "rule nesting limit exceeded";
inline constexpr const char* kValueSizeLimit = "rule value size limit exceeded";
inline constexpr const char* kTextSizeLimit = "rule text size limit exceeded";
inline constexpr const char* kAllocationLimit = "rule allocation limit exceeded";

}  // namespace kovi::expr
