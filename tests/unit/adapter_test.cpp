// The value adapter: the record and its indices, creation from a device
// description, the remap adjustments, the read and write pipelines and the
// general converters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapter/adapter.h"
#include "adapter/adapter_create.h"
#include "adapter/adapter_read.h"
#include "adapter/adapter_write.h"
#include "adapter/remaps.h"
#include "json/reader.h"
#include "json/writer.h"
#include "test_json.h"

namespace {

using kovi::ErrorKind;
using kovi::adapter::Adapter;
using kovi::json::Value;

using kovi_test::J;
using kovi_test::W;

Adapter A(std::string_view record) {
  auto a = Adapter::read(J(record));
  EXPECT_TRUE(a.ok()) << record << ": " << (a.ok() ? "" : a.error().message);
  return a.ok() ? std::move(a).value() : Adapter();
}

// An adapter record from its entries alone, or with remaps and enum ranges.
std::string record(std::string_view entries, std::string_view remaps = "{}", std::string_view enums = "{}") {
  std::string out = R"({"entries":)";
  out.append(entries).append(R"(,"enum_ranges":)").append(enums);
  out.append(R"(,"unsupported":{},"remaps":)").append(remaps).append("}");
  return out;
}

// A written outcome as the host sees it: the value, or "!" and the message
// with its envelope prefix.
std::string shown(const kovi::Result<Value>& r) {
  return r.ok() ? W(*r) : "!" + r.error().envelope_message();
}
std::string shown(const kovi::Result<Value, std::string>& r) { return r.ok() ? W(*r) : "!" + r.error(); }

// ---- the record ---------------------------------------------------------------

TEST(AdapterRecord, ReadsWithTheRecordReasonsAndWritesInMemberOrder) {
  struct Case {
    const char* input;
    const char* written;  // the record written back, or the reason
  } cases[] = {
      {R"({"remaps":{"a":{}},"unsupported":[],"enum_ranges":null,"entries":{"2":["b","enum",{"x":1}],"1":["a","default",null]},"extra":1})",
       R"({"entries":{"2":["b","enum",{"x":1}],"1":["a","default",null]},"enum_ranges":null,"unsupported":[],"remaps":{"a":{}}})"},
      {R"([{"1":["a","x",5]},{},{},{}])", R"({"entries":{"1":["a","x",5]},"enum_ranges":{},"unsupported":{},"remaps":{}})"},
      {R"({"entries":{},"enum_ranges":{},"unsupported":{}})", "missing field `remaps`"},
      {R"({"enum_ranges":{},"unsupported":{},"remaps":{}})", "missing field `entries`"},
      {R"("x")", R"(invalid type: string "x", expected struct Adapter)"},
      {R"({"entries":[],"enum_ranges":{},"unsupported":{},"remaps":{}})", "invalid type: sequence, expected a map"},
      {R"({"entries":{"1":["a","default"]},"enum_ranges":{},"unsupported":{},"remaps":{}})",
       "invalid length 2, expected a tuple of size 3"},
      {R"({"entries":{"1":["a","default",{},4]},"enum_ranges":{},"unsupported":{},"remaps":{}})",
       "invalid length 4, expected a tuple of size 3"},
      {R"({"entries":{"1":["a",7]},"enum_ranges":{},"unsupported":{},"remaps":{}})",
       "invalid type: integer `7`, expected a string"},
      {R"({"entries":{"1":{"code":"a"}},"enum_ranges":{},"unsupported":{},"remaps":{}})",
       "invalid type: map, expected a tuple of size 3"},
      {R"([{}])", "invalid length 1, expected struct Adapter with 4 elements"},
  };
  for (const auto& c : cases) {
    Value v = J(c.input);
    auto copied = Adapter::read(v);
    auto viewed = Adapter::view(v);
    ASSERT_EQ(copied.ok(), viewed.ok()) << c.input;
    EXPECT_EQ(copied.ok() ? W(copied->to_value()) : copied.error().message, c.written) << c.input;
    if (viewed.ok()) {
      EXPECT_EQ(W(std::move(viewed).value().into_value()), c.written) << c.input;
    } else {
      EXPECT_EQ(copied.error().kind, ErrorKind::Request) << c.input;
    }
  }
}

TEST(AdapterRecord, FindsEntriesByDpIdAndFirstEntryByCodeAcrossAdjustments) {
  // Enough entries for the lookup tables to matter; codes repeat so that
  // "first in entry order" is tested, also after removals and re-coding.
  Value entries = Value::object();
  for (int i = 0; i < 40; ++i)
    entries.set(std::to_string(i), J(R"(["c)" + std::to_string(i % 7) + R"(","default",{}])"));
  Value rec = J(record("{}"));
  rec.set("entries", entries);

  auto viewed = Adapter::view(rec);
  ASSERT_TRUE(viewed.ok());
  Adapter a = std::move(viewed).value();
  EXPECT_EQ(a.size(), 40u);
  EXPECT_EQ(a.first_with_code("c3")->dp_id, "3");
  EXPECT_EQ(a.entry("38")->code, "c3");
  EXPECT_FALSE(a.first_with_code("c7"));
  EXPECT_FALSE(a.entry("40"));

  Adapter before = a;  // a copy keeps working on its own
  ASSERT_TRUE(a.remove_entry("3"));
  EXPECT_FALSE(a.remove_entry("3"));
  EXPECT_EQ(a.first_with_code("c3")->dp_id, "10");
  EXPECT_EQ(a.entry_at(3).dp_id, "4");  // order kept, not the last moved in
  ASSERT_TRUE(a.set_entry_code("1", "c3"));
  EXPECT_EQ(a.first_with_code("c3")->dp_id, "1");
  EXPECT_FALSE(a.set_entry_code("3", "x"));
  a.put_entry("0", "new", "enum", J(R"({"k":1})"));
  a.put_entry("99", "c3", "nope", Value::object());
  EXPECT_EQ(a.entry_at(0).code, "new");
  EXPECT_EQ(a.entry("0")->converter->name, "enum");
  EXPECT_EQ(a.entry("99")->converter, nullptr);
  EXPECT_EQ(a.first_with_code("c3")->dp_id, "1");
  EXPECT_EQ(a.size(), 40u);

  // Adjusting an adapter never changes the record it viewed, nor a copy.
  EXPECT_EQ(W(rec.get("entries")), W(entries));
  EXPECT_EQ(before.first_with_code("c3")->dp_id, "3");
  EXPECT_EQ(W(before.to_value()), W(rec));
}

// ---- creation -------------------------------------------------------------------

TEST(AdapterCreate, BuildsEntriesFromStrategiesDpMapAndEnumRanges) {
  struct Case {
    const char* strategies;
    const char* description;
    const char* dpmap;
    const char* adapter;
  } cases[] = {
      {R"(["default","enum"])",
       R"({"local_strategy":{"1":{"status_code":"switch","value_convert":"","config_item":{}},
                              "2":{"status_code":"mode","value_convert":"enum","config_item":{"m":1}}}})",
       "{}",
       R"({"entries":{"1":["switch","default",{}],"2":["mode","enum",{"m":1}]},"enum_ranges":{},"unsupported":{},"remaps":{}})"},
      // Names the pack does not list fall back to "default" and are noted;
      // so is "default" itself when the list is empty, and a non-string name.
      {R"(["default"])", R"({"local_strategy":{"1":{"status_code":"s","value_convert":"enum"}}})", "{}",
       R"({"entries":{"1":["s","default",null]},"enum_ranges":{},"unsupported":{"1":"enum"},"remaps":{}})"},
      {"[]", R"({"local_strategy":{"1":{"status_code":"s","config_item":{}},"2":{"status_code":"t","value_convert":5}}})",
       "{}",
       R"({"entries":{"1":["s","default",{}],"2":["t","default",null]},"enum_ranges":{},"unsupported":{"1":"default","2":""},"remaps":{}})"},
      // The status format names the code (its last member), as an object or
      // as text; an empty or unreadable one falls back to "status_code".
      {R"(["default"])",
       R"({"local_strategy":{"1":{"status_code":"x","config_item":{"statusFormat":"{\"a\":\"$\",\"b\":\"$\"}"}},
                              "2":{"status_code":"y","config_item":{"statusFormat":{"c":1}}},
                              "3":{"status_code":"z","config_item":{"statusFormat":"{}"}},
                              "4":{"status_code":"w","config_item":{"statusFormat":"{oops"}}}})",
       "{}",
       R"({"entries":{"1":["b","default",{"statusFormat":"{\"a\":\"$\",\"b\":\"$\"}"}],"2":["c","default",{"statusFormat":{"c":1}}],"3":["z","default",{"statusFormat":"{}"}],"4":["w","default",{"statusFormat":"{oops"}]},"enum_ranges":{},"unsupported":{},"remaps":{}})"},
      // A strategy without a code adds nothing, but the DP map still does;
      // a map entry never replaces a strategy's; a non-string code is "".
      {R"(["default","enum"])",
       R"({"local_strategy":{"5":{"status_code":7,"value_convert":"enum"},"6":{"status_code":"m","value_convert":"enum"}}})",
       R"({"6":"other","5":"five","9":7})",
       R"({"entries":{"6":["m","enum",null],"5":["five","default",{}],"9":["","default",{}]},"enum_ranges":{},"unsupported":{},"remaps":{}})"},
      // Enumeration ranges come from "status_range" only, values as object
      // or text; no "range" records null.
      {"[]",
       R"({"status_range":{"a":{"type":"Enum","values":"{\"range\":[\"lo\",\"hi\"]}"},"b":{"type":"enum","values":{}},
                            "c":{"type":"Integer","values":{"range":[1]}},"d":{"type":"ENUM","values":{"range":[1]}}},
           "function":{"e":{"type":"Enum","values":{"range":[1]}}}})",
       "[]", R"({"entries":{},"enum_ranges":{"a":["lo","hi"],"b":null},"unsupported":{},"remaps":{}})"},
      {"[]", "5", "null", R"({"entries":{},"enum_ranges":{},"unsupported":{},"remaps":{}})"},
  };
  for (const auto& c : cases) {
    Value rules = J(std::string(R"({"strategies":)") + c.strategies + "}");
    Adapter a = kovi::adapter::adapter_create(J(c.description), J(c.dpmap), rules);
    EXPECT_EQ(W(a.to_value()), c.adapter) << c.description;
  }
}

// ---- remaps ---------------------------------------------------------------------

TEST(AdapterRemaps, InvertValuesOverTheirBounds) {
  struct Case {
    const char* remap;
    const char* value;
    const char* inverted;
  } cases[] = {
      {R"({"invert":true,"bounds":[0,100]})", "30", "70"},
      {R"({"invert":true,"bounds":[0,100]})", "30.5", "69.5"},
      {R"({"invert":1,"bounds":["0","100"]})", "30", "70"},
      {R"({"invert":true,"bounds":[10]})", "3", "7"},
      {R"({"invert":true,"bounds":[null,null]})", "3", "-3"},
      {R"({"invert":true})", "30", "30"},
      {R"({"invert":true})", "true", "false"},
      {R"({"invert":true,"bounds":[0,1]})", R"("on")", R"("on")"},
      {R"({"invert":true,"bounds":[0,1]})", "null", "null"},
      {R"({"invert":false,"bounds":[0,100]})", "30", "30"},
      {R"({"invert":""})", "true", "true"},
  };
  for (const auto& c : cases) {
    Adapter a = A(record("{}", std::string(R"({"x":)") + c.remap + "}"));
    EXPECT_EQ(W(kovi::adapter::invert_value(a, "x", J(c.value))), c.inverted) << c.remap << " " << c.value;
    EXPECT_EQ(W(kovi::adapter::invert_value(a, "y", J(c.value))), c.value) << "another code";
  }
}

TEST(AdapterRemaps, AdjustmentsRecordInversionAndIntegerBounds) {
  const Value device = J(R"({
    "status_range":{"pos":{"type":"Integer","values":"{\"min\":0,\"max\":100}"},"sw":{"type":"Boolean"},
                    "half":{"type":"value","values":{"max":9}},"shadow":{"type":"Boolean"}},
    "function":{"pos":{"type":"Boolean"},"only_w":{"type":"Integer","values":{"min":-5,"max":5}},
                "shadow":{"type":"Integer","values":{"min":1,"max":2}}}})");
  struct Case {
    const char* steps;  // "t code" toggles, "b code" sets bounds, "r code" adds the remap {"alias":{"a":1}}
    const char* remaps;
  } cases[] = {
      {"t pos", R"({"pos":{"invert":true,"bounds":[0,100]}})"},
      {"t pos,t pos", R"({"pos":{"invert":false,"bounds":[0,100]}})"},
      {"t sw", R"({"sw":{"invert":true}})"},
      {"b sw", "{}"},
      {"b half", R"({"half":{"bounds":[null,9]}})"},
      {"b only_w", R"({"only_w":{"bounds":[-5,5]}})"},
      {"b shadow", "{}"},  // "status_range" wins, even over an Integer in "function"
      {"b missing", "{}"},
      {"r pos,t pos", R"({"pos":{"alias":{"a":1},"bounds":[0,100],"invert":true}})"},
      {"t pos,r pos", R"({"pos":{"alias":{"a":1},"bounds":[0,100]}})"},
  };
  for (const auto& c : cases) {
    Adapter a;
    std::string steps = c.steps;
    for (std::size_t at = 0; at < steps.size();) {
      std::size_t end = steps.find(',', at);
      if (end == std::string::npos) end = steps.size();
      std::string code = steps.substr(at + 2, end - at - 2);
      switch (steps[at]) {
        case 't': kovi::adapter::toggle_invert(a, code, device); break;
        case 'b': kovi::adapter::set_bounds(a, code, device); break;
        case 'r': kovi::adapter::add_remap(a, code, J(R"({"alias":{"a":1}})"), device); break;
      }
      at = end + 1;
    }
    EXPECT_EQ(W(a.remaps()), c.remaps) << c.steps;
  }
}

// ---- converters -----------------------------------------------------------------

TEST(AdapterConverters, GeneralReadersGiveHostValuesOrFailures) {
  const char* mapping = R"({"enumMappingMap":{"1":{"value":"on"},"true":{"value":"yes"},"é":{"value":"accent"},
                            "null":{"value":null},"0":"flat"},"valueType":"Enum","valueDesc":"{\"range\":[\"dflt\"]}"})";
  struct Case {
    const char* name;
    const char* value;
    const char* config;
    const char* read;  // the host value, or "!" and the failure
  } cases[] = {
      {"default", "5", "{}", "5"},
      {"default", R"({"a":1.0})", "{}", R"({"a":1.0})"},
      {"default", "null", R"({"valueType":"Enum","valueDesc":"{\"range\":[\"low\",\"high\"]}"})", R"("low")"},
      {"default", R"("")", R"({"valueType":"ENUM","valueDesc":{"range":[]}})", "null"},
      {"default", "null", R"({"valueType":"Integer","valueDesc":"{\"min\":10}"})", "10"},
      {"default", "null", R"({"valueType":"integer","valueDesc":{}})", "null"},
      {"default", "null", R"({"valueType":"Boolean"})", "false"},
      {"default", "null", R"({"valueType":"Bool"})", R"("")"},
      {"default", "null", "7", R"("")"},
      {"enum", "1", mapping, R"("on")"},
      {"enum", "true", mapping, R"("yes")"},  // key "True", then "true"
      {"enum", R"("É")", mapping, R"("accent")"},
      {"enum", "null", mapping, "null"},  // key "null", whose value is null
      {"enum", "0", mapping, R"("dflt")"},  // an entry that is not an object
      {"enum", "2", mapping, R"("dflt")"},
      {"enum", "1.0", mapping, R"("dflt")"},
      {"enum", "1", R"({"enumMappingMap":"{\"1\":{\"value\":\"on\"}}"})", R"("")"},
      {"hb_range_v1", "25", "{}", "0"},
      {"hb_range_v1", "255", "{}", "100"},
      {"hb_range_v1", "140", "{}", "50"},
      {"hb_range_v1", "10", "{}", "0"},
      {"hb_range_v1", "300", "{}", "100"},
      {"hb_range_v1", R"("140.9")", "{}", "50"},
      {"hb_range_v1", R"("-1e3")", "{}", "0"},
      {"hb_range_v1", R"("nan")", "{}", "0"},
      {"hb_range_v1", R"("Infinity")", "{}", "100"},
      {"hb_range_v1", "true", "{}", "!invalid range"},
      {"hb_range_v1", R"("12a")", "{}", "!invalid range"},
      {"hb_range_v1", R"("")", "{}", "!invalid range"},
      {"hb_range_v1", R"(" 12")", "{}", "!invalid range"},
      {"hb_range_v1", "null", "{}", R"("")"},
      {"hb_range_v2", "0", "{}", "1000"},
      {"hb_range_v2", "255", "{}", "12000"},
      {"hb_range_v2", "128", "{}", "6521"},
      {"hb_range_v2", "-4.5", "{}", "1000"},
      {"hb_range_v2", "[]", "{}", "!invalid range"},
      {"hb_jsq_lightv1", R"("abc")", "{}", R"("abc|0|0")"},
      {"hb_jsq_lightv1", "7", "{}", R"("|0|0")"},
      {"hb_jsq_lightv1", "null", "{}", R"("")"},
      {"no_such_name", R"({"a":[1]})", "{}", R"({"a":[1]})"},
      {"db_v1_frozen", "null", "{}", "null"},
  };
  const Value rules = Value::object();
  for (const auto& c : cases)
    EXPECT_EQ(shown(kovi::adapter::strategy_read(c.name, J(c.value), J(c.config), rules)), c.read)
        << c.name << " " << c.value;
}

TEST(AdapterConverters, GeneralEncodersInvertTheReaders) {
  struct Case {
    const char* name;
    const char* value;
    const char* config;
    const char* written;  // the raw value, or "!" and the envelope message
  } cases[] = {
      {"default", "5", "{}", "5"},
      {"default", R"({"a":1})", "{}", R"({"a":1})"},
      {"enum", R"("low")", R"({"enumMappingMap":{"0":{"value":"low"},"low":{"value":"low"}}})", R"("0")"},
      {"enum", "1", R"({"enumMappingMap":{"a":{"value":1},"2":{"value":1}}})", R"("2")"},
      {"enum", "1", R"({"enumMappingMap":{"a":{"value":1},"b":{"value":1}}})", R"("a")"},
      {"enum", "1", R"({"enumMappingMap":{"a":{"value":1.0},"":{"value":1}}})", R"("")"},
      {"enum", R"("mid")", R"({"enumMappingMap":{"0":{"value":"low"}}})", R"("mid")"},
      {"enum", "null", R"({"enumMappingMap":{"x":5,"y":{}}})", R"("x")"},
      {"enum", "3", "null", "3"},
      {"hb_jsq_lightv1", R"("abc|0|0")", "{}", R"("abc")"},
      {"hb_jsq_lightv1", R"("abc")", "{}", R"("abc")"},
      {"hb_jsq_lightv1", R"("|0|0|0|0")", "{}", R"("|0|0")"},
      {"hb_jsq_lightv1", R"("|0|0")", "{}", R"("")"},
      {"hb_jsq_lightv1", "5", "{}", R"("")"},
      {"hb_range_v1", "50", "{}", "!unsupported: this dp's value conversion has no inverse"},
      {"hb_range_v2", "50", "{}", "!unsupported: this dp's value conversion has no inverse"},
      {"db_v1_params", R"("AAA=")", "{}", "!unsupported: this dp's value conversion has no inverse"},
      {"no_such_name", "1", "{}", "!unsupported: this dp's value conversion has no inverse"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(shown(kovi::adapter::strategy_write(c.name, J(c.value), J(c.config))), c.written)
        << c.name << " " << c.value;
}

TEST(AdapterConverters, EncodingWhatWasReadGivesTheRawValueBack) {
  struct Case {
    const char* name;
    const char* config;
    const char* raws;  // raw values that survive read then write
  } cases[] = {
      {"enum", R"({"enumMappingMap":{"0":{"value":"low"},"1":{"value":"high"},"2":{"value":"auto"}}})",
       R"(["0","1","2"])"},
      {"hb_jsq_lightv1", "{}", R"(["", "abc", "a|0|0", "|0|0x"])"},
      {"default", "{}", R"([0, -1, 2.5, "x", [1, {"a":null}], true])"},
  };
  const Value rules = Value::object();
  for (const auto& c : cases) {
    const Value raws = J(c.raws);
    for (const Value& raw : raws.items()) {
      Value config = J(c.config);
      auto host = kovi::adapter::strategy_read(c.name, raw, config, rules);
      ASSERT_TRUE(host.ok()) << c.name << " " << W(raw);
      auto back = kovi::adapter::strategy_write(c.name, *host, config);
      EXPECT_EQ(shown(back), W(raw)) << c.name << " via " << W(*host);
    }
  }
}

// ---- reading a report -------------------------------------------------------------

TEST(AdapterRead, RunsConverterAliasInversionAndEnumCheckPerDp) {
  const std::string mixed = record(
      R"({"1":["switch","default",{}],"2":["bright","hb_range_v1",{}],"3":["power","db_v1_params",{}],
          "4":["mode","enum",{"enumMappingMap":{"0":{"value":"low"},"1":{"value":"mid"},"2":{"value":"high"}}}],
          "5":["pos","default",{}],"6":["ctl","default",{}],"7":["raw","mystery",{}],"8":["switch","default",{}],
          "9":["lost","default",{}]})",
      R"({"switch":{"invert":true},"pos":{"invert":true,"bounds":[0,100]},"ctl":{"alias":{"up":"open","x":"mid"}},
          "mode":{"alias":{"high":"low"}}})",
      R"({"mode":["low","high"],"ctl":["open","close","up"],"lost":"not a list"})");
  struct Case {
    const char* report;
    const char* read;
  } cases[] = {
      {R"({"1":true,"99":5})", R"({"switch":false})"},
      // Failing converters (a boolean range, a payload that is no base64)
      // leave only their DPs out.
      {R"({"2":true,"1":false,"3":"not base64!","5":30})", R"({"switch":true,"pos":70})"},
      {R"({"2":140,"4":"0","6":"up","7":{"k":1}})", R"({"bright":50,"mode":"low","ctl":"open","raw":{"k":1}})"},
      {R"({"4":"1"})", "{}"},           // "mid" is not an allowed mode
      {R"({"4":"2"})", R"({"mode":"low"})"},  // the alias is applied before the check
      {R"({"6":"close"})", R"({"ctl":"close"})"},
      {R"({"6":"down"})", "{}"},
      {R"({"9":1})", "{}"},             // the enum range is not an array
      {R"({"1":true,"5":1,"8":false})", R"({"switch":true,"pos":99})"},  // two DPs, one code: the later value
      {R"({"2":null,"5":null})", R"({"bright":"","pos":""})"},
      {R"([1,2])", "{}"},
      {"null", "{}"},
  };
  Adapter a = A(mixed);
  const Value rules = Value::object();
  for (const auto& c : cases) EXPECT_EQ(W(kovi::adapter::adapter_read(a, J(c.report), rules)), c.read) << c.report;
}

TEST(AdapterRecord, FreeFormMembersOfAnyShapeChangeNothing) {
  // "remaps" and "enum_ranges" accept any value; shapes without meaning
  // change nothing.
  struct Case {
    const char* remaps;
    const char* enum_ranges;
  } cases[] = {
      {"null", "null"}, {"[]", "[]"}, {"5", R"("x")"}, {R"({"x":5})", R"({"y":5})"},
      {R"({"x":{"alias":[1],"invert":null}})", R"([["x"]])"},
  };
  const Value rules = Value::object();
  for (const auto& c : cases) {
    Adapter a = A(record(R"({"1":["x","default",{}]})", c.remaps, c.enum_ranges));
    EXPECT_EQ(W(kovi::adapter::adapter_read(a, J(R"({"1":"v"})"), rules)), R"({"x":"v"})") << c.remaps;
    Value commands = J(R"([{"code":"x","value":"v"}])");
    EXPECT_EQ(shown(kovi::adapter::adapter_write(a, commands.items())), R"({"1":"v"})") << c.remaps;
  }
}

// ---- writing commands ---------------------------------------------------------------

TEST(AdapterWrite, InvertsDealiasesAndEncodesThroughTheFirstEntryOfACode) {
  const std::string adapter = record(
      R"({"1":["switch","default",{}],"2":["switch","default",{}],"3":["position","default",{}],
          "4":["control","enum",{"enumMappingMap":{"0":{"value":"open"},"1":{"value":"close"}}}],
          "5":["curve","hb_range_v1",{}],"6":["light","hb_jsq_lightv1",{}]})",
      R"({"position":{"invert":true,"bounds":[0,100]},"control":{"alias":{"open":"up","close":"down","again":"up"}}})");
  struct Case {
    const char* commands;
    const char* written;  // the written DPs, or "!" and the envelope message
  } cases[] = {
      {R"([{"code":"switch","value":true}])", R"({"1":true})"},
      {R"([{"code":"position","value":30}])", R"({"3":70})"},
      {R"([{"code":"control","value":"up"},{"code":"light","value":"a|0|0"}])", R"({"4":"0","6":"a"})"},
      {R"([{"code":"control","value":"sideways"}])", R"({"4":"sideways"})"},
      {R"([{"code":"switch","value":true},{"code":"position","value":1},{"code":"switch","value":false}])",
       R"({"1":false,"3":99})"},
      {R"([{"code":"switch"}])", R"({"1":null})"},
      {R"([{"code":"switch","value":true},{"code":"fan","value":1}])", "!unsupported: no dp for fan"},
      {R"([{"code":"curve","value":5}])", "!unsupported: this dp's value conversion has no inverse"},
      {R"([{"code":5}])", "!unsupported: no dp for "},
      {"[]", "!unsupported: no dp for command"},
  };
  Adapter a = A(adapter);
  for (const auto& c : cases) {
    Value commands = J(c.commands);
    EXPECT_EQ(shown(kovi::adapter::adapter_write(a, commands.items())), c.written) << c.commands;
  }

  Adapter empty;
  Value one = J(R"([{"code":"x","value":1}])");
  EXPECT_EQ(shown(kovi::adapter::adapter_write(empty, one.items())), "!unsupported: no dp for x");
}

}  // namespace
