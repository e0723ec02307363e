// The one lookup from operation name to library function, joined from the
// groups, and the size check shared by the collection builders.
#include <unordered_map>

#include "expr/functions.h"

namespace kovi::expr {

namespace {

using FunctionTable = std::unordered_map<std::string_view, Function>;

void add_group(FunctionTable& table, std::span<const FunctionEntry> group) {
  for (const FunctionEntry& e : group) table.emplace(e.name, e.fn);
}

// Built once, on first use; the initialisation of a function-local static
// is thread-safe and the table is only read afterwards.
const FunctionTable& function_table() {
  static const FunctionTable table = [] {
    FunctionTable t;
    t.reserve(96);
    add_group(t, comparison_functions());
    add_group(t, number_functions());
    add_group(t, text_functions());
    add_group(t, collection_functions());
    add_group(t, colour_functions());
    // The value adapter's payload functions ("electricity_b64",
    // "electricity_hex").
    add_group(t, payload_functions());
    return t;
  }();
  return table;
}

}  // namespace

Function find_function(std::string_view name) {
  const FunctionTable& table = function_table();
  auto it = table.find(name);
  return it == table.end() ? nullptr : it->second;
}

RuleStatus check_argument_sizes(std::span<const Value> args) {
  std::uint64_t nodes = 0;
  for (const Value& a : args) {
    auto m = measure(a);
    if (!m.ok()) return std::move(m).error();
    // Each argument holds at most kMaxValueNodes nodes, so the sum cannot
    // wrap before it is seen to pass the limit.
    nodes += m->nodes;
    if (nodes > kMaxValueNodes) return rule_error(kValueSizeLimit);
  }
  return rule_ok();
}

}  // namespace kovi::expr
