// The "merge_rules" operation: reads the request and hands it to layering.
#include "rules/rule_layering.h"

namespace kovi {

Result<json::Value> op_merge_rules(const Request& req) {
  const json::Value& tolerant = req.member("tolerant");
  // "base" is the one member whose absence differs from null: absent starts
  // from an empty pack, null is not an object.
  return rules::merge_rule_layers(req.doc.find("base"), req.member("layers"), tolerant.is_bool() && tolerant.as_bool());
}

}  // namespace kovi
