// The `merge` operation: deep-merges the objects of "mappings", in order,
// into one object. Elements that are not objects are skipped; a missing or
// non-array "mappings" gives an empty object.
#include "api/operations.h"

namespace kovi {

Result<json::Value> op_merge(const Request& req) {
  json::Value out = json::Value::object();
  for (const json::Value& mapping : req.member("mappings").items())
    if (mapping.is_object()) json::deep_merge(out, mapping);
  return out;
}

}  // namespace kovi
