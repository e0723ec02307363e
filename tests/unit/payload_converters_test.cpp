// Payload converter cases from tests/adapter/*.jsonl. Every non-blank line
// is one case:
//   {"converter": N, "raw": R, "config": C, "rules": P, "value": V}
//       reading R through N gives V ("config" and "rules" are optional);
//   {"converter": N, "raw": R, ..., "error": "message"}   the reading fails;
//   {"encode": N, "host": H, "config": C, "raw": R}       writing H gives R;
//   {"encode": N, "host": H, ..., "error": "message", "kind": "Invalid"};
//   {"round_trip": N, "host": H, "config": C}
//       reading what writing H gives yields H again;
//   {"hex_field": [s, a, b], "value": n} or {..., "error": "invalid hex"};
//   {"text_form": X, "keys": "metering" | "colour" | "none", "value": V};
//   {"expr": E, "value": V}   the rule language's payload functions.
// In reading cases, "bytes" (hexadecimal digits, spaces allowed) may stand
// in for "raw": the raw value is then the base64 text of those bytes.
// Results are compared as compact JSON text, so number forms (1 vs 1.0),
// member order and the exact text of text forms count.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "adapter/converter.h"
#include "adapter/payload_text.h"
#include "expr/evaluate.h"
#include "json/reader.h"
#include "json/writer.h"
#include "platform/base64.h"
#include "case_files.h"

namespace {

namespace fs = std::filesystem;
using kovi::json::Value;
using kovi::json::to_json;

// The converter as the adapter finds it; only payload converters are
// exercised here.
const kovi::adapter::Converter* payload_converter(std::string_view name) {
  const auto* c = kovi::adapter::find_converter(name);
  for (const auto& p : kovi::adapter::payload_converters())
    if (&p == c) return c;
  return nullptr;
}

std::string bytes_of_hex(std::string_view hex) {
  std::string digits;
  for (char ch : hex)
    if (ch != ' ') digits.push_back(ch);
  std::string out;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    out.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return out;
}

const char* kind_name(kovi::ErrorKind k) {
  switch (k) {
    case kovi::ErrorKind::Invalid: return "Invalid";
    case kovi::ErrorKind::Unsupported: return "Unsupported";
    default: return "other";
  }
}

kovi::adapter::KeyList key_list(std::string_view name) {
  if (name == "metering") return kovi::adapter::kMeteringKeys;
  if (name == "colour") return kovi::adapter::kColourKeys;
  return {};
}

void check_read(const Value& c, const std::string& where) {
  const auto* conv = payload_converter(c.get("converter").as_string());
  ASSERT_NE(conv, nullptr) << where << "\n  no such converter";
  const Value raw = c.find("bytes") ? Value(kovi::base64_encode(bytes_of_hex(c.get("bytes").as_string())))
                                    : c.get("raw");
  auto r = conv->read(raw, c.get("config"), c.get("rules"));
  if (const Value* err = c.find("error")) {
    ASSERT_FALSE(r.ok()) << where << "\n  got " << to_json(r.value());
    EXPECT_EQ(r.error(), err->as_string()) << where;
  } else {
    ASSERT_TRUE(r.ok()) << where << "\n  failed: " << r.error();
    EXPECT_EQ(to_json(r.value()), to_json(c.get("value"))) << where;
  }
}

void check_write(const Value& c, const std::string& where) {
  const auto* conv = payload_converter(c.get("encode").as_string());
  ASSERT_TRUE(conv != nullptr && conv->write != nullptr) << where << "\n  no such encoder";
  auto w = conv->write(c.get("host"), c.get("config"));
  if (const Value* err = c.find("error")) {
    ASSERT_FALSE(w.ok()) << where << "\n  got " << to_json(w.value());
    EXPECT_EQ(w.error().message, err->as_string()) << where;
    EXPECT_EQ(kind_name(w.error().kind), c.get("kind").as_string()) << where;
  } else {
    ASSERT_TRUE(w.ok()) << where << "\n  failed: " << w.error().message;
    EXPECT_EQ(to_json(w.value()), to_json(c.get("raw"))) << where;
  }
}

void check_round_trip(const Value& c, const std::string& where) {
  const auto* conv = payload_converter(c.get("round_trip").as_string());
  ASSERT_TRUE(conv != nullptr && conv->write != nullptr) << where << "\n  no such encoder";
  auto w = conv->write(c.get("host"), c.get("config"));
  ASSERT_TRUE(w.ok()) << where << "\n  write failed: " << w.error().message;
  auto r = conv->read(w.value(), c.get("config"), Value());
  ASSERT_TRUE(r.ok()) << where << "\n  read of " << to_json(w.value()) << " failed: " << r.error();
  EXPECT_EQ(to_json(r.value()), to_json(c.get("host"))) << where << "\n  via " << to_json(w.value());
}

void check_hex_field(const Value& c, const std::string& where) {
  const Value& a = c.get("hex_field");
  auto n = kovi::adapter::hex_field(a[0].as_string(), a[1].as_uint(), a[2].as_uint());
  if (c.find("error")) {
    EXPECT_FALSE(n.has_value()) << where << "\n  got " << *n;
  } else {
    ASSERT_TRUE(n.has_value()) << where;
    EXPECT_EQ(to_json(Value(*n)), to_json(c.get("value"))) << where;
  }
}

void check_text_form(const Value& c, const std::string& where) {
  const Value t = kovi::adapter::text_form(c.get("text_form"), key_list(c.get("keys").as_string()));
  EXPECT_EQ(to_json(t), to_json(c.get("value"))) << where;
}

void check_expr(const Value& c, const std::string& where) {
  kovi::expr::RuleContext ctx;
  auto r = kovi::expr::evaluate(ctx, c.get("expr"));
  ASSERT_TRUE(r.ok()) << where << "\n  failed: " << r.error().message;
  EXPECT_EQ(to_json(r.value()), to_json(c.get("value"))) << where;
}

class PayloadConverterCases : public ::testing::TestWithParam<fs::path> {};

void check_case(const Value& c, const std::string& where) {
  if (c.find("converter"))
    check_read(c, where);
  else if (c.find("encode"))
    check_write(c, where);
  else if (c.find("round_trip"))
    check_round_trip(c, where);
  else if (c.find("hex_field"))
    check_hex_field(c, where);
  else if (c.find("text_form"))
    check_text_form(c, where);
  else if (c.find("expr"))
    check_expr(c, where);
  else
    ADD_FAILURE() << where << "\n  unknown case";
}

TEST_P(PayloadConverterCases, ConvertAsRecorded) { kovi_test::for_each_case(GetParam(), check_case); }

INSTANTIATE_TEST_SUITE_P(Adapter, PayloadConverterCases, ::testing::ValuesIn(kovi_test::jsonl_files(KOVI_TESTS_DIR "/adapter")),
                         [](const auto& info) { return info.param.stem().string(); });

}  // namespace
