// Library functions: comparison, logic and types.
#include "expr/conversions.h"
#include "expr/functions.h"

namespace kovi::expr {

namespace {

Eval fn_eq(const CallArgs& c) { return Value(equal(c[0], c[1])); }
Eval fn_ne(const CallArgs& c) { return Value(!equal(c[0], c[1])); }
Eval fn_same(const CallArgs& c) { return Value(same(c[0], c[1])); }

// Only numbers are ordered; any other pair compares false.
template <typename Compare>
Eval ordered(const CallArgs& c, Compare cmp) {
  const Value& a = c[0];
  const Value& b = c[1];
  return Value(a.is_number() && b.is_number() && cmp(a.as_double(), b.as_double()));
}

Eval fn_lt(const CallArgs& c) { return ordered(c, [](double x, double y) { return x < y; }); }
Eval fn_le(const CallArgs& c) { return ordered(c, [](double x, double y) { return x <= y; }); }
Eval fn_gt(const CallArgs& c) { return ordered(c, [](double x, double y) { return x > y; }); }
Eval fn_ge(const CallArgs& c) { return ordered(c, [](double x, double y) { return x >= y; }); }

Eval fn_not(const CallArgs& c) { return Value(!truthy(c[0])); }
Eval fn_truthy(const CallArgs& c) { return Value(truthy(c[0])); }
Eval fn_some(const CallArgs& c) { return truthy(c[0]) ? c[0] : Value(); }

Eval fn_is_null(const CallArgs& c) { return Value(c[0].is_null()); }
Eval fn_is_number(const CallArgs& c) { return Value(c[0].is_number()); }
Eval fn_is_integer(const CallArgs& c) { return Value(c[0].is_integer()); }

// The language's type names: every number form is "number".
Eval fn_type_of(const CallArgs& c) {
  switch (c[0].type()) {
    case json::Type::Null: return Value("null");
    case json::Type::Bool: return Value("boolean");
    case json::Type::Uint:
    case json::Type::Int:
    case json::Type::Float: return Value("number");
    case json::Type::String: return Value("string");
    case json::Type::Array: return Value("array");
    case json::Type::Object: return Value("object");
  }
  return Value("null");
}

constexpr FunctionEntry kFunctions[] = {
    {"eq", fn_eq},
    {"ne", fn_ne},
    {"same", fn_same},
    {"lt", fn_lt},
    {"le", fn_le},
    {"gt", fn_gt},
    {"ge", fn_ge},
    {"not", fn_not},
    {"truthy", fn_truthy},
    {"some", fn_some},
    {"is_null", fn_is_null},
    {"is_number", fn_is_number},
    {"is_integer", fn_is_integer},
    {"type_of", fn_type_of},
};

}  // namespace

std::span<const FunctionEntry> comparison_functions() { return kFunctions; }

}  // namespace kovi::expr
