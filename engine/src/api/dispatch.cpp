#include "api/dispatch.h"

#include "api/operations.h"
#include "api/registry.h"
#include "api/rule_pack.h"

namespace kovi {

namespace {

// An inline pack, moved out of the request (never copied), checked and
// fingerprinted. It serves this request only and never touches the registry.
Result<RulePackRef> inline_rules(json::Value& rules) {
  json::Value document = std::move(rules);
  rules = json::Value();
  return build_rule_pack(std::move(document));
}

}  // namespace

Result<json::Value> dispatch(json::Value& request) {
  const json::Value& op = request.get("op");
  const Operation* operation = op.is_string() ? find_operation(op.as_string()) : nullptr;
  if (operation == nullptr) return invalid_error("unknown engine operation");
  if (operation->group == Group::Plain) return operation->handler(Request{request, nullptr, &request});

  json::Value* rules = request.find("rules");
  Result<RulePackRef> pack = (rules == nullptr || rules->is_null())
                                 ? lookup_rules(request.get("rules_id").as_string())
                                 : inline_rules(*rules);
  if (!pack.ok()) return std::move(pack).error();
  // The reference keeps the pack alive for the whole operation, even when
  // it is removed from the registry meanwhile.
  RulePackRef held = std::move(pack).value();
  return operation->handler(Request{request, held.get()});
}

}  // namespace kovi
