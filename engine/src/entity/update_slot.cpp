#include "entity/update_slot.h"

#include <algorithm>
#include <cmath>

#include "expr/conversions.h"

namespace kovi::entity {

namespace {

template <typename Code>
bool changed_in(const plan::Plan& plan, std::span<const Code> changed) noexcept {
  if (plan.update_all) return true;
  for (const std::string& code : plan.depends_on)
    if (std::find(changed.begin(), changed.end(), code) != changed.end()) return true;
  return false;
}

}  // namespace

bool plan_changed(const plan::Plan& plan, std::span<const std::string_view> changed) noexcept {
  return changed_in(plan, changed);
}

bool plan_changed(const plan::Plan& plan, std::span<const std::string> changed) noexcept {
  return changed_in(plan, changed);
}

Result<bool> count_delta(SlotRecord& record, const json::Value& value, const json::Value& timestamp, bool counted) {
  if (!counted || value.is_null() || timestamp.is_null() || json::same(timestamp, record.last_ts)) return false;
  double total = record.total + expr::to_number(value);
  if (!std::isfinite(total)) return invalid_error(kTotalNotFinite);
  record.total = total;
  record.last_ts = timestamp;
  return true;
}

}  // namespace kovi::entity
