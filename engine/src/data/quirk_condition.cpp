#include "data/quirk_condition.h"

#include "expr/conversions.h"

namespace kovi::data {

using json::Value;

namespace {

bool bool_or_number(const Value& v) { return v.is_bool() || v.is_number(); }

bool holds(const Value& expression, const Value& status) {
  return expr::truthy(evaluate_condition(expression, status));
}

Value greater_or_equal(const Value& operand, const Value& status) {
  std::span<const Value> args = operand.items();
  Value a = evaluate_condition(args.size() > 0 ? args[0] : json::null_value(), status);
  Value b = evaluate_condition(args.size() > 1 ? args[1] : json::null_value(), status);
  if (!bool_or_number(a) || !bool_or_number(b)) return Value(false);
  return Value(expr::to_number(a) >= expr::to_number(b));
}

}  // namespace

Value evaluate_condition(const Value& e, const Value& status) {
  if (!e.is_object()) return e;
  if (e.empty()) return Value();
  const json::Member& op = e.members()[0];
  std::string_view name = op.key();
  const Value& operand = op.value;
  if (name == "status") return status.get(operand.as_string());
  if (name == "ge") return greater_or_equal(operand, status);
  if (name == "and") {
    for (const Value& element : operand.items())
      if (!holds(element, status)) return Value(false);
    return Value(true);
  }
  if (name == "or") {
    for (const Value& element : operand.items())
      if (holds(element, status)) return Value(true);
    return Value(false);
  }
  if (name == "not") return Value(!holds(operand, status));
  if (name == "is_int") {
    Value v = evaluate_condition(operand, status);
    return Value(v.is_bool() || v.is_integer());
  }
  return Value();
}

}  // namespace kovi::data
