// The schema validator (keywords, their order, messages and paths) and the
// rule pack check with the carried schema.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "json/reader.h"
#include "json/value.h"
#include "rules/rule_layering.h"
#include "rules/rule_pack_check.h"
#include "rules/rule_schema.h"
#include "rules/schema_validator.h"
#include "test_json.h"

using kovi::json::Value;

namespace {

Value parse(std::string_view text) { return kovi_test::J(text); }
using kovi_test::minimal_pack;

// "" for success, the message otherwise.
std::string outcome(const Value& value, const Value& schema, std::string_view path = {}) {
  auto failure = kovi::rules::validate_schema(value, schema, schema, path);
  return failure ? *failure : "";
}

std::string check(const Value& pack) {
  auto r = kovi::rules::check_rule_pack(pack);
  return r.ok() ? "" : r.error().message;
}

struct Case {
  const char* value;
  const char* schema;
  const char* expected;  // "" when the value passes
};

}  // namespace

TEST(SchemaValidator, Keywords) {
  const Case cases[] = {
      // type: the name is quoted in the message; numbers of both forms match
      // "number"; unknown names match nothing; a non-string type is ignored.
      {R"(1)", R"({"type":"string"})", R"(rules : expected "string")"},
      {R"(-3)", R"({"type":"number"})", ""},
      {R"(1.5)", R"({"type":"number"})", ""},
      {R"(null)", R"({"type":"object"})", R"(rules : expected "object")"},
      {R"({})", R"({"type":"array"})", R"(rules : expected "array")"},
      {R"(1)", R"({"type":"integer"})", R"(rules : expected "integer")"},
      {R"(1)", R"({"type":["string"]})", ""},
      // const: any value, null included; number forms differ; member order
      // does not.
      {R"(0)", R"({"const":null})", R"(rules : expected null)"},
      {R"(1.0)", R"({"const":1})", R"(rules : expected 1)"},
      {R"({"a":1,"b":[2]})", R"({"const":{"b":[2],"a":1}})", ""},
      {R"({"a":1})", R"({"const":{"a":1,"b":2}})", R"(rules : expected {"a":1,"b":2})"},
      // type is applied before const, const before enum.
      {R"(2)", R"({"type":"string","const":1})", R"(rules : expected "string")"},
      {R"(2)", R"({"const":1,"enum":[3]})", R"(rules : expected 1)"},
      {R"("c")", R"({"enum":["a","b"]})", R"(rules : unsupported value "c")"},
      {R"({"x":[1]})", R"({"enum":[{"x":[1.0]}]})", R"(rules : unsupported value {"x":[1]})"},
      {R"("c")", R"({"enum":"c"})", ""},
      // minLength counts scalar values, only for strings, only as an integer.
      {R"("\u00e9")", R"({"minLength":2})", R"(rules : string too short)"},
      {R"("\u00e9")", R"({"minLength":1})", ""},
      {R"("\ud83d\ude00x")", R"({"minLength":2})", ""},
      {R"([])", R"({"minLength":1})", ""},
      {R"("")", R"({"minLength":1.0})", ""},
      // A string is done after minLength: object keywords do not apply.
      {R"("")", R"({"required":["a"]})", ""},
      // required: in order; a non-string element is a schema fault when
      // reached; only objects are subject to it.
      {R"({})", R"({"required":["b","a"]})", R"(rules : missing "b")"},
      {R"({})", R"({"required":["a",5]})", R"(rules : missing "a")"},
      {R"({"a":1})", R"({"required":["a",5]})", "invalid schema required field"},
      {R"([])", R"({"required":["a"]})", ""},
      // required comes before the members are looked at.
      {R"({"x":1})", R"({"required":["a"],"additionalProperties":false})", R"(rules : missing "a")"},
      // members: properties first, then additionalProperties (object or
      // false); the unknown name is shown as plain text.
      {R"({"a":1,"b":2})", R"({"properties":{"a":{}},"additionalProperties":false})", R"(rules : unknown field b)"},
      {R"({"a":1,"b":"x"})", R"({"properties":{"a":{}},"additionalProperties":{"type":"number"}})",
       R"(rules /b: expected "number")"},
      {R"({"a":"x"})", R"({"properties":{"a":{"type":"string"}},"additionalProperties":{"type":"number"}})", ""},
      {R"({"a":1})", R"({"additionalProperties":true})", ""},
      {R"({"a":1})", R"({"properties":[],"additionalProperties":false})", R"(rules : unknown field a)"},
      // members in the value's order: the first failing one is reported.
      {R"({"b":1,"a":1})", R"({"additionalProperties":{"type":"string"}})", R"(rules /b: expected "string")"},
      // paths: names inserted unchanged, slashes included; nesting.
      {R"({"a/b":{"c":[0,{"d":true}]}})",
       R"({"additionalProperties":{"properties":{"c":{"items":{"additionalProperties":{"type":"number"}}}}}})",
       R"(rules /a/b/c/1/d: expected "number")"},
      // items and uniqueItems: element by element, the element checked
      // before its uniqueness; the duplicate is reported with the array's
      // path; equality is the JSON one.
      {R"([1,"x"])", R"({"items":{"type":"number"}})", R"(rules /1: expected "number")"},
      {R"(["a","b","a"])", R"({"uniqueItems":true})", R"(rules : duplicate item)"},
      {R"(["a",1,"a"])", R"({"items":{"type":"string"},"uniqueItems":true})", R"(rules /1: expected "string")"},
      {R"([["x"],["x"],[1]])", R"({"items":{"items":{"type":"string"}},"uniqueItems":true})",
       R"(rules : duplicate item)"},
      {R"([1,1.0,"1"])", R"({"uniqueItems":true})", ""},
      {R"([{"a":1,"b":2},{"b":2,"a":1}])", R"({"uniqueItems":true})", R"(rules : duplicate item)"},
      {R"([null,false,null])", R"({"uniqueItems":true})", R"(rules : duplicate item)"},
      {R"(["a","a"])", R"({"uniqueItems":1})", ""},
      {R"({"l":[[1,2],[2,1]]})", R"({"properties":{"l":{"uniqueItems":true}}})", ""},
      // References: JSON Pointers into the root, leading '#' characters
      // dropped, escapes, array positions; what the pointer misses is a
      // schema fault; a node's other members are ignored beside "$ref".
      {R"(1)", R"({"$defs":{"s":{"type":"string"}},"properties":{},"$ref":"#/$defs/s"})",
       R"(rules : expected "string")"},
      {R"({"k":1})", R"({"properties":{"k":{"$ref":"##/$defs/s"}},"$defs":{"s":{"type":"string"}}})",
       R"(rules /k: expected "string")"},
      {R"({"k":1})", R"({"properties":{"k":{"$ref":"#/$defs/a~1b~0c"}},"$defs":{"a/b~c":{"const":2}}})",
       R"(rules /k: expected 2)"},
      {R"({"k":1})", R"({"properties":{"k":{"$ref":"#/$defs/l/1"}},"$defs":{"l":[{},{"const":3}]}})",
       R"(rules /k: expected 3)"},
      {R"({"k":1})", R"({"properties":{"k":{"$ref":"#/$defs/l/01"}},"$defs":{"l":[{},{"const":3}]}})",
       "invalid schema reference"},
      {R"({"k":1})", R"({"properties":{"k":{"$ref":"#/$defs/nothing"}},"$defs":{}})", "invalid schema reference"},
      {R"({"k":1})", R"({"properties":{"k":{"$ref":"#/$defs/a~2"}},"$defs":{"a~2":{}}})", "invalid schema reference"},
      {R"({"k":1})", R"({"properties":{"k":{"$ref":"$defs"}},"$defs":{}})", "invalid schema reference"},
      {R"({"k":1})", R"({"properties":{"k":{"$ref":"#/properties/k/$ref"}}})", ""},
      {R"({"k":1})", R"({"properties":{"k":{"$ref":5,"type":"string"}}})", R"(rules /k: expected "string")"},
      // A reference chain that goes round in a circle designates nothing.
      {R"(1)", R"({"$ref":"#/$defs/a","$defs":{"a":{"$ref":"#/$defs/b"},"b":{"$ref":"#/$defs/a"}}})",
       "invalid schema reference"},
      {R"(1)", R"({"$ref":"#"})", "invalid schema reference"},
      // A schema that refers to itself through a member walks any depth.
      {R"([[[["x"]]]])", R"({"type":"array","items":{"$ref":"#"}})", R"(rules /0/0/0/0: expected "array")"},
      // A non-object schema constrains nothing.
      {R"({"a":1})", R"({"additionalProperties":{"type":"number"},"properties":{"a":7}})", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.value) + " against " + c.schema);
    EXPECT_EQ(outcome(parse(c.value), parse(c.schema)), c.expected);
  }
}

TEST(SchemaValidator, PathStartsFromTheGivenOne) {
  EXPECT_EQ(outcome(parse(R"({"a":1})"), parse(R"({"additionalProperties":false})"), "/x"),
            "rules /x: unknown field a");
  EXPECT_EQ(outcome(parse("1"), parse(R"({"type":"string"})"), "/x"), R"(rules /x: expected "string")");
}

TEST(SchemaValidator, DeepValuesUseConstantStack) {
  // Far deeper than any text the reader accepts: values built by layering
  // are not bounded by it.
  constexpr int kDepth = 200000;
  Value deep = Value("leaf");
  for (int i = 0; i < kDepth; ++i) {
    Value outer = Value::array();
    outer.push_back(std::move(deep));
    deep = std::move(outer);
  }
  Value schema = parse(R"({"type":"array","items":{"$ref":"#"}})");
  std::string message = outcome(deep, schema);
  EXPECT_TRUE(message.ends_with(R"(/0/0: expected "array")")) << message.substr(message.size() - 40);
  EXPECT_EQ(message.size(), std::string("rules ").size() + 2 * kDepth + std::string(R"(: expected "array")").size());
}

TEST(SchemaValidator, LongUniqueListsAreNotQuadratic) {
  Value list = Value::array();
  for (int i = 0; i < 200000; ++i) list.push_back(Value("strategy_" + std::to_string(i)));
  Value schema = parse(R"({"items":{"type":"string"},"uniqueItems":true})");
  EXPECT_EQ(outcome(list, schema), "");
  list.push_back(Value("strategy_17"));
  EXPECT_EQ(outcome(list, schema), "rules : duplicate item");
}

TEST(RulePackCheck, WholeDocuments) {
  const struct {
    const char* document;
    const char* expected;
  } cases[] = {
      {R"({})", "unsupported rule version"},
      {R"([])", "unsupported rule version"},
      {R"(1)", "unsupported rule version"},
      {R"({"version":1.0})", "unsupported rule version"},
      {R"({"version":"1"})", "unsupported rule version"},
      {R"({"version":2})", "unsupported rule version"},
      {R"({"version":-1})", "unsupported rule version"},
      // The version comes before the schema.
      {R"({"version":2,"bogus":1})", "unsupported rule version"},
      {R"({"version":1})", R"(rules : missing "platforms")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    EXPECT_EQ(check(parse(c.document)), c.expected);
  }
}

TEST(RulePackCheck, SectionsOfAPack) {
  const struct {
    const char* patch;  // applied to the minimal pack
    const char* expected;
  } cases[] = {
      {R"({})", ""},
      {R"({"bogus":1})", "rules : unknown field bogus"},
      {R"({"templates":{"$delete":true},"units":{"$delete":true}})", R"(rules : missing "templates")"},
      {R"({"layout_common":{},"identity_defaults":{},"rw_roles":["a"],"wind":{},"electricity":{},"meter_alarms":{},
           "overrides":{"o":{}}})",
       ""},
      {R"({"platforms":{"switch":{"table":"x"}}})", R"(rules /platforms/switch: missing "categories")"},
      {R"({"platforms":{"switch":{"table":1,"categories":{}}}})", R"(rules /platforms/switch/table: expected "string")"},
      {R"({"platforms":{"switch":{"table":"t","categories":{},"more":1}}})", "rules /platforms/switch: unknown field more"},
      {R"({"platforms":[]})", R"(rules /platforms: expected "object")"},
      {R"({"strategies":["a","b","a"]})", "rules /strategies: duplicate item"},
      {R"({"strategies":["a",1]})", R"(rules /strategies/1: expected "string")"},
      {R"({"rw_roles":["a","a"]})", "rules /rw_roles: duplicate item"},
      {R"({"unused":{"role":""}})", "rules /unused/role: string too short"},
      {R"({"unused":{"role":"\u65e5"}})", ""},
      {R"({"unused":{"role":{"$delete":true}}})", R"(rules /unused: missing "role")"},
      {R"({"unused":{"variants":[{"when":1,"platform":"p","steps":[]},{"when":1,"platform":"","steps":[]}]}})",
       "rules /unused/variants/1/platform: string too short"},
      {R"({"unused":{"variants":[{"when":1,"platform":"p"}]}})", R"(rules /unused/variants/0: missing "steps")"},
      {R"({"entities":{"light":{"params":{},"composite":true,"kind":"k","expose":false,"update_all":true,"hazard":1,
           "role_order":["a"],"variants":[],"state":null,"actions":{},"layout":"x","finish":2}}})",
       ""},
      {R"({"entities":{"a/b":{"colour":1}}})", "rules /entities/a/b: unknown field colour"},
      {R"({"entities":{"e":{"kind":""}}})", "rules /entities/e/kind: string too short"},
      {R"({"entities":{"e":{"role_order":["x","x"]}}})", "rules /entities/e/role_order: duplicate item"},
      {R"({"entities":{"e":{"cover":{"position":[]}}}})", R"(rules /entities/e/cover: missing "target")"},
      {R"({"entities":{"e":{"cover":{"position":["p"],"target":"t","instruction":"i","tilt":"t","words":[1]}}}})",
       R"(rules /entities/e/cover/words/0: expected "string")"},
      {R"({"functions":{"f":{"params":["x","x"],"body":1}}})", "rules /functions/f/params: duplicate item"},
      {R"({"functions":{"f":{"params":[]}}})", R"(rules /functions/f: missing "body")"},
      {R"({"functions":{"f":{"params":[],"body":null,"doc":""}}})", "rules /functions/f: unknown field doc"},
      {R"({"constants":{"anything":[1],"manufacturer":""}})", ""},
      {R"({"constants":{"manufacturer":5}})", R"(rules /constants/manufacturer: expected "string")"},
      {R"({"constants":{"vacuum_return_mode":""}})", "rules /constants/vacuum_return_mode: string too short"},
      {R"({"constants":{"alarm_non_triggering_messages":["ok",""]}})",
       "rules /constants/alarm_non_triggering_messages/1: string too short"},
      {R"({"constants":{"temperature_unit_dp":""}})", "rules /constants/temperature_unit_dp: string too short"},
      {R"({"overrides":{"o":1}})", R"(rules /overrides/o: expected "object")"},
      {R"({"wind":1})", R"(rules /wind: expected "object")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.patch);
    Value pack = minimal_pack();
    kovi::rules::apply_patch(pack, parse(c.patch));
    EXPECT_EQ(check(pack), c.expected);
  }
}

TEST(RulePackCheck, EveryRequiredSectionInItsOrder) {
  const char* required[] = {"version",  "platforms", "entities",   "unused",         "templates",      "functions",
                            "quirks",   "units",     "host_units", "maps",           "features",       "constants",
                            "cover_defaults", "cover_switches", "motion_property", "strategies"};
  // Removing the sections from the back reports each one in turn.
  Value pack = minimal_pack();
  for (std::size_t i = std::size(required); i-- > 1;) {
    pack.erase(required[i]);
    EXPECT_EQ(check(pack), std::string("rules : missing \"") + required[i] + "\"");
  }
  auto schema = kovi::rules::rule_pack_schema();
  ASSERT_TRUE(schema.ok());
  EXPECT_EQ((*schema)->get("required").size(), std::size(required));
}

TEST(RulePackCheck, CarriedSchemaIsSharedAndRelaxedOnlyInRequired) {
  auto a = kovi::rules::rule_pack_schema();
  auto b = kovi::rules::rule_pack_schema();
  auto relaxed = kovi::rules::relaxed_rule_pack_schema();
  ASSERT_TRUE(a.ok() && b.ok() && relaxed.ok());
  EXPECT_EQ(*a, *b);
  Value expected = **a;
  expected.erase("required");
  EXPECT_TRUE(kovi::json::same(**relaxed, expected));
}
