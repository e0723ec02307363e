// Description members that the cloud may deliver either as a JSON value or
// as a string holding the JSON text of one (a DP's "values", a strategy's
// "statusFormat"): both forms read the same.
#pragma once

#include "json/value.h"

namespace kovi::data {

// A string is parsed as a JSON document (null when it does not parse);
// every other value is copied unchanged.
json::Value json_text(const json::Value& v);

}  // namespace kovi::data
