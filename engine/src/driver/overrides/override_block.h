// One override block: corrections to what the engine plans for a device
// (data point definitions and removals, category, property patches, device
// identity texts, value aliases, planning switches, cover settings, delta
// reporting and the declarative converter).
#pragma once

#include "driver/overrides/check_support.h"
#include "json/value.h"

namespace kovi::overrides {

// Checks one block against the rule pack it is used with; nullopt when
// valid, otherwise the first failure's message. `top_level` tells whether
// the block is one the host or the pack wrote (false) or the merged block
// of a device (true); the same checks apply to both, so a block stays valid
// when it is merged.
Check validate_override_block(const json::Value& block, const json::Value& rule_pack, bool top_level = true);

}  // namespace kovi::overrides
