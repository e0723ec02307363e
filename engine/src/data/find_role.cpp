#include "data/find_role.h"

#include <cstdint>
#include <limits>

#include "data/json_text.h"
#include "expr/conversions.h"
#include "expr/unicode_text.h"

namespace kovi::data {

using json::Value;

namespace {

constexpr std::string_view kIntegerFields[] = {"min", "max", "scale", "step"};

std::string cat(std::string_view a, std::string_view b, std::string_view c = {}, std::string_view d = {}) {
  std::string out;
  out.reserve(a.size() + b.size() + c.size() + d.size());
  out.append(a).append(b).append(c).append(d);
  return out;
}

// Optional sign and decimal digits, after trimming Unicode white space; the
// value must fit the signed 64-bit range.
std::optional<std::int64_t> integer_text(std::string_view text) {
  std::string_view t = unicode_trim(text);
  bool negative = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  if (t.empty()) return std::nullopt;
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : std::uint64_t{std::numeric_limits<std::int64_t>::max()};
  std::uint64_t n = 0;
  for (char ch : t) {
    if (ch < '0' || ch > '9') return std::nullopt;
    std::uint64_t digit = static_cast<std::uint64_t>(ch - '0');
    if (n > (limit - digit) / 10) return std::nullopt;
    n = n * 10 + digit;
  }
  if (!negative) return static_cast<std::int64_t>(n);
  return n == (std::uint64_t{1} << 63) ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(n);
}

std::optional<std::int64_t> integer_of(const Value& v) {
  switch (v.type()) {
    case json::Type::Uint:
      return v.as_uint() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                 ? std::numeric_limits<std::int64_t>::max()
                 : static_cast<std::int64_t>(v.as_uint());
    case json::Type::Int: return v.as_int();
    case json::Type::Float: return expr::to_int(v.as_float());
    case json::Type::Bool: return v.as_bool() ? 1 : 0;
    case json::Type::String: return integer_text(v.as_string());
    default: return std::nullopt;
  }
}

// An Integer DP's bounds, scale and step as integers, in place.
std::optional<std::string> normalise_integer_spec(std::string_view code, Value& values) {
  for (std::string_view name : kIntegerFields) {
    const Value* v = values.find(name);
    if (v == nullptr || v->is_null()) return cat("schema ", code, ": missing integer field");
  }
  for (std::string_view name : kIntegerFields) {
    Value* v = values.find(name);
    std::optional<std::int64_t> n = integer_of(*v);
    if (!n) return cat("schema ", code, ": invalid integer ", name);
    *v = Value(*n);
  }
  return std::nullopt;
}

bool needs_values(std::string_view kind) { return kind == "Enum" || kind == "Bitmap" || kind == "Integer"; }

template <typename Code>
RoleSearch search(const Value& d, std::span<const Code> codes, std::string_view kind, bool writable_first) {
  const std::string_view lists[2] = {writable_first ? "function" : "status_range",
                                     writable_first ? "status_range" : "function"};
  for (const Code& candidate : codes) {
    std::string_view code = candidate;
    for (std::string_view list : lists) {
      const Value& dp = d.get(list).get(code);
      std::optional<DpKind> dp_kind = parse_kind(dp.get("type").as_string());
      if ((dp_kind ? kind_name(*dp_kind) : std::string_view()) != kind) continue;
      Value values = json_text(dp.get("values"));
      if (needs_values(kind) && !expr::truthy(values)) continue;

      if (kind == "Integer")
        if (auto failure = normalise_integer_spec(code, values)) return std::move(*failure);
      std::optional<DpKind> role_kind = parse_kind(kind);
      if (!role_kind) return std::string("invalid dp kind");
      return std::optional<Role>(
          Role{std::string(code), *role_kind, std::move(values), d.get("status_range").get(code).get("report_type")});
    }
  }
  return std::optional<Role>();
}

}  // namespace

RoleSearch find_role(const Value& d, std::span<const std::string_view> codes, std::string_view kind,
                     bool writable_first) {
  return search(d, codes, kind, writable_first);
}

RoleSearch find_role(const Value& d, std::span<const std::string> codes, std::string_view kind, bool writable_first) {
  return search(d, codes, kind, writable_first);
}

}  // namespace kovi::data
