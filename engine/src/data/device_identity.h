// Who made a device and what model it is, as the host shows it.
#pragma once

#include "json/value.h"

namespace kovi::data {

// {"manufacturer", "model", "model_id"}: the quirk's "meta" when its
// manufacturer is truthy; otherwise the rule pack's constants.manufacturer
// with the description's "product_name" and "product_id". Missing members
// give null. `rules` is the rule pack document.
json::Value device_identity(const json::Value& description, const json::Value& quirk, const json::Value& rules);

}  // namespace kovi::data
