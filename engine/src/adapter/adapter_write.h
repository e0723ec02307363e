// Writing DP values: host values keyed by DP code become the raw values
// keyed by DP id that are sent to the device. Writing mirrors reading in
// reverse: the value is inverted, then de-aliased, then encoded.
#pragma once

#include <span>
#include <string_view>

#include "adapter/adapter.h"
#include "adapter/converter.h"
#include "api/engine_error.h"
#include "json/value.h"

namespace kovi::adapter {

// The written DPs (DP id -> raw value, in order of first write) for DP
// write requests {"code", "value"}. A code goes to the first entry with
// that code. Fails with the unsupported-kind "no dp for {code}" for a code
// no entry has, "no dp for command" for no requests, or the first
// encoder's error; nothing is written then.
Result<Value> adapter_write(const Adapter& adapter, std::span<const Value> requests);
Result<Value> adapter_write(const Adapter& adapter, std::span<const Value* const> requests);

// One encoder's outcome for a host value; a converter without an inverse
// (or a name the engine does not know) fails with the unsupported-kind
// "this dp's value conversion has no inverse".
WriteOutcome strategy_write(std::string_view name, const Value& host, const Value& config);
WriteOutcome strategy_write(const Converter* converter, const Value& host, const Value& config);

inline constexpr std::string_view kNoInverse = "this dp's value conversion has no inverse";

}  // namespace kovi::adapter
