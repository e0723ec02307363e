// The Plan record as the host hands it back (reading with the record
// reasons, writing in member order), template references, and name lists.
#include <gtest/gtest.h>

#include <string>

#include "json/reader.h"
#include "json/writer.h"
#include "plan/plan.h"
#include "plan/resolve_use.h"
#include "plan/text_list.h"
#include "test_json.h"

namespace {

using kovi::json::Value;

using kovi_test::J;
using kovi_test::W;

constexpr const char* kRole = R"({"code":"sw","kind":"Boolean","spec":{},"report_type":null})";

std::string plan_text(std::string_view slot_member) {
  std::string out = R"({"config":{"c":1},"update_all":false,"depends_on":["sw"],)";
  out += slot_member;
  out += R"("roles":{"b":)";
  out += kRole;
  out += R"(,"a":)";
  out += kRole;
  out += R"(},"identity":{"name":"n"},"key":"k","platform":"light","extra":[1]})";
  return out;
}

TEST(PlanRecord, ReadsWithTheRecordReasonsAndWritesInMemberOrder) {
  const std::string written_roles = std::string(R"("roles":{"b":)") + kRole + R"(,"a":)" + kRole + "}";
  auto written = [&](std::string_view slot) {
    return std::string(R"({"platform":"light","key":"k","identity":{"name":"n"},)") + written_roles +
           R"(,"depends_on":["sw"],"slot_kind":)" + std::string(slot) + R"(,"update_all":false,"config":{"c":1}})";
  };
  struct Case {
    std::string input;
    std::string expected;  // the plan written back, or the failure reason
  } cases[] = {
      {plan_text(""), written("null")},
      {plan_text(R"("slot_kind":null,)"), written("null")},
      {plan_text(R"("slot_kind":"event",)"), written(R"("event")")},
      {plan_text(R"("slot_kind":"delta",)"), written(R"("delta")")},
      {plan_text(R"("slot_kind":"Delta",)"), "unknown variant `Delta`, expected `event` or `delta`"},
      {plan_text(R"("slot_kind":1,)"), "invalid type: integer `1`, expected enum SlotKind"},
      {R"({"platform":"p","key":"","identity":{},"depends_on":[],"update_all":true,"config":null})",
       "missing field `roles`"},
      {R"({"platform":"p","key":"","identity":{},"roles":{},"depends_on":[],"update_all":true})",
       "missing field `config`"},
      {R"({"platform":"p","key":"","identity":{},"roles":[],"depends_on":[],"update_all":true,"config":{}})",
       "invalid type: sequence, expected a map"},
      {R"({"platform":"p","key":"","identity":{},"roles":{"a":{"code":"x"}},"depends_on":[],"update_all":true,"config":{}})",
       "missing field `kind`"},
      {R"({"platform":"p","key":"","identity":{},"roles":{},"depends_on":["a",2],"update_all":true,"config":{}})",
       "invalid type: integer `2`, expected a string"},
      {R"({"platform":"p","key":"","identity":{},"roles":{},"depends_on":[],"update_all":1,"config":{}})",
       "invalid type: integer `1`, expected a boolean"},
      {R"(["p","k",{},{},["x"],"delta",true,7])",
       R"({"platform":"p","key":"k","identity":{},"roles":{},"depends_on":["x"],"slot_kind":"delta","update_all":true,"config":7})"},
      {R"(null)", "invalid type: null, expected struct Plan"},
  };
  for (const auto& c : cases) {
    auto r = kovi::plan::read_plan(J(c.input));
    EXPECT_EQ(r.ok() ? W(kovi::plan::plan_value(*r)) : r.error().message, c.expected) << c.input;
  }
}

TEST(PlanRecord, FindsRolesByName) {
  auto plan = kovi::plan::read_plan(J(plan_text("")));
  ASSERT_TRUE(plan.ok());
  ASSERT_NE(plan->role("a"), nullptr);
  EXPECT_EQ(plan->role("a")->code, "sw");
  EXPECT_EQ(plan->role("c"), nullptr);
}

TEST(PlanTemplates, FollowAtMostEightReferences) {
  // t1 -> t2 -> ... -> t9 -> "end"
  Value templates = Value::object();
  for (int i = 1; i <= 9; ++i) {
    Value ref = Value::object();
    ref.set("$use", Value("t" + std::to_string(i + 1)));
    templates.set("t" + std::to_string(i), std::move(ref));
  }
  templates.set("t10", Value("end"));
  templates.set("plain", J(R"({"a":1,"$use":5})"));
  Value rules = Value::object();
  rules.set("templates", std::move(templates));

  struct Case {
    const char* value;
    const char* resolved;
  } cases[] = {
      {R"({"$use":"t4"})", R"("end")"},           // seven replacements
      {R"({"$use":"t3"})", R"("end")"},           // eight
      {R"({"$use":"t2"})", R"({"$use":"t10"})"},  // the eighth result, unchanged
      {R"({"$use":"missing"})", "null"},
      {R"({"$use":"plain","x":2})", R"({"a":1,"$use":5})"},  // "$use" that is not a string stops
      {R"([{"$use":"t9"}])", R"([{"$use":"t9"}])"},          // only the value itself is resolved
  };
  for (const auto& c : cases) {
    Value v = J(c.value);
    EXPECT_EQ(W(kovi::plan::resolve_use(rules, v)), c.resolved) << c.value;
  }
  Value v = J(R"({"$use":"t1"})");
  EXPECT_EQ(W(kovi::plan::resolve_use(Value(), v)), "null") << "a pack without templates";
}

TEST(PlanTextList, ReadsNamesFromStringsAndArrays) {
  struct Case {
    const char* value;
    std::vector<std::string> names;
  } cases[] = {
      {R"("a")", {"a"}},
      {R"(["a",1,null,"b"])", {"a", "", "", "b"}},
      {R"({"a":1})", {}},
      {R"(7)", {}},
  };
  for (const auto& c : cases) {
    Value v = J(c.value);
    EXPECT_EQ(kovi::plan::text_list(v), c.names) << c.value;
    auto views = kovi::plan::text_views(v);
    EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), c.names) << c.value;
  }
}

}  // namespace
