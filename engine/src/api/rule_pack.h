// A rule pack in use: the checked document with its content fingerprint.
//
// Installed packs are immutable and shared by counted reference between
// the registry and every operation that uses them, so removing a pack never
// disturbs a running operation and no operation copies a pack.
#pragma once

#include <memory>
#include <string>

#include "json/value.h"

namespace kovi {

struct RulePack {
  json::Value document;
  std::string fingerprint;  // 64 lowercase hexadecimal digits
};

using RulePackRef = std::shared_ptr<const RulePack>;

}  // namespace kovi
