#include "api/registry.h"

#include <exception>
#include <optional>
#include <utility>

#include "json/writer.h"
#include "platform/sha256.h"
#include "rules/rule_pack_check.h"

namespace kovi {

namespace {

constexpr const char* kNotRegistered = "rules are required or rules_id is not registered";
constexpr const char* kPoisoned = "rule registry poisoned";
constexpr const char* kDifferentContent = "rule id already registered with different content";

Status same_content(const RulePack& installed, std::string_view fingerprint) {
  if (installed.fingerprint == fingerprint) return done();
  return rules_error(kDifferentContent);
}

// "rules_id" as install_rules and remove_rules require it.
std::optional<std::string_view> rules_id(const Request& req) {
  const json::Value& id = req.member("rules_id");
  if (!id.is_string() || id.as_string().empty()) return std::nullopt;
  return id.as_string();
}

}  // namespace

// Holds the registry's mutex; when an exception unwinds through its scope,
// the registry is marked damaged before the mutex is released.
class RuleRegistry::Access {
 public:
  explicit Access(const RuleRegistry& registry)
      : registry_(registry), lock_(registry.mutex_), unwinding_(std::uncaught_exceptions()) {}
  ~Access() {
    if (std::uncaught_exceptions() > unwinding_) registry_.damaged_ = true;
  }
  Access(const Access&) = delete;
  Access& operator=(const Access&) = delete;

  bool usable() const noexcept { return !registry_.damaged_; }

 private:
  const RuleRegistry& registry_;
  std::unique_lock<std::mutex> lock_;
  int unwinding_;
};

std::string rule_fingerprint(const json::Value& document) { return sha256_hex(json::to_json(document)); }

Result<RulePackRef> build_rule_pack(json::Value document) {
  if (Status checked = rules::check_rule_pack(document); !checked.ok()) return std::move(checked).error();
  std::string fingerprint = rule_fingerprint(document);
  return RulePackRef(std::make_shared<const RulePack>(RulePack{std::move(document), std::move(fingerprint)}));
}

RuleRegistry& RuleRegistry::process() {
  static RuleRegistry registry;
  return registry;
}

Result<RulePackRef> RuleRegistry::lookup(std::string_view id) const {
  RulePackRef found;
  bool usable;
  {
    Access access(*this);
    usable = access.usable();
    if (usable) {
      auto it = entries_.find(id);
      if (it != entries_.end()) found = it->second;
    }
  }
  if (!usable) return rules_error(kPoisoned);
  if (!found) return rules_error(kNotRegistered);
  return found;
}

Status RuleRegistry::install(std::string_view id, json::Value document) {
  RulePackRef existing;
  bool usable;
  {
    Access access(*this);
    usable = access.usable();
    if (usable) {
      auto it = entries_.find(id);
      if (it != entries_.end()) existing = it->second;
    }
  }
  if (!usable) return rules_error(kPoisoned);
  // The installed pack is immutable, so the comparison needs no lock: the
  // answer is the one the registry's state at the lookup gives.
  if (existing) return same_content(*existing, rule_fingerprint(document));

  if (Status checked = rules::check_rule_pack(document); !checked.ok()) return checked;
  std::string fingerprint = rule_fingerprint(document);
  return install(id, std::make_shared<const RulePack>(RulePack{std::move(document), std::move(fingerprint)}));
}

Status RuleRegistry::install(std::string_view id, RulePackRef pack) {
  std::string key(id);
  RulePackRef existing;
  bool usable;
  {
    Access access(*this);
    usable = access.usable();
    if (usable) {
      // Another request may have installed the id meanwhile; it then counts
      // as installed before this one started.
      auto [it, inserted] = entries_.try_emplace(std::move(key), pack);
      if (!inserted) existing = it->second;
    }
  }
  if (!usable) return rules_error(kPoisoned);
  if (existing) return same_content(*existing, pack->fingerprint);
  return done();
}

Result<bool> RuleRegistry::remove(std::string_view id) {
  // The removed entry is destroyed after the lock is released: a large pack
  // takes a while to free, and an operation may still be holding it anyway.
  decltype(entries_)::node_type removed;
  bool usable;
  {
    Access access(*this);
    usable = access.usable();
    if (usable) {
      auto it = entries_.find(id);
      if (it != entries_.end()) removed = entries_.extract(it);
    }
  }
  if (!usable) return rules_error(kPoisoned);
  return !removed.empty();
}

Status RuleRegistry::for_each(const std::function<void(std::string_view, const RulePack&)>& visit) const {
  Access access(*this);
  if (!access.usable()) return rules_error(kPoisoned);
  for (const auto& [id, pack] : entries_) visit(id, *pack);
  return done();
}

bool RuleRegistry::poisoned() const {
  Access access(*this);
  return !access.usable();
}

Result<RulePackRef> lookup_rules(std::string_view id) { return RuleRegistry::process().lookup(id); }

Result<json::Value> op_install_rules(const Request& req) {
  auto id = rules_id(req);
  if (!id) return request_error("rules_id must be a nonempty string");
  if (Status installed = RuleRegistry::process().install(*id, req.take("rules")); !installed.ok())
    return std::move(installed).error();
  return json::Value(true);
}

Result<json::Value> op_remove_rules(const Request& req) {
  auto id = rules_id(req);
  if (!id) return request_error("rules_id must be a nonempty string");
  Result<bool> removed = RuleRegistry::process().remove(*id);
  if (!removed.ok()) return std::move(removed).error();
  return json::Value(*removed);
}

}  // namespace kovi
