#include "adapter/adapter_read.h"

#include <string>

#include "adapter/remaps.h"
#include "data/json_text.h"

namespace kovi::adapter {

ReadOutcome strategy_read(const Converter* converter, const Value& raw, const Value& config, const Value& rules) {
  if (converter == nullptr) return Value(raw);
  if (raw.is_null()) {
    switch (converter->null_read) {
      case NullRead::Runs: break;
      case NullRead::GivesNull: return Value();
      case NullRead::GivesEmpty: return Value("");
    }
  }
  return converter->read(raw, config, rules);
}

ReadOutcome strategy_read(std::string_view name, const Value& raw, const Value& config, const Value& rules) {
  return strategy_read(find_converter(name), raw, config, rules);
}

Value adapter_read(const Adapter& adapter, const Value& report, const Value& rules) {
  if (!report.is_object()) return Value::object();
  Value out = Value::object(report.size());
  const Value& entries = adapter.entries();
  const Value& remaps = adapter.remaps();
  const Value& enum_ranges = adapter.enum_ranges();
  for (const json::Member& dp : report.members()) {
    std::size_t at = entries.index_of(dp.key());
    if (at == Value::npos) continue;
    EntryRef e = adapter.entry_at(at);
    ReadOutcome r = strategy_read(e.converter, dp.value, e.config, rules);
    if (!r) continue;
    Value v = std::move(r).value();

    const Value& remap = remaps.get(e.code);
    if (v.is_string()) {
      const Value& alias = remap.get("alias");
      if (const Value* to = alias.find(v.as_string())) v = *to;
    }
    v = invert_by(remap, std::move(v));

    if (const Value* allowed = enum_ranges.find(e.code)) {
      if (!allowed->is_array()) continue;
      bool found = false;
      for (const Value& a : allowed->items())
        if (json::same(a, v)) {
          found = true;
          break;
        }
      if (!found) continue;
    }
    out.set(e.code, std::move(v));
  }
  return out;
}

Value config_default(const Value& config) {
  std::string type(config.get("valueType").as_string());
  for (char& c : type)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (type == "enum") {
    Value desc = data::json_text(config.get("valueDesc"));
    auto range = desc.get("range").items();
    return range.empty() ? Value() : range[0];
  }
  if (type == "boolean") return Value(false);
  if (type == "integer") return data::json_text(config.get("valueDesc")).get("min");
  return Value("");
}

}  // namespace kovi::adapter
