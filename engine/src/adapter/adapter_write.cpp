#include "adapter/adapter_write.h"

#include <string>

#include "adapter/remaps.h"
#include "expr/conversions.h"

namespace kovi::adapter {

namespace {

EngineError no_dp_for(std::string_view code) {
  std::string message = "no dp for ";
  message.append(code);
  return unsupported_error(std::move(message));
}

const Value& request_of(const Value& r) { return r; }
const Value& request_of(const Value* r) { return *r; }

template <typename Requests>
Result<Value> write_requests(const Adapter& adapter, const Requests& requests) {
  if (!requests.empty() && adapter.size() == 0)
    return no_dp_for(expr::text_of(request_of(requests[0]).get("code")));
  Value written = Value::object();
  const Value& remaps = adapter.remaps();
  for (const auto& item : requests) {
    const Value& r = request_of(item);
    std::string_view code = expr::text_of(r.get("code"));
    auto e = adapter.first_with_code(code);
    if (!e) return no_dp_for(code);
    const Value& remap = remaps.get(code);
    Value x = invert_by(remap, r.get("value"));
    for (const json::Member& m : remap.get("alias").members())
      if (json::same(m.value, x)) {
        x = Value(m.key());
        break;
      }
    WriteOutcome y = strategy_write(e->converter, x, e->config);
    if (!y) return std::move(y).error();
    written.set(e->dp_id, std::move(y).value());
  }
  if (written.empty()) return unsupported_error("no dp for command");
  return written;
}

}  // namespace

Result<Value> adapter_write(const Adapter& adapter, std::span<const Value> requests) {
  return write_requests(adapter, requests);
}

Result<Value> adapter_write(const Adapter& adapter, std::span<const Value* const> requests) {
  return write_requests(adapter, requests);
}

WriteOutcome strategy_write(const Converter* converter, const Value& host, const Value& config) {
  if (converter == nullptr || converter->write == nullptr) return unsupported_error(std::string(kNoInverse));
  return converter->write(host, config);
}

WriteOutcome strategy_write(std::string_view name, const Value& host, const Value& config) {
  return strategy_write(find_converter(name), host, config);
}

}  // namespace kovi::adapter
