// A request as an operation sees it, and the ways of reading its members.
#pragma once

#include <string_view>

#include "api/engine_error.h"
#include "api/rule_pack.h"
#include "json/record.h"
#include "json/value.h"

namespace kovi {

struct Request {
  const json::Value& doc;           // the request value (any JSON value)
  const RulePack* rules = nullptr;  // the pack of a Ruled operation
  json::Value* movable = nullptr;   // the same request, when members may be taken

  // A plain value taken out of the request without copying when the
  // request allows it (a large member the operation keeps, such as a pack
  // to install); a copy otherwise.
  json::Value take(std::string_view name) const {
    if (movable != nullptr)
      if (json::Value* m = movable->find(name)) return std::move(*m);
    return member(name);
  }

  // Plain value: the member, or null when absent (or the request is not an
  // object).
  const json::Value& member(std::string_view name) const { return doc.get(name); }
  // String: the member's text when it is a string, "" otherwise.
  std::string_view text(std::string_view name) const { return doc.get(name).as_string(); }
  // Record: read with `reader` (a function from a value to Result<T>); a
  // failure is reported as "{name}: {reason}".
  template <typename Reader>
  auto record(std::string_view name, Reader&& reader) const -> decltype(reader(doc)) {
    auto r = reader(doc.get(name));
    if (!r.ok()) return json::member_error(name, r.error());
    return r;
  }
};

}  // namespace kovi
