// Lists of names given in rule packs and requests: a string stands for a
// one-name list, an array for its elements read as text (a non-string
// element is ""), anything else for no names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "json/value.h"

namespace kovi::plan {

std::vector<std::string> text_list(const json::Value& v);

// The same list as views into `v`, for callers that keep `v` alive while
// they use it (a request member, a rule pack section).
std::vector<std::string_view> text_views(const json::Value& v);

}  // namespace kovi::plan
