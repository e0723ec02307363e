// The engine's JSON value.
//
// One type carries every document the engine touches: requests, rule packs,
// device descriptions, driver states and everything the rule language
// computes. A value is 16 bytes: scalars and strings of up to 15 bytes live
// inline, longer strings, arrays and objects live in one heap block each.
//
// Numbers keep their form. An integer is held unsigned when it is not
// negative and signed when it is negative, everywhere and always (the
// constructors normalise), so that comparing forms is comparing values.
//
// Objects keep insertion order. Assigning to an existing member keeps its
// position, adding appends, removing moves the last member into the removed
// member's place. Objects with more than a handful of members carry a hash
// index so that key lookup on large sections is not a scan; the index is
// maintained eagerly by every mutation, so a value that is no longer mutated
// can be read from many threads at once.
//
// Copying, comparing and destroying never recurse on the native stack: a
// value nested to any depth can be handled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace kovi::json {

enum class Type : std::uint8_t { Null, Bool, Uint, Int, Float, String, Array, Object };

class Value;
struct Member;

namespace detail {
struct StringRep;
struct ArrayRep;
struct ObjectRep;
}  // namespace detail

class Value {
 public:
  Value() noexcept { std::memset(bytes_, 0, sizeof bytes_); tag_ = 0; }
  Value(std::nullptr_t) noexcept : Value() {}
  Value(bool b) noexcept : Value() { tag_ = tag_of(Type::Bool); set_payload<std::uint64_t>(b ? 1 : 0); }
  template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> &&
                                             !std::is_same_v<T, char>, int> = 0>
  Value(T n) noexcept : Value() {
    if constexpr (std::is_signed_v<T>) {
      if (n < 0) {
        tag_ = tag_of(Type::Int);
        set_payload<std::int64_t>(static_cast<std::int64_t>(n));
        return;
      }
    }
    tag_ = tag_of(Type::Uint);
    set_payload<std::uint64_t>(static_cast<std::uint64_t>(n));
  }
  Value(double d) noexcept : Value() { tag_ = tag_of(Type::Float); set_payload<double>(d); }
  Value(std::string_view s);
  Value(const char* s) : Value(std::string_view(s)) {}
  Value(const std::string& s) : Value(std::string_view(s)) {}

  static Value array(std::size_t reserve = 0);
  static Value object(std::size_t reserve = 0);
  // Builds an array from values that are moved out of `items`.
  static Value array_from(std::span<Value> items);
  // Builds an object from members that are moved out of `members`; a key
  // that occurs twice keeps its first position and takes its last value.
  static Value object_from(std::span<Member> members);

  Value(const Value& other);
  Value(Value&& other) noexcept {
    std::memcpy(static_cast<void*>(this), static_cast<const void*>(&other), sizeof(Value));
    other.tag_ = 0;
  }
  Value& operator=(const Value& other);
  Value& operator=(Value&& other) noexcept {
    if (this != &other) {
      Value tmp(std::move(other));
      swap(tmp);
    }
    return *this;
  }
  ~Value() {
    if (tag_ >= tag_of(Type::String) && !is_inline_string()) release();
  }

  void swap(Value& other) noexcept {
    unsigned char tmp[sizeof(Value)];
    std::memcpy(tmp, static_cast<const void*>(this), sizeof(Value));
    std::memcpy(static_cast<void*>(this), static_cast<const void*>(&other), sizeof(Value));
    std::memcpy(static_cast<void*>(&other), tmp, sizeof(Value));
  }

  // ---- type -------------------------------------------------------------
  Type type() const noexcept { return static_cast<Type>(tag_ & 7); }
  bool is_null() const noexcept { return type() == Type::Null; }
  bool is_bool() const noexcept { return type() == Type::Bool; }
  bool is_uint() const noexcept { return type() == Type::Uint; }
  bool is_int() const noexcept { return type() == Type::Int; }
  bool is_float() const noexcept { return type() == Type::Float; }
  bool is_integer() const noexcept { return type() == Type::Uint || type() == Type::Int; }
  bool is_number() const noexcept { return type() >= Type::Uint && type() <= Type::Float; }
  bool is_string() const noexcept { return type() == Type::String; }
  bool is_array() const noexcept { return type() == Type::Array; }
  bool is_object() const noexcept { return type() == Type::Object; }
  bool is_container() const noexcept { return type() >= Type::Array; }

  // ---- scalars (the caller checks the type first) -----------------------
  bool as_bool() const noexcept { return payload<std::uint64_t>() != 0; }
  std::uint64_t as_uint() const noexcept { return payload<std::uint64_t>(); }
  std::int64_t as_int() const noexcept { return payload<std::int64_t>(); }
  double as_float() const noexcept { return payload<double>(); }
  // Any number as a 64-bit float; 0 for everything else.
  double as_double() const noexcept;
  // The string's bytes; empty for every other type.
  std::string_view as_string() const noexcept;

  // ---- arrays and objects -------------------------------------------------
  // Elements of an array or members of an object; 0 for everything else.
  std::size_t size() const noexcept;
  bool empty() const noexcept { return size() == 0; }

  // Array elements; an empty span for every other type.
  std::span<const Value> items() const noexcept;
  std::span<Value> items() noexcept;
  const Value& operator[](std::size_t i) const noexcept { return items()[i]; }
  Value& operator[](std::size_t i) noexcept { return items()[i]; }
  // Appends to an array (a null becomes an empty array first).
  Value& push_back(Value v);
  void reserve(std::size_t n);
  // Removes array elements from position `from` on.
  void truncate(std::size_t from) noexcept;

  // Object members in order; an empty span for every other type.
  std::span<const Member> members() const noexcept;
  std::span<Member> members() noexcept;
  // The member's value or null-pointer when absent (or not an object).
  const Value* find(std::string_view key) const noexcept;
  Value* find(std::string_view key) noexcept;
  // The member's position or npos.
  std::size_t index_of(std::string_view key) const noexcept;
  // The member's value, or a shared null when absent.
  const Value& get(std::string_view key) const noexcept;
  // Assigns a member, keeping its position when present, appending
  // otherwise (a null becomes an empty object first). Returns the value.
  Value& set(std::string_view key, Value v);
  // Appends a member without looking for an existing one: only for callers
  // that know the key is new (building records).
  Value& append(std::string_view key, Value v);
  // The member's value, appended as null when absent.
  Value& slot(std::string_view key);
  // Removes a member; the last member takes its place. True when found.
  bool erase(std::string_view key);

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  // Largest number of inline string bytes.
  static constexpr std::size_t kInline = 15;

 private:
  friend struct detail::ArrayRep;
  friend struct detail::ObjectRep;

  static constexpr std::uint8_t tag_of(Type t) noexcept { return static_cast<std::uint8_t>(t); }
  static constexpr std::uint8_t kInlineFlag = 8;
  bool is_inline_string() const noexcept { return (tag_ & kInlineFlag) != 0; }

  template <typename T>
  T payload() const noexcept {
    T t;
    std::memcpy(&t, bytes_, sizeof t);
    return t;
  }
  template <typename T>
  void set_payload(T t) noexcept {
    std::memcpy(bytes_, &t, sizeof t);
  }
  void* ptr() const noexcept { return payload<void*>(); }
  detail::ArrayRep* arr() const noexcept { return static_cast<detail::ArrayRep*>(ptr()); }
  detail::ObjectRep* obj() const noexcept { return static_cast<detail::ObjectRep*>(ptr()); }
  detail::StringRep* str() const noexcept { return static_cast<detail::StringRep*>(ptr()); }

  void release() noexcept;
  // Copies a container without recursion.
  static void deep_copy(Value& dst, const Value& src);
  void make_array(std::size_t reserve);
  void make_object(std::size_t reserve);

  alignas(8) unsigned char bytes_[15];
  std::uint8_t tag_;
};

static_assert(sizeof(Value) == 16);

struct Member {
  Value key_;  // always a string
  Value value;
  std::string_view key() const noexcept { return key_.as_string(); }
};

// A shared null for lookups that find nothing.
const Value& null_value() noexcept;

// The engine's one equality of JSON values: same type and form, numbers
// equal in their form (1 and 1.0 differ), strings byte for byte, arrays
// element by element, objects by name regardless of member order.
bool same(const Value& a, const Value& b);

// Deep merge of the object `src` into the object `dst`: for each member of
// `src` in order, two objects merge, anything else replaces (or appends).
// `dst` becomes an object when it is not one.
void deep_merge(Value& dst, const Value& src);
void deep_merge(Value& dst, Value&& src);

// Name of a type for messages ("null", "boolean", ...).
std::string_view type_name(Type t) noexcept;

}  // namespace kovi::json
