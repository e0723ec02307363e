// JSON helpers shared by the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "json/reader.h"
#include "json/writer.h"

namespace kovi_test {

// Reads JSON text written in a test; a typo in the text fails the test.
inline kovi::json::Value J(std::string_view text) {
  auto r = kovi::json::read(text);
  EXPECT_TRUE(r.ok()) << text << ": " << r.error;
  return std::move(r.value);
}

// Writes a value the way the host sees it, so number forms and member
// order count in comparisons.
inline std::string W(const kovi::json::Value& v) { return kovi::json::to_json(v); }

// The smallest rule pack that passes the rule pack check.
inline kovi::json::Value minimal_pack() {
  std::ifstream in(std::string(KOVI_TESTS_DIR) + "/fixtures/minimal_pack.json");
  std::stringstream text;
  text << in.rdbuf();
  return J(text.str());
}

}  // namespace kovi_test
