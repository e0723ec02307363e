#include "data/apply_quirk.h"

#include <string>
#include <string_view>

#include "data/internal_fault.h"
#include "data/quirk_condition.h"
#include "expr/conversions.h"
#include "json/writer.h"

namespace kovi::data {

using json::Value;

namespace {

// The object under `name`, made an object when missing or not one.
Value& object_member(Value& d, std::string_view name) {
  Value& member = d.slot(name);
  if (!member.is_object()) member = Value::object();
  return member;
}

Value& dp_map(Value& dpmap) {
  if (!dpmap.is_object()) throw InternalFault("quirk: DP map is not an object");
  return dpmap;
}

void define_dp(Value& d, Value& dpmap, const Value& op, std::string_view code) {
  std::string_view mode = op.get("mode").as_string();
  struct List {
    std::string_view name;
    char letter;
  };
  for (List list : {List{"function", 'W'}, List{"status_range", 'R'}}) {
    Value& dps = object_member(d, list.name);
    if (mode.find(list.letter) == std::string_view::npos) {
      dps.erase(code);
      continue;
    }
    Value dp = Value::object(3);
    dp.append("type", op.get("type"));
    dp.append("values", op.get("values"));
    if (list.letter == 'R') dp.append("report_type", op.get("report_type"));
    dps.set(code, std::move(dp));
  }
  const Value& dpid = op.get("dpid");
  std::string key = dpid.is_string() ? std::string(dpid.as_string()) : json::to_json(dpid);
  dp_map(dpmap).set(key, Value(code));
}

void remove_dp(Value& d, Value& dpmap, const Value& op, std::string_view code) {
  for (std::string_view name : {"function", "status_range", "status"}) {
    Value* list = d.find(name);
    if (list == nullptr || !list->is_object()) throw InternalFault("quirk: RemoveDp on a description that is not normalised");
    list->erase(code);
  }
  // Quotes are stripped so that the string "12" and the number 12 name the
  // same DP id.
  std::string text = json::to_json(op.get("dpid"));
  std::string_view key = text;
  while (!key.empty() && key.front() == '"') key.remove_prefix(1);
  while (!key.empty() && key.back() == '"') key.remove_suffix(1);
  dp_map(dpmap).erase(key);
}

}  // namespace

void apply_quirk(Value& d, Value& dpmap, const Value& quirk) {
  for (const Value& op : quirk.get("ops").items()) {
    if (const Value* when = op.find("when"))
      if (!expr::truthy(evaluate_condition(*when, d.get("status")))) continue;
    std::string_view code = op.get("code").as_string();
    std::string_view name = op.get("op").as_string();
    if (name == "SetCategory") {
      d.set("category", op.get("category"));
    } else if (name == "TypeOverride") {
      object_member(d, "type_overrides").set(code, op.get("as"));
    } else if (name == "DefineDp") {
      define_dp(d, dpmap, op, code);
    } else if (name == "RemoveDp") {
      remove_dp(d, dpmap, op, code);
    }
  }
}

}  // namespace kovi::data
