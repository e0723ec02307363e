// Device descriptions: JSON-text members, normalisation, finding the DP of
// a role (with the integer forms of Integer specifications), the quirk
// condition language, quirk patches of the description and its DP map,
// initial-status remapping and the device identity.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/apply_quirk.h"
#include "data/device_identity.h"
#include "data/find_role.h"
#include "data/internal_fault.h"
#include "data/json_text.h"
#include "data/map_initial_status.h"
#include "data/normalise_description.h"
#include "data/quirk_condition.h"
#include "json/reader.h"
#include "json/writer.h"
#include "test_json.h"

namespace {

using kovi::data::InternalFault;
using kovi::json::Value;

using kovi_test::J;
using kovi_test::W;

TEST(DescriptionText, JsonTextMembersReadLikeTheirValues) {
  struct Case {
    const char* member;
    const char* read;
  } cases[] = {
      {R"("{\"range\":[\"a\"]}")", R"({"range":["a"]})"},
      {R"({"range":["a"]})", R"({"range":["a"]})"},
      {R"(" 5 ")", "5"},
      {R"("{")", "null"},
      {R"("")", "null"},
      {R"(7)", "7"},
  };
  for (const auto& c : cases) EXPECT_EQ(W(kovi::data::json_text(J(c.member))), c.read) << c.member;
}

TEST(DescriptionNormalise, ListsAndStatusBecomeObjects) {
  struct Case {
    const char* device;
    const char* normalised;
  } cases[] = {
      {R"({"function":[],"id":"d"})", R"({"function":{},"id":"d","status_range":{},"status":{}})"},
      {R"({"status":{"a":1},"status_range":null,"function":{"b":{}}})",
       R"({"status":{"a":1},"status_range":{},"function":{"b":{}}})"},
  };
  for (const auto& c : cases) {
    Value d = J(c.device);
    kovi::data::normalise_description(d);
    EXPECT_EQ(W(d), c.normalised) << c.device;
  }
  Value not_object = J("[1]");
  EXPECT_THROW(kovi::data::normalise_description(not_object), InternalFault);
}

TEST(DescriptionFindRole, SearchesCodesThenListsInOrder) {
  const Value device = J(R"({
    "function": {
      "sw": {"type": "Boolean"},
      "both": {"type": "Integer", "values": {"min": 0, "max": 10, "scale": 0, "step": 1}},
      "wonly": {"type": "Enum", "values": {"range": ["w"]}}
    },
    "status_range": {
      "empty": {"type": "Enum", "values": "{}"},
      "mode": {"type": "enum", "values": "{\"range\":[\"x\"]}", "report_type": "rt"},
      "both": {"type": "value", "values": {"min": "0", "max": 100.0, "scale": " 1 ", "step": 1.5}, "report_type": "r"},
      "flag": {"type": "bool"},
      "broken": {"type": "Enum", "values": "{"},
      "nostep": {"type": "Integer", "values": {"min": 0, "max": 1, "scale": 0}},
      "nullstep": {"type": "Integer", "values": {"min": 0, "max": 1, "scale": 0, "step": null}},
      "textstep": {"type": "Integer", "values": {"min": 0, "max": 1, "scale": 0, "step": "1.5"}},
      "oddtype": {"type": "Bool"}
    }
  })");
  struct Case {
    std::vector<std::string_view> codes;
    const char* kind;
    bool writable_first;
    const char* found;  // role_value, "none", or the failure message
  } cases[] = {
      {{"empty", "mode"}, "Enum", false, R"({"code":"mode","kind":"Enum","spec":{"range":["x"]},"report_type":"rt"})"},
      {{"flag"}, "Boolean", false, R"({"code":"flag","kind":"Boolean","spec":null,"report_type":null})"},
      {{"both"}, "Integer", true,
       R"({"code":"both","kind":"Integer","spec":{"min":0,"max":10,"scale":0,"step":1},"report_type":"r"})"},
      {{"both"}, "Integer", false,
       R"({"code":"both","kind":"Integer","spec":{"min":0,"max":100,"scale":1,"step":1},"report_type":"r"})"},
      {{"wonly"}, "Enum", false, R"({"code":"wonly","kind":"Enum","spec":{"range":["w"]},"report_type":null})"},
      {{"broken"}, "Enum", false, "none"},
      {{"sw"}, "Integer", false, "none"},
      {{"sw"}, "bool", false, "none"},
      {{"oddtype"}, "Boolean", false, "none"},
      {{}, "Boolean", false, "none"},
      {{"nostep", "both"}, "Integer", false, "schema nostep: missing integer field"},
      {{"nullstep"}, "Integer", false, "schema nullstep: missing integer field"},
      {{"textstep"}, "Integer", false, "schema textstep: invalid integer step"},
      {{"oddtype"}, "", false, "invalid dp kind"},
  };
  for (const auto& c : cases) {
    auto r = kovi::data::find_role(device, std::span<const std::string_view>(c.codes), c.kind, c.writable_first);
    std::string got = !r.ok() ? r.error() : *r ? W(kovi::data::role_value(**r)) : "none";
    EXPECT_EQ(got, c.found) << c.kind << " " << (c.codes.empty() ? "" : c.codes[0]);
  }
}

TEST(DescriptionFindRole, IntegerSpecificationMembersBecomeSignedIntegers) {
  struct Case {
    const char* min;
    const char* read;  // the role's "min", or the failure message
  } cases[] = {
      {"-1.9", "-1"},
      {"1e300", "9223372036854775807"},
      {"18446744073709551615", "9223372036854775807"},
      {"true", "1"},
      {R"("+7")", "7"},
      {R"("\u00a0\u2003-7\n")", "-7"},
      {R"("-9223372036854775808")", "-9223372036854775808"},
      {R"("9223372036854775807")", "9223372036854775807"},
      {R"("9223372036854775808")", "schema n: invalid integer min"},
      {R"("")", "schema n: invalid integer min"},
      {R"("+")", "schema n: invalid integer min"},
      {R"("1 2")", "schema n: invalid integer min"},
      {R"("0x10")", "schema n: invalid integer min"},
      {"[1]", "schema n: invalid integer min"},
      {"{}", "schema n: invalid integer min"},
  };
  for (const auto& c : cases) {
    Value device = J(std::string(R"({"status_range":{"n":{"type":"Integer","values":{"min":)") + c.min +
                     R"(,"max":1,"scale":0,"step":1}}}})");
    const std::string_view codes[] = {"n"};
    auto r = kovi::data::find_role(device, codes, "Integer", false);
    std::string got = !r.ok() ? r.error() : *r ? W((*r)->spec.get("min")) : "none";
    EXPECT_EQ(got, c.read) << c.min;
  }
}

TEST(QuirkCondition, EvaluatesAgainstTheStatus) {
  const Value status = J(R"({"temp":30,"low":29,"text":"31","on":true,"f":1.0,"neg":-1,"":"empty"})");
  struct Case {
    const char* expression;
    const char* result;
  } cases[] = {
      {"5", "5"},
      {"[1,{\"status\":\"temp\"}]", "[1,{\"status\":\"temp\"}]"},
      {"{}", "null"},
      {R"({"nope":1})", "null"},
      {R"({"not":0,"status":"temp"})", "true"},
      {R"({"status":"temp"})", "30"},
      {R"({"status":"absent"})", "null"},
      {R"({"status":7})", "\"empty\""},
      {R"({"ge":[{"status":"temp"},30]})", "true"},
      {R"({"ge":[{"status":"low"},30]})", "false"},
      {R"({"ge":[{"status":"absent"},30]})", "false"},
      {R"({"ge":[{"status":"text"},30]})", "false"},
      {R"({"ge":[true,1]})", "true"},
      {R"({"ge":[1]})", "false"},
      {R"({"ge":5})", "false"},
      {R"({"and":[]})", "true"},
      {R"({"and":5})", "true"},
      {R"({"and":[1,{"status":"absent"}]})", "false"},
      {R"({"or":[]})", "false"},
      {R"({"or":[0,"a"]})", "true"},
      {R"({"not":{"status":"absent"}})", "true"},
      {R"({"not":{"and":[{"status":"on"},{"ge":[{"status":"temp"},{"status":"low"}]}]}})", "false"},
      {R"({"is_int":{"status":"on"}})", "true"},
      {R"({"is_int":{"status":"neg"}})", "true"},
      {R"({"is_int":{"status":"f"}})", "false"},
      {R"({"is_int":{"status":"text"}})", "false"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(W(kovi::data::evaluate_condition(J(c.expression), status)), c.result) << c.expression;
}

TEST(QuirkApply, PatchesDescriptionAndDpMap) {
  // Every case starts from this normalised description and DP map.
  const char* device = R"({"function":{"a":{"type":"Boolean"}},"status_range":{"a":{"type":"Boolean"}},)"
                       R"("status":{"a":true,"b":1,"c":2,"temp":30}})";
  const char* dpmap = R"({"1":"a","12":"x"})";
  struct Case {
    const char* ops;
    const char* device;  // the patched description, "=" when unchanged
    const char* dpmap;   // the patched DP map, "=" when unchanged
  } cases[] = {
      {R"([{"op":"SetCategory","category":"kg"}])",
       R"({"function":{"a":{"type":"Boolean"}},"status_range":{"a":{"type":"Boolean"}},)"
       R"("status":{"a":true,"b":1,"c":2,"temp":30},"category":"kg"})",
       "="},
      {R"([{"op":"TypeOverride","code":"a","as":"Enum"},{"op":"TypeOverride","code":5}])",
       R"({"function":{"a":{"type":"Boolean"}},"status_range":{"a":{"type":"Boolean"}},)"
       R"("status":{"a":true,"b":1,"c":2,"temp":30},"type_overrides":{"a":"Enum","":null}})",
       "="},
      {R"([{"op":"DefineDp","code":"n","mode":"RW","type":"value","values":{"max":9},"report_type":"x","dpid":101}])",
       R"({"function":{"a":{"type":"Boolean"},"n":{"type":"value","values":{"max":9}}},)"
       R"("status_range":{"a":{"type":"Boolean"},"n":{"type":"value","values":{"max":9},"report_type":"x"}},)"
       R"("status":{"a":true,"b":1,"c":2,"temp":30}})",
       R"({"1":"a","12":"x","101":"n"})"},
      {R"([{"op":"DefineDp","code":"a","mode":"R","dpid":"1"}])",
       R"({"function":{},"status_range":{"a":{"type":null,"values":null,"report_type":null}},)"
       R"("status":{"a":true,"b":1,"c":2,"temp":30}})",
       "="},
      {R"([{"op":"DefineDp","code":"a","mode":"rw"}])",
       R"({"function":{},"status_range":{},"status":{"a":true,"b":1,"c":2,"temp":30}})",
       R"({"1":"a","12":"x","null":"a"})"},
      {R"([{"op":"RemoveDp","code":"a","dpid":12}])",
       R"({"function":{},"status_range":{},"status":{"temp":30,"b":1,"c":2}})", R"({"1":"a"})"},
      {R"([{"op":"DefineDp","code":"n","mode":"","dpid":101},{"op":"RemoveDp","code":"n","dpid":"101"}])", "=",
       "="},
      {R"([{"op":"SetCategory","category":"hot","when":{"ge":[{"status":"temp"},30]}},)"
       R"({"op":"SetCategory","category":"hotter","when":{"ge":[{"status":"temp"},31]}},)"
       R"({"op":"SetCategory","category":"never","when":null}])",
       R"({"function":{"a":{"type":"Boolean"}},"status_range":{"a":{"type":"Boolean"}},)"
       R"("status":{"a":true,"b":1,"c":2,"temp":30},"category":"hot"})",
       "="},
      {R"([{"op":"RemoveDp","code":"a","dpid":1},{"op":"SetCategory","category":"gone","when":{"status":"a"}}])",
       R"({"function":{},"status_range":{},"status":{"temp":30,"b":1,"c":2}})", R"({"12":"x"})"},
      {R"([{"op":"removedp","code":"a"},{"op":7},5,{"op":"MapInitialStatus","code":"a","mapping":[[true,0]]}])", "=",
       "="},
      {R"({"op":"SetCategory","category":"kg"})", "=", "="},
  };
  for (const auto& c : cases) {
    Value d = J(device);
    Value m = J(dpmap);
    Value quirk = Value::object();
    quirk.set("ops", J(c.ops));
    kovi::data::apply_quirk(d, m, quirk);
    EXPECT_EQ(W(d), std::string(c.device) == "=" ? device : c.device) << c.ops;
    EXPECT_EQ(W(m), std::string(c.dpmap) == "=" ? dpmap : c.dpmap) << c.ops;
  }
}

TEST(QuirkApply, BrokenShapesAreInternalFaults) {
  struct Case {
    const char* device;
    const char* dpmap;
    const char* ops;
    bool faults;
  } cases[] = {
      {R"({"function":{},"status_range":{},"status":5})", "{}", R"([{"op":"RemoveDp","code":"a"}])", true},
      {R"({"function":{},"status_range":{}})", "{}", R"([{"op":"RemoveDp","code":"a"}])", true},
      {R"({"function":{},"status_range":{},"status":{}})", "[]", R"([{"op":"RemoveDp","code":"a"}])", true},
      {R"({"function":{},"status_range":{},"status":{}})", "5", R"([{"op":"DefineDp","code":"a"}])", true},
      {R"({"function":{},"status_range":{},"status":{}})", "5", R"([{"op":"SetCategory"}])", false},
      {R"({"function":3,"status_range":{},"status":{}})", "{}", R"([{"op":"DefineDp","code":"a","mode":"W"}])", false},
  };
  for (const auto& c : cases) {
    Value d = J(c.device);
    Value m = J(c.dpmap);
    Value quirk = Value::object();
    quirk.set("ops", J(c.ops));
    if (c.faults)
      EXPECT_THROW(kovi::data::apply_quirk(d, m, quirk), InternalFault) << c.device << " " << c.ops;
    else
      EXPECT_NO_THROW(kovi::data::apply_quirk(d, m, quirk)) << c.device << " " << c.ops;
  }
}

TEST(QuirkInitialStatus, MapsTheFirstLooselyEqualPair) {
  const char* on_off = R"([{"op":"MapInitialStatus","code":"s","mapping":[[0,"off"],[1,"on"]]}])";
  struct Case {
    const char* status;
    const char* ops;
    const char* mapped;
  } cases[] = {
      {R"({"s":true})", on_off, R"({"s":"on"})"},
      {R"({"s":1.0,"t":0})", on_off, R"({"s":"on","t":0})"},
      {R"({"s":"1"})", on_off, R"({"s":"1"})"},
      {R"({"t":1})", R"([{"op":"MapInitialStatus","code":"s","mapping":[[null,"x"]]}])", R"({"t":1,"s":"x"})"},
      {"null", R"([{"op":"MapInitialStatus","code":"s","mapping":[[null,"x"]]}])", R"({"s":"x"})"},
      {"null", on_off, "null"},
      {R"({"s":[1]})", R"([{"op":"MapInitialStatus","code":"s","mapping":[[[1.0],"a"],[[1],"b"]]}])", R"({"s":"b"})"},
      {R"({})", R"([{"op":"MapInitialStatus","code":"s","mapping":[5,[null,"x"]]}])", R"({"s":null})"},
      {R"({"s":1})", R"([{"op":"MapInitialStatus","code":"s","mapping":[[1]]}])", R"({"s":null})"},
      {R"({"s":1})", R"([{"op":"MapInitialStatus","code":"s","mapping":[]}])", R"({"s":1})"},
      {R"({"s":1})", R"([{"op":"MapInitialStatus","code":"s","mapping":{"1":"on"}}])", R"({"s":1})"},
      {R"({"":1})", R"([{"op":"MapInitialStatus","code":3,"mapping":[[1,"on"]]}])", R"({"":"on"})"},
      {R"({"s":0})",
       R"([{"op":"MapInitialStatus","code":"s","mapping":[[0,1]]},)"
       R"({"op":"MapInitialStatus","code":"s","when":false,"mapping":[[1,"on"]]},)"
       R"({"op":"SetCategory","code":"s","mapping":[["on","off"]]}])",
       R"({"s":"on"})"},
  };
  for (const auto& c : cases) {
    Value status = J(c.status);
    Value quirk = Value::object();
    quirk.set("ops", J(c.ops));
    kovi::data::map_initial_status(status, quirk);
    EXPECT_EQ(W(status), c.mapped) << c.status << " " << c.ops;
  }

  Value number = J("5");
  Value quirk = Value::object();
  quirk.set("ops", J(on_off));
  EXPECT_NO_THROW(kovi::data::map_initial_status(number, quirk));
  quirk.set("ops", J(R"([{"op":"MapInitialStatus","code":"s","mapping":[[null,"x"]]}])"));
  EXPECT_THROW(kovi::data::map_initial_status(number, quirk), InternalFault);
}

TEST(DeviceIdentity, QuirkMetaOrRulePackConstants) {
  const Value device = J(R"({"product_name":"Lamp","product_id":"p1"})");
  const Value rules = J(R"({"constants":{"manufacturer":"Acme"}})");
  struct Case {
    const char* quirk;
    const char* rules;  // null: the pack above
    const char* identity;
  } cases[] = {
      {R"({"meta":{"model":"M","manufacturer":"Q"}})", nullptr, R"({"manufacturer":"Q","model":"M","model_id":null})"},
      {R"({"meta":{"manufacturer":"","model":"M"}})", nullptr,
       R"({"manufacturer":"Acme","model":"Lamp","model_id":"p1"})"},
      {"null", nullptr, R"({"manufacturer":"Acme","model":"Lamp","model_id":"p1"})"},
      {"null", "{}", R"({"manufacturer":null,"model":"Lamp","model_id":"p1"})"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(W(kovi::data::device_identity(device, J(c.quirk), c.rules ? J(c.rules) : rules)), c.identity)
        << c.quirk;
}

}  // namespace
