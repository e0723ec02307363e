// Reading records (plain data with named fields) from JSON values.
//
// Every record of the engine (plans, roles, adapters, driver states, inputs)
// is read through this one piece, so that every reader fails with the same
// reasons:
//   missing field `{}`            a required field is absent
//   duplicate field `{}`          a field is given twice
//   invalid type: {}, expected {} a value of the wrong JSON type
//   invalid value: {}, expected {} a value of the right type but not allowed
//   invalid length {}, expected {} an array of the wrong size
//   unknown variant `{}`, expected {} an enumeration text that is not known
// A request member that fails to read is reported as "{member}: {reason}".
//
// A RecordReader is sticky: the first failure is kept, later reads return
// empty defaults, and finish() reports it. Records may also be given as
// arrays whose elements are the fields in their written order.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "api/engine_error.h"
#include "json/value.h"

namespace kovi::json {

// How a value is named in a reason: null, boolean `true`, integer `5`,
// floating point `1.5`, string "x", sequence, map.
std::string describe_unexpected(const Value& v);

std::string missing_field(std::string_view name);
std::string duplicate_field(std::string_view name);
std::string invalid_type(const Value& v, std::string_view expected);
std::string invalid_value(const Value& v, std::string_view expected);
std::string invalid_length(std::size_t n, std::string_view expected);
// `expected` lists the variants: "one of `a`, `b`" is built by variant_list.
std::string unknown_variant(std::string_view text, std::string_view expected);
std::string variant_list(std::span<const std::string_view> names);

// The reasons' expected-texts for plain JSON types.
inline constexpr std::string_view kExpectString = "a string";
inline constexpr std::string_view kExpectBool = "a boolean";
inline constexpr std::string_view kExpectU64 = "u64";
inline constexpr std::string_view kExpectI64 = "i64";
inline constexpr std::string_view kExpectF64 = "f64";
inline constexpr std::string_view kExpectSeq = "a sequence";
inline constexpr std::string_view kExpectMap = "a map";

class RecordReader {
 public:
  // `expected` names the record in reasons ("struct Plan"). `fields` lists
  // the field names in their written order; it enables the array form.
  RecordReader(const Value& v, std::string_view expected, std::span<const std::string_view> fields = {},
               bool allow_array = false);

  bool ok() const noexcept { return error_.empty(); }
  // Records a failure (the first one wins).
  void fail(std::string reason);

  // The field's value; nullptr when absent. A required absent field fails
  // with "missing field".
  const Value* field(std::string_view name, bool required = true);

  // Typed reads; a null value of an optional field counts as absent.
  std::string string(std::string_view name);
  bool boolean(std::string_view name);
  std::uint64_t u64(std::string_view name);
  double f64(std::string_view name);
  // The field as an object / array value (copied), or null.
  Value object(std::string_view name, bool required = true);
  Value array(std::string_view name, bool required = true);
  Value any(std::string_view name, bool required = true);

  // An engine error of kind Request carrying the first reason, or success.
  Status finish() const;
  const std::string& reason() const noexcept { return error_; }

 private:
  const Value& v_;
  std::string_view expected_;
  std::span<const std::string_view> fields_;
  bool positional_ = false;
  std::string error_;
};

// Reads a request member through a record reader and prefixes a failure
// with the member's name ("plan: missing field `roles`").
EngineError member_error(std::string_view member, const EngineError& reason);

}  // namespace kovi::json
