// The operation table: the 22 operation names in their two groups.
#pragma once

#include <span>
#include <string_view>

#include "api/engine_error.h"
#include "api/request.h"

namespace kovi {

// Plain operations need no rule pack; Ruled ones run against one.
enum class Group { Plain, Ruled };

using Handler = Result<json::Value> (*)(const Request&);

struct Operation {
  std::string_view name;
  Group group;
  Handler handler;
};

// Every operation, Plain names first, each group in its fixed order.
std::span<const Operation> operations();

// The operation of that name (matched exactly), or nullptr.
const Operation* find_operation(std::string_view name);

// Handlers, each defined beside the subsystem it belongs to.
Result<json::Value> op_merge(const Request& req);

}  // namespace kovi
