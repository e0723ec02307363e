#include "driver/overrides/declarative_converter.h"

#include <algorithm>
#include <vector>

#include "expr/program.h"
#include "expr/rule_error.h"

namespace kovi::overrides {

namespace {

using json::Value;

constexpr std::string_view kDeclarationKeys[] = {"type",   "label",   "class",    "category", "unit",
                                                 "series", "rw",      "role",     "min",      "max",
                                                 "step",   "options", "requires", "group",    "src"};
constexpr std::string_view kPropertyTypes[] = {"text", "binary", "number", "select", "event", "trigger"};
constexpr std::string_view kChoiceTypes[] = {"select", "event"};
constexpr std::string_view kNumberBounds[] = {"min", "max", "step"};
constexpr std::string_view kTextKeys[] = {"label", "class", "category", "unit", "series", "role"};
constexpr std::string_view kCategories[] = {"config", "diagnostic"};
constexpr std::string_view kSeries[] = {"gauge", "counter"};

// The statements of a converter program, recognised by the first of these
// members a statement has, with the keys each may carry.
enum class Form { If, Set, Emit, Timer, Send, Let };
struct FormKeys {
  Form form;
  std::string_view name;
  std::string_view keys[3];
  std::size_t key_count;
};
constexpr FormKeys kForms[] = {
    {Form::If, "if", {"if", "then", "else"}, 3}, {Form::Set, "set", {"set", "value"}, 2},
    {Form::Emit, "emit", {"emit", "value"}, 2},  {Form::Timer, "timer", {"timer", "after"}, 2},
    {Form::Send, "send", {"send"}, 1},           {Form::Let, "let", {"let", "value"}, 2},
};

// Options are strings, none repeated.
Check check_options(const Value& options) {
  if (!options.is_array()) return "options need array of strings";
  for (const Value& o : options.items())
    if (!o.is_string()) return "options need array of strings";
  const auto items = options.items();
  if (items.size() <= 16) {
    for (std::size_t i = 1; i < items.size(); ++i)
      for (std::size_t j = 0; j < i; ++j)
        if (items[i].as_string() == items[j].as_string()) return "duplicate options";
    return std::nullopt;
  }
  std::vector<std::string_view> sorted;
  sorted.reserve(items.size());
  for (const Value& o : items) sorted.push_back(o.as_string());
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return "duplicate options";
  return std::nullopt;
}

Check check_declaration(std::string_view name, const Value& decl, const Value* write) {
  // A declaration becomes a property record of the descriptor, so it has
  // to be an object like every other property record.
  if (!decl.is_object()) return "property declaration must be object";
  if (auto failure = unknown_key(decl, kDeclarationKeys)) return failure;

  const Value* type = decl.find("type");
  if (type && !string_in(*type, kPropertyTypes)) return "invalid property type";
  if (const Value* options = decl.find("options")) {
    if (auto failure = check_options(*options)) return failure;
  } else if (type && one_of(type->as_string(), kChoiceTypes)) {
    return "select/event needs options";
  }
  for (std::string_view key : kNumberBounds) {
    const Value* v = decl.find(key);
    if (!v) continue;
    if (!v->is_number()) return concat(key, " needs number");
    if (key == "step" && !(v->as_double() > 0)) return "step must be positive";
  }
  for (std::string_view key : kTextKeys) {
    const Value* v = decl.find(key);
    if (v && !string_or_null(*v)) return concat("property ", key, ": needs string or null");
  }
  if (const Value* v = decl.find("category"); v && v->is_string() && !one_of(v->as_string(), kCategories))
    return "invalid category";
  if (const Value* v = decl.find("series"); v && v->is_string() && !one_of(v->as_string(), kSeries))
    return "invalid series";
  const Value* rw = decl.find("rw");
  if (rw && !rw->is_bool()) return "rw needs bool";

  // The host may write a writable property or press a trigger; without a
  // program for it such a write could do nothing.
  const bool writable = (rw && rw->as_bool()) || (type && type->as_string() == "trigger");
  if (writable && !(write && write->find(name))) return "writable declarative property needs write program";
  return std::nullopt;
}

// The first segment of a "set" path, read as the runner reads it.
bool assigns_state(const Value& path) noexcept {
  if (path.is_string()) {
    const std::string_view p = path.as_string();
    return p.substr(0, p.find('.')) == "state";
  }
  if (path.is_array()) return !path.empty() && path[0].as_string() == "state";
  return false;
}

// A delay written as a literal that the runner would refuse every time:
// a negative number, or anything but a number or null. Computed delays
// are checked when they run.
bool refused_literal_delay(const Value& after) noexcept {
  if (after.is_object() && after.get("op").is_string()) return false;
  if (after.is_null()) return false;
  if (after.is_number()) return after.as_double() < 0;
  return true;
}

bool is_send_pair(const Value& send) noexcept {
  return send.is_object() && send.size() == 2 && send.find("code") && send.find("value");
}

const FormKeys* form_of(const Value& statement) noexcept {
  for (const FormKeys& f : kForms)
    if (statement.find(f.name)) return &f;
  return nullptr;
}

}  // namespace

Check validate_program(const Value& program, const Value& props, std::uint32_t level, bool reset) {
  if (level >= expr::kMaxProgramLevel) return expr::kNestingLimit;
  if (program.is_null()) return std::nullopt;
  if (!program.is_array()) return expr::kNotAProgram;
  for (const Value& statement : program.items()) {
    if (!statement.is_object()) return "statement must be object";
    if (reset && (statement.find("emit") || statement.find("timer") || statement.find("send")))
      return "reset programs can only assign state";
    const FormKeys* form = form_of(statement);
    if (!form) return "unknown rule statement";
    if (auto failure = unknown_key(statement, std::span(form->keys, form->key_count))) return failure;
    switch (form->form) {
      case Form::If:
        if (auto failure = validate_program(statement.get("then"), props, level + 1, reset)) return failure;
        if (auto failure = validate_program(statement.get("else"), props, level + 1, reset)) return failure;
        break;
      case Form::Set:
        if (!assigns_state(statement.get("set"))) return "rules can assign only state slots";
        break;
      case Form::Emit:
        if (!props.find(statement.get("emit").as_string())) return "emit: unknown property";
        break;
      case Form::Timer:
        if (const Value* after = statement.find("after"); after && refused_literal_delay(*after))
          return "invalid timer delay";
        break;
      case Form::Send:
        if (!is_send_pair(statement.get("send"))) return "send needs code and value";
        break;
      case Form::Let:
        break;
    }
  }
  return std::nullopt;
}

Check validate_converter(const Value& converter, const Value& /*rule_pack*/) {
  const Value* props = converter.find("props");
  if (!converter.is_object() || !props || !props->is_object()) return "declarative converter and props must be objects";
  const Value* write = converter.find("write");
  if (write && !write->is_object()) return "write must be object";
  for (const json::Member& m : props->members())
    if (auto failure = check_declaration(m.key(), m.value, write)) return failure;
  if (auto failure = validate_program(converter.get("update"), *props, 0, false)) return failure;
  if (auto failure = validate_program(converter.get("timer"), *props, 0, false)) return failure;
  if (auto failure = validate_program(converter.get("reset"), *props, 0, true)) return failure;
  if (write) {
    for (const json::Member& m : write->members()) {
      if (!props->find(m.key())) return concat("write: unknown property ", m.key());
      if (auto failure = validate_program(m.value, *props, 0, false)) return failure;
    }
  }
  return std::nullopt;
}

}  // namespace kovi::overrides
