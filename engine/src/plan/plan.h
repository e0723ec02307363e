// The Plan record: one host entity of a device as planning decided it, with
// the DPs it uses under their role names. Planning produces plans, the host
// gets them from "classify" and "unused" and hands them back with "read",
// "write" and "on_update"; the driver keeps them in its bindings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/engine_error.h"
#include "data/role.h"
#include "json/value.h"

namespace kovi::plan {

// How an entity's update slot works: none (re-read on change), an event
// entity, or a counter of reports of its first DP.
enum class SlotKind : std::uint8_t { Event, Delta };

// "event" / "delta".
std::string_view slot_kind_name(SlotKind k) noexcept;

struct PlanRole {
  std::string name;
  data::Role role;
};

struct Plan {
  std::string platform;
  std::string key;
  json::Value identity;
  std::vector<PlanRole> roles;  // in the plan's role order
  std::vector<std::string> depends_on;
  std::optional<SlotKind> slot_kind;
  bool update_all = false;
  json::Value config;

  // The role of that name, or nullptr.
  const data::Role* role(std::string_view name) const noexcept;
};

// Reads a Plan with the record reader's reasons. Every member is required
// except "slot_kind", which may be absent or null and is otherwise exactly
// "event" or "delta". "roles" is an object of Role records. Unknown
// members are ignored; the array form lists the members in written order.
Result<Plan> read_plan(const json::Value& v);

// The record's JSON form, members in the order platform, key, identity,
// roles, depends_on, slot_kind, update_all, config.
json::Value plan_value(const Plan& plan);

}  // namespace kovi::plan
