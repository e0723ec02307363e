#include "plan/plan.h"

#include <array>

#include "json/record.h"

namespace kovi::plan {

using json::Value;

namespace {

constexpr std::array<std::string_view, 8> kPlanFields = {"platform", "key",        "identity",   "roles",
                                                         "depends_on", "slot_kind", "update_all", "config"};
constexpr std::array<std::string_view, 2> kSlotKindNames = {"event", "delta"};

std::optional<SlotKind> read_slot_kind(json::RecordReader& r) {
  const Value* v = r.field("slot_kind", false);
  if (v == nullptr || v->is_null()) return std::nullopt;
  if (!v->is_string()) {
    r.fail(json::invalid_type(*v, "enum SlotKind"));
    return std::nullopt;
  }
  for (std::size_t i = 0; i < kSlotKindNames.size(); ++i)
    if (v->as_string() == kSlotKindNames[i]) return static_cast<SlotKind>(i);
  r.fail(json::unknown_variant(v->as_string(), json::variant_list(kSlotKindNames)));
  return std::nullopt;
}

std::vector<PlanRole> read_roles(json::RecordReader& r) {
  std::vector<PlanRole> roles;
  const Value* v = r.field("roles");
  if (v == nullptr) return roles;
  if (!v->is_object()) {
    r.fail(json::invalid_type(*v, json::kExpectMap));
    return roles;
  }
  roles.reserve(v->size());
  for (const json::Member& m : v->members()) {
    Result<data::Role> role = data::read_role(m.value);
    if (!role.ok()) {
      r.fail(std::move(role).error().message);
      return {};
    }
    roles.push_back(PlanRole{std::string(m.key()), std::move(role).value()});
  }
  return roles;
}

std::vector<std::string> read_codes(json::RecordReader& r) {
  std::vector<std::string> codes;
  const Value* v = r.field("depends_on");
  if (v == nullptr) return codes;
  if (!v->is_array()) {
    r.fail(json::invalid_type(*v, json::kExpectSeq));
    return codes;
  }
  codes.reserve(v->size());
  for (const Value& c : v->items()) {
    if (!c.is_string()) {
      r.fail(json::invalid_type(c, json::kExpectString));
      return {};
    }
    codes.emplace_back(c.as_string());
  }
  return codes;
}

}  // namespace

std::string_view slot_kind_name(SlotKind k) noexcept { return kSlotKindNames[static_cast<std::size_t>(k)]; }

const data::Role* Plan::role(std::string_view name) const noexcept {
  for (const PlanRole& r : roles)
    if (r.name == name) return &r.role;
  return nullptr;
}

Result<Plan> read_plan(const Value& v) {
  json::RecordReader r(v, "struct Plan", kPlanFields, true);
  Plan plan;
  plan.platform = r.string("platform");
  plan.key = r.string("key");
  plan.identity = r.any("identity");
  plan.roles = read_roles(r);
  plan.depends_on = read_codes(r);
  plan.slot_kind = read_slot_kind(r);
  plan.update_all = r.boolean("update_all");
  plan.config = r.any("config");
  if (!r.ok()) return request_error(r.reason());
  return plan;
}

Value plan_value(const Plan& plan) {
  Value roles = Value::object(plan.roles.size());
  for (const PlanRole& r : plan.roles) roles.set(r.name, data::role_value(r.role));
  Value codes = Value::array(plan.depends_on.size());
  for (const std::string& c : plan.depends_on) codes.push_back(Value(c));

  Value out = Value::object(8);
  out.append("platform", Value(plan.platform));
  out.append("key", Value(plan.key));
  out.append("identity", plan.identity);
  out.append("roles", std::move(roles));
  out.append("depends_on", std::move(codes));
  out.append("slot_kind", plan.slot_kind ? Value(slot_kind_name(*plan.slot_kind)) : Value());
  out.append("update_all", Value(plan.update_all));
  out.append("config", plan.config);
  return out;
}

}  // namespace kovi::plan
