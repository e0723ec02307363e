// Roles: one DP code with its kind and value specification, and the
// arithmetic that turns raw DP values into host values and back.
//
// The value specification ("spec") is read leniently: "min", "max", "scale"
// and "step" through to_number (absent or of the wrong type they count as
// 0), "range" as an array (anything else is empty), and only the JSON value
// true in "inverted" inverts. Nothing here keeps state.
#pragma once

#include <string>
#include <string_view>

#include "api/engine_error.h"
#include "data/dp_kind.h"
#include "json/value.h"

namespace kovi::data {

struct Role {
  std::string code;
  DpKind kind = DpKind::Integer;
  json::Value spec;         // an object in practice; any value is accepted
  json::Value report_type;  // carried for rule programs, not interpreted
};

// The Role record: an object with "code", "kind", "spec" and
// "report_type", all required, or the array [code, kind, spec,
// report_type]. Failures carry the record reader's reasons.
Result<Role> read_role(const json::Value& v);
// The record's JSON form, members in the order code, kind, spec,
// report_type.
json::Value role_value(const Role& role);

// Why a host value cannot be sent to the DP: one of the four messages
// below. Callers turn it into their own error or rejection.
struct EncodeError {
  std::string_view message;
};
inline constexpr std::string_view kInvalidNumeric = "invalid numeric value";
inline constexpr std::string_view kOutOfRange = "value out of range";
inline constexpr std::string_view kInvalidBoolean = "invalid boolean value";
inline constexpr std::string_view kInvalidEnum = "invalid enum value";

// 10 to the power of spec "scale" (clamped to the 32-bit range, truncated
// toward zero, NaN 0), by repeated squaring; a negative scale gives the
// reciprocal. A missing scale gives 1.
double scale_factor(const Role& role) noexcept;

// The host value of a raw DP value; null for every value the role cannot
// accept. Integer roles give floats (scaled, range-checked, inverted).
json::Value decode_value(const Role& role, const json::Value& raw);
// The host value of the role's code in an object of decoded DP values
// keyed by code (null when absent or `codes` is not an object).
json::Value decode(const Role& role, const json::Value& codes);

// The raw value to send for a host value. Integer roles scale, invert and
// round half to even, then check the range.
Result<json::Value, EncodeError> encode(const Role& role, const json::Value& host);

// The role as rule programs see it: code, kind, spec, report_type, range,
// and min, max, step and scale in host units.
json::Value summary(const Role& role);

// A copy of spec "range" when it is an array, otherwise [].
json::Value range_values(const Role& role);

// The cover command map for the role: fixed words for a Boolean role;
// otherwise the first of the rule pack's "maps" named by `candidates` (a
// name or an array of names) whose "open" and "close" are both in the
// role's range, else the first candidate's map; null without candidates.
// `rules` is the rule pack document.
json::Value command_map(const Role& role, const json::Value& candidates, const json::Value& rules);

}  // namespace kovi::data
