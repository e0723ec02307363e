// The evaluation context of the rule language: the variable stack, the
// functions table, and the budgets that bound one job.
//
// A binding holds either its own value or a reference to a value the caller
// keeps alive for the whole job (the rule pack, the device description, an
// entity definition), so binding a large value costs nothing; reading a
// path through it copies only what is selected. Bindings live in a deque:
// pushing and popping never moves the others, so references into them stay
// valid.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "expr/rule_error.h"
#include "json/value.h"

namespace kovi::expr {

using json::Value;

// Limits of one evaluation context.
inline constexpr std::uint64_t kMaxSteps = 1'000'000;
inline constexpr std::uint32_t kMaxDepth = 64;             // open operations, and value nesting
inline constexpr std::uint64_t kMaxValueNodes = 100'000;    // nodes in one produced value
inline constexpr std::uint64_t kMaxValueText = 1'048'576;   // text bytes in one produced value
inline constexpr std::uint64_t kNodeBudget = 1'000'000;     // nodes produced per context
inline constexpr std::uint64_t kTextBudget = 16'777'216;    // text bytes produced per context

struct Binding {
  std::string name;
  Value owned;
  const Value* ref = nullptr;  // when set, the binding's value lives elsewhere
  const Value& value() const noexcept { return ref ? *ref : owned; }
};

// A value's size as charging sees it.
struct Measure {
  std::uint64_t nodes = 0;
  std::uint64_t text = 0;
};

// Measures a value against the per-value limits: nesting deeper than 64
// levels, more than 100,000 nodes, more than 1,048,576 text bytes.
Result<Measure, RuleError> measure(const Value& v);

class RuleContext {
 public:
  explicit RuleContext(const Value* functions = nullptr) : functions_(functions) {}
  RuleContext(const RuleContext&) = delete;
  RuleContext& operator=(const RuleContext&) = delete;

  // ---- variables ----
  void bind(std::string_view name, Value v);
  // Binds a value the caller keeps alive for the whole job.
  void bind_ref(std::string_view name, const Value& v);
  std::size_t mark() const noexcept { return vars_.size(); }
  void unbind_to(std::size_t height) noexcept;
  const Value* lookup_variable(std::string_view name) const noexcept;
  // The newest binding of that name, or nullptr.
  Binding* find_binding(std::string_view name) noexcept;
  // The newest binding's value for changing it in place; a reference
  // binding first takes its own copy.
  Value* lookup_mutable(std::string_view name);

  // ---- functions table ("call") ----
  const Value& functions() const noexcept { return functions_ ? *functions_ : json::null_value(); }

  // ---- budgets ----
  // Charges a produced value: measures it and pays for it from the node and
  // text budgets.
  RuleStatus charge(const Value& v);
  // Starts an operation: takes a step and opens a nesting level.
  RuleStatus enter();
  void leave() noexcept { --depth_; }

  std::uint64_t steps_left() const noexcept { return steps_; }
  std::uint32_t depth() const noexcept { return depth_; }
  std::uint64_t nodes_left() const noexcept { return nodes_; }
  std::uint64_t text_left() const noexcept { return text_; }

 private:
  std::deque<Binding> vars_;
  const Value* functions_;
  std::uint64_t steps_ = kMaxSteps;
  std::uint32_t depth_ = 0;
  std::uint64_t nodes_ = kNodeBudget;
  std::uint64_t text_ = kTextBudget;
};

// Restores the variable stack to the height it had when the scope began,
// on every way out.
class BindingScope {
 public:
  explicit BindingScope(RuleContext& ctx) noexcept : ctx_(ctx), height_(ctx.mark()) {}
  ~BindingScope() { ctx_.unbind_to(height_); }
  BindingScope(const BindingScope&) = delete;
  BindingScope& operator=(const BindingScope&) = delete;

 private:
  RuleContext& ctx_;
  std::size_t height_;
};

}  // namespace kovi::expr
