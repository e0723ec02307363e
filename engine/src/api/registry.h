// The process-wide rule registry: installed rule packs by identifier.
#pragma once

#include <string_view>

#include "api/engine_error.h"
#include "api/rule_pack.h"

namespace kovi {

// The pack installed under `id`, or the registry's error.
Result<RulePackRef> lookup_rules(std::string_view id);

}  // namespace kovi
