#include "machine/machine_statements.h"

#include <cmath>


namespace kovi::machine {

using expr::Eval;
using expr::RuleContext;
using expr::rule_error;
using expr::Step;
using expr::StepResult;

void MachineOutputs::emit(std::string_view name, Value value) {
  for (Emitted& e : emits) {
    if (e.name == name) {
      e.value = std::move(value);
      return;
    }
  }
  emits.push_back(Emitted{std::string(name), std::move(value)});
}

void MachineOutputs::timer(std::string_view name, std::optional<double> delay) {
  for (TimerRequest& t : timers) {
    if (t.name == name) {
      t.delay = delay;
      return;
    }
  }
  timers.push_back(TimerRequest{std::string(name), delay});
}

void MachineOutputs::send(Value code, Value value) {
  Value write = Value::object(2);
  write.append("code", std::move(code));
  write.append("value", std::move(value));
  sends.push_back(std::move(write));
}

namespace {

// The segments of a "set" path, one at a time: a string split at every
// ".", or the elements of an array read as text. Paths may be very long,
// so they are never split into a list first.
class PathSegments {
 public:
  explicit PathSegments(const Value& path) noexcept : path_(path) {}

  bool next(std::string_view& segment) noexcept {
    if (path_.is_string()) {
      if (pos_ == std::string_view::npos) return false;
      std::string_view text = path_.as_string();
      std::size_t dot = text.find('.', pos_);
      if (dot == std::string_view::npos) {
        segment = text.substr(pos_);
        pos_ = std::string_view::npos;
      } else {
        segment = text.substr(pos_, dot - pos_);
        pos_ = dot + 1;
      }
      return true;
    }
    if (path_.is_array() && pos_ < path_.size()) {
      segment = expr::name_text(path_[pos_++]);
      return true;
    }
    return false;
  }

 private:
  const Value& path_;
  std::size_t pos_ = 0;
};

StepResult run_set(const Value& statement, const Value& path_member, RuleContext& ctx) {
  PathSegments path(path_member);
  std::string_view segment;
  if (!path.next(segment) || segment != "state") return rule_error(kStateOnly);
  Eval v = expr::evaluate_member(ctx, statement, "value");
  if (!v) return std::move(v).error();
  expr::Binding* state = ctx.find_binding("state");
  if (state == nullptr) return rule_error(kNoState);

  if (!path.next(segment)) {
    state->owned = std::move(v).value();
    state->ref = nullptr;
    return Step::Continue;
  }
  // The state is changed in place; a state held by reference becomes the
  // binding's own value first.
  if (state->ref != nullptr) {
    state->owned = *state->ref;
    state->ref = nullptr;
  }
  Value* slot = &state->owned;
  do {
    if (!slot->is_object()) *slot = Value::object();
    slot = &slot->slot(segment);
  } while (path.next(segment));
  *slot = std::move(v).value();
  return Step::Continue;
}

}  // namespace

StepResult machine_statement(const Value& statement, RuleContext& ctx, MachineOutputs& outputs) {
  if (const Value* path = statement.find("set")) return run_set(statement, *path, ctx);

  if (const Value* name = statement.find("emit")) {
    Eval v = expr::evaluate_member(ctx, statement, "value");
    if (!v) return std::move(v).error();
    outputs.emit(expr::name_text(*name), std::move(v).value());
    return Step::Continue;
  }

  if (const Value* name = statement.find("timer")) {
    Eval after = expr::evaluate_member(ctx, statement, "after");
    if (!after) return std::move(after).error();
    const Value& a = after.value();
    std::optional<double> delay;
    if (!a.is_null()) {
      if (!a.is_number()) return rule_error(kBadTimerDelay);
      double d = a.as_double();
      // -0 counts as 0; NaN fails the comparison.
      if (!std::isfinite(d) || !(d >= 0)) return rule_error(kBadTimerDelay);
      delay = d;
    }
    outputs.timer(expr::name_text(*name), delay);
    return Step::Continue;
  }

  if (const Value* send = statement.find("send")) {
    Value code, value;
    if (send->is_object()) {
      Eval c = expr::evaluate_member(ctx, *send, "code");
      if (!c) return std::move(c).error();
      Eval v = expr::evaluate_member(ctx, *send, "value");
      if (!v) return std::move(v).error();
      code = std::move(c).value();
      value = std::move(v).value();
    }
    outputs.send(std::move(code), std::move(value));
    return Step::Continue;
  }

  return rule_error(kUnknownStatement);
}

}  // namespace kovi::machine
