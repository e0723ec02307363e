// Per-code adjustments of an adapter: inversion, integer bounds and value
// aliases ("remaps"). Driver creation adds them (the override block's
// "remap" object, the cover inversion settings); reads and writes apply
// the inversion the same way, since inverting twice gives the value back.
#pragma once

#include <string_view>

#include "adapter/adapter.h"
#include "json/value.h"

namespace kovi::adapter {

// The value with the code's inversion applied: when the code's remap entry
// has a truthy "invert", a boolean is negated and a number becomes
// lo + hi - value over its "bounds" [lo, hi] (read with to_number, 0 when
// missing); a number without bounds and every other value stay as they are.
Value invert_value(const Adapter& adapter, std::string_view code, Value x);
// The same for a remap entry already looked up (null when the code has
// none).
Value invert_by(const Value& remap_entry, Value x);

// Stores a remap entry for a code (replacing an earlier one in place) and
// records the code's bounds.
void add_remap(Adapter& adapter, std::string_view code, const Value& remap_entry, const Value& description);

// Records [min, max] of an Integer DP (from "status_range", else
// "function" of the description) as the code's "bounds"; other kinds leave
// the adapter unchanged.
void set_bounds(Adapter& adapter, std::string_view code, const Value& description);

// Flips the code's "invert" (an absent flag becomes true) and records its
// bounds.
void toggle_invert(Adapter& adapter, std::string_view code, const Value& description);

}  // namespace kovi::adapter
