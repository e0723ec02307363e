// Creating a device's adapter from its description: one entry per local
// strategy the cloud declared (with its converter, when the rule pack
// lists it), one "default" entry per further DP of the DP map, and the
// allowed values of every enumeration DP.
#pragma once

#include <string>

#include "adapter/adapter.h"
#include "json/value.h"

namespace kovi::adapter {

// The DP code a local strategy reports: the last member name of its
// config_item's "statusFormat" (an object or the JSON text of one), else
// its "status_code" when that is a string, else "".
std::string strategy_status_code(const Value& strategy);

// The adapter of a device description, its DP map (DP id -> DP code) and
// the rule pack document. Never fails: members of the wrong type count as
// empty, strategies without a code are skipped, converter names the pack's
// "strategies" does not list are recorded under "unsupported" and replaced
// by "default".
Adapter adapter_create(const Value& description, const Value& dpmap, const Value& rules);

}  // namespace kovi::adapter
