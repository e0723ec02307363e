// The rule registry: rule packs installed by the host under identifiers of
// its choice, and the content fingerprint that identifies a pack.
//
// One registry serves the whole process (RuleRegistry::process()); further
// instances exist only where a separate one is wanted (tests). Installed
// packs are immutable and shared: a lookup hands out a counted reference, so
// its cost does not depend on the pack's size and removing a pack never
// disturbs an operation that is using it.
//
// One mutex guards the entries and is held only for a lookup, an insertion
// or a removal; checking and fingerprinting a new pack, and destroying a
// removed one, happen outside it. Should an internal fault (an exception)
// unwind while the mutex is held, the registry is marked damaged for good:
// every later registry operation fails with "rule registry poisoned", while
// requests carrying their rule pack inline keep working.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "api/engine_error.h"
#include "api/request.h"
#include "api/rule_pack.h"
#include "json/value.h"

namespace kovi {

// The content fingerprint: SHA-256 of the document's compact JSON text, as
// 64 lowercase hexadecimal digits. Equal exactly when the texts are equal,
// so member order and number forms count.
std::string rule_fingerprint(const json::Value& document);

// Runs the rule pack check and fingerprints the document; the document is
// moved into the pack. Used for inline packs and by install.
Result<RulePackRef> build_rule_pack(json::Value document);

class RuleRegistry {
 public:
  RuleRegistry() = default;
  RuleRegistry(const RuleRegistry&) = delete;
  RuleRegistry& operator=(const RuleRegistry&) = delete;

  // The registry every request of the process shares.
  static RuleRegistry& process();

  // The pack installed under `id`, or "rules are required or rules_id is
  // not registered".
  Result<RulePackRef> lookup(std::string_view id) const;

  // Installs `document` under `id` (non-empty; the caller checks). An id
  // already present is compared by fingerprint only: identical content
  // succeeds, other content fails with "rule id already registered with
  // different content", without checking the new document. A new id gets
  // the document after it passed the rule pack check (taken over, then
  // shared; callers move it in).
  Status install(std::string_view id, json::Value document);

  // Installs a pack that was already built (not null). Same outcomes as the
  // install() above, without the check.
  Status install(std::string_view id, RulePackRef pack);

  // Removes the entry of `id`: true when there was one.
  Result<bool> remove(std::string_view id);

  // Calls `visit` for every entry while holding the lock, so it must be
  // short and must not call back into the registry. An exception escaping
  // `visit` leaves the registry damaged.
  Status for_each(const std::function<void(std::string_view id, const RulePack& pack)>& visit) const;

  bool poisoned() const;

 private:
  class Access;
  struct IdHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view id) const noexcept { return std::hash<std::string_view>{}(id); }
  };

  mutable std::mutex mutex_;
  mutable bool damaged_ = false;  // guarded by mutex_; never cleared
  std::unordered_map<std::string, RulePackRef, IdHash, std::equal_to<>> entries_;
};

// The process registry's lookup, as dispatch uses it for "rules_id".
Result<RulePackRef> lookup_rules(std::string_view id);

// The operations "install_rules" ("rules", "rules_id" -> true) and
// "remove_rules" ("rules_id" -> whether an entry was removed).
Result<json::Value> op_install_rules(const Request& req);
Result<json::Value> op_remove_rules(const Request& req);

}  // namespace kovi
