// Validation of override documents: the "overrides" section of a rule pack
// and the "overrides" option of driver creation, {name: block, ...}.
#pragma once

#include <optional>
#include <string>

#include "driver/overrides/cover_block.h"
#include "driver/overrides/declarative_converter.h"
#include "driver/overrides/override_block.h"
#include "json/value.h"

namespace kovi::overrides {

// Checks an overrides document ({name: block, ...}) against the rule pack
// it belongs to (or the pack a driver is created with). nullopt when every
// block is valid, otherwise the first failure's message; a block's failure
// reads "{name}: {message}".
std::optional<std::string> validate_overrides(const json::Value& document, const json::Value& rule_pack);

}  // namespace kovi::overrides
