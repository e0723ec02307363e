// The converter table: every converter name the adapter knows, with its
// reader (DP value to host value) and its encoder (host value to DP value),
// if it has one. Adding a converter is adding one entry to a group; the
// names are listed once, in the groups.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "api/engine_error.h"
#include "json/value.h"

namespace kovi::adapter {

using json::Value;

// A reader's outcome: the host value, or a failure message (which drops the
// DP from a report, or becomes an Invalid error of strategy_read).
using ReadOutcome = Result<Value, std::string>;
// An encoder's outcome: the raw value, or an engine error.
using WriteOutcome = Result<Value>;

// raw: the DP value (never null: strategy_read settles null values before
// calling a reader, except for converters marked reads_null); config: the
// entry's config; rules: the rule pack document (only "db_v1_alarm" reads
// it).
using ReadFn = ReadOutcome (*)(const Value& raw, const Value& config, const Value& rules);
using WriteFn = WriteOutcome (*)(const Value& host, const Value& config);

enum class NullRead : std::uint8_t {
  Runs,         // the reader runs for a null value too ("default", "enum")
  GivesNull,    // a null value reads as null
  GivesEmpty,   // a null value reads as "" ("hb_range_v1", "hb_range_v2", "hb_jsq_lightv1")
};

struct Converter {
  std::string_view name;
  ReadFn read;
  WriteFn write;  // nullptr: the conversion has no inverse
  NullRead null_read;
};

// The converter of that name (compared byte for byte), or nullptr.
const Converter* find_converter(std::string_view name);

// The groups the table is made of.
std::span<const Converter> general_converters();  // default, enum, hb_range_v1/v2, hb_jsq_lightv1
std::span<const Converter> payload_converters();  // metering, schedules, colours, scenes, cleaning

}  // namespace kovi::adapter
