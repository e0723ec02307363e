#include "data/dp_kind.h"

namespace kovi::data {

std::string_view kind_name(DpKind k) noexcept { return kKindNames[static_cast<std::size_t>(k)]; }

std::optional<DpKind> kind_from_name(std::string_view name) noexcept {
  for (std::size_t i = 0; i < kKindNames.size(); ++i)
    if (kKindNames[i] == name) return static_cast<DpKind>(i);
  return std::nullopt;
}

std::optional<DpKind> parse_kind(std::string_view t) noexcept {
  if (auto k = kind_from_name(t)) return k;
  struct Alias {
    std::string_view text;
    DpKind kind;
  };
  static constexpr Alias kAliases[] = {
      {"value", DpKind::Integer}, {"bool", DpKind::Boolean}, {"enum", DpKind::Enum},   {"bitmap", DpKind::Bitmap},
      {"json", DpKind::Json},     {"raw", DpKind::Raw},      {"string", DpKind::String},
  };
  for (const Alias& a : kAliases)
    if (a.text == t) return a.kind;
  return std::nullopt;
}

DpKind kind_field(json::RecordReader& reader, std::string_view field) {
  const json::Value* v = reader.field(field);
  if (v == nullptr) return DpKind::Integer;
  if (!v->is_string()) {
    reader.fail(json::invalid_type(*v, "enum DpKind"));
    return DpKind::Integer;
  }
  if (auto k = kind_from_name(v->as_string())) return *k;
  reader.fail(json::unknown_variant(v->as_string(), json::variant_list(kKindNames)));
  return DpKind::Integer;
}

}  // namespace kovi::data
