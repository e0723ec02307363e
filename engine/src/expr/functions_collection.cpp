// Library functions: arrays and objects.
#include <algorithm>
#include <vector>

#include "expr/conversions.h"
#include "expr/evaluate.h"
#include "expr/functions.h"

namespace kovi::expr {

namespace {

Eval fn_list(const CallArgs& c) {
  if (auto s = check_argument_sizes(c.args); !s.ok()) return std::move(s).error();
  Value out = Value::array(c.args.size());
  for (const Value& v : c.args) out.push_back(v);
  return out;
}

// Arrays add their elements, null adds nothing, anything else adds itself.
Eval fn_concat(const CallArgs& c) {
  if (auto s = check_argument_sizes(c.args); !s.ok()) return std::move(s).error();
  std::size_t n = 0;
  for (const Value& v : c.args) n += v.is_array() ? v.size() : v.is_null() ? 0 : 1;
  Value out = Value::array(n);
  for (const Value& v : c.args) {
    if (v.is_array()) {
      for (const Value& e : v.items()) out.push_back(e);
    } else if (!v.is_null()) {
      out.push_back(v);
    }
  }
  return out;
}

// One level: the elements of the array elements; other elements add
// nothing.
Eval fn_flatten(const CallArgs& c) {
  if (auto s = check_argument_sizes(c.args); !s.ok()) return std::move(s).error();
  const Value& a = c[0];
  std::size_t n = 0;
  for (const Value& e : a.items()) n += e.is_array() ? e.size() : 0;
  Value out = Value::array(n);
  for (const Value& e : a.items())
    for (const Value& inner : e.items()) out.push_back(inner);
  return out;
}

Eval fn_zip(const CallArgs& c) {
  if (auto s = check_argument_sizes(c.args); !s.ok()) return std::move(s).error();
  const auto a = c[0].items();
  const auto b = c[1].items();
  const std::size_t n = std::min(a.size(), b.size());
  Value out = Value::array(n);
  for (std::size_t i = 0; i < n; ++i) {
    Value pair = Value::array(2);
    pair.push_back(a[i]);
    pair.push_back(b[i]);
    out.push_back(std::move(pair));
  }
  return out;
}

// An object from [key, value] pairs; a key seen again keeps its first
// position and takes the later value.
Eval fn_object(const CallArgs& c) {
  if (auto s = check_argument_sizes(c.args); !s.ok()) return std::move(s).error();
  const auto pairs = c[0].items();
  std::vector<json::Member> members;
  members.reserve(pairs.size());
  for (const Value& p : pairs) {
    const Value& key = p.is_array() && !p.empty() ? p[0] : json::null_value();
    const Value& value = p.is_array() && p.size() > 1 ? p[1] : json::null_value();
    members.push_back(json::Member{Value(text_of(key)), value});
  }
  return Value::object_from(members);
}

Eval fn_keys(const CallArgs& c) {
  const auto members = c[0].members();
  Value out = Value::array(members.size());
  for (const auto& m : members) out.push_back(m.key_);
  return out;
}

Eval fn_values(const CallArgs& c) {
  const auto members = c[0].members();
  Value out = Value::array(members.size());
  for (const auto& m : members) out.push_back(m.value);
  return out;
}

Eval fn_entries(const CallArgs& c) {
  const auto members = c[0].members();
  Value out = Value::array(members.size());
  for (const auto& m : members) {
    Value pair = Value::array(2);
    pair.push_back(m.key_);
    pair.push_back(m.value);
    out.push_back(std::move(pair));
  }
  return out;
}

// One "get" step into a; the operation's own "default" member, taken as
// written, when it selects nothing.
Eval fn_lookup(const CallArgs& c) {
  if (const Value* v = select_step(c[0], c[1])) return *v;
  return c.op.get("default");
}

Eval fn_without(const CallArgs& c) {
  const auto items = c[0].items();
  Value out = Value::array(items.size());
  for (const Value& e : items)
    if (!same(e, c[1])) out.push_back(e);
  return out;
}

Eval fn_index_of(const CallArgs& c) {
  const auto items = c[0].items();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (same(items[i], c[1])) return Value(static_cast<std::uint64_t>(i));
  return Value();
}

// Stable, by the UTF-8 bytes of each element's text; non-strings sort as "".
Eval fn_sort(const CallArgs& c) {
  const auto items = c[0].items();
  std::vector<const Value*> order;
  order.reserve(items.size());
  for (const Value& e : items) order.push_back(&e);
  // string_view compares its bytes as unsigned char, i.e. UTF-8 byte order.
  std::stable_sort(order.begin(), order.end(),
                   [](const Value* x, const Value* y) { return text_of(*x) < text_of(*y); });
  Value out = Value::array(order.size());
  for (const Value* e : order) out.push_back(*e);
  return out;
}

Eval fn_codes(const CallArgs& c) {
  const Value& a = c[0];
  if (a.is_string()) {
    Value out = Value::array(1);
    out.push_back(a);
    return out;
  }
  const auto items = a.items();
  Value out = Value::array(items.size());
  for (const Value& e : items) out.push_back(Value(text_of(e)));
  return out;
}

constexpr FunctionEntry kFunctions[] = {
    {"list", fn_list},
    {"concat", fn_concat},
    {"flatten", fn_flatten},
    {"zip", fn_zip},
    {"object", fn_object},
    {"keys", fn_keys},
    {"values", fn_values},
    {"entries", fn_entries},
    {"lookup", fn_lookup},
    {"without", fn_without},
    {"index_of", fn_index_of},
    {"sort", fn_sort},
    {"codes", fn_codes},
};

}  // namespace

std::span<const FunctionEntry> collection_functions() { return kFunctions; }

}  // namespace kovi::expr
