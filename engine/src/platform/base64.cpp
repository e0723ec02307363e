#include "platform/base64.h"

#include <array>
#include <cstdint>

namespace kovi {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Symbol value for each byte, or kInvalid. '=' is invalid here too: padding
// is recognised by position, never by lookup.
constexpr std::uint8_t kInvalid = 0x80;

constexpr std::array<std::uint8_t, 256> make_decode_table() {
    std::array<std::uint8_t, 256> t{};
    for (auto& v : t) v = kInvalid;
    for (std::uint8_t i = 0; i < 64; ++i) t[static_cast<unsigned char>(kAlphabet[i])] = i;
    return t;
}

constexpr std::array<std::uint8_t, 256> kDecode = make_decode_table();

inline std::uint8_t symbol(char c) { return kDecode[static_cast<unsigned char>(c)]; }

}  // namespace

std::string base64_encode(std::string_view bytes) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::string out((n + 2) / 3 * 4, '\0');
    char* o = out.data();

    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const std::uint32_t v = (std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8) | in[i + 2];
        *o++ = kAlphabet[(v >> 18) & 63];
        *o++ = kAlphabet[(v >> 12) & 63];
        *o++ = kAlphabet[(v >> 6) & 63];
        *o++ = kAlphabet[v & 63];
    }
    const std::size_t rest = n - i;
    if (rest == 1) {
        const std::uint32_t v = std::uint32_t{in[i]} << 16;
        *o++ = kAlphabet[(v >> 18) & 63];
        *o++ = kAlphabet[(v >> 12) & 63];
        *o++ = '=';
        *o++ = '=';
    } else if (rest == 2) {
        const std::uint32_t v = (std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8);
        *o++ = kAlphabet[(v >> 18) & 63];
        *o++ = kAlphabet[(v >> 12) & 63];
        *o++ = kAlphabet[(v >> 6) & 63];
        *o++ = '=';
    }
    return out;
}

std::optional<std::string> base64_decode(std::string_view text) {
    const std::size_t n = text.size();
    if (n % 4 != 0) return std::nullopt;
    if (n == 0) return std::string();

    std::size_t pad = 0;
    if (text[n - 1] == '=') pad = text[n - 2] == '=' ? 2 : 1;

    std::string out(n / 4 * 3 - pad, '\0');
    char* o = out.data();
    const char* s = text.data();

    // Every group but the last is four data symbols.
    const std::size_t full = n / 4 - 1;
    for (std::size_t g = 0; g < full; ++g, s += 4) {
        const std::uint8_t a = symbol(s[0]), b = symbol(s[1]), c = symbol(s[2]), d = symbol(s[3]);
        if ((a | b | c | d) & kInvalid) return std::nullopt;
        const std::uint32_t v = (std::uint32_t{a} << 18) | (std::uint32_t{b} << 12) | (std::uint32_t{c} << 6) | d;
        *o++ = static_cast<char>(v >> 16);
        *o++ = static_cast<char>(v >> 8);
        *o++ = static_cast<char>(v);
    }

    // Last group: 4, 3 or 2 data symbols. A third '=' (or one before the
    // pad) reaches the table and is rejected there.
    const std::uint8_t a = symbol(s[0]), b = symbol(s[1]);
    const std::uint8_t c = pad == 2 ? 0 : symbol(s[2]);
    const std::uint8_t d = pad >= 1 ? 0 : symbol(s[3]);
    if ((a | b | c | d) & kInvalid) return std::nullopt;
    // Bits below the last whole byte must be zero, or two texts would decode
    // to the same bytes.
    if (pad == 2 && (b & 0x0f) != 0) return std::nullopt;
    if (pad == 1 && (c & 0x03) != 0) return std::nullopt;
    const std::uint32_t v = (std::uint32_t{a} << 18) | (std::uint32_t{b} << 12) | (std::uint32_t{c} << 6) | d;
    *o++ = static_cast<char>(v >> 16);
    if (pad < 2) *o++ = static_cast<char>(v >> 8);
    if (pad < 1) *o++ = static_cast<char>(v);
    return out;
}

namespace {

constexpr bool base64_text_char(unsigned char ch) noexcept {
  return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '+' ||
         ch == '/' || ch == '=';
}

}  // namespace

std::optional<std::string> base64_decode_lenient(std::string_view text) {
  bool clean = true;
  for (char ch : text)
    if (!base64_text_char(static_cast<unsigned char>(ch))) {
      clean = false;
      break;
    }
  if (clean) return base64_decode(text);
  std::string kept;
  kept.reserve(text.size());
  for (char ch : text)
    if (base64_text_char(static_cast<unsigned char>(ch))) kept.push_back(ch);
  return base64_decode(kept);
}

}  // namespace kovi
