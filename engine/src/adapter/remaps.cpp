#include "adapter/remaps.h"

#include "data/dp_kind.h"
#include "data/internal_fault.h"
#include "data/json_text.h"
#include "expr/conversions.h"

namespace kovi::adapter {

namespace {

// The code's remap entry, created empty when missing. Creation makes
// "remaps" an object and override validation admits only object entries,
// so any other shape is a broken invariant of the caller.
Value& remap_entry(Adapter& adapter, std::string_view code) {
  Value& remaps = adapter.remaps_mut();
  if (!remaps.is_object() && !remaps.is_null()) throw data::InternalFault("adapter remaps are not an object");
  Value& entry = remaps.slot(code);
  if (entry.is_null()) entry = Value::object();
  if (!entry.is_object()) throw data::InternalFault("adapter remap entry is not an object");
  return entry;
}

}  // namespace

Value invert_by(const Value& remap_entry, Value x) {
  if (!expr::truthy(remap_entry.get("invert"))) return x;
  if (x.is_bool()) return Value(!x.as_bool());
  if (x.is_number()) {
    const Value& bounds = remap_entry.get("bounds");
    if (!bounds.is_array()) return x;
    auto b = bounds.items();
    double lo = b.size() > 0 ? expr::to_number(b[0]) : 0.0;
    double hi = b.size() > 1 ? expr::to_number(b[1]) : 0.0;
    return expr::number_result(lo + hi - expr::to_number(x));
  }
  return x;
}

Value invert_value(const Adapter& adapter, std::string_view code, Value x) {
  return invert_by(adapter.remaps().get(code), std::move(x));
}

void set_bounds(Adapter& adapter, std::string_view code, const Value& description) {
  const Value* spec = description.get("status_range").find(code);
  if (spec == nullptr) spec = &description.get("function").get(code);
  if (data::parse_kind(spec->get("type").as_string()) != data::DpKind::Integer) return;
  Value values = data::json_text(spec->get("values"));
  Value bounds = Value::array(2);
  bounds.push_back(values.get("min"));
  bounds.push_back(values.get("max"));
  remap_entry(adapter, code).set("bounds", std::move(bounds));
}

void add_remap(Adapter& adapter, std::string_view code, const Value& entry, const Value& description) {
  Value& remaps = adapter.remaps_mut();
  if (!remaps.is_object() && !remaps.is_null()) throw data::InternalFault("adapter remaps are not an object");
  remaps.set(code, entry);
  set_bounds(adapter, code, description);
}

void toggle_invert(Adapter& adapter, std::string_view code, const Value& description) {
  Value& entry = remap_entry(adapter, code);
  entry.set("invert", Value(!expr::truthy(entry.get("invert"))));
  set_bounds(adapter, code, description);
}

}  // namespace kovi::adapter
