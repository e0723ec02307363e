// The rule pack schema the engine carries.
//
// The schema is JSON text compiled into the library. It is read once per
// process, on first use, under a once-only initialisation, and then shared
// read-only by every thread. Only keywords the schema validator understands
// appear in it ("$schema", "$id", "title" and "$defs" are carried but not
// interpreted; "$defs" is reached through "$ref").
#pragma once

#include <string_view>

#include "api/engine_error.h"
#include "json/value.h"

namespace kovi::rules {

// The schema's text as carried.
std::string_view rule_pack_schema_text() noexcept;

// The carried schema read into a value, or (should the text ever fail to
// read) an engine error of kind Rules carrying the reader's message.
Result<const json::Value*> rule_pack_schema();

// The carried schema without its top-level "required" list: what layers are
// checked against while the pack they build is still incomplete. Read once
// per process like the full schema; its references resolve against the full
// schema.
Result<const json::Value*> relaxed_rule_pack_schema();

}  // namespace kovi::rules
