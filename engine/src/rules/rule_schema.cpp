#include "rules/rule_schema.h"

#include <string>

#include "json/reader.h"

namespace kovi::rules {

namespace {

// Format version 1 of the rule pack. Sections follow the document's own
// order; "required" lists the mandatory sections in the order in which a
// missing one is reported.
constexpr std::string_view kSchemaText = R"json({
  "$schema": "https://json-schema.org/draft/2020-12/schema",
  "$id": "urn:kovi2ildevice:rule-pack:1",
  "title": "Kovi portable rule pack version 1",
  "type": "object",
  "required": [
    "version", "platforms", "entities", "unused", "templates", "functions", "quirks", "units",
    "host_units", "maps", "features", "constants", "cover_defaults", "cover_switches",
    "motion_property", "strategies"
  ],
  "properties": {
    "version": {"const": 1},
    "platforms": {
      "type": "object",
      "additionalProperties": {
        "type": "object",
        "required": ["table", "categories"],
        "properties": {
          "table": {"type": "string"},
          "categories": {"type": "object"}
        },
        "additionalProperties": false
      }
    },
    "entities": {"type": "object", "additionalProperties": {"$ref": "#/$defs/entity"}},
    "unused": {
      "type": "object",
      "required": ["role", "variants"],
      "properties": {
        "role": {"type": "string", "minLength": 1},
        "variants": {"type": "array", "items": {"$ref": "#/$defs/unused"}}
      },
      "additionalProperties": false
    },
    "layout_common": {"type": "object"},
    "identity_defaults": {"type": "object"},
    "templates": {"type": "object"},
    "functions": {"type": "object", "additionalProperties": {"$ref": "#/$defs/function"}},
    "quirks": {"type": "object"},
    "units": {"type": "object"},
    "host_units": {"type": "object"},
    "rw_roles": {"type": "array", "items": {"type": "string"}, "uniqueItems": true},
    "maps": {"type": "object"},
    "features": {"type": "object"},
    "constants": {
      "type": "object",
      "properties": {
        "manufacturer": {"type": "string"},
        "vacuum_return_mode": {"type": "string", "minLength": 1},
        "alarm_non_triggering_messages": {"type": "array", "items": {"type": "string", "minLength": 1}},
        "temperature_unit_dp": {"type": "string", "minLength": 1}
      }
    },
    "cover_defaults": {"type": "object"},
    "cover_switches": {"type": "object"},
    "motion_property": {"type": "object"},
    "strategies": {"type": "array", "items": {"type": "string"}, "uniqueItems": true},
    "wind": {"type": "object"},
    "electricity": {"type": "object"},
    "meter_alarms": {"type": "object"},
    "overrides": {"type": "object", "additionalProperties": {"type": "object"}}
  },
  "additionalProperties": false,
  "$defs": {
    "entity": {
      "type": "object",
      "properties": {
        "params": {"type": "object"},
        "composite": {"type": "boolean"},
        "kind": {"type": "string", "minLength": 1},
        "expose": {"type": "boolean"},
        "update_all": {"type": "boolean"},
        "hazard": {},
        "role_order": {"type": "array", "items": {"type": "string"}, "uniqueItems": true},
        "cover": {"$ref": "#/$defs/cover"},
        "variants": {},
        "state": {},
        "actions": {"type": "object"},
        "layout": {},
        "finish": {}
      },
      "additionalProperties": false
    },
    "cover": {
      "type": "object",
      "required": ["position", "target", "instruction", "tilt", "words"],
      "properties": {
        "position": {"type": "array", "items": {"type": "string"}},
        "target": {"type": "string"},
        "instruction": {"type": "string"},
        "tilt": {"type": "string"},
        "words": {"type": "array", "items": {"type": "string"}}
      },
      "additionalProperties": false
    },
    "unused": {
      "type": "object",
      "required": ["when", "platform", "steps"],
      "properties": {
        "when": {},
        "platform": {"type": "string", "minLength": 1},
        "steps": {}
      },
      "additionalProperties": false
    },
    "function": {
      "type": "object",
      "required": ["params", "body"],
      "properties": {
        "params": {"type": "array", "items": {"type": "string"}, "uniqueItems": true},
        "body": {}
      },
      "additionalProperties": false
    }
  }
})json";

struct Schemas {
  json::Value full;
  json::Value relaxed;
  std::string error;  // the reader's message when the text did not read
};

const Schemas& schemas() {
  // A function-local static: initialised exactly once, other threads wait.
  static const Schemas loaded = [] {
    Schemas s;
    json::ReadResult r = json::read(kSchemaText);
    if (!r.ok()) {
      s.error = std::move(r.error);
      return s;
    }
    s.full = std::move(r.value);
    s.relaxed = s.full;
    s.relaxed.erase("required");
    return s;
  }();
  return loaded;
}

}  // namespace

std::string_view rule_pack_schema_text() noexcept { return kSchemaText; }

Result<const json::Value*> rule_pack_schema() {
  const Schemas& s = schemas();
  if (!s.error.empty()) return rules_error(s.error);
  return &s.full;
}

Result<const json::Value*> relaxed_rule_pack_schema() {
  const Schemas& s = schemas();
  if (!s.error.empty()) return rules_error(s.error);
  return &s.relaxed;
}

}  // namespace kovi::rules
