// The JSON value: number forms, object order semantics, the index on large
// objects, equality, deep merge, and depth safety.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "json/reader.h"
#include "json/value.h"
#include "json/writer.h"
#include "test_json.h"

using kovi::json::Type;
using kovi::json::Value;

namespace {

Value parse(std::string_view text) { return kovi_test::J(text); }

std::string keys(const Value& v) {
  std::string out;
  for (const auto& m : v.members()) out += std::string(m.key()) + ",";
  return out;
}

}  // namespace

TEST(JsonValue, IntegersKeepOneFormPerSign) {
  EXPECT_EQ(Value(5).type(), Type::Uint);
  EXPECT_EQ(Value(std::int64_t{5}).type(), Type::Uint);
  EXPECT_EQ(Value(-5).type(), Type::Int);
  EXPECT_EQ(Value(0L).type(), Type::Uint);
  EXPECT_EQ(Value(5.0).type(), Type::Float);
  EXPECT_TRUE(kovi::json::same(Value(std::int64_t{7}), Value(std::uint64_t{7})));
  EXPECT_FALSE(kovi::json::same(Value(1), Value(1.0)));
}

TEST(JsonValue, StringsInlineAndOnTheHeap) {
  for (std::string s : {std::string(), std::string("a"), std::string(15, 'x'), std::string(16, 'y'),
                        std::string(1000, 'z'), std::string("a\0b", 3)}) {
    Value v(s);
    Value copy = v;
    Value moved = std::move(copy);
    EXPECT_EQ(moved.as_string(), s);
    EXPECT_EQ(v.as_string(), s);
    EXPECT_TRUE(copy.is_null());
  }
}

TEST(JsonValue, ObjectOrderSemantics) {
  Value o = Value::object();
  o.set("a", 1);
  o.set("b", 2);
  o.set("c", 3);
  o.set("d", 4);
  o.set("b", 20);  // assigning keeps the position
  EXPECT_EQ(keys(o), "a,b,c,d,");
  EXPECT_TRUE(o.erase("a"));  // the last member takes the removed place
  EXPECT_EQ(keys(o), "d,b,c,");
  EXPECT_FALSE(o.erase("zz"));
  o.set("e", 5);
  EXPECT_EQ(keys(o), "d,b,c,e,");
  EXPECT_EQ(o.get("b").as_uint(), 20u);
  EXPECT_TRUE(o.get("missing").is_null());
  // A duplicate key read from text keeps its first position, last value.
  EXPECT_EQ(kovi::json::to_json(parse(R"({"k":1,"j":2,"k":{"x":3}})")), R"({"k":{"x":3},"j":2})");
}

// Large objects carry an index; every mutation must keep it consistent
// with the member order. Mirror the object in a simple list and compare
// after each step.
TEST(JsonValue, LargeObjectIndexStaysConsistent) {
  Value o = Value::object();
  std::vector<std::pair<std::string, int>> mirror;
  auto check = [&] {
    ASSERT_EQ(o.size(), mirror.size());
    for (std::size_t i = 0; i < mirror.size(); ++i) {
      ASSERT_EQ(o.members()[i].key(), mirror[i].first);
      const Value* f = o.find(mirror[i].first);
      ASSERT_NE(f, nullptr) << mirror[i].first;
      ASSERT_EQ(f->as_uint(), static_cast<std::uint64_t>(mirror[i].second));
    }
    ASSERT_EQ(o.find("never"), nullptr);
  };
  std::uint32_t seed = 1;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 400; };
  for (int step = 0; step < 3000; ++step) {
    std::string k = "key" + std::to_string(next());
    int action = static_cast<int>(next() % 3);
    auto it = std::find_if(mirror.begin(), mirror.end(), [&](auto& p) { return p.first == k; });
    if (action < 2) {
      o.set(k, step);
      if (it != mirror.end()) it->second = step; else mirror.push_back({k, step});
    } else {
      bool removed = o.erase(k);
      ASSERT_EQ(removed, it != mirror.end());
      if (it != mirror.end()) {
        *it = mirror.back();
        mirror.pop_back();
      }
    }
    if (step % 97 == 0) check();
  }
  check();
  Value copy = o;  // a copy carries a working index
  o = Value();
  std::swap(copy, o);
  check();
}

TEST(JsonValue, SameComparesStructureAndForm) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"null", "null", true},
      {"1", "1", true},
      {"1", "1.0", false},
      {"-1", "-1", true},
      {"0.0", "-0.0", true},
      {"\"a\"", "\"a\"", true},
      {"\"a\"", "\"b\"", false},
      {"[1,[2]]", "[1,[2]]", true},
      {"[1,2]", "[2,1]", false},
      {"[1]", "[1,1]", false},
      {R"({"a":1,"b":[2]})", R"({"b":[2],"a":1})", true},
      {R"({"a":1})", R"({"a":1,"b":2})", false},
      {R"({"a":1})", R"({"b":1})", false},
      {"true", "1", false},
      {"{}", "[]", false},
  };
  for (const auto& c : cases) EXPECT_EQ(kovi::json::same(parse(c.a), parse(c.b)), c.same) << c.a << " vs " << c.b;
}

TEST(JsonValue, DeepMergeReplacesOrMergesPerMember) {
  struct Case {
    const char* dst;
    const char* src;
    const char* out;
  } cases[] = {
      {R"({"a":{"x":1},"b":2})", R"({"a":{"y":2},"b":{"z":3}})", R"({"a":{"x":1,"y":2},"b":{"z":3}})"},
      {R"({"a":{"x":1}})", R"({"a":7})", R"({"a":7})"},
      {R"({"a":[1,2]})", R"({"a":[3]})", R"({"a":[3]})"},
      {R"({})", R"({"n":{"m":{}}})", R"({"n":{"m":{}}})"},
      {R"(5)", R"({"a":1})", R"({"a":1})"},
  };
  for (const auto& c : cases) {
    Value d = parse(c.dst);
    Value s = parse(c.src);
    kovi::json::deep_merge(d, s);
    EXPECT_EQ(kovi::json::to_json(d), c.out);
    Value d2 = parse(c.dst);
    kovi::json::deep_merge(d2, std::move(s));
    EXPECT_EQ(kovi::json::to_json(d2), c.out);
  }
}

// Values built in code can be nested far deeper than any text the reader
// accepts; copying, comparing, writing, merging and destroying must not
// recurse on the native stack.
TEST(JsonValue, MillionLevelsDeep) {
  constexpr int kDepth = 1'000'000;
  Value root = Value::array();
  Value* at = &root;
  for (int i = 0; i < kDepth; ++i) {
    at->push_back(i % 2 ? Value::array() : Value::object());
    at = &(*at)[0];
    if (at->is_object()) at = &at->slot("k");
  }
  Value copy = root;
  EXPECT_TRUE(kovi::json::same(root, copy));
  std::string text = kovi::json::to_json(copy);
  EXPECT_GT(text.size(), static_cast<std::size_t>(kDepth));
  Value merged = Value::object();
  Value wrapper = Value::object();
  wrapper.set("deep", std::move(copy));
  kovi::json::deep_merge(merged, wrapper);
  kovi::json::deep_merge(merged, wrapper);
  EXPECT_TRUE(kovi::json::same(merged, wrapper));
}
