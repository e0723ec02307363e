// Rule layering: a base pack combined with layers that add to, replace,
// delete from or extend parts of it.
//
// A layer's patch is deep-merged into the pack: objects merge member by
// member, anything else replaces what was there, and two directives work at
// any depth: a member whose value is exactly {"$delete": true} removes that
// member, one whose value is exactly {"$append": [...]} appends the elements
// to the array there (or puts the array there). Strict mode stops at the
// first layer that is not an object and judges only the result; tolerant
// mode checks every layer's outcome and skips a failing layer with a
// warning. Either way the result passes the rule pack check.
#pragma once

#include "api/engine_error.h"
#include "api/request.h"
#include "json/value.h"

namespace kovi::rules {

// Deep-merges `patch` into `target` in place, directives included. A patch
// that is not an object replaces the target. Nothing is shared with the
// patch: what the target takes is copied. Constant native stack at any depth.
void apply_patch(json::Value& target, const json::Value& patch);

// Layers `layers` (the elements of an array; anything else means none) onto
// `base` (nullptr: start from an empty object; present but not an object:
// "rule base must be a JSON object"). Returns {"rules": pack, "sources":
// [names of the applied layers], "warnings": [texts of skipped layers]}.
// Every failure is of kind Rules.
Result<json::Value> merge_rule_layers(const json::Value* base, const json::Value& layers, bool tolerant);

}  // namespace kovi::rules

namespace kovi {

// The "merge_rules" operation: "base", "layers", "tolerant" (true selects
// tolerant mode).
Result<json::Value> op_merge_rules(const Request& req);

}  // namespace kovi
