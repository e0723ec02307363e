// Quirks: per-product patch programs that correct a device description and
// its DP map (DP id text -> DP code) before the engine uses them.
//
// The quirk's "ops" are applied in order; an operation with a "when"
// applies only when that condition holds on the description's status.
//   SetCategory   {"category"}                   sets the category
//   TypeOverride  {"code", "as"}                 records type_overrides[code]
//   DefineDp      {"code", "mode", "type", "values", "report_type", "dpid"}
//                 defines the DP in "function" (mode has W) and
//                 "status_range" (mode has R), removes it where the letter
//                 is missing, and maps the DP id to the code
//   RemoveDp      {"code", "dpid"}               removes the DP from
//                 function, status_range and status, and its DP id
// Other operations do nothing here ("MapInitialStatus" has its own pass).
#pragma once

#include "json/value.h"

namespace kovi::data {

// `description` must be normalised and `dpmap` an object: a list that is not
// an object under "RemoveDp", or a DP map that is not an object when an
// operation touches it, is an InternalFault.
void apply_quirk(json::Value& description, json::Value& dpmap, const json::Value& quirk);

}  // namespace kovi::data
