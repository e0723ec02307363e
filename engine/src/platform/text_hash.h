// A fast hash of short texts (DP codes, converter names, member keys) for
// the engine's small lookup tables. Not for anything adversarial to rely on
// beyond an even spread: the tables probe linearly and compare keys.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace kovi {

inline std::uint64_t text_hash(std::string_view s) noexcept {
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

}  // namespace kovi
