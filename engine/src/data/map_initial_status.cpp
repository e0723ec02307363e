#include "data/map_initial_status.h"

#include "data/internal_fault.h"
#include "expr/conversions.h"

namespace kovi::data {

using json::Value;

namespace {

// A mapping pair's element; a pair that is not an array, or lacks the
// element, gives null.
const Value& pair_element(const Value& pair, std::size_t i) {
  std::span<const Value> items = pair.items();
  return i < items.size() ? items[i] : json::null_value();
}

}  // namespace

void map_initial_status(Value& status, const Value& quirk) {
  for (const Value& op : quirk.get("ops").items()) {
    if (op.get("op").as_string() != "MapInitialStatus") continue;
    const Value& mapping = op.get("mapping");
    if (!mapping.is_array() || mapping.empty()) continue;
    std::string_view code = op.get("code").as_string();
    const Value& current = status.get(code);
    const Value* to = nullptr;
    for (const Value& pair : mapping.items()) {
      if (expr::equal(pair_element(pair, 0), current)) {
        to = &pair_element(pair, 1);
        break;
      }
    }
    if (to == nullptr) continue;
    if (!status.is_object() && !status.is_null()) throw InternalFault("quirk: status is not an object");
    status.set(code, *to);
  }
}

}  // namespace kovi::data
