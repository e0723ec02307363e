// The quirk operations on device descriptions: remapping initial status
// values (status_quirk), patching a description and rebuilding its DP map
// (quirk_schema), and the device identity (device_info).
#pragma once

#include "api/engine_error.h"
#include "api/request.h"
#include "json/value.h"

namespace kovi {

// "status" (object or null) with the quirk's initial-status mapping.
Result<json::Value> op_status_quirk(const Request& req);
// "device" (an object) normalised, patched by the quirk, with its "dpmap".
Result<json::Value> op_quirk_schema(const Request& req);
// The identity of "device" under the quirk and the rule pack.
Result<json::Value> op_device_info(const Request& req);

}  // namespace kovi
