#include "rules/rule_layering.h"

#include <optional>
#include <string>
#include <vector>

#include "rules/rule_pack_check.h"
#include "rules/rule_schema.h"
#include "rules/schema_validator.h"

namespace kovi::rules {

using json::Value;

namespace {

// {"$delete": true} and nothing else.
bool is_delete(const Value& v) {
  if (!v.is_object() || v.size() != 1) return false;
  const Value* flag = v.find("$delete");
  return flag != nullptr && flag->is_bool() && flag->as_bool();
}

// The elements of {"$append": [...]} and nothing else, or nullptr.
const Value* append_items(const Value& v) {
  if (!v.is_object() || v.size() != 1) return nullptr;
  const Value* items = v.find("$append");
  return items != nullptr && items->is_array() ? items : nullptr;
}

// A named layer is exactly {"source": text, "rules": patch}; every other
// element is its own patch, named by its position.
struct Layer {
  std::string name;
  const Value* patch;
};

Layer layer_at(const Value& element, std::size_t position) {
  if (element.is_object() && element.size() == 2) {
    const Value* source = element.find("source");
    const Value* rules = element.find("rules");
    if (source != nullptr && source->is_string() && rules != nullptr)
      return {std::string(source->as_string()), rules};
  }
  return {"layer " + std::to_string(position), &element};
}

// Whether `pack` has every section the schema requires.
bool has_required_sections(const Value& pack, const Value& schema) {
  for (const Value& name : schema.get("required").items())
    if (!name.is_string() || pack.find(name.as_string()) == nullptr) return false;
  return true;
}

}  // namespace

void apply_patch(Value& target, const Value& patch) {
  if (!patch.is_object()) {
    target = patch;
    return;
  }
  if (!target.is_object()) target = Value::object();
  struct Frame {
    Value* target;
    const Value* patch;
    std::size_t next;
  };
  // A frame's target is a member of the frame below it; that object is not
  // changed while the frame above is open, so the pointer stays valid.
  std::vector<Frame> stack;
  stack.push_back({&target, &patch, 0});
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.next == f.patch->size()) {
      stack.pop_back();
      continue;
    }
    const json::Member& m = f.patch->members()[f.next++];
    Value& into = *f.target;
    if (is_delete(m.value)) {
      into.erase(m.key());
      continue;
    }
    if (const Value* items = append_items(m.value)) {
      Value* existing = into.find(m.key());
      if (existing != nullptr && existing->is_array()) {
        existing->reserve(existing->size() + items->size());
        for (const Value& item : items->items()) existing->push_back(item);
      } else {
        into.set(m.key(), *items);
      }
      continue;
    }
    Value& slot = into.slot(m.key());
    if (!m.value.is_object()) {
      slot = m.value;
      continue;
    }
    if (!slot.is_object()) slot = Value::object();
    stack.push_back({&slot, &m.value, 0});
  }
}

Result<Value> merge_rule_layers(const Value* base, const Value& layers, bool tolerant) {
  Value pack;
  if (base != nullptr) {
    if (!base->is_object()) return rules_error("rule base must be a JSON object");
    pack = *base;
  } else {
    pack = Value::object();
  }

  const Value* full = nullptr;
  const Value* relaxed = nullptr;
  if (tolerant) {
    auto f = rule_pack_schema();
    if (!f.ok()) return std::move(f).error();
    auto r = relaxed_rule_pack_schema();
    if (!r.ok()) return std::move(r).error();
    full = *f;
    relaxed = *r;
  }

  Value sources = Value::array();
  Value warnings = Value::array();
  std::size_t position = 0;
  for (const Value& element : layers.items()) {
    Layer layer = layer_at(element, position++);
    std::optional<std::string> failure;
    if (!layer.patch->is_object()) {
      failure = "rule layer must be a JSON object";
    } else if (!tolerant) {
      // A strict merge judges only its result, and a failing layer ends it,
      // so the pack itself can take the patch.
      apply_patch(pack, *layer.patch);
    } else {
      // Each layer works on its own copy, so a skipped one leaves no trace.
      Value candidate = pack;
      apply_patch(candidate, *layer.patch);
      const Value& schema = has_required_sections(pack, *full) ? *full : *relaxed;
      failure = validate_schema(candidate, schema, *full);
      if (!failure) {
        Status overrides = check_pack_overrides(candidate);
        if (!overrides.ok()) failure = std::move(overrides).error().message;
      }
      if (!failure) pack = std::move(candidate);
    }
    if (failure) {
      std::string text = layer.name + ": " + *failure;
      if (!tolerant) return rules_error(std::move(text));
      warnings.push_back(Value(text));
      continue;
    }
    sources.push_back(Value(layer.name));
  }

  if (Status checked = check_rule_pack(pack); !checked.ok()) return std::move(checked).error();
  Value result = Value::object(3);
  result.append("rules", std::move(pack));
  result.append("sources", std::move(sources));
  result.append("warnings", std::move(warnings));
  return result;
}

}  // namespace kovi::rules
