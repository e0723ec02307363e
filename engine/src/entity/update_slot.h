// When the host has to hear about an entity after a status update: a
// plain entity whenever one of its DPs changed (or on every update), an
// event entity when its event fires, a counting entity once per report of
// its first DP.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "api/engine_error.h"
#include "json/value.h"
#include "plan/plan.h"

namespace kovi::entity {

// True for an "update_all" plan (even with nothing changed); otherwise
// when one of the plan's "depends_on" codes is among the changed codes.
bool plan_changed(const plan::Plan& plan, std::span<const std::string_view> changed) noexcept;
bool plan_changed(const plan::Plan& plan, std::span<const std::string> changed) noexcept;

// The counter of a delta plan: the running total and the timestamp of the
// last report counted.
struct SlotRecord {
  double total = 0.0;
  json::Value last_ts;
};

inline constexpr const char* kTotalNotFinite = "delta total is not a finite number";

// Counts one report: when `counted`, `value` and `timestamp` are not null
// and the timestamp is not the one counted last, to_number(value) is added
// to the total, the timestamp is kept, and the slot fires (true). Anything
// else changes nothing and does not fire, so a report repeated with the
// same timestamp counts once. A report that would make the total infinite
// or NaN (a value such as "inf", or an overflow) is refused with
// kTotalNotFinite (Invalid) and changes nothing: a total that JSON cannot
// carry must never reach a driver state or a slot.
Result<bool> count_delta(SlotRecord& record, const json::Value& value, const json::Value& timestamp, bool counted);

}  // namespace kovi::entity
