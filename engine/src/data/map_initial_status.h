// The quirk pass that corrects status values a product reports wrongly at
// description time: {"op": "MapInitialStatus", "code", "mapping": [[from,
// to], ...]} replaces status[code] by the `to` of the first pair whose
// `from` equals it loosely (1, 1.0 and true match; other values strictly).
#pragma once

#include "json/value.h"

namespace kovi::data {

// Applies every "MapInitialStatus" operation of the quirk's "ops" in
// order ("when" is not consulted here). `status` must be an object or null
// (null becomes an object when a value is written); another value with a
// matching pair is an InternalFault.
void map_initial_status(json::Value& status, const json::Value& quirk);

}  // namespace kovi::data
