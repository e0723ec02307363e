// DP kinds: what sort of value a data point carries.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "json/record.h"

namespace kovi::data {

enum class DpKind { Integer, Boolean, Enum, Bitmap, Json, Raw, String };

// The kinds' record names, in variant order.
inline constexpr std::array<std::string_view, 7> kKindNames = {"Integer", "Boolean", "Enum", "Bitmap",
                                                                "Json",    "Raw",     "String"};

// The canonical name of a kind ("Integer", ...), as records write it.
std::string_view kind_name(DpKind k) noexcept;

// A kind from a record: exactly one of the seven canonical names.
std::optional<DpKind> kind_from_name(std::string_view name) noexcept;

// A kind from a device description's looser type text ("value", "bool",
// "enum", ... or a canonical name), compared exactly; none otherwise.
std::optional<DpKind> parse_kind(std::string_view type_text) noexcept;

// Reads a record's kind field: one of the canonical names. Another string
// fails with "unknown variant", another type with "invalid type" (expected
// "enum DpKind"); either failure is kept by the reader.
DpKind kind_field(json::RecordReader& reader, std::string_view field);

}  // namespace kovi::data
