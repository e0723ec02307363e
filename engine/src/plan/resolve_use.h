// Template references in rule pack values: {"$use": "name"} stands for the
// pack's template of that name. Entity sections (variants, state, actions,
// role order) may be written this way.
#pragma once

#include "json/value.h"

namespace kovi::plan {

// Longest chain of template references followed; a value reached after
// that many replacements is used as it is, "$use" and all.
inline constexpr int kMaxTemplateReplacements = 8;

// `v`, or the template it names: while the value is an object whose "$use"
// is a string, it is replaced by rules "templates"[that name] (null when
// missing), at most kMaxTemplateReplacements times. Never copies: the
// result is `v` itself, a part of `rules`, or the shared null, so it lives
// as long as the longer-lived of the two.
const json::Value& resolve_use(const json::Value& rules, const json::Value& v) noexcept;

}  // namespace kovi::plan
