// Request dispatch: from a request value to an operation's result.
#pragma once

#include "api/engine_error.h"
#include "json/value.h"

namespace kovi {

// Reads "op", obtains the rule pack of a Ruled operation (inline "rules" or
// the registry entry under "rules_id") and runs the operation. An inline
// pack is moved out of the request rather than copied.
Result<json::Value> dispatch(json::Value& request);

}  // namespace kovi
