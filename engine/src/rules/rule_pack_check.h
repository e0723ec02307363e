// The rule pack check: what every rule pack passes before it is used
// (installed, sent inline, or produced by layering).
#pragma once

#include "api/engine_error.h"
#include "json/value.h"

namespace kovi::rules {

// Checks, in this order: "version" is the integer 1 ("unsupported rule
// version"), the document satisfies the carried schema (the validator's
// message), and its "overrides" section, when present, passes the overrides
// check ("override: " + that check's message). Failures are engine errors of
// kind Rules. The document is only read, never copied.
Status check_rule_pack(const json::Value& document);

// The overrides step alone, for callers that validate the schema part
// themselves: success, or the "override: {}" error.
Status check_pack_overrides(const json::Value& document);

}  // namespace kovi::rules
