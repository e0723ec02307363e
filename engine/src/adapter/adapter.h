// The value adapter: the per-device table that translates raw DP values,
// keyed by DP id, into host values keyed by DP code, and back.
//
// The record is four JSON members, written in this order:
//   "entries"      DP id -> [code, converter, config], in significant order
//   "enum_ranges"  DP code -> allowed host values of enumeration DPs
//   "unsupported"  DP id -> converter name the rule pack does not list
//   "remaps"       DP code -> {"invert", "bounds", "alias", ...}
//
// Reads run on every device report, so an adapter is read (checked and
// indexed) once per request and then only consulted: the DP id lookup uses
// the entries object's own index, the code lookup a table of first entries
// per code built on read; converters are looked up by name in the
// converter table as entries are used. An adapter can view a record that
// lives in the request instead of copying it; the first adjustment then
// takes a copy.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "adapter/converter.h"
#include "api/engine_error.h"
#include "json/value.h"

namespace kovi::adapter {

// One entry as the pipelines see it. The views point into the adapter and
// stay valid until it is adjusted or destroyed.
struct EntryRef {
  std::string_view dp_id;
  std::string_view code;
  std::string_view converter_name;
  const Converter* converter;  // nullptr: a name the engine does not know
  const Value& config;
};

class Adapter {
 public:
  // The empty adapter: four empty objects.
  Adapter();
  Adapter(const Adapter& other);
  Adapter(Adapter&& other) noexcept;
  Adapter& operator=(const Adapter& other);
  Adapter& operator=(Adapter&& other) noexcept;
  ~Adapter() = default;

  // Reads the record: an object with the four members (or the array of
  // them in written order); "entries" must be an object of three-element
  // arrays whose first two elements are strings. Failures carry the record
  // reader's reasons ("missing field `remaps`", "invalid length 2, expected
  // a tuple of size 3", ...). The first form copies `v`, the second takes
  // it over.
  static Result<Adapter> read(const Value& v);
  static Result<Adapter> read(Value&& v);
  // The same check without a copy: the adapter refers to `v`, which must
  // outlive it and stay unchanged (a request member, a stored driver state).
  static Result<Adapter> view(const Value& v);

  // The record, members in written order.
  Value to_value() const;
  Value into_value() &&;

  const Value& entries() const noexcept { return *at_[kEntries]; }
  const Value& enum_ranges() const noexcept { return *at_[kEnumRanges]; }
  const Value& unsupported() const noexcept { return *at_[kUnsupported]; }
  const Value& remaps() const noexcept { return *at_[kRemaps]; }

  std::size_t size() const noexcept { return entries().size(); }
  // The entry at a position of entry order (position < size()).
  EntryRef entry_at(std::size_t position) const noexcept;
  // The entry of a DP id.
  std::optional<EntryRef> entry(std::string_view dp_id) const noexcept;
  // The first entry, in entry order, whose code is `code` (byte for byte).
  std::optional<EntryRef> first_with_code(std::string_view code) const noexcept;
  bool has_code(std::string_view code) const noexcept { return code_position(code) != npos; }

  // ---- adjustments (creation and driver creation) -------------------------
  // Sets the entry of a DP id: an existing entry is replaced in its
  // position, a new one is appended.
  void put_entry(std::string_view dp_id, std::string_view code, std::string_view converter, Value config);
  // Gives an existing entry another code; false when the DP has no entry.
  bool set_entry_code(std::string_view dp_id, std::string_view code);
  // Removes the entry of a DP id, keeping the order of the others; false
  // when there was none.
  bool remove_entry(std::string_view dp_id);
  // The three free-form members, for creation and the remap adjustments.
  Value& enum_ranges_mut() { return own(kEnumRanges); }
  Value& unsupported_mut() { return own(kUnsupported); }
  Value& remaps_mut() { return own(kRemaps); }

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  enum Member : std::size_t { kEntries, kEnumRanges, kUnsupported, kRemaps };
  static constexpr std::size_t kMembers = 4;

  struct Located {
    std::array<const Value*, kMembers> members;
  };
  static Result<Located> locate(const Value& v);

  // Copies a viewed record into the adapter; returns the member to change.
  Value& own(Member m);
  void own_all();
  void point_at_own() noexcept;
  // Moves `other` into this adapter and leaves `other` empty.
  void take_from(Adapter& other) noexcept;
  // Rebuilds the code table.
  void index();
  std::size_t code_position(std::string_view code) const noexcept;

  std::array<Value, kMembers> own_;
  std::array<const Value*, kMembers> at_;
  bool viewing_ = false;
  // Open addressing over codes: position + 1 of the first entry with that
  // code, 0 for a free slot; size a power of two, at least twice the
  // number of entries.
  std::vector<std::uint32_t> by_code_;
};

}  // namespace kovi::adapter
