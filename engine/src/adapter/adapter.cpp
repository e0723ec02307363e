#include "adapter/adapter.h"

#include <cstring>
#include <utility>

#include "json/record.h"
#include "platform/text_hash.h"

namespace kovi::adapter {

namespace {

constexpr std::string_view kRecordName = "struct Adapter";
constexpr std::string_view kEntryName = "a tuple of size 3";
constexpr std::string_view kFields[] = {"entries", "enum_ranges", "unsupported", "remaps"};

// Why a value is not an entry [code, converter, config], or "" when it is
// one. Elements are checked in order, so [1] names the code's type before
// the missing elements.
std::string entry_problem(const Value& e) {
  if (!e.is_array()) return json::invalid_type(e, kEntryName);
  auto items = e.items();
  for (std::size_t i = 0; i < 3; ++i) {
    if (i >= items.size()) return json::invalid_length(items.size(), kEntryName);
    if (i < 2 && !items[i].is_string()) return json::invalid_type(items[i], json::kExpectString);
  }
  if (items.size() != 3) return json::invalid_length(items.size(), kEntryName);
  return {};
}

std::size_t hash_code(std::string_view s) noexcept { return static_cast<std::size_t>(text_hash(s)); }

std::string_view code_of(const Value& entry) noexcept { return entry.items()[0].as_string(); }

}  // namespace

Adapter::Adapter() {
  for (Value& v : own_) v = Value::object();
  point_at_own();
}

Adapter::Adapter(const Adapter& other)
    : own_(other.own_), viewing_(other.viewing_), by_code_(other.by_code_) {
  if (viewing_)
    at_ = other.at_;
  else
    point_at_own();
}

Adapter::Adapter(Adapter&& other) noexcept { take_from(other); }

void Adapter::take_from(Adapter& other) noexcept {
  own_ = std::move(other.own_);
  viewing_ = other.viewing_;
  by_code_ = std::move(other.by_code_);
  if (viewing_)
    at_ = other.at_;
  else
    point_at_own();
  // The moved-from adapter is the empty one.
  for (Value& v : other.own_) v = Value::object();
  other.point_at_own();
  other.viewing_ = false;
  other.by_code_.clear();
}

Adapter& Adapter::operator=(const Adapter& other) {
  if (this != &other) {
    Adapter copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Adapter& Adapter::operator=(Adapter&& other) noexcept {
  if (this != &other) take_from(other);
  return *this;
}

void Adapter::point_at_own() noexcept {
  for (std::size_t i = 0; i < kMembers; ++i) at_[i] = &own_[i];
}

Result<Adapter::Located> Adapter::locate(const Value& v) {
  json::RecordReader reader(v, kRecordName, kFields, true);
  Located out{};
  for (std::size_t i = 0; i < kMembers; ++i) out.members[i] = reader.field(kFields[i]);
  if (!reader.ok()) return request_error(reader.reason());
  const Value& entries = *out.members[kEntries];
  if (!entries.is_object()) return request_error(json::invalid_type(entries, json::kExpectMap));
  for (const json::Member& m : entries.members()) {
    std::string problem = entry_problem(m.value);
    if (!problem.empty()) return request_error(std::move(problem));
  }
  return out;
}

Result<Adapter> Adapter::read(const Value& v) {
  auto located = locate(v);
  if (!located) return std::move(located).error();
  Adapter a;
  for (std::size_t i = 0; i < kMembers; ++i) a.own_[i] = *located->members[i];
  a.index();
  return a;
}

Result<Adapter> Adapter::read(Value&& v) {
  auto located = locate(v);
  if (!located) return std::move(located).error();
  Adapter a;
  // The members live in `v`, which the caller hands over.
  for (std::size_t i = 0; i < kMembers; ++i) a.own_[i] = std::move(*const_cast<Value*>(located->members[i]));
  a.index();
  return a;
}

Result<Adapter> Adapter::view(const Value& v) {
  auto located = locate(v);
  if (!located) return std::move(located).error();
  Adapter a;
  a.at_ = located->members;
  a.viewing_ = true;
  a.index();
  return a;
}

Value Adapter::to_value() const {
  Value out = Value::object(kMembers);
  for (std::size_t i = 0; i < kMembers; ++i) out.append(kFields[i], *at_[i]);
  return out;
}

Value Adapter::into_value() && {
  if (viewing_) return to_value();
  Value out = Value::object(kMembers);
  for (std::size_t i = 0; i < kMembers; ++i) out.append(kFields[i], std::move(own_[i]));
  *this = Adapter();
  return out;
}

EntryRef Adapter::entry_at(std::size_t position) const noexcept {
  const json::Member& m = entries().members()[position];
  auto items = m.value.items();
  std::string_view converter = items[1].as_string();
  return EntryRef{m.key(), items[0].as_string(), converter, find_converter(converter), items[2]};
}

std::optional<EntryRef> Adapter::entry(std::string_view dp_id) const noexcept {
  std::size_t at = entries().index_of(dp_id);
  if (at == Value::npos) return std::nullopt;
  return entry_at(at);
}

std::optional<EntryRef> Adapter::first_with_code(std::string_view code) const noexcept {
  std::size_t at = code_position(code);
  if (at == npos) return std::nullopt;
  return entry_at(at);
}

std::size_t Adapter::code_position(std::string_view code) const noexcept {
  if (by_code_.empty()) return npos;
  auto ms = entries().members();
  std::size_t mask = by_code_.size() - 1;
  for (std::size_t i = hash_code(code) & mask;; i = (i + 1) & mask) {
    std::uint32_t slot = by_code_[i];
    if (slot == 0) return npos;
    if (code_of(ms[slot - 1].value) == code) return slot - 1;
  }
}

void Adapter::index() {
  auto ms = entries().members();
  by_code_.clear();
  if (ms.empty()) return;
  std::size_t cap = 8;
  while (cap < ms.size() * 2) cap *= 2;
  by_code_.assign(cap, 0);
  std::size_t mask = cap - 1;
  for (std::size_t pos = 0; pos < ms.size(); ++pos) {
    auto items = ms[pos].value.items();
    std::string_view code = items[0].as_string();
    for (std::size_t i = hash_code(code) & mask;; i = (i + 1) & mask) {
      std::uint32_t slot = by_code_[i];
      if (slot == 0) {
        by_code_[i] = static_cast<std::uint32_t>(pos + 1);
        break;
      }
      if (code_of(ms[slot - 1].value) == code) break;  // an earlier entry has the code
    }
  }
}

void Adapter::own_all() {
  if (!viewing_) return;
  for (std::size_t i = 0; i < kMembers; ++i) own_[i] = *at_[i];
  viewing_ = false;
  point_at_own();
}

Value& Adapter::own(Member m) {
  own_all();
  return own_[m];
}

void Adapter::put_entry(std::string_view dp_id, std::string_view code, std::string_view converter, Value config) {
  Value entry = Value::array(3);
  entry.push_back(Value(code));
  entry.push_back(Value(converter));
  entry.push_back(std::move(config));
  own(kEntries).set(dp_id, std::move(entry));
  index();
}

bool Adapter::set_entry_code(std::string_view dp_id, std::string_view code) {
  if (entries().find(dp_id) == nullptr) return false;
  own(kEntries).find(dp_id)->items()[0] = Value(code);
  index();
  return true;
}

bool Adapter::remove_entry(std::string_view dp_id) {
  std::size_t at = entries().index_of(dp_id);
  if (at == Value::npos) return false;
  // An object's own removal moves its last member into the gap; entry order
  // decides which DP a write uses, so the rest is rebuilt in order.
  Value& entries = own(kEntries);
  auto ms = entries.members();
  Value kept = Value::object(ms.size() - 1);
  for (std::size_t i = 0; i < ms.size(); ++i)
    if (i != at) kept.append(ms[i].key(), std::move(ms[i].value));
  entries = std::move(kept);
  index();
  return true;
}

}  // namespace kovi::adapter
