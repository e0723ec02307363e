// Checking a JSON value against a schema, with the small keyword set that
// the rule pack schema uses.
//
// Keywords, in the order they are applied to a value: "$ref" (JSON Pointer
// into the root schema, followed until a node without "$ref"), "type",
// "const", "enum", then for strings "minLength" (counted in Unicode scalar
// values), for objects "required" followed by "properties" /
// "additionalProperties" member by member, for arrays "items" and
// "uniqueItems" element by element. Every other keyword is ignored.
//
// Validation stops at the first failure and reports it as one message that
// names the offending place by its path ("rules /platforms/switch: missing
// \"categories\""). The walk uses an explicit stack, so a value nested to any
// depth is checked in constant native stack; nothing is copied.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "json/value.h"

namespace kovi::rules {

// nullopt when `value` satisfies the schema `node`; otherwise the message of
// the first failure. References resolve against `root`; `path` is the path
// of `value` itself (empty for a whole document).
std::optional<std::string> validate_schema(const json::Value& value, const json::Value& node,
                                           const json::Value& root, std::string_view path = {});

// The node a reference designates in `root` ("#/$defs/entity"; every leading
// '#' is dropped, the rest is a JSON Pointer), or nullptr.
const json::Value* resolve_schema_pointer(const json::Value& root, std::string_view ref);

}  // namespace kovi::rules
