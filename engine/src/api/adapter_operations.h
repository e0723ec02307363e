// The value adapter's operations: creating an adapter from a device
// description, reading a DP report and one converter (Ruled), writing DP
// commands and one encoder (Plain).
#pragma once

#include "api/engine_error.h"
#include "api/request.h"
#include "json/value.h"

namespace kovi {

// "device", "dpmap" -> the Adapter record.
Result<json::Value> op_adapter_create(const Request& req);
// "adapter" (Adapter), "dps" -> DP code -> host value.
Result<json::Value> op_adapter_read(const Request& req);
// "name", "value", "config" -> the converter's host value; a converter
// failure is an Invalid error.
Result<json::Value> op_strategy_read(const Request& req);
// "adapter" (Adapter), "commands" -> [written DPs, codes not handled].
Result<json::Value> op_adapter_write(const Request& req);
// "name", "value", "config" -> the encoded raw value.
Result<json::Value> op_strategy_write(const Request& req);

}  // namespace kovi
