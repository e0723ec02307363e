#include "adapter/adapter_create.h"

#include <string>

#include "data/dp_kind.h"
#include "data/internal_fault.h"
#include "data/json_text.h"
#include "expr/conversions.h"

namespace kovi::adapter {

namespace {

bool pack_lists(const Value& strategies, std::string_view name) {
  for (const Value& s : strategies.items())
    if (s.is_string() && s.as_string() == name) return true;
  return false;
}

Value entry(std::string_view code, std::string_view converter, Value config) {
  Value e = Value::array(3);
  e.push_back(Value(code));
  e.push_back(Value(converter));
  e.push_back(std::move(config));
  return e;
}

}  // namespace

std::string strategy_status_code(const Value& strategy) {
  Value format = data::json_text(strategy.get("config_item").get("statusFormat"));
  if (format.is_object() && !format.empty()) return std::string(format.members().back().key());
  return std::string(strategy.get("status_code").as_string());
}

Adapter adapter_create(const Value& description, const Value& dpmap, const Value& rules) {
  const Value& strategies = rules.get("strategies");
  Value entries = Value::object();
  Value unsupported = Value::object();
  Value enum_ranges = Value::object();

  for (const json::Member& m : description.get("local_strategy").members()) {
    std::string code = strategy_status_code(m.value);
    if (code.empty()) continue;
    const Value& convert = m.value.get("value_convert");
    std::string_view name = !expr::truthy(convert) ? std::string_view("default") : convert.as_string();
    if (!pack_lists(strategies, name)) {
      unsupported.set(m.key(), Value(name));
      name = "default";
    }
    entries.set(m.key(), entry(code, name, m.value.get("config_item")));
  }

  for (const json::Member& m : dpmap.members())
    if (entries.find(m.key()) == nullptr) entries.append(m.key(), entry(m.value.as_string(), "default", Value::object()));

  for (const json::Member& m : description.get("status_range").members()) {
    if (data::parse_kind(m.value.get("type").as_string()) != data::DpKind::Enum) continue;
    enum_ranges.set(m.key(), data::json_text(m.value.get("values")).get("range"));
  }

  Value record = Value::object(4);
  record.append("entries", std::move(entries));
  record.append("enum_ranges", std::move(enum_ranges));
  record.append("unsupported", std::move(unsupported));
  record.append("remaps", Value::object());
  auto adapter = Adapter::read(std::move(record));
  if (!adapter) throw data::InternalFault("created adapter does not read: " + adapter.error().message);
  return std::move(adapter).value();
}

}  // namespace kovi::adapter
