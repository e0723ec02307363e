#include "json/value.h"

#include <atomic>
#include <cstddef>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace kovi::json {

namespace detail {

// A slab: the count of its live blocks (biased while a reading still hands
// out blocks from it), then the blocks, each preceded by the slab's address.
struct Slab {
  std::atomic<std::size_t> live;
};

namespace {

constexpr std::size_t kSlabMin = 512;
constexpr std::size_t kSlabMax = 64 * 1024;
// Blocks larger than this come from the heap.
constexpr std::size_t kSlabLargest = kSlabMax / 4;
// While a reading hands out blocks, the count carries this bias so that
// blocks freed meanwhile cannot bring it to zero.
constexpr std::size_t kHandingOut = std::size_t{1} << 62;

inline Slab* slab_of(void* block) noexcept {
  Slab* s;
  std::memcpy(&s, static_cast<char*>(block) - sizeof(Slab*), sizeof s);
  return s;
}

inline void slab_drop(Slab* s, std::size_t blocks) noexcept {
  if (s->live.fetch_sub(blocks, std::memory_order_acq_rel) == blocks) ::operator delete(s);
}

// A block of n bytes from `arena` when it has one (in_slab tells), from the
// heap otherwise.
inline void* allocate_block(std::size_t n, BlockArena* arena, bool& in_slab) {
  if (arena != nullptr) {
    if (void* p = arena->allocate(n)) {
      in_slab = true;
      return p;
    }
  }
  in_slab = false;
  return ::operator new(n);
}

inline void free_block(void* block, bool in_slab) noexcept {
  if (in_slab)
    slab_drop(slab_of(block), 1);
  else
    ::operator delete(block);
}

}  // namespace

BlockArena::BlockArena(std::size_t text_size) noexcept {
  // Values take about three times the bytes of their text.
  std::size_t want = text_size * 3;
  next_size_ = want < kSlabMin ? kSlabMin : want > kSlabMax ? kSlabMax : want;
}

BlockArena::~BlockArena() { close(); }

void* BlockArena::allocate(std::size_t n) {
  std::size_t need = ((n + 7) & ~std::size_t{7}) + sizeof(Slab*);
  if (static_cast<std::size_t>(end_ - next_) < need) {
    if (need > kSlabLargest) return nullptr;
    // A block that does not fit while the slab still has room for many
    // smaller ones goes to the heap rather than waste that room.
    if (need > 2048 && static_cast<std::size_t>(end_ - next_) > 2048) return nullptr;
    open(need);
  }
  char* p = next_;
  next_ += need;
  ++handed_;
  std::memcpy(p, &slab_, sizeof(Slab*));
  return p + sizeof(Slab*);
}

void BlockArena::open(std::size_t need) {
  std::size_t size = next_size_;
  if (size < need + sizeof(Slab)) size = need + sizeof(Slab);
  void* mem = ::operator new(size);
  close();
  slab_ = new (mem) Slab{kHandingOut};
  next_ = static_cast<char*>(mem) + sizeof(Slab);
  end_ = static_cast<char*>(mem) + size;
  handed_ = 0;
  next_size_ = next_size_ * 2 > kSlabMax ? kSlabMax : next_size_ * 2;
}

void BlockArena::close() noexcept {
  if (slab_ == nullptr) return;
  // From here on the count is the number of live blocks.
  slab_drop(slab_, kHandingOut - handed_);
  slab_ = nullptr;
  next_ = end_ = nullptr;
}

// Long strings: the length followed by the bytes (not terminated).
struct StringRep {
  std::size_t len;
  char* data() noexcept { return reinterpret_cast<char*>(this + 1); }

  static StringRep* make(std::string_view s, BlockArena* arena, bool& in_slab) {
    auto* rep = static_cast<StringRep*>(allocate_block(sizeof(StringRep) + s.size(), arena, in_slab));
    rep->len = s.size();
    std::memcpy(rep->data(), s.data(), s.size());
    return rep;
  }
};

// Arrays: a count, a capacity and the elements, in one block.
struct ArrayRep {
  std::uint32_t size;
  std::uint32_t cap;
  Value* items() noexcept { return reinterpret_cast<Value*>(this + 1); }

  static ArrayRep* make(std::size_t cap, BlockArena* arena, bool& in_slab) {
    if (cap > 0xFFFFFFFFu) throw std::length_error("array too large");
    auto* rep = static_cast<ArrayRep*>(allocate_block(sizeof(ArrayRep) + cap * sizeof(Value), arena, in_slab));
    rep->size = 0;
    rep->cap = static_cast<std::uint32_t>(cap);
    return rep;
  }
};
static_assert(sizeof(ArrayRep) % alignof(Value) == 0);
static_assert(sizeof(ArrayRep) == kArrayHead && offsetof(ArrayRep, size) == 0);

// Objects: members in insertion order plus, once there are more than
// kIndexFrom members, an open-addressing index. A slot holds the member's
// position + 1 in its low half and the key's hash in its high half; 0 marks
// an empty slot.
struct ObjectRep {
  std::uint32_t size;
  std::uint32_t cap;
  std::uint64_t* index;
  std::uint32_t index_cap;  // a power of two, or 0 without index
  std::uint32_t flags;      // kIndexInSlab
  Member* members() noexcept { return reinterpret_cast<Member*>(this + 1); }

  static constexpr std::uint32_t kIndexFrom = 8;
  static constexpr std::uint32_t kIndexInSlab = 1;

  static ObjectRep* make(std::size_t cap, BlockArena* arena, bool& in_slab) {
    if (cap > 0x3FFFFFFFu) throw std::length_error("object too large");
    auto* rep = static_cast<ObjectRep*>(allocate_block(sizeof(ObjectRep) + cap * sizeof(Member), arena, in_slab));
    rep->size = 0;
    rep->cap = static_cast<std::uint32_t>(cap);
    rep->index = nullptr;
    rep->index_cap = 0;
    rep->flags = 0;
    return rep;
  }

  // Drops the index (keeping index_cap for the caller to reset).
  void free_index() noexcept {
    if (index == nullptr) return;
    if (flags & kIndexInSlab)
      slab_drop(slab_of(index), 1);
    else
      delete[] index;
    index = nullptr;
    flags &= ~kIndexInSlab;
  }
};
static_assert(sizeof(ObjectRep) % alignof(Member) == 0);
static_assert(sizeof(ObjectRep) == kObjectHead && offsetof(ObjectRep, size) == 0);
static_assert(sizeof(StringRep) == kStringHead && offsetof(StringRep, len) == 0);

}  // namespace detail

using detail::ArrayRep;
using detail::BlockArena;
using detail::ObjectRep;
using detail::Slab;
using detail::StringRep;
using detail::free_block;

namespace {

inline std::uint64_t hash_key(std::string_view k) noexcept {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ (k.size() * 0xFF51AFD7ED558CCDull);
  const char* p = k.data();
  std::size_t n = k.size();
  while (n >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    p += 8;
    n -= 8;
  }
  if (n > 0) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, n);
    h = (h ^ w) * 0x94D049BB133111EBull;
  }
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ull;
  h ^= h >> 32;
  return h;
}

inline bool key_is(const Member& m, std::string_view k) noexcept {
  std::string_view mk = m.key();
  return mk.size() == k.size() && (k.empty() || std::memcmp(mk.data(), k.data(), k.size()) == 0);
}

void index_insert(ObjectRep* rep, std::uint64_t h, std::uint32_t pos) noexcept {
  std::uint32_t mask = rep->index_cap - 1;
  std::uint32_t i = static_cast<std::uint32_t>(h) & mask;
  while (rep->index[i] != 0) i = (i + 1) & mask;
  rep->index[i] = (h & 0xFFFFFFFF00000000ull) | (static_cast<std::uint64_t>(pos) + 1);
}

void index_build(ObjectRep* rep) {
  std::uint32_t want = 16;
  while (want < rep->size * 2u + 2u) want *= 2;
  if (rep->index_cap != want) {
    rep->free_index();
    rep->index = new std::uint64_t[want];
    rep->index_cap = want;
  }
  std::memset(rep->index, 0, sizeof(std::uint64_t) * want);
  Member* ms = rep->members();
  for (std::uint32_t i = 0; i < rep->size; ++i) index_insert(rep, hash_key(ms[i].key()), i);
}

// Position of the member or npos.
std::size_t object_find(const ObjectRep* rep, std::string_view k) noexcept {
  if (rep == nullptr) return Value::npos;
  Member* ms = const_cast<ObjectRep*>(rep)->members();
  if (rep->index == nullptr) {
    for (std::uint32_t i = 0; i < rep->size; ++i)
      if (key_is(ms[i], k)) return i;
    return Value::npos;
  }
  std::uint64_t h = hash_key(k);
  std::uint64_t hi = h & 0xFFFFFFFF00000000ull;
  std::uint32_t mask = rep->index_cap - 1;
  for (std::uint32_t i = static_cast<std::uint32_t>(h) & mask;; i = (i + 1) & mask) {
    std::uint64_t slot = rep->index[i];
    if (slot == 0) return Value::npos;
    if ((slot & 0xFFFFFFFF00000000ull) == hi) {
      std::uint32_t pos = static_cast<std::uint32_t>(slot) - 1;
      if (key_is(ms[pos], k)) return pos;
    }
  }
}

// Removes the slot at i from the index by shifting the following cluster
// back, so lookups never need tombstones.
void index_remove_slot(ObjectRep* rep, std::uint32_t i) noexcept {
  std::uint32_t mask = rep->index_cap - 1;
  std::uint32_t j = i;
  for (;;) {
    j = (j + 1) & mask;
    std::uint64_t slot = rep->index[j];
    if (slot == 0) break;
    std::uint32_t home = static_cast<std::uint32_t>(hash_key(rep->members()[static_cast<std::uint32_t>(slot) - 1].key())) & mask;
    // The entry at j may move to i when its home does not lie in (i, j].
    bool between = (i <= j) ? (home > i && home <= j) : (home > i || home <= j);
    if (!between) {
      rep->index[i] = slot;
      i = j;
    }
  }
  rep->index[i] = 0;
}

std::uint32_t index_slot_of(const ObjectRep* rep, std::string_view k, std::uint32_t pos) noexcept {
  std::uint32_t mask = rep->index_cap - 1;
  for (std::uint32_t i = static_cast<std::uint32_t>(hash_key(k)) & mask;; i = (i + 1) & mask)
    if (static_cast<std::uint32_t>(rep->index[i]) == pos + 1) return i;
}

const Value kNull;

}  // namespace

const Value& null_value() noexcept { return kNull; }

// ---- construction -----------------------------------------------------------

void Value::make_long_string(std::string_view s) {
  bool in_slab;
  set_payload<void*>(StringRep::make(s, nullptr, in_slab));
  tag_ = tag_of(Type::String);
}

Value Value::string_from(std::string_view s, BlockArena* arena) {
  if (s.size() <= kInline) return Value(s);
  Value v;
  bool in_slab;
  v.set_payload<void*>(StringRep::make(s, arena, in_slab));
  v.tag_ = static_cast<std::uint8_t>(tag_of(Type::String) | (in_slab ? kSlabFlag : 0));
  return v;
}

std::uint64_t Value::string_bit(const Value& s) noexcept {
  std::uint64_t h;
  if (s.is_inline_string()) {
    // The sixteen bytes: the zero-padded bytes and the tag with the length.
    std::uint64_t lo, hi;
    std::memcpy(&lo, &s, 8);
    std::memcpy(&hi, reinterpret_cast<const char*>(&s) + 8, 8);
    h = lo ^ (hi * 0x9E3779B97F4A7C15ull);
  } else {
    StringRep* rep = s.str();
    std::uint64_t head;
    std::memcpy(&head, rep->data(), 8);  // long strings have more than 8 bytes
    h = head ^ (rep->len * 0x9E3779B97F4A7C15ull);
  }
  return std::uint64_t{1} << ((h * 0xBF58476D1CE4E5B9ull) >> 58);
}

bool Value::same_string(const Value& a, const Value& b) noexcept {
  // A short string lives in the value's own bytes with zero padding and its
  // length in the tag, so two short strings are equal exactly when their
  // sixteen bytes are; a short and a long string are never equal.
  if (std::memcmp(&a, &b, sizeof(Value)) == 0) return true;
  if (a.is_inline_string() || b.is_inline_string()) return false;
  StringRep* x = a.str();
  StringRep* y = b.str();
  return x->len == y->len && std::memcmp(x->data(), y->data(), x->len) == 0;
}

void Value::make_array(std::size_t reserve) {
  bool in_slab;
  set_payload<void*>(reserve ? ArrayRep::make(reserve, nullptr, in_slab) : nullptr);
  tag_ = tag_of(Type::Array);
}

void Value::make_object(std::size_t reserve) {
  bool in_slab;
  set_payload<void*>(reserve ? ObjectRep::make(reserve, nullptr, in_slab) : nullptr);
  tag_ = tag_of(Type::Object);
}

Value Value::array(std::size_t reserve) {
  Value v;
  v.make_array(reserve);
  return v;
}

Value Value::object(std::size_t reserve) {
  Value v;
  v.make_object(reserve);
  return v;
}

Value Value::array_from(std::span<Value> items) { return array_from(items, nullptr); }
Value Value::object_from(std::span<Member> members) { return object_from(members, nullptr); }

Value Value::array_from(std::span<Value> items, BlockArena* arena) {
  Value v;
  v.tag_ = tag_of(Type::Array);
  if (!items.empty()) {
    bool in_slab;
    ArrayRep* rep = ArrayRep::make(items.size(), arena, in_slab);
    v.set_payload<void*>(rep);
    if (in_slab) v.tag_ |= kSlabFlag;
    Value* out = rep->items();
    for (std::size_t i = 0; i < items.size(); ++i) new (&out[i]) Value(std::move(items[i]));
    rep->size = static_cast<std::uint32_t>(items.size());
  }
  return v;
}

Value Value::object_from(std::span<Member> members, BlockArena* arena) {
  Value v;
  v.tag_ = tag_of(Type::Object);
  if (members.empty()) return v;
  bool in_slab;
  ObjectRep* rep = ObjectRep::make(members.size(), arena, in_slab);
  v.set_payload<void*>(rep);
  if (in_slab) v.tag_ |= kSlabFlag;
  Member* out = rep->members();
  bool indexed = members.size() > ObjectRep::kIndexFrom;
  if (indexed) {
    std::uint32_t want = 16;
    while (want < members.size() * 2u + 2u) want *= 2;
    void* mem = arena != nullptr ? arena->allocate(sizeof(std::uint64_t) * want) : nullptr;
    if (mem != nullptr) {
      std::memset(mem, 0, sizeof(std::uint64_t) * want);
      rep->index = static_cast<std::uint64_t*>(mem);
      rep->flags |= ObjectRep::kIndexInSlab;
    } else {
      rep->index = new std::uint64_t[want]();
    }
    rep->index_cap = want;
  }
  if (!indexed) {
    // A handful of members: a key whose bit is not yet taken is new;
    // otherwise the earlier keys are compared directly.
    std::uint64_t taken = 0;
    std::uint32_t n = 0;
    for (Member& m : members) {
      std::uint64_t bit = string_bit(m.key_);
      if (taken & bit) {
        std::uint32_t at = 0;
        while (at < n && !same_string(out[at].key_, m.key_)) ++at;
        if (at < n) {
          out[at].value = std::move(m.value);
          continue;
        }
      }
      taken |= bit;
      new (&out[n]) Member{std::move(m.key_), std::move(m.value)};
      ++n;
    }
    rep->size = n;
    return v;
  }
  std::uint32_t mask = rep->index_cap - 1;
  for (Member& m : members) {
    std::uint64_t h = hash_key(m.key());
    std::uint64_t hi = h & 0xFFFFFFFF00000000ull;
    std::uint32_t i = static_cast<std::uint32_t>(h) & mask;
    bool found = false;
    for (;; i = (i + 1) & mask) {
      std::uint64_t slot = rep->index[i];
      if (slot == 0) break;
      if ((slot & 0xFFFFFFFF00000000ull) == hi) {
        std::uint32_t at = static_cast<std::uint32_t>(slot) - 1;
        if (same_string(out[at].key_, m.key_)) {
          out[at].value = std::move(m.value);
          found = true;
          break;
        }
      }
    }
    if (found) continue;
    std::uint32_t pos = rep->size;
    new (&out[pos]) Member{std::move(m.key_), std::move(m.value)};
    ++rep->size;
    rep->index[i] = hi | (static_cast<std::uint64_t>(pos) + 1);
  }
  return v;
}

// ---- copying ----------------------------------------------------------------

namespace {

// Initialises raw storage `dst` as a copy of `src` when src is a scalar or
// a string, or as an empty container sized for src's contents.
void copy_shell(Value* dst, const Value& src) {
  if (src.is_array()) {
    new (dst) Value(Value::array(src.size()));
  } else if (src.is_object()) {
    new (dst) Value(Value::object(src.size()));
  } else {
    new (dst) Value(src);
  }
}

}  // namespace

void Value::deep_copy(Value& dst, const Value& src) {
  struct Frame {
    const Value* src;
    Value* dst;
    std::uint32_t next;
  };
  std::vector<Frame> stack;
  copy_shell(&dst, src);
  if (src.size() == 0) return;
  stack.push_back({&src, &dst, 0});
  while (!stack.empty()) {
    Frame& f = stack.back();
    const Value* s = f.src;
    Value* d = f.dst;
    if (f.next == s->size()) {
      if (s->is_object() && s->obj()->index != nullptr) {
        ObjectRep* so = s->obj();
        ObjectRep* dobj = d->obj();
        dobj->index = new std::uint64_t[so->index_cap];
        dobj->index_cap = so->index_cap;
        std::memcpy(dobj->index, so->index, sizeof(std::uint64_t) * so->index_cap);
      }
      stack.pop_back();
      continue;
    }
    std::uint32_t i = f.next++;
    const Value* child;
    Value* out;
    if (s->is_array()) {
      child = &s->arr()->items()[i];
      out = &d->arr()->items()[i];
      copy_shell(out, *child);
      d->arr()->size = i + 1;
    } else {
      const Member& m = s->obj()->members()[i];
      Member* om = &d->obj()->members()[i];
      new (&om->key_) Value(m.key_);
      child = &m.value;
      out = &om->value;
      try {
        copy_shell(out, *child);
      } catch (...) {
        om->key_.~Value();
        throw;
      }
      d->obj()->size = i + 1;
    }
    if (child->is_container() && child->size() > 0) stack.push_back({child, out, 0});
  }
}

Value::Value(const Value& other) {
  if (other.type() == Type::String && !other.is_inline_string()) {
    std::memset(bytes_, 0, sizeof bytes_);
    bool in_slab;
    set_payload<void*>(StringRep::make(other.as_string(), nullptr, in_slab));
    tag_ = tag_of(Type::String);
  } else if (other.is_container() && other.ptr() != nullptr) {
    std::memset(bytes_, 0, sizeof bytes_);
    tag_ = 0;
    try {
      deep_copy(*this, other);
    } catch (...) {
      release();
      throw;
    }
  } else {
    std::memcpy(static_cast<void*>(this), static_cast<const void*>(&other), sizeof(Value));
  }
}

Value& Value::operator=(const Value& other) {
  if (this != &other) {
    Value tmp(other);
    swap(tmp);
  }
  return *this;
}

// ---- destruction -------------------------------------------------------------

namespace {

// Frees blocks, counting those that go back to one slab so that freeing a
// document costs one count update per slab rather than one per block.
class BlockDropper {
 public:
  BlockDropper() = default;
  BlockDropper(const BlockDropper&) = delete;
  BlockDropper& operator=(const BlockDropper&) = delete;
  ~BlockDropper() { flush(); }
  void drop(void* block, bool in_slab) noexcept {
    if (!in_slab) {
      ::operator delete(block);
      return;
    }
    Slab* s = detail::slab_of(block);
    if (s != slab_) {
      flush();
      slab_ = s;
    }
    ++count_;
  }
  void drop_index(ObjectRep* rep) noexcept {
    if (rep->index == nullptr) return;
    if (rep->flags & ObjectRep::kIndexInSlab)
      drop(rep->index, true);
    else
      delete[] rep->index;
  }

 private:
  void flush() noexcept {
    if (slab_ != nullptr) detail::slab_drop(slab_, count_);
    slab_ = nullptr;
    count_ = 0;
  }
  Slab* slab_ = nullptr;
  std::size_t count_ = 0;
};

}  // namespace

void Value::release() noexcept {
  if (type() == Type::String) {
    free_block(str(), in_slab());
    return;
  }
  if (!is_container() || ptr() == nullptr) return;
  // Containers are freed depth first from an explicit stack of blocks still
  // being emptied, so a value nested to any depth is released in constant
  // native stack. The first levels live here; deeper ones spill to the heap.
  struct Frame {
    void* rep;
    std::uint32_t next;
    bool object;
    bool in_slab;
  };
  constexpr std::size_t kLocal = 32;
  Frame local[kLocal];
  std::vector<Frame> spill;
  std::size_t depth = 0;
  BlockDropper dropper;
  auto push = [&](const Value& v) {
    Frame f{v.ptr(), 0, v.is_object(), v.in_slab()};
    if (depth < kLocal)
      local[depth] = f;
    else
      spill.push_back(f);
    ++depth;
  };
  // Frees what a scalar or string holds; true for a container to descend into.
  auto settle = [&dropper](Value& v) {
    if (v.tag_ < tag_of(Type::String) || v.is_inline_string()) return false;
    if (v.type() == Type::String) {
      dropper.drop(v.ptr(), v.in_slab());
      return false;
    }
    return v.ptr() != nullptr;
  };
  push(*this);
  while (depth > 0) {
    Frame& f = depth <= kLocal ? local[depth - 1] : spill.back();
    Value* child = nullptr;
    if (!f.object) {
      ArrayRep* rep = static_cast<ArrayRep*>(f.rep);
      Value* it = rep->items();
      while (f.next < rep->size) {
        Value& c = it[f.next++];
        if (settle(c)) {
          child = &c;
          break;
        }
      }
      if (child == nullptr) dropper.drop(rep, f.in_slab);
    } else {
      ObjectRep* rep = static_cast<ObjectRep*>(f.rep);
      Member* ms = rep->members();
      while (f.next < rep->size) {
        Member& m = ms[f.next++];
        settle(m.key_);
        if (settle(m.value)) {
          child = &m.value;
          break;
        }
      }
      if (child == nullptr) {
        dropper.drop_index(rep);
        dropper.drop(rep, f.in_slab);
      }
    }
    if (child != nullptr) {
      // The child's block is taken over by the stack; its slot is dead.
      push(*child);
    } else {
      --depth;
      if (depth >= kLocal) spill.pop_back();
    }
  }
  tag_ = 0;
}

// ---- scalars -------------------------------------------------------------------

double Value::as_double() const noexcept {
  switch (type()) {
    case Type::Uint: return static_cast<double>(as_uint());
    case Type::Int: return static_cast<double>(as_int());
    case Type::Float: return as_float();
    default: return 0.0;
  }
}

// ---- arrays ----------------------------------------------------------------------

void Value::reserve(std::size_t n) {
  if (is_null()) make_array(0);
  if (is_array()) {
    ArrayRep* old = arr();
    std::size_t have = old ? old->cap : 0;
    if (n <= have) return;
    bool in_slab;
    ArrayRep* rep = ArrayRep::make(n, nullptr, in_slab);
    if (old) {
      for (std::uint32_t i = 0; i < old->size; ++i) new (&rep->items()[i]) Value(std::move(old->items()[i]));
      rep->size = old->size;
      free_block(old, this->in_slab());
    }
    set_payload<void*>(rep);
    tag_ = tag_of(Type::Array);
  } else if (is_object()) {
    ObjectRep* old = obj();
    std::size_t have = old ? old->cap : 0;
    if (n <= have) return;
    bool in_slab;
    ObjectRep* rep = ObjectRep::make(n, nullptr, in_slab);
    if (old) {
      for (std::uint32_t i = 0; i < old->size; ++i)
        new (&rep->members()[i]) Member{std::move(old->members()[i].key_), std::move(old->members()[i].value)};
      rep->size = old->size;
      rep->index = old->index;
      rep->index_cap = old->index_cap;
      rep->flags = old->flags;
      free_block(old, this->in_slab());
    }
    set_payload<void*>(rep);
    tag_ = tag_of(Type::Object);
  }
}

Value& Value::push_back(Value v) {
  if (is_null()) make_array(0);
  if (!is_array()) throw std::logic_error("push_back on a non-array");
  ArrayRep* rep = arr();
  if (rep == nullptr || rep->size == rep->cap) {
    std::size_t cap = rep ? rep->cap : 0;
    reserve(cap < 4 ? 4 : cap * 2);
    rep = arr();
  }
  Value* slot = new (&rep->items()[rep->size]) Value(std::move(v));
  ++rep->size;
  return *slot;
}

void Value::truncate(std::size_t from) noexcept {
  if (!is_array() || arr() == nullptr) return;
  ArrayRep* rep = arr();
  while (rep->size > from) {
    --rep->size;
    rep->items()[rep->size].~Value();
  }
}

// ---- objects -------------------------------------------------------------------

std::size_t Value::index_of(std::string_view key) const noexcept {
  if (type() != Type::Object) return npos;
  return object_find(obj(), key);
}

const Value* Value::find(std::string_view key) const noexcept {
  std::size_t at = index_of(key);
  return at == npos ? nullptr : &obj()->members()[at].value;
}

Value* Value::find(std::string_view key) noexcept {
  std::size_t at = index_of(key);
  return at == npos ? nullptr : &obj()->members()[at].value;
}

const Value& Value::get(std::string_view key) const noexcept {
  const Value* v = find(key);
  return v ? *v : kNull;
}

Value& Value::append(std::string_view key, Value v) {
  if (is_null()) make_object(0);
  if (!is_object()) throw std::logic_error("member added to a non-object");
  ObjectRep* rep = obj();
  if (rep == nullptr || rep->size == rep->cap) {
    std::size_t cap = rep ? rep->cap : 0;
    reserve(cap < 4 ? 4 : cap * 2);
    rep = obj();
  }
  Value k(key);
  std::uint32_t pos = rep->size;
  Member* m = new (&rep->members()[pos]) Member{std::move(k), std::move(v)};
  ++rep->size;
  if (rep->index != nullptr && rep->size * 2u + 2u <= rep->index_cap) {
    index_insert(rep, hash_key(m->key()), pos);
  } else if (rep->size > ObjectRep::kIndexFrom) {
    index_build(rep);
  }
  return m->value;
}

Value& Value::set(std::string_view key, Value v) {
  if (Value* existing = find(key)) {
    *existing = std::move(v);
    return *existing;
  }
  return append(key, std::move(v));
}

Value& Value::slot(std::string_view key) {
  if (Value* existing = find(key)) return *existing;
  return append(key, Value());
}

bool Value::erase(std::string_view key) {
  std::size_t at = index_of(key);
  if (at == npos) return false;
  ObjectRep* rep = obj();
  Member* ms = rep->members();
  std::uint32_t pos = static_cast<std::uint32_t>(at);
  std::uint32_t last = rep->size - 1;
  if (rep->index != nullptr) {
    index_remove_slot(rep, index_slot_of(rep, key, pos));
    if (pos != last) {
      std::uint32_t s = index_slot_of(rep, ms[last].key(), last);
      rep->index[s] = (rep->index[s] & 0xFFFFFFFF00000000ull) | (static_cast<std::uint64_t>(pos) + 1);
    }
  }
  if (pos != last) {
    ms[pos].key_ = std::move(ms[last].key_);
    ms[pos].value = std::move(ms[last].value);
  }
  ms[last].key_.~Value();
  ms[last].value.~Value();
  rep->size = last;
  return true;
}

// ---- equality -------------------------------------------------------------------

bool same(const Value& a, const Value& b) {
  struct Pair {
    const Value* a;
    const Value* b;
  };
  std::vector<Pair> work;
  const Value* x = &a;
  const Value* y = &b;
  for (;;) {
    if (x->type() != y->type()) return false;
    switch (x->type()) {
      case Type::Null: break;
      case Type::Bool:
        if (x->as_bool() != y->as_bool()) return false;
        break;
      case Type::Uint:
        if (x->as_uint() != y->as_uint()) return false;
        break;
      case Type::Int:
        if (x->as_int() != y->as_int()) return false;
        break;
      case Type::Float:
        if (!(x->as_float() == y->as_float())) return false;
        break;
      case Type::String:
        if (x->as_string() != y->as_string()) return false;
        break;
      case Type::Array: {
        auto xs = x->items();
        auto ys = y->items();
        if (xs.size() != ys.size()) return false;
        for (std::size_t i = 0; i < xs.size(); ++i) work.push_back({&xs[i], &ys[i]});
        break;
      }
      case Type::Object: {
        if (x->size() != y->size()) return false;
        for (const Member& m : x->members()) {
          const Value* other = y->find(m.key());
          if (other == nullptr) return false;
          work.push_back({&m.value, other});
        }
        break;
      }
    }
    if (work.empty()) return true;
    x = work.back().a;
    y = work.back().b;
    work.pop_back();
  }
}

// ---- deep merge -----------------------------------------------------------------

namespace {

template <typename Src>
void merge_impl(Value& dst, Src& src) {
  if (!dst.is_object()) dst = Value::object();
  if (!src.is_object()) return;
  using SrcPtr = std::conditional_t<std::is_const_v<Src>, const Value*, Value*>;
  struct Frame {
    Value* dst;
    SrcPtr src;
    std::size_t next;
  };
  std::vector<Frame> stack;
  stack.push_back({&dst, &src, 0});
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.next == f.src->size()) {
      stack.pop_back();
      continue;
    }
    auto& m = f.src->members()[f.next++];
    Value* into = f.dst;
    Value& target = into->slot(m.key());
    if (target.is_object() && m.value.is_object()) {
      stack.push_back({&target, &m.value, 0});
    } else if constexpr (std::is_const_v<Src>) {
      target = m.value;
    } else {
      target = std::move(m.value);
    }
  }
}

}  // namespace

void deep_merge(Value& dst, const Value& src) { merge_impl<const Value>(dst, src); }
void deep_merge(Value& dst, Value&& src) { merge_impl<Value>(dst, src); }

std::string_view type_name(Type t) noexcept {
  switch (t) {
    case Type::Null: return "null";
    case Type::Bool: return "boolean";
    case Type::Uint:
    case Type::Int: return "integer";
    case Type::Float: return "float";
    case Type::String: return "string";
    case Type::Array: return "array";
    case Type::Object: return "object";
  }
  return "null";
}

}  // namespace kovi::json
