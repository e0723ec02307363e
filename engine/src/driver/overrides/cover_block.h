// The "cover" section of an override block: cover settings for every cover
// of the device, or for the covers of one named group.
#pragma once

#include "driver/overrides/check_support.h"
#include "json/value.h"

namespace kovi::overrides {

// Checks a cover section. "settle" must be a number that is not negative,
// "state_source" one of "control", "inferred", "none"; a key the rule
// pack's "cover_defaults" names takes a boolean. When `allow_groups` is set
// any other key holding an object is a cover group, checked by the same
// rules with groups no longer allowed (one level of groups); every other
// key is unknown.
Check validate_cover_block(const json::Value& block, const json::Value& rule_pack, bool allow_groups);

}  // namespace kovi::overrides
