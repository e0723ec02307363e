#include "plan/text_list.h"

#include "expr/program.h"

namespace kovi::plan {

std::vector<std::string_view> text_views(const json::Value& v) {
  std::vector<std::string_view> out;
  if (v.is_string()) {
    out.push_back(v.as_string());
  } else if (v.is_array()) {
    out.reserve(v.size());
    for (const json::Value& e : v.items()) out.push_back(expr::name_text(e));
  }
  return out;
}

std::vector<std::string> text_list(const json::Value& v) {
  std::vector<std::string_view> views = text_views(v);
  return std::vector<std::string>(views.begin(), views.end());
}

}  // namespace kovi::plan
