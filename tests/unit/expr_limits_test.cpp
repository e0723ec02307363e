// The budgets and limits that bound every evaluation, and bindings that
// refer to values the caller keeps alive.
#include <gtest/gtest.h>

#include <string>

#include "expr/evaluate.h"
#include "json/reader.h"
#include "test_json.h"

using kovi::expr::evaluate;
using kovi::expr::RuleContext;
using kovi::json::Value;

namespace {

Value parse(std::string_view text) { return kovi_test::J(text); }

Value nested_arrays(int depth) {
  Value v = Value(1);
  for (int i = 0; i < depth; ++i) {
    Value a = Value::array();
    a.push_back(std::move(v));
    v = std::move(a);
  }
  return v;
}

}  // namespace

TEST(RuleLimits, StepsRunOutAfterAMillionOperations) {
  // Each "literal" operation costs one step and one node, so steps and the
  // node budget run out together; the step check comes first.
  RuleContext ctx;
  Value op = parse(R"({"op":"literal","value":1})");
  for (int i = 0; i < 1'000'000; ++i) ASSERT_TRUE(evaluate(ctx, op).ok()) << i;
  auto r = evaluate(ctx, op);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message, "rule evaluation limit exceeded");
  // Literals cost no step, but still need the node budget.
  auto lit = evaluate(ctx, Value(5));
  ASSERT_FALSE(lit.ok());
  EXPECT_EQ(lit.error().message, "rule allocation limit exceeded");
}

TEST(RuleLimits, ProducedValuesAreMeasured) {
  struct Case {
    Value literal;
    const char* error;  // nullptr: accepted
  } cases[] = {
      {nested_arrays(63), nullptr},  // 64 levels with the inner scalar
      {nested_arrays(64), "rule nesting limit exceeded"},
      {Value(std::string(1'048'576, 'x')), nullptr},
      {Value(std::string(1'048'577, 'x')), "rule text size limit exceeded"},
  };
  for (auto& c : cases) {
    RuleContext ctx;
    auto r = evaluate(ctx, c.literal);
    if (c.error == nullptr) {
      EXPECT_TRUE(r.ok()) << r.error().message;
    } else {
      ASSERT_FALSE(r.ok());
      EXPECT_EQ(r.error().message, c.error);
    }
  }
  Value wide = Value::array();
  for (int i = 0; i < 100'000; ++i) wide.push_back(Value(i));
  RuleContext ctx;
  auto r = evaluate(ctx, wide);  // 100,001 nodes with the array itself
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message, "rule value size limit exceeded");
  // A key's bytes count as text.
  Value keyed = Value::object();
  keyed.set(std::string(1'048'576, 'k'), Value("v"));
  RuleContext ctx2;
  auto k = evaluate(ctx2, keyed);
  ASSERT_FALSE(k.ok());
  EXPECT_EQ(k.error().message, "rule text size limit exceeded");
}

TEST(RuleLimits, BudgetsArePerContextAndNeverRefilled) {
  Value big = Value::array();
  for (int i = 0; i < 99'999; ++i) big.push_back(Value(i));  // 100,000 nodes
  RuleContext ctx;
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(evaluate(ctx, big).ok()) << i;
  auto r = evaluate(ctx, Value(1));
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message, "rule allocation limit exceeded");

  RuleContext text_ctx;
  Value text(std::string(1'048'576, 't'));
  for (int i = 0; i < 16; ++i) ASSERT_TRUE(evaluate(text_ctx, text).ok()) << i;
  auto t = evaluate(text_ctx, Value("x"));
  ASSERT_FALSE(t.ok());
  EXPECT_EQ(t.error().message, "rule allocation limit exceeded");
}

// A bound value is not charged or copied; only what a path selects is.
TEST(RuleContextBindings, ReferencesCostOnlyWhatIsSelected) {
  Value pack = Value::object();
  Value& section = pack.slot("functions");
  for (int i = 0; i < 50'000; ++i) section.set(std::string("f").append(std::to_string(i)), parse(R"({"body":[1,2,3]})"));
  RuleContext ctx;
  ctx.bind_ref("rules", pack);
  std::uint64_t before = ctx.nodes_left();
  auto r = evaluate(ctx, parse(R"({"op":"get","path":"rules.functions.f49999.body"})"));
  ASSERT_TRUE(r.ok()) << r.error().message;
  EXPECT_EQ(r.value().size(), 3u);
  EXPECT_EQ(before - ctx.nodes_left(), 4u);  // the selected array and its three elements
}

TEST(RuleContextBindings, StackHeightIsRestoredOnEveryPath) {
  RuleContext ctx;
  ctx.bind("x", Value(1));
  const char* exprs[] = {
      R"({"op":"let","bind":{"a":1,"b":2},"in":{"op":"error","message":"fail"}})",
      R"({"op":"let","bind":{"a":1,"b":{"op":"error","message":"fail"}},"in":1})",
      R"({"op":"map","args":[[1,2,3]],"do":{"op":"error","message":"fail"}})",
      R"({"op":"find","args":[[1,2,3]],"do":true})",
  };
  for (const char* e : exprs) {
    (void)evaluate(ctx, parse(e));
    EXPECT_EQ(ctx.mark(), 1u) << e;
    EXPECT_EQ(ctx.depth(), 0u) << e;
  }
  Value* x = ctx.lookup_mutable("x");
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->as_uint(), 1u);
}

TEST(RuleContextBindings, MutatingAReferenceBindingCopiesFirst) {
  Value shared = parse(R"({"a":1})");
  RuleContext ctx;
  ctx.bind_ref("state", shared);
  Value* s = ctx.lookup_mutable("state");
  s->set("a", Value(2));
  EXPECT_EQ(shared.get("a").as_uint(), 1u);
  EXPECT_EQ(ctx.lookup_variable("state")->get("a").as_uint(), 2u);
}
