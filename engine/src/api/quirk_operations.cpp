#include "api/quirk_operations.h"

#include <string>

#include "data/apply_quirk.h"
#include "data/device_identity.h"
#include "data/map_initial_status.h"
#include "data/normalise_description.h"
#include "json/record.h"

namespace kovi {

using json::Value;

namespace {

// A member that must hold an object (or, where allowed, null) to take the
// members a quirk writes: "{member}: invalid type: ..., expected a map".
EngineError not_a_map(std::string_view member, const Value& v) {
  std::string message(member);
  message += ": ";
  message += json::invalid_type(v, json::kExpectMap);
  return request_error(std::move(message));
}

// The request's "quirk" unless absent or null; otherwise the rule pack's
// quirk for the device's product (null when it has none).
const Value& quirk_for(const Request& req, const Value& device) {
  const Value& given = req.member("quirk");
  if (!given.is_null()) return given;
  return req.rules->document.get("quirks").get(device.get("product_id").as_string());
}

}  // namespace

Result<Value> op_status_quirk(const Request& req) {
  const Value& status = req.member("status");
  if (!status.is_object() && !status.is_null()) return not_a_map("status", status);
  Value out = status;
  data::map_initial_status(out, req.member("quirk"));
  return out;
}

Result<Value> op_quirk_schema(const Request& req) {
  const Value& device = req.member("device");
  if (!device.is_object()) return not_a_map("device", device);
  // A DP map given with the device is patched in place of an empty one.
  const Value& given_map = device.get("dpmap");
  if (!given_map.is_object() && !given_map.is_null()) return not_a_map("device.dpmap", given_map);

  Value d = device;
  data::normalise_description(d);
  // The quirk never reads the description's own "dpmap", so the map is
  // moved out for patching and moved back into its position afterwards.
  Value* slot = d.find("dpmap");
  Value dpmap = slot && slot->is_object() ? std::move(*slot) : Value::object();
  data::apply_quirk(d, dpmap, quirk_for(req, d));
  d.set("dpmap", std::move(dpmap));
  return d;
}

Result<Value> op_device_info(const Request& req) {
  const Value& device = req.member("device");
  return data::device_identity(device, quirk_for(req, device), req.rules->document);
}

}  // namespace kovi
