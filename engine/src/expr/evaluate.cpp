#include "expr/evaluate.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "expr/conversions.h"
#include "expr/functions.h"

namespace kovi::expr {

namespace {

// ---- paths --------------------------------------------------------------

// An array index written as decimal digits with an optional leading "+".
bool parse_index(std::string_view s, std::uint64_t& out) noexcept {
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  std::uint64_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    unsigned d = static_cast<unsigned>(c - '0');
    if (n > (UINT64_MAX - d) / 10) return false;
    n = n * 10 + d;
  }
  out = n;
  return true;
}

const Value* select_text(const Value& current, std::string_view segment) noexcept {
  if (current.is_object()) return current.find(segment);
  if (current.is_array()) {
    std::uint64_t i;
    if (!parse_index(segment, i) || i >= current.size()) return nullptr;
    return &current[static_cast<std::size_t>(i)];
  }
  return nullptr;
}

// ---- iteration ------------------------------------------------------------

enum class Iteration { Map, Filter, Find, Count, Any, All };

// ---- the special forms -----------------------------------------------------

using Form = Eval (*)(RuleContext&, const Value&);

const Value& args_of(const Value& op) { return op.get("args"); }

Eval form_literal(RuleContext&, const Value& op) { return op.get("value"); }

Eval evaluate_member(RuleContext& ctx, const Value& op, std::string_view name) {
  const Value* v = op.find(name);
  if (v == nullptr) return Value();
  return evaluate(ctx, *v);
}

Eval form_get(RuleContext& ctx, const Value& op) {
  const Value& path = op.get("path");
  const Value* at = nullptr;
  bool found = false;
  if (path.is_string()) {
    std::string_view p = path.as_string();
    std::size_t dot = p.find('.');
    std::string_view first = p.substr(0, dot);
    at = ctx.lookup_variable(first);
    found = at != nullptr;
    while (found && dot != std::string_view::npos) {
      p.remove_prefix(dot + 1);
      dot = p.find('.');
      at = select_text(*at, p.substr(0, dot));
      found = at != nullptr;
    }
  } else if (path.is_array() && !path.empty()) {
    // Segments are expressions, all evaluated in order before selecting.
    std::vector<Value> segments;
    segments.reserve(path.size());
    for (const Value& e : path.items()) {
      Eval s = evaluate(ctx, e);
      if (!s.ok()) return s;
      segments.push_back(std::move(s).value());
    }
    at = ctx.lookup_variable(text_of(segments[0]));
    found = at != nullptr;
    for (std::size_t i = 1; found && i < segments.size(); ++i) {
      at = select_step(*at, segments[i]);
      found = at != nullptr;
    }
  }
  if (found) return *at;
  return evaluate_member(ctx, op, "default");
}

Eval form_let(RuleContext& ctx, const Value& op) {
  BindingScope scope(ctx);
  for (const auto& m : op.get("bind").members()) {
    Eval v = evaluate(ctx, m.value);
    if (!v.ok()) return v;
    ctx.bind(m.key(), std::move(v).value());
  }
  return evaluate_member(ctx, op, "in");
}

Eval form_if(RuleContext& ctx, const Value& op) {
  Eval c = evaluate_member(ctx, op, "condition");
  if (!c.ok()) return c;
  return evaluate_member(ctx, op, truthy(c.value()) ? "then" : "else");
}

Eval form_and(RuleContext& ctx, const Value& op) {
  for (const Value& e : args_of(op).items()) {
    Eval v = evaluate(ctx, e);
    if (!v.ok()) return v;
    if (!truthy(v.value())) return Value(false);
  }
  return Value(true);
}

Eval form_or(RuleContext& ctx, const Value& op) {
  for (const Value& e : args_of(op).items()) {
    Eval v = evaluate(ctx, e);
    if (!v.ok()) return v;
    if (truthy(v.value())) return Value(true);
  }
  return Value(false);
}

Eval form_coalesce(RuleContext& ctx, const Value& op) {
  for (const Value& e : args_of(op).items()) {
    Eval v = evaluate(ctx, e);
    if (!v.ok() || !v.value().is_null()) return v;
  }
  return Value();
}

Eval form_record(RuleContext& ctx, const Value& op) {
  const Value& fields = op.get("fields");
  Value out = Value::object(fields.size());
  for (const auto& m : fields.members()) {
    Eval v = evaluate(ctx, m.value);
    if (!v.ok()) return v;
    out.append(m.key(), std::move(v).value());
  }
  return out;
}

Result<std::vector<Value>, RuleError> evaluate_args(RuleContext& ctx, const Value& op) {
  const Value& args = args_of(op);
  std::vector<Value> out;
  out.reserve(args.size());
  for (const Value& e : args.items()) {
    Eval v = evaluate(ctx, e);
    if (!v.ok()) return std::move(v).error();
    out.push_back(std::move(v).value());
  }
  return out;
}

Eval form_call(RuleContext& ctx, const Value& op) {
  std::string_view name = text_of(op.get("fn"));
  const Value* def = ctx.functions().find(name);
  if (def == nullptr || !def->is_object()) return rule_error("unknown function " + std::string(name));
  auto args = evaluate_args(ctx, op);
  if (!args.ok()) return std::move(args).error();
  std::vector<Value>& values = args.value();
  BindingScope scope(ctx);
  std::size_t i = 0;
  for (const Value& param : def->get("params").items()) {
    // The arguments outlive the body's evaluation: bind them in place.
    if (i < values.size())
      ctx.bind_ref(text_of(param), values[i]);
    else
      ctx.bind(text_of(param), Value());
    ++i;
  }
  return evaluate_member(ctx, *def, "body");
}

Eval form_error(RuleContext& ctx, const Value& op) {
  Eval m = evaluate_member(ctx, op, "message");
  if (!m.ok()) return m;
  return rule_error(std::string(text_of(m.value())));
}

Eval form_flags(RuleContext& ctx, const Value& op) {
  Eval group = evaluate_member(ctx, op, "value");
  if (!group.ok()) return group;
  std::string g(text_of(group.value()));
  std::uint64_t mask = 0;
  for (const auto& m : op.get("when").members()) {
    Eval on = evaluate(ctx, m.value);
    if (!on.ok()) return on;
    if (truthy(on.value())) mask |= feature_mask(ctx, g, m.key());
  }
  return Value(static_cast<std::int64_t>(mask));
}

template <Iteration kind>
Eval form_iterate(RuleContext& ctx, const Value& op) {
  const Value& args = args_of(op);
  Value list;
  if (args.is_array() && !args.empty()) {
    Eval l = evaluate(ctx, args[0]);
    if (!l.ok()) return l;
    list = std::move(l).value();
  }
  std::string_view name = "item";
  if (const Value* as = op.find("as")) name = as->as_string();
  const Value& body = op.get("do");
  Value out;
  if constexpr (kind == Iteration::Map || kind == Iteration::Filter) out = Value::array();
  std::uint64_t count = 0;
  for (const Value& element : list.items()) {
    Eval r = [&] {
      // The element lives in `list` for the whole body evaluation, and
      // expressions cannot change bindings: bind it in place.
      BindingScope scope(ctx);
      ctx.bind_ref(name, element);
      return evaluate(ctx, body);
    }();
    if (!r.ok()) return r;
    if constexpr (kind == Iteration::Map) {
      out.push_back(std::move(r).value());
    } else if constexpr (kind == Iteration::Filter) {
      if (truthy(r.value())) out.push_back(element);
    } else if constexpr (kind == Iteration::Find) {
      if (truthy(r.value())) return element;
    } else if constexpr (kind == Iteration::Count) {
      if (truthy(r.value())) ++count;
    } else if constexpr (kind == Iteration::Any) {
      if (truthy(r.value())) return Value(true);
    } else {
      if (!truthy(r.value())) return Value(false);
    }
  }
  if constexpr (kind == Iteration::Count) return Value(count);
  if constexpr (kind == Iteration::Any) return Value(false);
  if constexpr (kind == Iteration::All) return Value(true);
  return out;
}

const std::unordered_map<std::string_view, Form>& special_forms() {
  static const std::unordered_map<std::string_view, Form> forms = {
      {"literal", form_literal},
      {"get", form_get},
      {"let", form_let},
      {"if", form_if},
      {"and", form_and},
      {"or", form_or},
      {"coalesce", form_coalesce},
      {"record", form_record},
      {"call", form_call},
      {"error", form_error},
      {"flags", form_flags},
      {"map", form_iterate<Iteration::Map>},
      {"filter", form_iterate<Iteration::Filter>},
      {"find", form_iterate<Iteration::Find>},
      {"count", form_iterate<Iteration::Count>},
      {"any", form_iterate<Iteration::Any>},
      {"all", form_iterate<Iteration::All>},
  };
  return forms;
}

Eval apply(RuleContext& ctx, const Value& op, std::string_view name) {
  const auto& forms = special_forms();
  if (auto it = forms.find(name); it != forms.end()) return it->second(ctx, op);
  Function fn = find_function(name);
  if (fn == nullptr) return rule_error("unknown expression op " + std::string(name));
  auto args = evaluate_args(ctx, op);
  if (!args.ok()) return std::move(args).error();
  return fn(CallArgs{args.value(), op, ctx});
}

}  // namespace

const Value* select_step(const Value& current, const Value& segment) noexcept {
  if (current.is_object()) return current.find(segment.as_string());
  if (current.is_array()) {
    std::uint64_t i;
    if (segment.is_uint()) {
      i = segment.as_uint();
    } else if (!segment.is_string() || !parse_index(segment.as_string(), i)) {
      return nullptr;
    }
    if (i >= current.size()) return nullptr;
    return &current[static_cast<std::size_t>(i)];
  }
  return nullptr;
}

std::uint64_t feature_mask(const RuleContext& ctx, std::string_view group, std::string_view flag) {
  const Value* rules = ctx.lookup_variable("rules");
  if (rules == nullptr) return 0;
  const Value* mask = rules->get("features").get(group).find(flag);
  if (mask == nullptr) return 0;
  return int_bits(*mask);
}

Eval evaluate(RuleContext& ctx, const Value& expr) {
  if (expr.is_object()) {
    const Value* op = expr.find("op");
    if (op != nullptr && op->is_string()) {
      if (auto s = ctx.enter(); !s.ok()) return std::move(s).error();
      Eval r = apply(ctx, expr, op->as_string());
      ctx.leave();
      if (!r.ok()) return r;
      if (auto c = ctx.charge(r.value()); !c.ok()) return std::move(c).error();
      return r;
    }
  }
  if (auto c = ctx.charge(expr); !c.ok()) return std::move(c).error();
  return expr;
}

}  // namespace kovi::expr
