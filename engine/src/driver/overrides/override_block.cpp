#include "driver/overrides/override_block.h"

#include "data/dp_kind.h"
#include "driver/overrides/cover_block.h"
#include "driver/overrides/declarative_converter.h"

namespace kovi::overrides {

namespace {

using json::Value;

constexpr std::string_view kBlockKeys[] = {"dp",    "remove",        "category", "props", "device", "converters",
                                           "remap", "expose_unused", "auto",     "cover", "delta"};
constexpr std::string_view kObjectSections[] = {"dp", "props", "remap", "converters"};
constexpr std::string_view kSwitches[] = {"auto", "expose_unused"};
constexpr std::string_view kDeviceKeys[] = {"kind", "class", "label", "vendor", "model"};
constexpr std::string_view kDeltaKeys[] = {"accept_passive"};

constexpr std::string_view kDpKeys[] = {"code", "type", "values", "mode", "report_type"};
constexpr std::string_view kDpModes[] = {"R", "W", "RW"};

// Keys of a patch for a property the plan has, and of a patch that adds a
// property fed by a data point ("src").
constexpr std::string_view kPatchKeys[] = {"label", "class", "category", "unit", "series", "rw", "role", "hide"};
constexpr std::string_view kSourcedPatchKeys[] = {"src", "type", "label", "class", "category", "unit",    "series",
                                                  "rw",  "role", "min",   "max",   "step",     "options", "send"};
constexpr std::string_view kPatchTexts[] = {"label", "class", "category", "unit", "series"};
constexpr std::string_view kPatchTypes[] = {"text", "binary", "number", "trigger"};
constexpr std::string_view kNumberBounds[] = {"min", "max", "step"};

constexpr std::string_view kRemapKeys[] = {"alias", "invert"};

bool nonempty_string(const Value& v) noexcept { return v.is_string() && !v.as_string().empty(); }

// A definition either defines a data point ("type" present) or renames the
// data point with that id (only "code").
Check check_dp_definition(const Value& def) {
  if (auto failure = unknown_key(def, kDpKeys)) return failure;
  // The code becomes the data point's name in the device description, so
  // only a non-empty text will do.
  if (!nonempty_string(def.get("code"))) return "invalid dp definition";
  const Value* type = def.find("type");
  if (!type) {
    if (def.size() != 1) return "a rename takes only a `code`";
    return std::nullopt;
  }
  if (!type->is_string() || !data::parse_kind(type->as_string())) return "invalid dp definition";
  if (const Value* mode = def.find("mode"); mode && !string_in(*mode, kDpModes)) return "invalid mode";
  return std::nullopt;
}

Check check_property_patch(const Value& patch) {
  if (!patch.is_object()) return "property patch must be object";
  const Value* src = patch.find("src");
  const std::span<const std::string_view> keys =
      src ? std::span<const std::string_view>(kSourcedPatchKeys) : std::span<const std::string_view>(kPatchKeys);
  if (auto failure = unknown_key(patch, keys)) return failure;
  if (const Value* hide = patch.find("hide"); hide && !hide->is_bool()) return "hide needs bool";
  if (const Value* role = patch.find("role"); role && !string_or_null(*role)) return "invalid role";
  // A planned property can be made read-only, never writable. A property
  // fed by a data point may ask to be writable; whether its data point
  // allows that is known only when the patch is applied.
  if (const Value* rw = patch.find("rw"); !src && rw && !(rw->is_bool() && !rw->as_bool()))
    return "rw can only be false";

  const Value* type = nullptr;
  if (src) {
    if (!nonempty_string(*src)) return "src needs code";
    type = patch.find("type");
    if (type && !string_in(*type, kPatchTypes)) return "invalid property type";
    const bool trigger = type && type->as_string() == "trigger";
    if (trigger != (patch.find("send") != nullptr)) return "trigger needs send";
  }
  for (std::string_view key : kPatchTexts) {
    const Value* v = patch.find(key);
    if (v && !string_or_null(*v)) return concat("property ", key, ": needs string or null");
  }
  for (std::string_view key : kNumberBounds) {
    const Value* v = patch.find(key);
    if (!v) continue;
    if (!v->is_number()) return concat(key, " needs number");
    // Without a "type" the property takes its data point's natural type,
    // which is known only when the patch is applied.
    if (type && type->as_string() != "number") return concat(key, " only applies to number");
  }
  return std::nullopt;
}

Check check_remap_entry(const Value& entry) {
  if (!entry.is_object()) return "remap needs object";
  if (auto failure = unknown_key(entry, kRemapKeys)) return failure;
  if (const Value* invert = entry.find("invert"); invert && !invert->is_bool()) return "invert needs bool";
  if (const Value* alias = entry.find("alias")) {
    if (!alias->is_object()) return "alias needs object";
    for (const json::Member& m : alias->members())
      if (!m.value.is_string()) return "alias values need strings";
  }
  return std::nullopt;
}

Check check_device(const Value& device) {
  // Identity texts are named members; any other value names nothing.
  if (!device.is_object()) return "device: must be object";
  if (auto failure = unknown_key(device, kDeviceKeys)) return failure;
  for (const json::Member& m : device.members())
    if (!string_or_null(m.value)) return concat("device.", m.key(), ": needs a string or null");
  return std::nullopt;
}

Check check_delta(const Value& delta) {
  // Driver creation merges this over its delta defaults, member by member.
  if (!delta.is_object()) return "delta: must be object";
  if (auto failure = unknown_key(delta, kDeltaKeys)) return failure;
  if (const Value* accept = delta.find("accept_passive"); accept && !accept->is_bool())
    return "accept_passive: true or false";
  return std::nullopt;
}

Check check_remove(const Value& remove) {
  if (!remove.is_array()) return "remove needs list of codes";
  for (const Value& code : remove.items())
    if (!code.is_string()) return "remove needs list of codes";
  return std::nullopt;
}

}  // namespace

Check validate_override_block(const Value& block, const Value& rule_pack, bool /*top_level*/) {
  if (!block.is_object()) return "override block must be object";
  if (auto failure = unknown_key(block, kBlockKeys)) return failure;
  for (std::string_view key : kObjectSections)
    if (const Value* v = block.find(key); v && !v->is_object()) return concat(key, ": must be object");
  if (const Value* category = block.find("category"); category && !nonempty_string(*category))
    return "category: needs a nonempty string";
  if (const Value* device = block.find("device"))
    if (auto failure = check_device(*device)) return failure;
  for (const json::Member& m : block.get("dp").members())
    if (auto failure = check_dp_definition(m.value)) return failure;
  for (std::string_view key : kSwitches)
    if (const Value* v = block.find(key); v && !v->is_bool()) return concat(key, ": true or false");
  if (const Value* remove = block.find("remove"))
    if (auto failure = check_remove(*remove)) return failure;
  for (const json::Member& m : block.get("props").members())
    if (auto failure = check_property_patch(m.value)) return failure;
  for (const json::Member& m : block.get("remap").members())
    if (auto failure = check_remap_entry(m.value)) return failure;
  if (const Value* cover = block.find("cover"))
    if (auto failure = validate_cover_block(*cover, rule_pack, true)) return failure;
  if (const Value* delta = block.find("delta"))
    if (auto failure = check_delta(*delta)) return failure;
  for (const json::Member& m : block.get("converters").members()) {
    if (m.key() != "declarative") return concat("unknown converter ", m.key());
    if (auto failure = validate_converter(m.value, rule_pack)) return failure;
  }
  return std::nullopt;
}

}  // namespace kovi::overrides
