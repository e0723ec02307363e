#include "json/writer.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kovi::json {

namespace {

// 0: written as is; otherwise the character after the backslash ('u' for
// the \u00xx form).
struct EscapeTable {
  char code[256];
  constexpr EscapeTable() : code() {
    for (int c = 0; c < 0x20; ++c) code[c] = 'u';
    code[static_cast<unsigned char>('\b')] = 'b';
    code[static_cast<unsigned char>('\f')] = 'f';
    code[static_cast<unsigned char>('\n')] = 'n';
    code[static_cast<unsigned char>('\r')] = 'r';
    code[static_cast<unsigned char>('\t')] = 't';
    code[static_cast<unsigned char>('"')] = '"';
    code[static_cast<unsigned char>('\\')] = '\\';
  }
};
constexpr EscapeTable kEscape;

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kLittleEndian = true;
#else
constexpr bool kLittleEndian = false;
#endif

// Marks, in the high bit of each byte, the bytes of a little-endian word
// that need an escape ('"', '\\', control characters). Only the lowest
// mark is exact (a borrow may mark bytes above it), which is all the
// scanning needs.
inline std::uint64_t escape_marks(std::uint64_t w) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  std::uint64_t q = w ^ (kOnes * '"');
  std::uint64_t b = w ^ (kOnes * '\\');
  return (((q - kOnes) & ~q) | ((b - kOnes) & ~b) | ((w - kOnes * 0x20) & ~w)) & kHigh;
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline unsigned decimal_length(std::uint64_t n) {
  unsigned len = 1;
  for (;;) {
    if (n < 10) return len;
    if (n < 100) return len + 1;
    if (n < 1000) return len + 2;
    if (n < 10000) return len + 3;
    n /= 10000;
    len += 4;
  }
}

// Writes the decimal digits of n at p (at most 20 bytes); returns the end.
inline char* put_digits(char* p, std::uint64_t n) {
  if (kLittleEndian && n < 10000) {
    // Four digits with leading zeros in one word, of which the last `len`
    // are written, without a branch on the length.
    unsigned v = static_cast<unsigned>(n);
    unsigned len = 1 + (v >= 10) + (v >= 100) + (v >= 1000);
    std::uint16_t hi, lo;
    std::memcpy(&hi, kDigitPairs + 2 * (v / 100), 2);
    std::memcpy(&lo, kDigitPairs + 2 * (v % 100), 2);
    std::uint32_t word = (static_cast<std::uint32_t>(hi) | static_cast<std::uint32_t>(lo) << 16) >> (8 * (4 - len));
    std::memcpy(p, &word, 4);
    return p + len;
  }
  char* end = p + decimal_length(n);
  char* q = end;
  while (n >= 100) {
    unsigned r = static_cast<unsigned>(n % 100);
    n /= 100;
    q -= 2;
    std::memcpy(q, kDigitPairs + 2 * r, 2);
  }
  if (n >= 10) {
    q -= 2;
    std::memcpy(q, kDigitPairs + 2 * n, 2);
  } else {
    *--q = static_cast<char>('0' + n);
  }
  return end;
}

// The text goes straight into the caller's string through a raw pointer
// that the writing functions take and return: the string is grown ahead
// and cut to what was written when the writing ends, however it ends.
// Callers make room for a token before writing it. The string grows in
// steps as large as what was written so far (up to kStep), so that the
// zero fill of resize() stays in proportion to the text.
class Out {
 public:
  Out(std::string& s, std::size_t room) : s_(s), start_(s.size()) {
    s.resize(start_ + room);
    p_ = s.data() + start_;
    end_ = s.data() + s.size();
  }
  Out(const Out&) = delete;
  Out& operator=(const Out&) = delete;
  ~Out() { s_.resize(static_cast<std::size_t>(p_ - s_.data())); }

  char* start() const { return p_; }
  // The writing has reached p (and ends there unless it goes on).
  void finish(char* p) { p_ = p; }
  // p, with room for n more bytes after it.
  char* need(char* p, std::size_t n) {
    if (static_cast<std::size_t>(end_ - p) < n) p = grow(p, n);
    return p;
  }

  // Room for any token but a string that is long or needs escapes: floats
  // take at most 24 bytes, integers 20, short strings 17.
  static constexpr std::size_t kRoom = 64;

 private:
  static constexpr std::size_t kStep = 16 * 1024;

  [[gnu::noinline]] char* grow(char* p, std::size_t n) {
    p_ = p;
    std::size_t used = static_cast<std::size_t>(p - s_.data());
    std::size_t step = used - start_;
    step = step < 4 * kRoom ? 4 * kRoom : step > kStep ? kStep : step;
    // The string's capacity grows geometrically by itself.
    s_.resize(used + (n > step ? n : step));
    end_ = s_.data() + s_.size();
    return p_ = s_.data() + used;
  }

  std::string& s_;
  std::size_t start_;
  char* p_;
  char* end_;
};

// Writes the bytes s[i, n) escaping as it goes, then the closing quote;
// returns with Out::kRoom bytes of room.
[[gnu::noinline]] char* put_escaped(char* p, const char* s, std::size_t n, std::size_t i, Out& out) {
  p = out.need(p, n - i + 1);
  while (i < n) {
    std::size_t run = i;
    if constexpr (kLittleEndian) {
      while (n - i >= 8) {
        std::uint64_t w;
        std::memcpy(&w, s + i, 8);
        if (std::uint64_t marks = escape_marks(w)) {
          i += static_cast<std::size_t>(__builtin_ctzll(marks) >> 3);
          goto stop;
        }
        i += 8;
      }
    }
    while (i < n && kEscape.code[static_cast<unsigned char>(s[i])] == 0) ++i;
  stop:
    if (i != run) {
      std::memcpy(p, s + run, i - run);
      p += i - run;
    }
    if (i == n) break;
    // Room for this escape and the rest unescaped.
    p = out.need(p, 6 + (n - i) + 1);
    unsigned char c = static_cast<unsigned char>(s[i]);
    char code = kEscape.code[c];
    if (code == 'u') {
      static constexpr char kHex[] = "0123456789abcdef";
      char esc[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
      std::memcpy(p, esc, 6);
      p += 6;
    } else {
      p[0] = '\\';
      p[1] = code;
      p += 2;
    }
    ++i;
  }
  *p++ = '"';
  return out.need(p, Out::kRoom);
}

// True when none of the first n bytes of the sixteen at d needs an escape.
inline bool plain16(const char* d, std::size_t n) {
#if defined(__SSE2__)
  __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
  __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('"')), _mm_cmpeq_epi8(x, _mm_set1_epi8('\\'))),
                             _mm_cmpeq_epi8(_mm_max_epu8(x, _mm_set1_epi8(0x1F)), _mm_set1_epi8(0x1F)));
  unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
  return (mask & ((1u << n) - 1)) == 0;
#else
  // The low k bytes of a word (k <= 8).
  auto low_bytes = [](std::size_t k) { return k >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * k)) - 1; };
  std::uint64_t a, b;
  std::memcpy(&a, d, 8);
  std::memcpy(&b, d + 8, 8);
  return ((escape_marks(a) & low_bytes(n)) | (escape_marks(b) & low_bytes(n < 8 ? 0 : n - 8))) == 0;
#endif
}

// A string value or key, with Out::kRoom bytes of room at p; returns with
// at least Out::kRoom - 18 bytes of room, or Out::kRoom after a long one.
inline char* put_string(char* p, std::string_view s, Out& out) {
  std::size_t n = s.size();
  const char* d = s.data();
  // A short string lives in its value's sixteen bytes, all readable: copy
  // them whole and let the closing quote cut them.
  if (kLittleEndian && n <= Value::kInline && plain16(d, n)) {
    p[0] = '"';
    std::memcpy(p + 1, d, 16);
    p[1 + n] = '"';
    return p + 2 + n;
  }
  *p++ = '"';
  return put_escaped(p, d, n, 0, out);
}

// Lays out the shortest digits `digits` (n of them) with decimal exponent
// `exponent` (of the first digit): positional for exponents in [-5, 16)
// with a fraction always shown, mantissa and exponent otherwise.
inline char* lay_out(char* p, const char* digits, int n, int exponent) {
  if (exponent >= -5 && exponent < 16) {
    if (exponent >= 0) {
      int int_len = exponent + 1;
      for (int i = 0; i < int_len; ++i) *p++ = i < n ? digits[i] : '0';
      *p++ = '.';
      if (n > int_len) {
        std::memcpy(p, digits + int_len, static_cast<std::size_t>(n - int_len));
        p += n - int_len;
      } else {
        *p++ = '0';
      }
    } else {
      *p++ = '0';
      *p++ = '.';
      for (int i = 0; i < -exponent - 1; ++i) *p++ = '0';
      std::memcpy(p, digits, static_cast<std::size_t>(n));
      p += n;
    }
    return p;
  }
  *p++ = digits[0];
  if (n > 1) {
    *p++ = '.';
    std::memcpy(p, digits + 1, static_cast<std::size_t>(n - 1));
    p += n - 1;
  }
  *p++ = 'e';
  if (exponent < 0) {
    *p++ = '-';
    exponent = -exponent;
  }
  return put_digits(p, static_cast<std::uint64_t>(exponent));
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Floats with few decimals (21.5, 0.001, 1013.25), the usual case, without
// the general shortest-digits search. For the smallest k such that some
// integer m has m / 10^k rounding to |d| (one correctly rounded division
// of exact operands, just as reading the text back does), the digits of m
// are the shortest that read back: while |d| * 10^k < 2^52 the values
// rounding to |d| span less than one unit of 10^-k, so m is the only
// candidate with k decimals and any text with more decimals needs more
// digits. Returns the end, or null-pointer when the general search is
// needed.
char* put_short_float(char* p, double d) {
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
  double a = std::fabs(d);
  if (!(a >= 1e-7)) return nullptr;  // zero, or too small for few decimals
  constexpr double kLimit = 0x1p52;
  // The first few k are tried all at once, without a branch each.
  unsigned near = 0;
  for (int k = 0; k < 4; ++k) {
    double x = a * kPow10[k];
    double r = (x + kLimit) - kLimit;
    near |= static_cast<unsigned>(x < kLimit && std::fabs(x - r) <= x * 0x1p-50) << k;
  }
  for (int k = near != 0 ? __builtin_ctz(near) : 4; k <= 22; ++k) {
    double x = a * kPow10[k];
    if (x >= kLimit) return nullptr;
    // Below 2^52, adding and taking away 2^52 rounds to an integer.
    double r = (x + kLimit) - kLimit;
    // The product is within a few units in its last place of the exact
    // one; an integer further away cannot round to |d|.
    if (std::fabs(x - r) > x * 0x1p-50) continue;
    auto reads_back = [&](double m) { return m >= 0 && m / kPow10[k] == a; };
    double m = r;
    if (!reads_back(m)) {
      if (reads_back(r - 1))
        m = r - 1;
      else if (reads_back(r + 1))
        m = r + 1;
      else
        continue;
    }
    std::uint64_t digits = static_cast<std::uint64_t>(m);
    if (d < 0) *p++ = '-';
    if (kLittleEndian && k <= 8 && a >= 1e-5) {
      // Positional: the integer part, then exactly k decimals (one zero
      // when there are none); trailing zeros of an integral value are
      // not digits of the shortest form but are written as zeros anyway.
      // The decimals are gathered in a word, the first one lowest.
      std::uint64_t decimals = 0;
      for (int i = 0; i < k; ++i) {
        decimals = decimals << 8 | static_cast<std::uint64_t>('0' + digits % 10);
        digits /= 10;
      }
      p = put_digits(p, digits);
      *p++ = '.';
      if (k == 0) {
        *p++ = '0';
        return p;
      }
      std::memcpy(p, &decimals, 8);
      return p + k;
    }
    char text[24];
    int n = static_cast<int>(put_digits(text, digits) - text);
    return lay_out(p, text, n, n - 1 - k);
  }
#else
  (void)p;
  (void)d;
#endif
  return nullptr;
}

char* put_float(char* p, double d) {
  if (!std::isfinite(d)) {
    std::memcpy(p, "null", 4);
    return p + 4;
  }
  if (char* end = put_short_float(p, d)) return end;
  // The shortest digits that read back, from the scientific form
  // "d[.ddd]e±xx", laid out again by the decimal exponent.
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific);
  const char* q = buf;
  const char* end = r.ptr;
  if (*q == '-') {
    *p++ = '-';
    ++q;
  }
  char digits[24];
  int n = 0;
  while (q < end && *q != 'e') {
    if (*q != '.') digits[n++] = *q;
    ++q;
  }
  int exponent = 0;
  std::from_chars(q + 1 + (q[1] == '+'), end, exponent);
  return lay_out(p, digits, n, exponent);
}

// Writes a value that is neither a string nor a non-empty container, with
// Out::kRoom bytes of room at p.
inline char* put_scalar(char* p, const Value& v) {
  switch (v.type()) {
    case Type::Null: std::memcpy(p, "null", 4); return p + 4;
    case Type::Bool: {
      // Without a branch on the value.
      static constexpr char kWords[2][8] = {"false", "true"};
      bool b = v.as_bool();
      std::memcpy(p, kWords[b], 8);
      return p + 5 - b;
    }
    case Type::Uint: return put_digits(p, v.as_uint());
    case Type::Int: {
      std::int64_t n = v.as_int();
      if (n >= 0) return put_digits(p, static_cast<std::uint64_t>(n));
      *p++ = '-';
      return put_digits(p, 0 - static_cast<std::uint64_t>(n));
    }
    case Type::Float: return put_float(p, v.as_float());
    case Type::String: return p;  // not here
    case Type::Array: std::memcpy(p, "[]", 2); return p + 2;
    case Type::Object: std::memcpy(p, "{}", 2); return p + 2;
  }
  return p;
}

// Writes v, with Out::kRoom bytes of room at p, and advances p; a
// non-empty container is left to the caller (true). One dispatch on the
// type serves all cases.
inline bool put_item(char*& p, const Value& v, Out& out) {
  switch (v.type()) {
    case Type::String: p = put_string(p, v.as_string(), out); return false;
    case Type::Uint: p = put_digits(p, v.as_uint()); return false;
    case Type::Array:
    case Type::Object:
      if (v.size() > 0) return true;
      std::memcpy(p, v.is_array() ? "[]" : "{}", 2);
      p += 2;
      return false;
    default: p = put_scalar(p, v); return false;
  }
}

}  // namespace

void write_string(std::string_view s, std::string& out) {
  Out o(out, s.size() + 2 * Out::kRoom);
  char* p = o.start();
  *p++ = '"';
  o.finish(put_escaped(p, s.data(), s.size(), 0, o));
}

void write_float(double d, std::string& out) {
  char buf[Out::kRoom];
  out.append(buf, static_cast<std::size_t>(put_float(buf, d) - buf));
}

void write(const Value& root, std::string& out) {
  if (!root.is_container() || root.size() == 0) {
    if (!root.is_string()) {
      char buf[Out::kRoom];
      out.append(buf, static_cast<std::size_t>(put_scalar(buf, root) - buf));
      return;
    }
    std::string_view s = root.as_string();
    Out o(out, s.size() + 2 * Out::kRoom);
    o.finish(put_string(o.start(), s, o));
    return;
  }
  Out o(out, 4 * Out::kRoom);
  char* p = o.start();
  // Open containers, innermost last; the first levels live here and deeper
  // ones spill to the heap, so nesting depth is bounded by memory only.
  // Every element is followed by a comma; closing a container overwrites
  // the last one.
  struct Frame {
    const void* next;
    const void* end;
    bool object;
  };
  constexpr std::size_t kLocal = 32;
  Frame local[kLocal];
  std::vector<Frame> spill;
  std::size_t depth = 0;
  // Opens v, a non-empty container.
  auto open = [&](const Value& v) {
    Frame f;
    if (v.is_array()) {
      std::span<const Value> items = v.items();
      *p++ = '[';
      f = {items.data(), items.data() + items.size(), false};
    } else {
      std::span<const Member> members = v.members();
      *p++ = '{';
      f = {members.data(), members.data() + members.size(), true};
    }
    if (depth < kLocal)
      local[depth] = f;
    else
      spill.push_back(f);
    ++depth;
  };
  open(root);
  while (depth > 0) {
    Frame& f = depth <= kLocal ? local[depth - 1] : spill.back();
    bool descended = false;
    if (f.object) {
      const Member* m = static_cast<const Member*>(f.next);
      const Member* end = static_cast<const Member*>(f.end);
      while (m != end) {
        const Member& cur = *m++;
        p = o.need(p, 2 * Out::kRoom);
        p = put_string(p, cur.key(), o);
        *p++ = ':';
        if (put_item(p, cur.value, o)) {
          f.next = m;
          open(cur.value);
          descended = true;
          break;
        }
        *p++ = ',';
      }
      if (!descended) p[-1] = '}';
    } else {
      const Value* v = static_cast<const Value*>(f.next);
      const Value* end = static_cast<const Value*>(f.end);
      while (v != end) {
        const Value& cur = *v++;
        p = o.need(p, Out::kRoom);
        if (put_item(p, cur, o)) {
          f.next = v;
          open(cur);
          descended = true;
          break;
        }
        *p++ = ',';
      }
      if (!descended) p[-1] = ']';
    }
    if (descended) continue;
    --depth;
    if (depth >= kLocal) spill.pop_back();
    if (depth > 0) {
      p = o.need(p, Out::kRoom);
      *p++ = ',';
    }
  }
  o.finish(p);
}

std::string to_json(const Value& v) {
  std::string out;
  write(v, out);
  return out;
}

}  // namespace kovi::json
