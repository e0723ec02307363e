#include "api/adapter_operations.h"

#include <vector>

#include "adapter/adapter.h"
#include "adapter/adapter_create.h"
#include "adapter/adapter_read.h"
#include "adapter/adapter_write.h"
#include "expr/conversions.h"

namespace kovi {

using json::Value;

namespace {

// The request's "adapter", checked and indexed but not copied: the
// request outlives the operation.
Result<adapter::Adapter> adapter_member(const Request& req) {
  return req.record("adapter", [](const Value& v) { return adapter::Adapter::view(v); });
}

}  // namespace

Result<Value> op_adapter_create(const Request& req) {
  return adapter::adapter_create(req.member("device"), req.member("dpmap"), req.rules->document).into_value();
}

Result<Value> op_adapter_read(const Request& req) {
  auto a = adapter_member(req);
  if (!a) return std::move(a).error();
  return adapter::adapter_read(*a, req.member("dps"), req.rules->document);
}

Result<Value> op_strategy_read(const Request& req) {
  auto r = adapter::strategy_read(req.text("name"), req.member("value"), req.member("config"), req.rules->document);
  if (!r) return invalid_error(std::move(r).error());
  return std::move(r).value();
}

Result<Value> op_adapter_write(const Request& req) {
  auto a = adapter_member(req);
  if (!a) return std::move(a).error();
  std::vector<const Value*> handled;
  Value not_handled = Value::array();
  for (const Value& command : req.member("commands").items()) {
    if (a->has_code(expr::text_of(command.get("code"))))
      handled.push_back(&command);
    else
      not_handled.push_back(command.get("code"));
  }
  Value written = Value::object();
  if (!handled.empty()) {
    auto w = adapter::adapter_write(*a, std::span<const Value* const>(handled));
    if (!w) return std::move(w).error();
    written = std::move(w).value();
  }
  Value out = Value::array(2);
  out.push_back(std::move(written));
  out.push_back(std::move(not_handled));
  return out;
}

Result<Value> op_strategy_write(const Request& req) {
  return adapter::strategy_write(req.text("name"), req.member("value"), req.member("config"));
}

}  // namespace kovi
