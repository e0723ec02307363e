#include "expr/rule_context.h"

namespace kovi::expr {

namespace {

std::uint64_t sat_add(std::uint64_t a, std::uint64_t b) noexcept {
  std::uint64_t s = a + b;
  return s < a ? ~std::uint64_t{0} : s;
}

struct Measurer {
  Measure m;
  const char* fault = nullptr;

  // Depth-first in member order; stops at the first node deeper than the
  // nesting limit or past the node limit, so the native recursion is
  // bounded by the nesting limit whatever the value's real depth.
  bool visit(const Value& v, std::uint32_t level) {
    if (level > kMaxDepth) {
      fault = kNestingLimit;
      return false;
    }
    if (++m.nodes > kMaxValueNodes) {
      fault = kValueSizeLimit;
      return false;
    }
    if (v.is_string()) {
      m.text = sat_add(m.text, v.as_string().size());
    } else if (v.is_array()) {
      for (const Value& e : v.items())
        if (!visit(e, level + 1)) return false;
    } else if (v.is_object()) {
      for (const auto& member : v.members()) {
        m.text = sat_add(m.text, member.key().size());
        if (!visit(member.value, level + 1)) return false;
      }
    }
    return true;
  }
};

}  // namespace

Result<Measure, RuleError> measure(const Value& v) {
  Measurer w;
  if (!w.visit(v, 1)) return rule_error(w.fault);
  if (w.m.text > kMaxValueText) return rule_error(kTextSizeLimit);
  return w.m;
}

void RuleContext::bind(std::string_view name, Value v) {
  vars_.push_back(Binding{std::string(name), std::move(v), nullptr});
}

void RuleContext::bind_ref(std::string_view name, const Value& v) {
  vars_.push_back(Binding{std::string(name), Value(), &v});
}

void RuleContext::unbind_to(std::size_t height) noexcept {
  while (vars_.size() > height) vars_.pop_back();
}

const Value* RuleContext::lookup_variable(std::string_view name) const noexcept {
  for (auto it = vars_.rbegin(); it != vars_.rend(); ++it)
    if (it->name == name) return &it->value();
  return nullptr;
}

Binding* RuleContext::find_binding(std::string_view name) noexcept {
  for (auto it = vars_.rbegin(); it != vars_.rend(); ++it)
    if (it->name == name) return &*it;
  return nullptr;
}

Value* RuleContext::lookup_mutable(std::string_view name) {
  Binding* b = find_binding(name);
  if (b == nullptr) return nullptr;
  if (b->ref != nullptr) {
    b->owned = *b->ref;
    b->ref = nullptr;
  }
  return &b->owned;
}

RuleStatus RuleContext::charge(const Value& v) {
  // Scalars are by far the most common results: one node, no nesting.
  Measure m;
  if (!v.is_container()) {
    m.nodes = 1;
    m.text = v.as_string().size();
    if (m.text > kMaxValueText) return rule_error(kTextSizeLimit);
  } else {
    auto r = measure(v);
    if (!r.ok()) return std::move(r).error();
    m = r.value();
  }
  if (nodes_ < m.nodes || text_ < m.text) return rule_error(kAllocationLimit);
  nodes_ -= m.nodes;
  text_ -= m.text;
  return rule_ok();
}

RuleStatus RuleContext::enter() {
  if (steps_ == 0) return rule_error(kEvaluationLimit);
  --steps_;
  if (depth_ >= kMaxDepth) return rule_error(kNestingLimit);
  ++depth_;
  return rule_ok();
}

}  // namespace kovi::expr
