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
#include "case_files.h"
#include "json/reader.h"
#include "json/writer.h"

namespace {

namespace fs = std::filesystem;
using kovi::json::Value;

class ExprCases : public ::testing::TestWithParam<fs::path> {};

void check_case(const Value& c, const std::string& where) {
  if (!c.find("expr")) return;
  const Value& functions = c.get("functions");
  kovi::expr::RuleContext ctx(&functions);
  for (const auto& m : c.get("vars").members()) ctx.bind(m.key(), m.value);
  auto r = kovi::expr::evaluate(ctx, c.get("expr"));
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

TEST_P(ExprCases, EvaluateAsRecorded) { kovi_test::for_each_case(GetParam(), check_case); }

INSTANTIATE_TEST_SUITE_P(Rules, ExprCases, ::testing::ValuesIn(kovi_test::jsonl_files(KOVI_RULE_CASES_DIR)),
                         [](const auto& info) { return info.param.stem().string(); });

}  // namespace
