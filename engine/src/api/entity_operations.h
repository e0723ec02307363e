// The entity operations: an entity's state for a status ("read"), the DP
// writes of an action ("write"), and whether a status update concerns the
// entity ("on_update").
#pragma once

#include "api/engine_error.h"
#include "api/request.h"
#include "json/value.h"

namespace kovi {

// "plan", "status", "total" -> the state object.
Result<json::Value> op_read(const Request& req);
// "plan", "action", "args", "status" -> array of DP write requests.
Result<json::Value> op_write(const Request& req);
// "plan", "slot", "changed", "status", "timestamps" ->
// {"slot", "write_state", "fire"}.
Result<json::Value> op_on_update(const Request& req);

}  // namespace kovi
