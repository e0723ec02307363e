// Finding the DP that serves a role: the first candidate code whose DP in
// the description's "function" or "status_range" has the wanted kind (and,
// for Enum, Bitmap and Integer, a non-empty value specification).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "api/engine_error.h"
#include "data/role.h"
#include "json/value.h"

namespace kovi::data {

// The outcome of a search: a role, none (no candidate qualifies; the caller
// decides), or a failure message for a DP whose definition cannot be read:
//   "schema {code}: missing integer field"   an Integer DP lacks one of
//                                            min, max, scale, step
//   "schema {code}: invalid integer {member}" one of them is not an integer
//   "invalid dp kind"                        `kind` names no kind
// A failure ends the search at once.
using RoleSearch = Result<std::optional<Role>, std::string>;

// `kind` is compared with canonical kind names ("Integer", ...); a DP whose
// type has no kind matches only the empty name. With `writable_first` each
// code is looked up in "function" before "status_range", otherwise after.
// An Integer role's spec has "min", "max", "scale" and "step" as 64-bit
// signed integers (numbers truncated, booleans 1 and 0, strings of decimal
// digits with an optional sign, Unicode white space around them ignored).
// The report type always comes from "status_range".
RoleSearch find_role(const json::Value& description, std::span<const std::string_view> codes, std::string_view kind,
                     bool writable_first);
RoleSearch find_role(const json::Value& description, std::span<const std::string> codes, std::string_view kind,
                     bool writable_first);

}  // namespace kovi::data
