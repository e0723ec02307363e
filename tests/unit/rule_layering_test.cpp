// Applying a layer's patch: deep merge with the "$delete" and "$append"
// directives. Whole merge_rules requests are in tests/cases/layering.jsonl.
#include "rules/rule_layering.h"

#include <gtest/gtest.h>

#include <string>

#include "json/reader.h"
#include "json/writer.h"
#include "test_json.h"

using kovi::json::Value;

namespace {

Value parse(std::string_view text) { return kovi_test::J(text); }

}  // namespace

TEST(ApplyPatch, DirectivesAndMerging) {
  const struct {
    const char* target;
    const char* patch;
    const char* expected;  // compared as text: member order counts
  } cases[] = {
      // Removal moves the last member into the hole.
      {R"({"a":1,"b":2,"c":3,"d":4})", R"({"b":{"$delete":true}})", R"({"a":1,"d":4,"c":3})"},
      {R"({"a":1,"b":2})", R"({"b":{"$delete":true}})", R"({"a":1})"},
      {R"({"a":1})", R"({"z":{"$delete":true}})", R"({"a":1})"},
      // Only exactly {"$delete": true} deletes.
      {R"({"a":1})", R"({"a":{"$delete":1}})", R"({"a":{"$delete":1}})"},
      {R"({"a":1})", R"({"a":{"$delete":"true"}})", R"({"a":{"$delete":"true"}})"},
      {R"({})", R"({"x":{"$delete":true,"y":1}})", R"({"x":{"$delete":true,"y":1}})"},
      {R"({"x":{"$delete":false}})", R"({"x":{"$delete":true,"y":1}})", R"({"x":{"$delete":true,"y":1}})"},
      // Append extends an array, otherwise puts the array in place.
      {R"({"s":["a"]})", R"({"s":{"$append":["x",{"k":1}]}})", R"({"s":["a","x",{"k":1}]})"},
      {R"({"t":1})", R"({"s":{"$append":["x"]}})", R"({"t":1,"s":["x"]})"},
      {R"({"s":{"a":1},"t":1})", R"({"s":{"$append":[]}})", R"({"s":[],"t":1})"},
      {R"({"s":["a"]})", R"({"s":{"$append":"x"}})", R"({"s":{"$append":"x"}})"},
      {R"({"s":["a"]})", R"({"s":{"$append":["x"],"more":1}})", R"({"s":{"$append":["x"],"more":1}})"},
      // Directives at any depth.
      {R"({"a":{"b":{"c":1,"d":2},"e":[1]}})", R"({"a":{"b":{"c":{"$delete":true}},"e":{"$append":[2]}}})",
       R"({"a":{"b":{"d":2},"e":[1,2]}})"},
      // Arrays and scalars replace; objects merge member by member; an
      // object patch turns a scalar into an object.
      {R"({"l":[1,2,3],"n":1})", R"({"l":[9],"n":"x"})", R"({"l":[9],"n":"x"})"},
      {R"({"o":{"a":1,"b":2}})", R"({"o":{"b":3,"c":4}})", R"({"o":{"a":1,"b":3,"c":4}})"},
      {R"({"o":5})", R"({"o":{"p":{"q":1}}})", R"({"o":{"p":{"q":1}}})"},
      {R"({"o":5})", R"({"o":{}})", R"({"o":{}})"},
      {R"({"o":{"a":1}})", R"({"o":null})", R"({"o":null})"},
      // Inside arrays nothing is a directive.
      {R"({})", R"({"l":[{"$delete":true}]})", R"({"l":[{"$delete":true}]})"},
      // The patch's own top level is merged, not interpreted.
      {R"({"a":1})", R"({"$delete":true})", R"({"a":1,"$delete":true})"},
      // A target that is not an object becomes one.
      {R"([1])", R"({"a":1})", R"({"a":1})"},
      // A patch that is not an object replaces the target.
      {R"({"a":1})", R"([2])", R"([2])"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.target) + " <- " + c.patch);
    Value target = parse(c.target);
    kovi::rules::apply_patch(target, parse(c.patch));
    EXPECT_EQ(kovi::json::to_json(target), c.expected);
  }
}

TEST(ApplyPatch, DeepPatchesUseConstantStack) {
  constexpr int kDepth = 200000;
  auto nest = [](Value leaf) {
    for (int i = 0; i < kDepth; ++i) {
      Value outer = Value::object();
      outer.set("n", std::move(leaf));
      leaf = std::move(outer);
    }
    return leaf;
  };
  Value target = nest(parse(R"({"keep":1,"drop":2})"));
  kovi::rules::apply_patch(target, nest(parse(R"({"drop":{"$delete":true},"add":{"$append":[3]}})")));
  EXPECT_TRUE(kovi::json::same(target, nest(parse(R"({"keep":1,"add":[3]})"))));
}
