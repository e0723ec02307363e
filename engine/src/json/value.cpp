#include "json/value.h"

#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace kovi::json {

namespace detail {

// Long strings: the length followed by the bytes (not terminated).
struct StringRep {
  std::size_t len;
  char* data() noexcept { return reinterpret_cast<char*>(this + 1); }

  static StringRep* make(std::string_view s) {
    auto* rep = static_cast<StringRep*>(::operator new(sizeof(StringRep) + s.size()));
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

  static ArrayRep* make(std::size_t cap) {
    if (cap > 0xFFFFFFFFu) throw std::length_error("array too large");
    auto* rep = static_cast<ArrayRep*>(::operator new(sizeof(ArrayRep) + cap * sizeof(Value)));
    rep->size = 0;
    rep->cap = static_cast<std::uint32_t>(cap);
    return rep;
  }
};
static_assert(sizeof(ArrayRep) % alignof(Value) == 0);

// Objects: members in insertion order plus, once there are more than
// kIndexFrom members, an open-addressing index. A slot holds the member's
// position + 1 in its low half and the key's hash in its high half; 0 marks
// an empty slot.
struct ObjectRep {
  std::uint32_t size;
  std::uint32_t cap;
  std::uint64_t* index;
  std::uint32_t index_cap;  // a power of two, or 0 without index
  std::uint32_t reserved;
  Member* members() noexcept { return reinterpret_cast<Member*>(this + 1); }

  static constexpr std::uint32_t kIndexFrom = 8;

  static ObjectRep* make(std::size_t cap) {
    if (cap > 0x3FFFFFFFu) throw std::length_error("object too large");
    auto* rep = static_cast<ObjectRep*>(::operator new(sizeof(ObjectRep) + cap * sizeof(Member)));
    rep->size = 0;
    rep->cap = static_cast<std::uint32_t>(cap);
    rep->index = nullptr;
    rep->index_cap = 0;
    rep->reserved = 0;
    return rep;
  }
};
static_assert(sizeof(ObjectRep) % alignof(Member) == 0);

}  // namespace detail

using detail::ArrayRep;
using detail::ObjectRep;
using detail::StringRep;

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
  return mk.size() == k.size() && std::memcmp(mk.data(), k.data(), k.size()) == 0;
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
    delete[] rep->index;
    rep->index = nullptr;
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

void free_object_rep(ObjectRep* rep) noexcept {
  delete[] rep->index;
  ::operator delete(rep);
}

const Value kNull;

}  // namespace

const Value& null_value() noexcept { return kNull; }

// ---- construction -----------------------------------------------------------

Value::Value(std::string_view s) : Value() {
  if (s.size() <= kInline) {
    std::memcpy(bytes_, s.data(), s.size());
    tag_ = static_cast<std::uint8_t>(tag_of(Type::String) | kInlineFlag | (s.size() << 4));
  } else {
    set_payload<void*>(StringRep::make(s));
    tag_ = tag_of(Type::String);
  }
}

void Value::make_array(std::size_t reserve) {
  set_payload<void*>(reserve ? ArrayRep::make(reserve) : nullptr);
  tag_ = tag_of(Type::Array);
}

void Value::make_object(std::size_t reserve) {
  set_payload<void*>(reserve ? ObjectRep::make(reserve) : nullptr);
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

Value Value::array_from(std::span<Value> items) {
  Value v = array(items.size());
  if (!items.empty()) {
    ArrayRep* rep = v.arr();
    Value* out = rep->items();
    for (std::size_t i = 0; i < items.size(); ++i) new (&out[i]) Value(std::move(items[i]));
    rep->size = static_cast<std::uint32_t>(items.size());
  }
  return v;
}

Value Value::object_from(std::span<Member> members) {
  Value v = object(members.size());
  if (members.empty()) return v;
  ObjectRep* rep = v.obj();
  Member* out = rep->members();
  bool indexed = members.size() > ObjectRep::kIndexFrom;
  if (indexed) {
    std::uint32_t want = 16;
    while (want < members.size() * 2u + 2u) want *= 2;
    rep->index = new std::uint64_t[want]();
    rep->index_cap = want;
  }
  for (Member& m : members) {
    std::string_view k = m.key();
    std::size_t at = object_find(rep, k);
    if (at != npos) {
      out[at].value = std::move(m.value);
      continue;
    }
    std::uint32_t pos = rep->size;
    new (&out[pos]) Member{std::move(m.key_), std::move(m.value)};
    ++rep->size;
    if (indexed) index_insert(rep, hash_key(out[pos].key()), pos);
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
    set_payload<void*>(StringRep::make(other.as_string()));
    tag_ = other.tag_;
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

void Value::release() noexcept {
  if (type() == Type::String) {
    ::operator delete(str());
    return;
  }
  if (!is_container() || ptr() == nullptr) return;
  // Containers are freed from a work list rather than by recursion, so a
  // value nested to any depth is released in constant native stack.
  std::vector<Value> pending;
  auto drop_children = [&pending](Value& holder) {
    if (holder.is_array()) {
      ArrayRep* rep = holder.arr();
      Value* it = rep->items();
      for (std::uint32_t i = 0; i < rep->size; ++i) {
        if (it[i].is_container() && it[i].ptr() != nullptr)
          pending.push_back(std::move(it[i]));
        else
          it[i].~Value();
      }
      ::operator delete(rep);
    } else {
      ObjectRep* rep = holder.obj();
      Member* ms = rep->members();
      for (std::uint32_t i = 0; i < rep->size; ++i) {
        ms[i].key_.~Value();
        if (ms[i].value.is_container() && ms[i].value.ptr() != nullptr)
          pending.push_back(std::move(ms[i].value));
        else
          ms[i].value.~Value();
      }
      free_object_rep(rep);
    }
    holder.tag_ = 0;
  };
  drop_children(*this);
  while (!pending.empty()) {
    Value v = std::move(pending.back());
    pending.pop_back();
    drop_children(v);
  }
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

std::string_view Value::as_string() const noexcept {
  if (type() != Type::String) return {};
  if (is_inline_string()) return {reinterpret_cast<const char*>(bytes_), static_cast<std::size_t>(tag_ >> 4)};
  StringRep* rep = str();
  return {rep->data(), rep->len};
}

// ---- arrays ----------------------------------------------------------------------

std::size_t Value::size() const noexcept {
  if (type() == Type::Array) return arr() ? arr()->size : 0;
  if (type() == Type::Object) return obj() ? obj()->size : 0;
  return 0;
}

std::span<const Value> Value::items() const noexcept {
  if (type() != Type::Array || arr() == nullptr) return {};
  return {arr()->items(), arr()->size};
}

std::span<Value> Value::items() noexcept {
  if (type() != Type::Array || arr() == nullptr) return {};
  return {arr()->items(), arr()->size};
}

void Value::reserve(std::size_t n) {
  if (is_null()) make_array(0);
  if (is_array()) {
    ArrayRep* old = arr();
    std::size_t have = old ? old->cap : 0;
    if (n <= have) return;
    ArrayRep* rep = ArrayRep::make(n);
    if (old) {
      for (std::uint32_t i = 0; i < old->size; ++i) new (&rep->items()[i]) Value(std::move(old->items()[i]));
      rep->size = old->size;
      ::operator delete(old);
    }
    set_payload<void*>(rep);
  } else if (is_object()) {
    ObjectRep* old = obj();
    std::size_t have = old ? old->cap : 0;
    if (n <= have) return;
    ObjectRep* rep = ObjectRep::make(n);
    if (old) {
      for (std::uint32_t i = 0; i < old->size; ++i)
        new (&rep->members()[i]) Member{std::move(old->members()[i].key_), std::move(old->members()[i].value)};
      rep->size = old->size;
      rep->index = old->index;
      rep->index_cap = old->index_cap;
      ::operator delete(old);
    }
    set_payload<void*>(rep);
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

std::span<const Member> Value::members() const noexcept {
  if (type() != Type::Object || obj() == nullptr) return {};
  return {obj()->members(), obj()->size};
}

std::span<Member> Value::members() noexcept {
  if (type() != Type::Object || obj() == nullptr) return {};
  return {obj()->members(), obj()->size};
}

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
