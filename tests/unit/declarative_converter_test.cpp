// Declarative converter cases from tests/overrides/converters.jsonl. Every
// non-blank line is one case:
//   {"converter": C}                               a whole converter
//   {"program": P, "level": L, "reset": R}         one program, checked at
//                                                  level L (0) as a reset
//                                                  program when R is true,
//                                                  with the property p declared
// and optionally "error", the expected message (valid without it).
#include "driver/overrides/declarative_converter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "json/reader.h"

namespace {

using kovi::json::Value;
namespace ov = kovi::overrides;

Value parse(std::string_view text) {
  auto r = kovi::json::read(text);
  EXPECT_TRUE(r.ok()) << r.error;
  return r.value;
}

std::string shown(const std::optional<std::string>& m) { return m ? "\"" + *m + "\"" : "valid"; }

TEST(ConverterCases, ValidateAsRecorded) {
  const Value pack = parse(R"({"templates":{"t":[{"emit":"p","value":1}]}})");
  const Value props = parse(R"({"p":{"type":"number"}})");
  std::ifstream in(std::filesystem::path(KOVI_RULE_CASES_DIR "/../overrides") / "converters.jsonl");
  ASSERT_TRUE(in) << "no case file";
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    const Value c = parse(line);
    const std::string where = "converters.jsonl:" + std::to_string(n) + ": " + line;
    std::optional<std::string> expected;
    if (const Value* e = c.find("error")) expected = std::string(e->as_string());

    std::optional<std::string> got;
    if (const Value* converter = c.find("converter")) {
      got = ov::validate_converter(*converter, pack);
    } else if (const Value* program = c.find("program")) {
      const auto level = static_cast<std::uint32_t>(c.get("level").as_uint());
      got = ov::validate_program(*program, props, level, c.get("reset").is_bool() && c.get("reset").as_bool());
    } else {
      ADD_FAILURE() << where << "\n  no input";
      continue;
    }
    EXPECT_EQ(got, expected) << where << "\n  got " << shown(got) << ", want " << shown(expected);
  }
}

}  // namespace
