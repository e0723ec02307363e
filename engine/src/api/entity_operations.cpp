#include "api/entity_operations.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "entity/entity_actions.h"
#include "entity/entity_state.h"
#include "entity/update_slot.h"
#include "expr/conversions.h"
#include "json/record.h"
#include "plan/plan.h"
#include "plan/text_list.h"

namespace kovi {

using json::Value;

namespace {

Result<plan::Plan> request_plan(const Request& req) { return req.record("plan", plan::read_plan); }

// The counter of a delta plan after one update: "write_state" is whether
// the report counted, and then the slot takes the new "total" and
// "last_ts".
Result<bool> update_delta(const plan::Plan& plan, const Request& req, std::span<const std::string_view> changed,
                          Value& slot) {
  if (plan.depends_on.empty()) return false;
  // The slot must be able to take "total" and "last_ts".
  if (!slot.is_object() && !slot.is_null())
    return request_error("slot: " + json::invalid_type(slot, json::kExpectMap));
  const std::string& first = plan.depends_on.front();
  entity::SlotRecord record{expr::to_number(slot.get("total")), slot.get("last_ts")};
  const Value& timestamp = req.member("timestamps").get(first);
  bool counted = std::find(changed.begin(), changed.end(), first) != changed.end();
  Result<bool> fired = entity::count_delta(record, req.member("status").get(first), timestamp, counted);
  if (!fired.ok() || !fired.value()) return fired;
  slot.set("total", Value(record.total));
  slot.set("last_ts", std::move(record.last_ts));
  return true;
}

Value update_result(Value slot, bool write_state, Value fire) {
  Value out = Value::object(3);
  out.append("slot", std::move(slot));
  out.append("write_state", Value(write_state));
  out.append("fire", std::move(fire));
  return out;
}

}  // namespace

Result<Value> op_read(const Request& req) {
  Result<plan::Plan> plan = request_plan(req);
  if (!plan.ok()) return std::move(plan).error();
  double total = expr::to_number(req.member("total"));
  // Only a text such as "inf" or "nan" gets here; JSON has no number for
  // it, so no state could show it.
  if (!std::isfinite(total)) return request_error("total must be a finite number");
  expr::Eval state = entity::read_state(*plan, req.member("status"), req.rules->document, total);
  if (!state) return invalid_error(std::move(state).error().message);
  return std::move(state).value();
}

Result<Value> op_write(const Request& req) {
  Result<plan::Plan> plan = request_plan(req);
  if (!plan.ok()) return std::move(plan).error();
  auto writes =
      entity::run_action(*plan, req.text("action"), req.member("args"), req.member("status"), req.rules->document);
  if (!writes.ok()) return std::move(writes).error();
  return Value::array_from(writes.value());
}

Result<Value> op_on_update(const Request& req) {
  Result<plan::Plan> plan = request_plan(req);
  if (!plan.ok()) return std::move(plan).error();
  Value slot = req.member("slot");
  const Value& changed_member = req.member("changed");
  if (changed_member.is_null()) return update_result(std::move(slot), true, Value());

  std::vector<std::string_view> changed = plan::text_views(changed_member);
  if (!plan->slot_kind) return update_result(std::move(slot), entity::plan_changed(*plan, changed), Value());

  if (*plan->slot_kind == plan::SlotKind::Delta) {
    Result<bool> fired = update_delta(*plan, req, changed, slot);
    if (!fired.ok()) return std::move(fired).error();
    return update_result(std::move(slot), fired.value(), Value());
  }

  entity::EventResult event = entity::event_of(*plan, req.member("status"), changed, req.rules->document);
  if (!event.ok()) return invalid_error(std::move(event).error().message);
  bool fires = event->has_value();
  return update_result(std::move(slot), fires, fires ? std::move(**event) : Value());
}

}  // namespace kovi
