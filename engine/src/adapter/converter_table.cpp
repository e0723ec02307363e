#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "adapter/converter.h"

namespace kovi::adapter {

namespace {

// Converter names are short words; they are hashed eight bytes at a time.
std::uint64_t name_hash(std::string_view s) noexcept {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
  const char* p = s.data();
  std::size_t n = s.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
  }
  std::uint64_t w = 0;
  if (n > 0) std::memcpy(&w, p, n);  // an empty view may have no data
  // Every input bit must reach the low bits that pick the slot.
  h ^= w;
  h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;
  h = (h ^ (h >> 33)) * 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 33);
}

// Open addressing over both groups, built once on first use and read-only
// afterwards, so any number of threads may look names up. Every adapter
// entry is resolved through it when an adapter is read.
class Table {
 public:
  static constexpr std::size_t kSlots = 128;  // a power of two, well above the number of names

  Table() {
    for (auto group : {general_converters(), payload_converters()})
      for (const Converter& c : group) insert(&c);
  }

  const Converter* find(std::string_view name) const noexcept {
    for (std::size_t i = name_hash(name) & (kSlots - 1);; i = (i + 1) & (kSlots - 1)) {
      const Converter* c = slots_[i];
      if (c == nullptr || c->name == name) return c;
    }
  }

 private:
  void insert(const Converter* c) {
    std::size_t i = name_hash(c->name) & (kSlots - 1);
    for (std::size_t probes = 0; slots_[i] != nullptr; ++probes, i = (i + 1) & (kSlots - 1)) {
      if (slots_[i]->name == c->name) return;  // the first group that names it wins
      if (probes == kSlots) throw std::logic_error("converter table is full");
    }
    slots_[i] = c;
  }

  std::array<const Converter*, kSlots> slots_{};
};

}  // namespace

const Converter* find_converter(std::string_view name) {
  static const Table table;
  return table.find(name);
}

}  // namespace kovi::adapter
