// Roles: the record's two JSON forms, the scaling arithmetic of decode and
// encode (range checks, inversion, half-even rounding, number forms), the
// role summary and the choice of a cover command map.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "data/role.h"
#include "json/reader.h"
#include "json/writer.h"
#include "test_json.h"

namespace {

using kovi::data::DpKind;
using kovi::data::Role;
using kovi::json::Value;

using kovi_test::J;
using kovi_test::W;

Role role(DpKind kind, std::string_view spec) { return Role{"x", kind, J(spec), Value()}; }

TEST(RoleRecord, ReadsObjectsAndArraysWithTheRecordReasons) {
  struct Case {
    const char* input;
    const char* written;  // role_value of the result, or the failure reason
  } cases[] = {
      {R"({"report_type":"rt","spec":{"min":1},"kind":"Enum","code":"a","extra":1})",
       R"({"code":"a","kind":"Enum","spec":{"min":1},"report_type":"rt"})"},
      {R"(["a","String",null,null])", R"({"code":"a","kind":"String","spec":null,"report_type":null})"},
      {R"({"code":"a","kind":"Integer","spec":{}})", "missing field `report_type`"},
      {R"({"code":"a","kind":"integer","spec":{},"report_type":null})",
       "unknown variant `integer`, expected one of `Integer`, `Boolean`, `Enum`, `Bitmap`, `Json`, `Raw`, `String`"},
      {R"({"code":"a","kind":5,"spec":{},"report_type":null})", "invalid type: integer `5`, expected enum DpKind"},
      {R"({"code":1,"kind":"Raw","spec":{},"report_type":null})", "invalid type: integer `1`, expected a string"},
      {R"(["a","Integer",{}])", "invalid length 3, expected struct Role with 4 elements"},
      {R"("a")", R"(invalid type: string "a", expected struct Role)"},
  };
  for (const auto& c : cases) {
    auto r = kovi::data::read_role(J(c.input));
    EXPECT_EQ(r.ok() ? W(kovi::data::role_value(*r)) : r.error().message, c.written) << c.input;
  }
}

TEST(RoleScale, IsTenToTheTruncatedClampedScale) {
  struct Case {
    const char* spec;
    double factor;
  } cases[] = {
      {R"({"scale":2})", 100},
      {R"({"scale":"1"})", 10},
      {R"({"scale":1.9})", 10},
      {R"({"scale":-1})", 1.0 / 10},
      {R"({"scale":-2.7})", 1.0 / 100},
      {R"({})", 1},
      {R"({"scale":"nan"})", 1},
      {R"({"scale":true})", 10},
      {R"(7)", 1},
      {R"({"scale":1e300})", std::numeric_limits<double>::infinity()},
      {R"({"scale":-1e300})", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(kovi::data::scale_factor(role(DpKind::Integer, c.spec)), c.factor) << c.spec;
}

TEST(RoleDecode, AcceptsOnlyWhatTheKindAllows) {
  struct Case {
    DpKind kind;
    const char* spec;
    const char* codes;
    const char* decoded;
  } cases[] = {
      {DpKind::Integer, R"({"min":0,"max":1000,"scale":1})", R"({"x":215})", "21.5"},
      {DpKind::Integer, R"({"min":0,"max":255,"scale":0})", R"({"x":255})", "255.0"},
      {DpKind::Integer, R"({"min":0,"max":255,"scale":0})", R"({"x":256})", "null"},
      {DpKind::Integer, R"({"min":0,"max":255})", R"({"x":-1})", "null"},
      {DpKind::Integer, R"({"min":0,"max":255})", R"({"x":12.0})", "null"},
      {DpKind::Integer, R"({"min":0,"max":255})", R"({"x":"12"})", "null"},
      {DpKind::Integer, R"({"min":0,"max":255})", R"({"x":true})", "1.0"},
      {DpKind::Integer, R"({"min":-50,"max":50,"scale":1})", R"({"x":-5})", "-0.5"},
      {DpKind::Integer, R"({"min":10})", R"({"x":11})", "null"},
      {DpKind::Integer, R"({"min":0,"max":255})", R"({})", "null"},
      {DpKind::Integer, R"({"min":0,"max":255})", R"([5])", "null"},
      {DpKind::Integer, R"({"max":100,"inverted":true})", R"({"x":30})", "70.0"},
      {DpKind::Integer, R"({"max":100,"scale":1,"inverted":true})", R"({"x":30})", "7.0"},
      {DpKind::Integer, R"({"max":100,"inverted":"true"})", R"({"x":30})", "30.0"},
      {DpKind::Integer, R"({"max":100,"inverted":1})", R"({"x":30})", "30.0"},
      {DpKind::Boolean, R"({})", R"({"x":true})", "true"},
      {DpKind::Boolean, R"({})", R"({"x":1})", "1"},
      {DpKind::Boolean, R"({})", R"({"x":0.0})", "0.0"},
      {DpKind::Boolean, R"({})", R"({"x":2})", "null"},
      {DpKind::Boolean, R"({})", R"({"x":"true"})", "null"},
      {DpKind::Enum, R"({"range":[1,"a"]})", R"({"x":1})", "1"},
      {DpKind::Enum, R"({"range":[1,"a"]})", R"({"x":1.0})", "null"},
      {DpKind::Enum, R"({"range":[1,"a"]})", R"({"x":"A"})", "null"},
      {DpKind::Enum, R"({"range":"a"})", R"({"x":"a"})", "null"},
      {DpKind::Json, R"({})", R"({"x":{"k":[1]}})", R"({"k":[1]})"},
      {DpKind::String, R"({})", R"({"x":7})", "7"},
      {DpKind::Raw, R"({})", R"({})", "null"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(W(kovi::data::decode(role(c.kind, c.spec), J(c.codes))), c.decoded)
        << kovi::data::kind_name(c.kind) << " " << c.spec << " " << c.codes;
}

TEST(RoleEncode, ScalesRoundsHalfEvenAndChecksTheRange) {
  struct Case {
    DpKind kind;
    const char* spec;
    const char* host;
    const char* encoded;  // the raw value, or the failure message
  } cases[] = {
      {DpKind::Integer, R"({"min":0,"max":1000,"scale":1})", "21.5", "215"},
      {DpKind::Integer, R"({"min":0,"max":100,"scale":1})", "10.05", "100"},
      {DpKind::Integer, R"({"min":0,"max":100,"scale":1})", "10.06", "value out of range"},
      {DpKind::Integer, R"({"min":-10,"max":10})", "2.5", "2"},
      {DpKind::Integer, R"({"min":-10,"max":10})", "3.5", "4"},
      {DpKind::Integer, R"({"min":-10,"max":10})", "-2.5", "-2"},
      {DpKind::Integer, R"({"min":-10,"max":10})", "-10.6", "value out of range"},
      {DpKind::Integer, R"({"min":0,"max":1})", "true", "1"},
      {DpKind::Integer, R"({"max":100,"inverted":true})", "70", "30"},
      {DpKind::Integer, R"({"max":100,"scale":1,"inverted":true})", "7", "30"},
      {DpKind::Integer, R"({"min":0,"max":1e19})", "1e19", "1e19"},
      {DpKind::Integer, R"({"min":0,"max":100})", "\"5\"", "invalid numeric value"},
      {DpKind::Integer, R"({"min":0,"max":100})", "null", "invalid numeric value"},
      // A scale too large for a float leaves no raw number to send.
      {DpKind::Integer, R"({"min":0,"max":"inf","scale":400})", "1", "value out of range"},
      {DpKind::Integer, R"({"min":0,"max":"inf","scale":400})", "0", "value out of range"},
      {DpKind::Boolean, R"({})", "false", "false"},
      {DpKind::Boolean, R"({})", "1", "invalid boolean value"},
      {DpKind::Enum, R"({"range":["low","high"]})", "\"low\"", "\"low\""},
      {DpKind::Enum, R"({"range":["low","high"]})", "\"LOW\"", "invalid enum value"},
      {DpKind::Enum, R"({"range":[0]})", "0", "invalid enum value"},
      {DpKind::Enum, R"({})", "\"low\"", "invalid enum value"},
      {DpKind::Bitmap, R"({})", "[true]", "[true]"},
      {DpKind::Raw, R"({})", "null", "null"},
  };
  for (const auto& c : cases) {
    auto r = kovi::data::encode(role(c.kind, c.spec), J(c.host));
    EXPECT_EQ(r.ok() ? W(*r) : std::string(r.error().message), c.encoded)
        << kovi::data::kind_name(c.kind) << " " << c.spec << " " << c.host;
  }
}

TEST(RoleSummary, GivesBoundsAndStepInHostUnits) {
  struct Case {
    DpKind kind;
    const char* spec;
    const char* summary;
  } cases[] = {
      {DpKind::Integer, R"({"min":0,"max":1000,"step":5,"scale":1})",
       R"({"code":"x","kind":"Integer","spec":{"min":0,"max":1000,"step":5,"scale":1},"report_type":null,)"
       R"("range":[],"min":0,"max":100,"step":0.5,"scale":10})"},
      {DpKind::Integer, R"({"min":-5,"max":5,"scale":400})",
       R"({"code":"x","kind":"Integer","spec":{"min":-5,"max":5,"scale":400},"report_type":null,)"
       R"("range":[],"min":0,"max":0,"step":0,"scale":null})"},
      {DpKind::Enum, R"("text")",
       R"({"code":"x","kind":"Enum","spec":"text","report_type":null,"range":[],"min":0,"max":0,"step":0,"scale":1})"},
      {DpKind::Enum, R"({"range":["a"],"min":-3})",
       R"({"code":"x","kind":"Enum","spec":{"range":["a"],"min":-3},"report_type":null,)"
       R"("range":["a"],"min":-3,"max":0,"step":0,"scale":1})"},
  };
  for (const auto& c : cases) EXPECT_EQ(W(kovi::data::summary(role(c.kind, c.spec))), c.summary) << c.spec;
}

TEST(RoleCommandMap, PrefersAMapWhoseWordsTheRangeHolds) {
  const Value rules = J(R"({"maps":{"a":{"open":"o","close":"c"},"b":{"open":"up","close":"down","stop":"s"},)"
                        R"("half":{"open":"up","close":"shut"}}})");
  struct Case {
    DpKind kind;
    const char* spec;
    const char* candidates;
    const char* map;
  } cases[] = {
      {DpKind::Boolean, R"({})", "null", R"({"open":true,"close":false,"stop":{"never":true}})"},
      {DpKind::Enum, R"({"range":["up","down"]})", R"(["a","b"])", R"({"open":"up","close":"down","stop":"s"})"},
      {DpKind::Enum, R"({"range":["up","down"]})", R"(["half","b"])", R"({"open":"up","close":"down","stop":"s"})"},
      {DpKind::Enum, R"({"range":["x"]})", R"(["a","b"])", R"({"open":"o","close":"c"})"},
      {DpKind::Enum, R"({"range":["up","down"]})", R"(["missing","a"])", "null"},
      {DpKind::Enum, R"({"range":["up","down"]})", R"("b")", R"({"open":"up","close":"down","stop":"s"})"},
      {DpKind::Enum, R"({"range":["up","down"]})", R"([1,"b"])", R"({"open":"up","close":"down","stop":"s"})"},
      {DpKind::Enum, R"({"range":["up","down"]})", R"([])", "null"},
      {DpKind::Enum, R"({"range":["up","down"]})", "5", "null"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(W(kovi::data::command_map(role(c.kind, c.spec), J(c.candidates), rules)), c.map)
        << c.spec << " " << c.candidates;
}

}  // namespace
