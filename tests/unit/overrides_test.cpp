// Override validation cases from tests/overrides/{documents,blocks,cover}.jsonl.
// Every non-blank line is one case with exactly one input:
//   {"overrides": D}            a whole overrides document
//   {"block": B}                one block (also checked inside a document)
//   {"cover": C, "groups": G}   a cover section, groups allowed unless G is false
// and optionally "rules" (the rule pack; by default one whose
// "cover_defaults" has invert_position and invert_tilt) and "error" (the
// expected message; without it the input must be valid).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "driver/overrides/validate_overrides.h"
#include "json/reader.h"

namespace {

namespace fs = std::filesystem;
using kovi::json::Value;
namespace ov = kovi::overrides;

const fs::path kCasesDir = fs::path(KOVI_RULE_CASES_DIR "/../overrides");

Value parse(std::string_view text) {
  auto r = kovi::json::read(text);
  EXPECT_TRUE(r.ok()) << r.error;
  return r.value;
}

std::string shown(const std::optional<std::string>& m) { return m ? "\"" + *m + "\"" : "valid"; }

class OverrideCases : public ::testing::TestWithParam<std::string> {};

TEST_P(OverrideCases, ValidateAsRecorded) {
  const Value default_pack =
      parse(R"({"cover_defaults":{"invert_position":false,"invert_tilt":false},"overrides":{}})");
  std::ifstream in(kCasesDir / (GetParam() + ".jsonl"));
  ASSERT_TRUE(in) << "no case file " << GetParam();
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    const Value c = parse(line);
    const std::string where = GetParam() + ".jsonl:" + std::to_string(n) + ": " + line;
    const Value* rules = c.find("rules");
    const Value& pack = rules ? *rules : default_pack;
    std::optional<std::string> expected;
    if (const Value* e = c.find("error")) expected = std::string(e->as_string());

    std::optional<std::string> got;
    if (const Value* doc = c.find("overrides")) {
      got = ov::validate_overrides(*doc, pack);
    } else if (const Value* block = c.find("block")) {
      got = ov::validate_override_block(*block, pack, true);
      // Inside a document the block's message names the block.
      Value doc = Value::object();
      doc.set("b", *block);
      auto in_doc = ov::validate_overrides(doc, pack);
      EXPECT_EQ(in_doc, expected ? std::optional<std::string>("b: " + *expected) : std::nullopt) << where;
    } else if (const Value* cover = c.find("cover")) {
      const Value* groups = c.find("groups");
      got = ov::validate_cover_block(*cover, pack, !(groups && groups->is_bool() && !groups->as_bool()));
    } else {
      ADD_FAILURE() << where << "\n  no input";
      continue;
    }
    EXPECT_EQ(got, expected) << where << "\n  got " << shown(got) << ", want " << shown(expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Overrides, OverrideCases, ::testing::Values("documents", "blocks", "cover"),
                         [](const auto& info) { return info.param; });

}  // namespace
