// Expression cases from tests/rules/*.jsonl. Every non-blank line is one
// case:
//   {"expr": E, "vars": {name: value, ...}, "functions": F, "value": V}
//   {"expr": E, ..., "error": "message"}
// "vars" (bound in member order) and "functions" (the context's functions
// table) are optional. The result is compared as compact JSON text, so
// number forms (1 vs 1.0) and member order count. Lines whose first key is
// "program" belong to the program runner's cases and are skipped here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "expr/evaluate.h"
#include "json/reader.h"
#include "json/writer.h"

namespace {

namespace fs = std::filesystem;
using kovi::json::Value;

std::vector<fs::path> rule_case_files() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(KOVI_RULE_CASES_DIR))
    if (entry.path().extension() == ".jsonl") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

class ExprCases : public ::testing::TestWithParam<fs::path> {};

TEST_P(ExprCases, EvaluateAsRecorded) {
  std::ifstream in(GetParam());
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    auto parsed = kovi::json::read(line);
    ASSERT_TRUE(parsed.ok()) << GetParam().filename() << ":" << n << ": " << parsed.error;
    const Value& c = parsed.value;
    if (!c.find("expr")) continue;
    const Value& functions = c.get("functions");
    kovi::expr::RuleContext ctx(&functions);
    for (const auto& m : c.get("vars").members()) ctx.bind(m.key(), m.value);
    auto r = kovi::expr::evaluate(ctx, c.get("expr"));
    std::string where = GetParam().filename().string() + ":" + std::to_string(n) + ": " + line;
    if (const Value* err = c.find("error")) {
      ASSERT_FALSE(r.ok()) << where << "\n  got value " << kovi::json::to_json(r.value());
      EXPECT_EQ(r.error().message, err->as_string()) << where;
    } else {
      ASSERT_TRUE(r.ok()) << where << "\n  failed: " << r.error().message;
      EXPECT_EQ(kovi::json::to_json(r.value()), kovi::json::to_json(c.get("value"))) << where;
    }
    EXPECT_EQ(ctx.mark(), c.get("vars").size()) << where << "\n  bindings not restored";
    EXPECT_EQ(ctx.depth(), 0u) << where;
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, ExprCases, ::testing::ValuesIn(rule_case_files()),
                         [](const auto& info) { return info.param.stem().string(); });

}  // namespace
