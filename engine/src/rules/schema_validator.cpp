#include "rules/schema_validator.h"

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "expr/unicode_text.h"
#include "json/writer.h"

namespace kovi::rules {

using json::Value;

namespace {

bool type_matches(std::string_view name, const Value& v) {
  if (name == "object") return v.is_object();
  if (name == "array") return v.is_array();
  if (name == "string") return v.is_string();
  if (name == "number") return v.is_number();
  if (name == "boolean") return v.is_bool();
  return false;
}

// Reads one pointer token, undoing "~1" -> "/" and "~0" -> "~". False for a
// '~' that starts neither.
bool unescape_token(std::string_view raw, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c != '~') {
      out.push_back(c);
      continue;
    }
    if (i + 1 == raw.size()) return false;
    char e = raw[++i];
    if (e == '1') out.push_back('/');
    else if (e == '0') out.push_back('~');
    else return false;
  }
  return true;
}

// An array position: "0" or decimal digits without a leading zero.
const Value* array_element(const Value& array, std::string_view token) {
  if (token.empty() || token.size() > 19) return nullptr;
  if (token.size() > 1 && token[0] == '0') return nullptr;
  std::size_t n = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return nullptr;
    n = n * 10 + static_cast<std::size_t>(c - '0');
  }
  return n < array.size() ? &array[n] : nullptr;
}

// One array or object being walked, with its resolved schema node.
struct Frame {
  Frame(const Value* v, const Value* n) : value(v), node(n) {}

  const Value* value;
  const Value* node;
  std::size_t next = 0;     // the member / element to visit next
  std::size_t checked = 0;  // arrays: elements already checked for uniqueness
  bool unique = false;
  // Arrays with "uniqueItems": strings seen so far (hashed, as almost every
  // unique list is a list of names) and the earlier elements of other types.
  std::unique_ptr<std::unordered_set<std::string_view>> seen_strings;
  std::vector<const Value*> seen_others;
};

class Walker {
 public:
  Walker(const Value& root, std::string_view base) : root_(root), base_(base) {}

  std::optional<std::string> run(const Value& value, const Value& node) {
    if (auto e = enter(value, &node)) return e;
    while (!frames_.empty()) {
      Frame& f = frames_.back();
      if (f.value->is_array()) {
        if (f.unique && f.checked < f.next) {
          f.checked = f.next;
          if (repeats_earlier(f, f.value->items()[f.next - 1])) return "rules " + path() + ": duplicate item";
        }
        if (f.next == f.value->size()) {
          frames_.pop_back();
          continue;
        }
        const Value& element = f.value->items()[f.next++];
        const Value* items = f.node->find("items");
        if (items != nullptr)
          if (auto e = enter(element, items)) return e;
        continue;
      }
      if (f.next == f.value->size()) {
        frames_.pop_back();
        continue;
      }
      const json::Member& m = f.value->members()[f.next++];
      const Value* sub = nullptr;
      const Value* props = f.node->find("properties");
      if (props != nullptr && props->is_object()) sub = props->find(m.key());
      if (sub == nullptr) {
        const Value* extra = f.node->find("additionalProperties");
        if (extra != nullptr && extra->is_object())
          sub = extra;
        else if (extra != nullptr && extra->is_bool() && !extra->as_bool())
          return "rules " + path() + ": unknown field " + std::string(m.key());
      }
      if (sub != nullptr)
        if (auto e = enter(m.value, sub)) return e;
    }
    return std::nullopt;
  }

 private:
  // Applies the keywords that look at the value itself and, for a non-empty
  // array or object, pushes a frame for its members.
  std::optional<std::string> enter(const Value& v, const Value* node) {
    node = resolve(node);
    if (node == nullptr) return std::string("invalid schema reference");
    if (!node->is_object()) return std::nullopt;

    if (const Value* type = node->find("type"); type != nullptr && type->is_string())
      if (!type_matches(type->as_string(), v)) return "rules " + here() + ": expected " + json::to_json(*type);
    if (const Value* c = node->find("const"); c != nullptr)
      if (!json::same(v, *c)) return "rules " + here() + ": expected " + json::to_json(*c);
    if (const Value* e = node->find("enum"); e != nullptr && e->is_array()) {
      bool found = false;
      for (const Value& option : e->items())
        if (json::same(v, option)) {
          found = true;
          break;
        }
      if (!found) return "rules " + here() + ": unsupported value " + json::to_json(v);
    }

    if (v.is_string()) {
      const Value* min = node->find("minLength");
      if (min != nullptr && min->is_uint() && utf8_scalar_count(v.as_string()) < min->as_uint())
        return "rules " + here() + ": string too short";
      return std::nullopt;
    }
    if (v.is_object()) {
      if (const Value* req = node->find("required"); req != nullptr && req->is_array()) {
        for (const Value& name : req->items()) {
          if (!name.is_string()) return std::string("invalid schema required field");
          if (v.find(name.as_string()) == nullptr) return "rules " + here() + ": missing " + json::to_json(name);
        }
      }
      if (!v.empty()) frames_.emplace_back(&v, node);
      return std::nullopt;
    }
    if (v.is_array() && !v.empty()) {
      Frame f(&v, node);
      const Value* unique = node->find("uniqueItems");
      f.unique = unique != nullptr && unique->is_bool() && unique->as_bool();
      frames_.push_back(std::move(f));
    }
    return std::nullopt;
  }

  // Follows "$ref" until a node without one; nullptr when a reference
  // designates nothing or the references go round in a circle.
  const Value* resolve(const Value* node) const {
    std::vector<const Value*> visited;
    while (node->is_object()) {
      const Value* ref = node->find("$ref");
      if (ref == nullptr || !ref->is_string()) break;
      for (const Value* seen : visited)
        if (seen == node) return nullptr;
      visited.push_back(node);
      node = resolve_schema_pointer(root_, ref->as_string());
      if (node == nullptr) return nullptr;
    }
    return node;
  }

  static bool repeats_earlier(Frame& f, const Value& element) {
    if (element.is_string()) {
      if (!f.seen_strings) f.seen_strings = std::make_unique<std::unordered_set<std::string_view>>();
      return !f.seen_strings->insert(element.as_string()).second;
    }
    for (const Value* earlier : f.seen_others)
      if (json::same(*earlier, element)) return true;
    f.seen_others.push_back(&element);
    return false;
  }

  static void append_segment(const Frame& f, std::string& out) {
    out.push_back('/');
    if (f.value->is_object())
      out.append(f.value->members()[f.next - 1].key());
    else
      out.append(std::to_string(f.next - 1));
  }

  // Path of the innermost container being walked.
  std::string path() const {
    std::string out(base_);
    for (std::size_t i = 0; i + 1 < frames_.size(); ++i) append_segment(frames_[i], out);
    return out;
  }

  // Path of the value being entered: the root, or the current member or
  // element of the innermost container.
  std::string here() const {
    std::string out(base_);
    for (const Frame& f : frames_) append_segment(f, out);
    return out;
  }

  const Value& root_;
  std::string_view base_;
  std::vector<Frame> frames_;
};

}  // namespace

const Value* resolve_schema_pointer(const Value& root, std::string_view ref) {
  while (!ref.empty() && ref.front() == '#') ref.remove_prefix(1);
  const Value* node = &root;
  if (ref.empty()) return node;
  if (ref.front() != '/') return nullptr;
  std::string token;
  while (!ref.empty()) {
    ref.remove_prefix(1);  // the '/'
    std::size_t end = ref.find('/');
    std::string_view raw = ref.substr(0, end);
    ref = end == std::string_view::npos ? std::string_view() : ref.substr(end);
    if (!unescape_token(raw, token)) return nullptr;
    if (node->is_object())
      node = node->find(token);
    else if (node->is_array())
      node = array_element(*node, token);
    else
      node = nullptr;
    if (node == nullptr) return nullptr;
  }
  return node;
}

std::optional<std::string> validate_schema(const Value& value, const Value& node, const Value& root,
                                           std::string_view path) {
  return Walker(root, path).run(value, node);
}

}  // namespace kovi::rules
