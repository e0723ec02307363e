// Reading a device report: raw values keyed by DP id become host values
// keyed by DP code. Each DP runs through its entry's converter, then the
// code's value aliases and inversion, then the enumeration check; a DP
// whose converter fails, or whose value the enumeration does not allow, is
// left out while the rest of the report is still read.
#pragma once

#include <string_view>

#include "adapter/adapter.h"
#include "adapter/converter.h"
#include "json/value.h"

namespace kovi::adapter {

// The read result: DP code -> host value, in report order (a code met
// twice keeps its first position and its last value). A report that is
// not an object gives {}. `rules` is the rule pack document.
Value adapter_read(const Adapter& adapter, const Value& report, const Value& rules);

// One converter's outcome for a raw value: "default" and "enum" run for
// null too; other converters read null as "" ("hb_range_v1",
// "hb_range_v2", "hb_jsq_lightv1") or null; a name the engine does not
// know gives a copy of the value.
ReadOutcome strategy_read(std::string_view name, const Value& raw, const Value& config, const Value& rules);
// The same with the converter already looked up (nullptr: unknown name).
ReadOutcome strategy_read(const Converter* converter, const Value& raw, const Value& config, const Value& rules);

// The value a DP reports when it has none, by the config's "valueType"
// (ASCII case ignored): "enum" the first value of the "range" of
// "valueDesc", "boolean" false, "integer" the "min" of "valueDesc",
// anything else "".
Value config_default(const Value& config);

}  // namespace kovi::adapter
