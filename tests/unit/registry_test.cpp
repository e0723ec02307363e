// The rule registry: fingerprints, install / lookup / remove outcomes,
// sharing of installed packs, the damaged state, and concurrent use through
// dispatch.
#include "api/registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "api/dispatch.h"
#include "json/reader.h"
#include "json/writer.h"
#include "platform/sha256.h"
#include "test_json.h"

using kovi::RuleRegistry;
using kovi::json::Value;

namespace {

constexpr const char* kNotRegistered = "rules are required or rules_id is not registered";
constexpr const char* kPoisoned = "rule registry poisoned";
constexpr const char* kDifferent = "rule id already registered with different content";

Value parse(std::string_view text) { return kovi_test::J(text); }
using kovi_test::minimal_pack;

// The minimal pack with one distinguishing constant.
Value variant_pack(int n) {
  Value pack = minimal_pack();
  pack.slot("constants").set("variant", n);
  return pack;
}

template <typename T>
std::string message(const kovi::Result<T>& r) {
  return r.ok() ? "" : r.error().message;
}

}  // namespace

TEST(Fingerprint, IsTheDigestOfTheCompactText) {
  Value pack = minimal_pack();
  EXPECT_EQ(kovi::rule_fingerprint(pack), kovi::sha256_hex(kovi::json::to_json(pack)));
  // Content that reads equal but writes differently has another identity.
  const struct {
    const char* a;
    const char* b;
    bool same;
  } pairs[] = {
      {R"({"a":1,"b":2})", R"({ "a" : 1 , "b" : 2 })", true},
      {R"({"a":1,"b":2})", R"({"b":2,"a":1})", false},
      {R"({"a":1})", R"({"a":1.0})", false},
      {R"({"a":1e2})", R"({"a":100.0})", true},
  };
  for (const auto& p : pairs) {
    SCOPED_TRACE(std::string(p.a) + " / " + p.b);
    EXPECT_EQ(kovi::rule_fingerprint(parse(p.a)) == kovi::rule_fingerprint(parse(p.b)), p.same);
  }
}

TEST(Fingerprint, BuildingAPackChecksAndKeepsTheDocument) {
  auto built = kovi::build_rule_pack(minimal_pack());
  ASSERT_TRUE(built.ok());
  EXPECT_EQ((*built)->fingerprint, kovi::rule_fingerprint(minimal_pack()));
  EXPECT_EQ(kovi::json::to_json((*built)->document), kovi::json::to_json(minimal_pack()));
  EXPECT_EQ(message(kovi::build_rule_pack(parse(R"({"version":1})"))), R"(rules : missing "platforms")");
}

TEST(RuleRegistry, InstallLookupRemove) {
  RuleRegistry registry;
  Value pack = minimal_pack();
  Value reordered = parse(R"({"platforms":{}})");
  for (const auto& m : pack.members())
    if (m.key() != "platforms") reordered.set(m.key(), m.value);

  EXPECT_EQ(message(registry.lookup("home")), kNotRegistered);
  EXPECT_EQ(message(registry.install("home", pack)), "");
  EXPECT_EQ(message(registry.install("home", pack)), "");  // identical content: idempotent
  EXPECT_EQ(message(registry.install("home", reordered)), kDifferent);
  // The comparison comes first: a different document is not even checked.
  EXPECT_EQ(message(registry.install("home", parse("{}"))), kDifferent);
  // A failed install of a new id changes nothing.
  EXPECT_EQ(message(registry.install("other", parse(R"({"version":1.0})"))), "unsupported rule version");
  EXPECT_EQ(message(registry.lookup("other")), kNotRegistered);
  // Ids are compared byte for byte.
  EXPECT_EQ(message(registry.lookup("Home")), kNotRegistered);

  auto found = registry.lookup("home");
  ASSERT_TRUE(found.ok());
  EXPECT_EQ((*found)->fingerprint, kovi::rule_fingerprint(pack));
  // Lookups share the one installed pack.
  EXPECT_EQ(found->get(), registry.lookup("home")->get());

  auto removed = registry.remove("home");
  ASSERT_TRUE(removed.ok());
  EXPECT_TRUE(*removed);
  // A removed pack stays alive for whoever still holds it.
  EXPECT_EQ(kovi::json::to_json((*found)->document), kovi::json::to_json(pack));
  EXPECT_FALSE(*registry.remove("home"));
  EXPECT_EQ(message(registry.lookup("home")), kNotRegistered);
  // An id can be installed again, with other content.
  EXPECT_EQ(message(registry.install("home", reordered)), "");
  EXPECT_EQ((*registry.lookup("home"))->fingerprint, kovi::rule_fingerprint(reordered));
}

TEST(RuleRegistry, InstalledAndInlinePacksHaveOneFingerprint) {
  RuleRegistry registry;
  auto inline_pack = kovi::build_rule_pack(minimal_pack());
  ASSERT_TRUE(inline_pack.ok());
  ASSERT_TRUE(registry.install("x", minimal_pack()).ok());
  EXPECT_EQ((*registry.lookup("x"))->fingerprint, (*inline_pack)->fingerprint);
  // A built pack installed under an id that holds the same content.
  EXPECT_EQ(message(registry.install("x", *inline_pack)), "");
  EXPECT_EQ(message(registry.install("x", *kovi::build_rule_pack(variant_pack(1)))), kDifferent);
}

TEST(RuleRegistry, AFaultUnderTheLockPoisonsForGood) {
  RuleRegistry registry;
  ASSERT_TRUE(registry.install("a", minimal_pack()).ok());
  EXPECT_FALSE(registry.poisoned());
  EXPECT_THROW((void)registry.for_each([](std::string_view, const kovi::RulePack&) { throw std::runtime_error("x"); }),
               std::runtime_error);
  EXPECT_TRUE(registry.poisoned());
  EXPECT_EQ(message(registry.lookup("a")), kPoisoned);
  EXPECT_EQ(message(registry.lookup("")), kPoisoned);
  EXPECT_EQ(message(registry.install("b", minimal_pack())), kPoisoned);
  EXPECT_EQ(message(registry.install("a", minimal_pack())), kPoisoned);
  EXPECT_EQ(message(registry.remove("a")), kPoisoned);
  EXPECT_EQ(message(registry.for_each([](std::string_view, const kovi::RulePack&) {})), kPoisoned);
  // Packs that do not come from the registry are unaffected.
  EXPECT_TRUE(kovi::build_rule_pack(minimal_pack()).ok());
  // The process registry is a different one.
  EXPECT_FALSE(RuleRegistry::process().poisoned());
}

TEST(RuleRegistry, UsedWhileAnotherFaultUnwindsStaysSound) {
  // Only a fault that starts while the lock is held damages the registry,
  // not one already unwinding when the registry is used (from a destructor).
  RuleRegistry registry;
  ASSERT_TRUE(registry.install("a", minimal_pack()).ok());
  struct LooksUpOnUnwind {
    RuleRegistry& r;
    bool* found;
    ~LooksUpOnUnwind() { *found = r.lookup("a").ok(); }
  };
  bool found = false;
  try {
    LooksUpOnUnwind guard{registry, &found};
    throw std::runtime_error("elsewhere");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(found);
  EXPECT_FALSE(registry.poisoned());
}

namespace {

bool starts_with(const std::string& s, std::string_view prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// Whether a Ruled request got past rule pack resolution: whatever the
// operation itself answers, it is not a registry or rule pack check failure.
bool resolved(const kovi::Result<Value>& r) {
  if (r.ok()) return true;
  const std::string& m = r.error().message;
  return m != kNotRegistered && m != kPoisoned && m != "unsupported rule version" && !starts_with(m, "rules ");
}

kovi::Result<Value> send(Value request) { return kovi::dispatch(request); }

Value request(const char* op, const char* id, const Value* rules = nullptr) {
  Value r = Value::object();
  r.set("op", op);
  if (id != nullptr) r.set("rules_id", id);
  if (rules != nullptr) r.set("rules", *rules);
  return r;
}

}  // namespace

TEST(RuleRegistry, ConcurrentInstallLookupRemoveAndInlineRequests) {
  constexpr int kIds = 4;
  constexpr int kRounds = 300;
  std::vector<Value> packs;
  std::vector<std::string> ids, fingerprints;
  for (int i = 0; i < kIds; ++i) {
    packs.push_back(variant_pack(i));
    ids.push_back("registry-test-concurrent-" + std::to_string(i));
    fingerprints.push_back(kovi::rule_fingerprint(packs.back()));
  }
  const std::string held = "registry-test-concurrent-held";
  ASSERT_TRUE(kovi::RuleRegistry::process().install(held, packs[0]).ok());
  Value bad_inline = minimal_pack();
  bad_inline.set("platforms", Value::array());
  std::atomic<int> failures{0};
  auto expect = [&failures](bool ok) {
    if (!ok) failures.fetch_add(1);
  };

  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        int k = (round + t) % kIds;
        auto r = send(request("install_rules", ids[k].c_str(), &packs[k]));
        expect(r.ok() && r->is_bool() && r->as_bool());
        // The id that is never removed keeps its first content.
        auto same = send(request("install_rules", held.c_str(), &packs[0]));
        expect(same.ok() && same->as_bool());
        auto clash = send(request("install_rules", held.c_str(), &packs[1 + round % (kIds - 1)]));
        expect(!clash.ok() && clash.error().message == kDifferent);
      }
    });
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        auto r = send(request("remove_rules", ids[(round * 3 + t) % kIds].c_str()));
        expect(r.ok() && r->is_bool());
      }
    });
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        int k = (round + t) % kIds;
        auto found = kovi::lookup_rules(ids[k]);
        if (found.ok()) {
          // What is found under an id is whole and is that id's pack.
          expect((*found)->fingerprint == fingerprints[k]);
          expect(kovi::rule_fingerprint((*found)->document) == fingerprints[k]);
        } else {
          expect(found.error().message == kNotRegistered);
        }
        auto r = send(request("classify", ids[k].c_str()));
        expect(resolved(r) || r.error().message == kNotRegistered);
        expect(resolved(send(request("unused", held.c_str()))));
      }
    });
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds / 3; ++round) {
        // Inline packs never touch the registry: a valid one always
        // resolves, an invalid one always fails its check, with or without
        // an id beside it.
        expect(resolved(send(request("classify", t == 0 ? ids[0].c_str() : nullptr, &packs[round % kIds]))));
        auto bad = send(request("device_info", ids[1].c_str(), &bad_inline));
        expect(!bad.ok() && bad.error().message == R"(rules /platforms: expected "object")");
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_FALSE(kovi::RuleRegistry::process().poisoned());

  for (const std::string& id : ids) (void)kovi::RuleRegistry::process().remove(id);
  (void)kovi::RuleRegistry::process().remove(held);
}
