#include "plan/resolve_use.h"

namespace kovi::plan {

const json::Value& resolve_use(const json::Value& rules, const json::Value& v) noexcept {
  const json::Value* current = &v;
  for (int i = 0; i < kMaxTemplateReplacements; ++i) {
    const json::Value* use = current->find("$use");
    if (use == nullptr || !use->is_string()) break;
    current = &rules.get("templates").get(use->as_string());
  }
  return *current;
}

}  // namespace kovi::plan
