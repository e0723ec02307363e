// Reading and writing JSON text: the reading rules with their reasons and
// positions, number classification, escapes, and the writer's forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "json/reader.h"
#include "json/utf8.h"
#include "json/writer.h"

using kovi::json::Type;
using kovi::json::Value;

TEST(JsonReader, FailuresNameReasonAndPosition) {
  struct Case {
    std::string text;
    const char* error;
  } cases[] = {
      {"", "EOF while parsing a value at line 1 column 0"},
      {"   ", "EOF while parsing a value at line 1 column 3"},
      {"x", "expected value at line 1 column 1"},
      {"{\"op\":\"x\"} {}", "trailing characters at line 1 column 12"},
      {"[1,\n2,\n", "EOF while parsing a value at line 3 column 0"},
      {"[1 2]", "expected `,` or `]` at line 1 column 4"},
      {"[1,]", "trailing comma at line 1 column 4"},
      {"[", "EOF while parsing a list at line 1 column 1"},
      {"[1", "EOF while parsing a list at line 1 column 2"},
      {"{", "EOF while parsing an object at line 1 column 1"},
      {"{\"a\"", "EOF while parsing an object at line 1 column 4"},
      {"{\"a\" 1}", "expected `:` at line 1 column 6"},
      {"{\"a\":1 \"b\"}", "expected `,` or `}` at line 1 column 8"},
      {"{\"a\":1,}", "trailing comma at line 1 column 8"},
      {"{1:2}", "key must be a string at line 1 column 2"},
      {"\"abc", "EOF while parsing a string at line 1 column 4"},
      {"\"a\tb\"", "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3"},
      {"\"\\x\"", "invalid escape at line 1 column 3"},
      {"\"\\u12g4\"", "invalid escape at line 1 column 6"},
      {"\"\\u12", "EOF while parsing a string at line 1 column 5"},
      {"\"\\ud800\"", "unexpected end of hex escape at line 1 column 8"},
      {"\"\\ud800\\n\"", "unexpected end of hex escape at line 1 column 9"},
      {"\"\\ud800\\u0041\"", "lone leading surrogate in hex escape at line 1 column 13"},
      {"\"\\udc00\"", "invalid unicode code point at line 1 column 7"},
      {"tru", "EOF while parsing a value at line 1 column 3"},
      {"trux", "expected ident at line 1 column 4"},
      {"nul1", "expected ident at line 1 column 4"},
      {"-", "EOF while parsing a value at line 1 column 1"},
      {"-a", "invalid number at line 1 column 2"},
      {"01", "invalid number at line 1 column 2"},
      {"1.", "EOF while parsing a value at line 1 column 2"},
      {"1.e5", "invalid number at line 1 column 3"},
      {"1e", "EOF while parsing a value at line 1 column 2"},
      {"1e+x", "invalid number at line 1 column 4"},
      {"1e400", "number out of range at line 1 column 5"},
      {"-1e400", "number out of range at line 1 column 6"},
      {"[1]x", "trailing characters at line 1 column 4"},
  };
  for (const auto& c : cases) {
    auto r = kovi::json::read(c.text);
    EXPECT_EQ(r.error, c.error) << "text: " << c.text;
  }
}

TEST(JsonReader, NestingLimitIs128Levels) {
  for (char open : {'[', '{'}) {
    auto nest = [&](int n) {
      std::string s;
      for (int i = 0; i < n; ++i) s += open == '[' ? "[" : "{\"a\":";
      s += "0";
      for (int i = 0; i < n; ++i) s += open == '[' ? "]" : "}";
      return s;
    };
    EXPECT_TRUE(kovi::json::read(nest(128)).ok());
    auto deep = kovi::json::read(nest(129));
    EXPECT_EQ(deep.error.substr(0, 24), "recursion limit exceeded");
  }
  auto huge = kovi::json::read(std::string(100000, '['));
  EXPECT_EQ(huge.error, "recursion limit exceeded at line 1 column 129");
}

TEST(JsonReader, NumbersKeepTheirForm) {
  struct Case {
    const char* text;
    Type type;
    const char* written;
  } cases[] = {
      {"0", Type::Uint, "0"},
      {"-0", Type::Uint, "0"},
      {"18446744073709551615", Type::Uint, "18446744073709551615"},
      {"18446744073709551616", Type::Float, "1.8446744073709552e19"},
      {"-9223372036854775808", Type::Int, "-9223372036854775808"},
      {"-9223372036854775809", Type::Float, "-9.223372036854776e18"},
      {"1.0", Type::Float, "1.0"},
      {"1e2", Type::Float, "100.0"},
      {"-0.0", Type::Float, "-0.0"},
      {"1e-400", Type::Float, "0.0"},
      {"0.1", Type::Float, "0.1"},
      {"21.5", Type::Float, "21.5"},
      {"123456789012345678901234567890", Type::Float, "1.2345678901234568e29"},
      {"2.2250738585072014e-308", Type::Float, "2.2250738585072014e-308"},
      {"5e-324", Type::Float, "5e-324"},
  };
  for (const auto& c : cases) {
    auto r = kovi::json::read(c.text);
    ASSERT_TRUE(r.ok()) << c.text << ": " << r.error;
    EXPECT_EQ(r.value.type(), c.type) << c.text;
    EXPECT_EQ(kovi::json::to_json(r.value), c.written) << c.text;
  }
}

TEST(JsonReader, EscapesDecodeToUtf8) {
  auto r = kovi::json::read(R"(["\ud83d\ude00","\u00e9\u0000x","\"\\\/\b\f\n\r\t","\uD834\uDD1E"])");
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.value[0].as_string(), "\xF0\x9F\x98\x80");
  EXPECT_EQ(r.value[1].as_string(), std::string("\xC3\xA9\0x", 4));
  EXPECT_EQ(r.value[2].as_string(), "\"\\/\b\f\n\r\t");
  EXPECT_EQ(r.value[3].as_string(), "\xF0\x9D\x84\x9E");
}

TEST(JsonWriter, FloatsInShortestFormAndRange) {
  struct Case {
    double d;
    const char* text;
  } cases[] = {
      {1.0, "1.0"},          {0.25, "0.25"},      {12.0, "12.0"},         {0.0001, "0.0001"},
      {1e16, "1e16"},        {1e15, "1000000000000000.0"},                {0.00001, "0.00001"},
      {0.000001, "1e-6"},    {1.5e-7, "1.5e-7"},  {1e21, "1e21"},         {-2.5, "-2.5"},
      {0.1 + 0.2, "0.30000000000000004"},         {1.7976931348623157e308, "1.7976931348623157e308"},
      {123456.789, "123456.789"},                 {9.9999999999999e15, "9999999999999900.0"},
      {std::numeric_limits<double>::infinity(), "null"}, {std::nan(""), "null"},
  };
  for (const auto& c : cases) EXPECT_EQ(kovi::json::to_json(Value(c.d)), c.text) << c.d;
}

TEST(JsonWriter, EscapesOnlyWhatItMust) {
  std::string s = "a\"b\\c/é\x01\x1f\b\f\n\r\t";
  s.push_back('\0');
  EXPECT_EQ(kovi::json::to_json(Value(s)), R"("a\"b\\c/é\u0001\u001f\b\f\n\r\t\u0000")");
}

TEST(JsonText, RoundTripIsExact) {
  const char* texts[] = {
      R"({"b":1,"a":[true,false,null,-3,2.5,"x"],"c":{"d":{},"e":[]}})",
      R"([18446744073709551615,-9223372036854775808,1e-7,1e300,"\u0000"])",
  };
  for (const char* t : texts) {
    auto r = kovi::json::read(t);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(kovi::json::to_json(r.value), t);
  }
}

TEST(Utf8, ValidationRejectsEveryMalformedForm) {
  struct Case {
    std::string bytes;
    bool valid;
  } cases[] = {
      {"plain ascii text that is long", true},
      {"\xC3\xA9", true},
      {"\xE2\x82\xAC", true},
      {"\xF0\x9F\x98\x80", true},
      {"\xF4\x8F\xBF\xBF", true},
      {"\xC3\x28", false},          // bad continuation
      {"\xC0\xAF", false},          // overlong
      {"\xE0\x80\xAF", false},      // overlong
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xF0\x9F\x98", false},      // truncated
      {"\x80", false},              // lone continuation
      {"\xFF", false},
  };
  for (const auto& c : cases) EXPECT_EQ(kovi::json::valid_utf8(c.bytes), c.valid) << c.bytes;
}
