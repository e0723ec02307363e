#include "data/device_identity.h"

#include "expr/conversions.h"

namespace kovi::data {

using json::Value;

Value device_identity(const Value& d, const Value& quirk, const Value& rules) {
  const Value& meta = quirk.get("meta");
  const bool from_meta = expr::truthy(meta.get("manufacturer"));
  Value out = Value::object(3);
  if (from_meta) {
    out.append("manufacturer", meta.get("manufacturer"));
    out.append("model", meta.get("model"));
    out.append("model_id", meta.get("model_id"));
  } else {
    out.append("manufacturer", rules.get("constants").get("manufacturer"));
    out.append("model", d.get("product_name"));
    out.append("model_id", d.get("product_id"));
  }
  return out;
}

}  // namespace kovi::data
