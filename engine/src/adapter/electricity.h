// The electricity payload of energy meters: voltage, current and power,
// and in the extended forms reactive power, apparent power and power
// factor, with optional sign flags.
#pragma once

#include <optional>
#include <string_view>

#include "json/value.h"

namespace kovi::adapter {

// The fields of an electricity payload as the object {"voltage",
// "current", "power", "reactive_power", "apparent_power", "power_factor"};
// nothing for fewer than 8 bytes. The extended forms are 17 bytes starting
// 01 0F and 18 bytes starting 02 0F (the last byte holding sign flags);
// every other payload is basic and its three extended fields are null.
std::optional<json::Value> electricity_fields(std::string_view bytes);

}  // namespace kovi::adapter
