#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "adapter/converter.h"
#include "platform/text_hash.h"

namespace kovi::adapter {

namespace {

std::uint64_t name_hash(std::string_view s) noexcept { return static_cast<std::uint64_t>(text_hash(s)); }

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
