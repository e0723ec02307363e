// "ms_dp_syn_alg": a set of day numbers packed as (group, mask) byte pairs.
// Group g (its low seven bits, counted from 1) covers the days 8(g - 1) to
// 8(g - 1) + 7, one bit each. The reading never fails: a payload that is
// not base64 reads as no days.
#include <bitset>

#include "adapter/payload_converters.h"
#include "adapter/payload_text.h"

namespace kovi::adapter {

ReadOutcome read_ms_dp_syn_alg(const Value& raw, const Value&, const Value&) {
  const std::optional<std::string> bytes = base64_bytes(raw);
  if (!bytes) return Value::array();
  // Groups 1 to 127 cover days 0 to 1015. Group 0 has no days: its pairs
  // would name days below 0, so they add nothing.
  constexpr std::size_t kDays = 127 * 8;
  std::bitset<kDays> days;
  const std::string_view b = *bytes;
  for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
    const unsigned group = static_cast<unsigned char>(b[i]) & 127u;
    const unsigned mask = static_cast<unsigned char>(b[i + 1]);
    if (group == 0) continue;
    for (unsigned bit = 0; bit < 8; ++bit)
      if (mask & (1u << bit)) days.set((group - 1) * 8 + bit);
  }
  Value out = Value::array(days.count());
  for (std::size_t d = 0; d < kDays; ++d)
    if (days.test(d)) out.push_back(Value(d));
  return out;
}

}  // namespace kovi::adapter
