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
//
// The reader takes the blocks of the values it builds from slabs (see
// detail::BlockArena) instead of one allocation each; such a block goes
// back to its slab, and a slab to the heap once its last block is gone.
// Everything else allocates each block from the heap.
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

// A shared null for lookups that find nothing.
const Value& null_value() noexcept;

namespace detail {
struct StringRep;
struct ArrayRep;
struct ObjectRep;
struct Slab;

// The heads of the heap blocks, for the accessors inlined below: a long
// string's block starts with its length (std::size_t) and then its bytes;
// an array's with its size (std::uint32_t), its elements from kArrayHead
// on; an object's with its size (std::uint32_t), its members from
// kObjectHead on.
inline constexpr std::size_t kStringHead = 8;
inline constexpr std::size_t kArrayHead = 8;
inline constexpr std::size_t kObjectHead = 24;

// Hands out the blocks for the values one reading builds, carved from a
// few larger slabs: a document of thousands of containers then costs a few
// allocations instead of thousands. Each slab counts its live blocks and is
// freed when the last one is, whichever value, copy or thread frees it; a
// value taken out of a document keeps its slab alive meanwhile. Slabs start
// small for small texts and grow up to 64 KiB.
class BlockArena {
 public:
  explicit BlockArena(std::size_t text_size) noexcept;
  BlockArena(const BlockArena&) = delete;
  BlockArena& operator=(const BlockArena&) = delete;
  ~BlockArena();
  // A block of n bytes (8-aligned), or null-pointer when the block is better
  // taken from the heap (large blocks).
  void* allocate(std::size_t n);

 private:
  void open(std::size_t need);
  void close() noexcept;
  Slab* slab_ = nullptr;
  char* next_ = nullptr;
  char* end_ = nullptr;
  std::size_t handed_ = 0;
  std::size_t next_size_;
};
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
  Value(std::string_view s) : Value() {
    // Short strings (most keys and enum values) are built here without a
    // call; the padding stays zero so that equal short strings have equal
    // bytes.
    if (s.size() <= kInline) {
      // Two overlapping fixed-size copies instead of a call.
      const char* d = s.data();
      std::size_t n = s.size();
      if (n >= 8) {
        std::memcpy(bytes_, d, 8);
        std::memcpy(bytes_ + n - 8, d + n - 8, 8);
      } else if (n >= 4) {
        std::memcpy(bytes_, d, 4);
        std::memcpy(bytes_ + n - 4, d + n - 4, 4);
      } else if (n > 0) {
        bytes_[0] = static_cast<unsigned char>(d[0]);
        bytes_[n / 2] = static_cast<unsigned char>(d[n / 2]);
        bytes_[n - 1] = static_cast<unsigned char>(d[n - 1]);
      }
      tag_ = static_cast<std::uint8_t>(tag_of(Type::String) | kInlineFlag | (s.size() << 4));
    } else {
      make_long_string(s);
    }
  }
  Value(const char* s) : Value(std::string_view(s)) {}
  Value(const std::string& s) : Value(std::string_view(s)) {}

  static Value array(std::size_t reserve = 0);
  static Value object(std::size_t reserve = 0);
  // Builds an array from values that are moved out of `items`.
  static Value array_from(std::span<Value> items);
  // Builds an object from members that are moved out of `members`; a key
  // that occurs twice keeps its first position and takes its last value.
  static Value object_from(std::span<Member> members);
  // The same three, with blocks from `arena` (null-pointer: from the heap).
  static Value array_from(std::span<Value> items, detail::BlockArena* arena);
  static Value object_from(std::span<Member> members, detail::BlockArena* arena);
  static Value string_from(std::string_view s, detail::BlockArena* arena);

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
  // The i-th array element; a shared null past the end or for a value that
  // is not an array (a read never goes out of bounds).
  const Value& operator[](std::size_t i) const noexcept {
    auto all = items();
    return i < all.size() ? all[i] : null_value();
  }
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
  // Largest number of inline string bytes. A string this short lives in
  // the value itself: as_string().data() points to the value's first byte,
  // so sixteen bytes are readable from there.
  static constexpr std::size_t kInline = 15;

 private:
  friend struct detail::ArrayRep;
  friend struct detail::ObjectRep;

  static constexpr std::uint8_t tag_of(Type t) noexcept { return static_cast<std::uint8_t>(t); }
  static constexpr std::uint8_t kInlineFlag = 8;
  // On long strings, arrays and objects: the block lives in a slab.
  static constexpr std::uint8_t kSlabFlag = 16;
  bool in_slab() const noexcept { return (tag_ & kSlabFlag) != 0; }
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
  void make_long_string(std::string_view s);
  // Equality of two string values (keys): short strings compare as bytes.
  static bool same_string(const Value& a, const Value& b) noexcept;
  // One of 64 bits for a string, the same for equal strings.
  static std::uint64_t string_bit(const Value& s) noexcept;
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

inline std::string_view Value::as_string() const noexcept {
  if (type() != Type::String) return {};
  if (is_inline_string()) return {reinterpret_cast<const char*>(bytes_), static_cast<std::size_t>(tag_ >> 4)};
  const char* rep = static_cast<const char*>(ptr());
  std::size_t len;
  std::memcpy(&len, rep, sizeof len);
  return {rep + detail::kStringHead, len};
}

inline std::size_t Value::size() const noexcept {
  if (!is_container() || ptr() == nullptr) return 0;
  std::uint32_t n;
  std::memcpy(&n, ptr(), sizeof n);
  return n;
}

inline std::span<const Value> Value::items() const noexcept {
  if (type() != Type::Array || ptr() == nullptr) return {};
  const char* rep = static_cast<const char*>(ptr());
  std::uint32_t n;
  std::memcpy(&n, rep, sizeof n);
  return {reinterpret_cast<const Value*>(rep + detail::kArrayHead), n};
}

inline std::span<Value> Value::items() noexcept {
  if (type() != Type::Array || ptr() == nullptr) return {};
  char* rep = static_cast<char*>(ptr());
  std::uint32_t n;
  std::memcpy(&n, rep, sizeof n);
  return {reinterpret_cast<Value*>(rep + detail::kArrayHead), n};
}

inline std::span<const Member> Value::members() const noexcept {
  if (type() != Type::Object || ptr() == nullptr) return {};
  const char* rep = static_cast<const char*>(ptr());
  std::uint32_t n;
  std::memcpy(&n, rep, sizeof n);
  return {reinterpret_cast<const Member*>(rep + detail::kObjectHead), n};
}

inline std::span<Member> Value::members() noexcept {
  if (type() != Type::Object || ptr() == nullptr) return {};
  char* rep = static_cast<char*>(ptr());
  std::uint32_t n;
  std::memcpy(&n, rep, sizeof n);
  return {reinterpret_cast<Member*>(rep + detail::kObjectHead), n};
}

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
