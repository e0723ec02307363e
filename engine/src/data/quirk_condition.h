// The condition language of quirk operations ("when"): a few operations
// over the device's status values.
//
// A value that is not an object is a literal. An object is an operation
// named by its first member's key, with that member's value as operand:
//   {"status": code}        the status value of the code (null when absent)
//   {"ge": [a, b]}          a >= b when both are booleans or numbers
//   {"and": [...]}          true unless an element is not truthy
//   {"or": [...]}           true when an element is truthy
//   {"not": e}              true when e is not truthy
//   {"is_int": e}           true when e is a boolean or an integer
// Any other object (the empty one included) gives null.
#pragma once

#include "json/value.h"

namespace kovi::data {

json::Value evaluate_condition(const json::Value& expression, const json::Value& status);

}  // namespace kovi::data
