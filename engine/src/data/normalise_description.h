// Making a device description safe to patch and read: its DP lists and its
// status are always objects afterwards.
#pragma once

#include "json/value.h"

namespace kovi::data {

// "function", "status_range" and "status", in that order, become empty
// objects when absent (appended) or not objects (replaced in place); object
// members are left as they are. The description must be an object (an
// InternalFault otherwise).
void normalise_description(json::Value& description);

}  // namespace kovi::data
