// Entity state, actions and update slots as the driver calls them: the
// plan's context, the kinds that action failures carry, the delta counter
// and the change tests.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "entity/entity_actions.h"
#include "entity/entity_state.h"
#include "entity/plan_env.h"
#include "entity/update_slot.h"
#include "json/reader.h"
#include "json/writer.h"
#include "plan/plan.h"
#include "test_json.h"

namespace {

using kovi::ErrorKind;
using kovi::json::Value;
using kovi::plan::Plan;

using kovi_test::J;
using kovi_test::W;

Plan plan_of(std::string_view text) {
  auto r = kovi::plan::read_plan(J(text));
  EXPECT_TRUE(r.ok()) << text;
  return r.ok() ? std::move(r).value() : Plan{};
}

// A light with a switch and a brightness (0..1000 at scale 1).
constexpr const char* kLight = R"({"platform":"light","key":"k1","identity":{"name":"Lamp"},
  "roles":{"on":{"code":"sw","kind":"Boolean","spec":{},"report_type":null},
           "level":{"code":"br","kind":"Integer","spec":{"min":0,"max":1000,"scale":1,"step":1},"report_type":null}},
  "depends_on":["sw","br"],"slot_kind":null,"update_all":false,"config":{"c":1}})";

Value pack_with_actions(std::string_view actions) {
  std::string text = R"({"functions":{},"templates":{"fail_tpl":[{"fail":"from template"}]},
    "entities":{"light":{"state":{"fields":{"on":{"op":"get","path":"values.on"}}},"actions":)";
  text += actions;
  text += "}}}";
  return J(text);
}

TEST(EntityPlanEnv, BindsLargeValuesByReference) {
  Plan plan = plan_of(kLight);
  Value rules = pack_with_actions("{}");
  Value status = J(R"({"sw":true,"br":215})");
  kovi::entity::PlanEnv ctx(plan, status, rules);
  auto ref_of = [&](std::string_view name) { return ctx.find_binding(name)->ref; };
  EXPECT_EQ(ref_of("rules"), &rules);
  EXPECT_EQ(ref_of("entity"), rules.get("entities").find("light"));
  EXPECT_EQ(ref_of("status"), &status);
  EXPECT_EQ(ref_of("identity"), &plan.identity);
  EXPECT_EQ(ref_of("config"), &plan.config);
  EXPECT_EQ(&ctx.functions(), rules.find("functions"));
  EXPECT_EQ(W(*ctx.lookup_variable("values")), R"({"on":true,"level":21.5})");
  EXPECT_EQ(W(ctx.lookup_variable("roles")->get("level").get("max")), "100");
}

TEST(EntityActions, FailuresKeepTheirKinds) {
  struct Case {
    const char* actions;
    const char* action;
    ErrorKind kind;
    const char* message;
  } cases[] = {
      {R"({"on":[]})", "off", ErrorKind::Unsupported, "no write path"},
      {R"({"on":[{"command":{"role":"colour","value":1}}]})", "on", ErrorKind::Unsupported, "colour not available"},
      {R"({"on":[{"command":{"role":"on","value":1}}]})", "on", ErrorKind::Refused, "invalid boolean value"},
      {R"({"on":[{"command":{"role":"level","value":100.1}}]})", "on", ErrorKind::Refused, "value out of range"},
      {R"({"*":[{"fail":{"op":"str_concat","args":["no ",{"op":"get","path":"action"}]}}]})", "x",
       ErrorKind::Refused, "no x"},
      {R"({"on":[{"if":true,"then":[{"$use":"fail_tpl"}]}]})", "on", ErrorKind::Refused, "from template"},
      {R"({"on":[{"fail":{"op":"nope"}}]})", "on", ErrorKind::Invalid, "unknown expression op nope"},
      {R"({"on":[{"write":1}]})", "on", ErrorKind::Invalid, R"(unknown action statement {"write":1})"},
      {R"({"on":{"send":1}})", "on", ErrorKind::Invalid, "rule program must be an array"},
  };
  Plan plan = plan_of(kLight);
  for (const auto& c : cases) {
    Value rules = pack_with_actions(c.actions);
    auto r = kovi::entity::run_action(plan, c.action, Value(), Value(), rules);
    ASSERT_FALSE(r.ok()) << c.actions;
    EXPECT_EQ(r.error().kind, c.kind) << c.actions;
    EXPECT_EQ(r.error().message, c.message) << c.actions;
  }
}

TEST(EntityActions, CommandsEncodeAndSendsPassAsEvaluated) {
  Value rules = pack_with_actions(R"({"set":[
      {"command":{"role":"level","value":{"op":"get","path":"args.v"}}},
      {"send":{"code":{"op":"list","args":[1]},"value":{"op":"get","path":"state.on"}}},
      {"command":{"role":"on","value":true}}]})");
  auto r = kovi::entity::run_action(plan_of(kLight), "set", J(R"({"v":21.5})"), J(R"({"sw":false})"), rules);
  ASSERT_TRUE(r.ok()) << r.error().message;
  EXPECT_EQ(W(Value::array_from(r.value())),
            R"([{"code":"br","value":215},{"code":[1],"value":false},{"code":"sw","value":true}])");
}

TEST(EntityUpdateSlot, CountsEachTimestampOnceAndOnlyFiniteTotals) {
  struct Case {
    const char* value;
    const char* ts;
    bool counted;
    bool fires;
    double total;         // after the report, starting from 10 with last_ts 1
    const char* failure;  // nullptr when the report is accepted
  } cases[] = {
      {"2", "2", true, true, 12, nullptr},
      {"2", "1", true, false, 10, nullptr},   // the timestamp counted last
      {"2", "1.0", true, true, 12, nullptr},  // another number form is another timestamp
      {"2", "2", false, false, 10, nullptr},
      {"null", "2", true, false, 10, nullptr},
      {"2", "null", true, false, 10, nullptr},
      {R"("2.5")", "2", true, true, 12.5, nullptr},
      {R"("abc")", "2", true, true, 10, nullptr},
      {"true", "2", true, true, 11, nullptr},
      {R"("inf")", "2", true, false, 10, kovi::entity::kTotalNotFinite},
      {R"("nan")", "2", true, false, 10, kovi::entity::kTotalNotFinite},
  };
  for (const auto& c : cases) {
    kovi::entity::SlotRecord record{10, Value(1)};
    auto r = kovi::entity::count_delta(record, J(c.value), J(c.ts), c.counted);
    if (c.failure) {
      ASSERT_FALSE(r.ok()) << c.value;
      EXPECT_EQ(r.error().message, c.failure);
      EXPECT_EQ(r.error().kind, ErrorKind::Invalid);
    } else {
      ASSERT_TRUE(r.ok()) << c.value;
      EXPECT_EQ(r.value(), c.fires) << c.value << " at " << c.ts;
    }
    EXPECT_EQ(record.total, c.total) << c.value << " at " << c.ts;
    EXPECT_EQ(W(record.last_ts), c.fires ? c.ts : "1") << c.value << " at " << c.ts;
  }
  kovi::entity::SlotRecord big{1.7e308, Value()};
  auto r = kovi::entity::count_delta(big, J("1.7e308"), J("5"), true);
  ASSERT_FALSE(r.ok()) << "an overflowing total is refused";
  EXPECT_EQ(big.total, 1.7e308);
  EXPECT_TRUE(big.last_ts.is_null());
}

TEST(EntityUpdateSlot, ChangeAndEventFollowTheDependencies) {
  Plan plain = plan_of(kLight);
  Plan all = plain;
  all.update_all = true;
  Value rules = J(R"({"entities":{"light":{"state":{"fields":{"event":{"op":"get","path":"status.ev"}}}}}})");
  struct Case {
    std::vector<std::string> changed;
    const char* status;
    bool changed_plain;
    const char* event;  // the event of the plain plan as an event entity, or "none"
  } cases[] = {
      {{}, R"({"ev":"press"})", false, "none"},
      {{"br"}, R"({"ev":"press"})", true, "none"},  // the second dependency alone
      {{"x", "sw"}, R"({"ev":"press"})", true, R"("press")"},
      {{"sw"}, R"({"ev":0})", true, "none"},
      {{"sw"}, R"({})", true, "none"},
      {{"sw"}, R"({"ev":[1]})", true, "[1]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kovi::entity::plan_changed(plain, c.changed), c.changed_plain);
    EXPECT_TRUE(kovi::entity::plan_changed(all, c.changed));
    auto e = kovi::entity::event_of(plain, J(c.status), c.changed, rules);
    ASSERT_TRUE(e.ok()) << e.error().message;
    EXPECT_EQ(e->has_value() ? W(**e) : "none", c.event) << c.status;
  }
  Value failing = J(R"({"entities":{"light":{"state":{"fields":{"event":{"op":"error","message":"bad"}}}}}})");
  std::vector<std::string> sw = {"sw"};
  auto e = kovi::entity::event_of(plain, Value(), sw, failing);
  ASSERT_FALSE(e.ok());
  EXPECT_EQ(e.error().message, "bad");
}

}  // namespace
