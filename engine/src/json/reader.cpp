#include "json/reader.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace kovi::json {

namespace {

// The reasons a text fails to read.
enum class Fault {
  EofValue,
  EofList,
  EofObject,
  EofString,
  ExpectedValue,
  ExpectedColon,
  ExpectedListSep,
  ExpectedObjectSep,
  ExpectedIdent,
  InvalidEscape,
  InvalidNumber,
  NumberOutOfRange,
  InvalidCodePoint,
  ControlCharacter,
  KeyMustBeString,
  LoneLeadingSurrogate,
  TrailingComma,
  TrailingCharacters,
  EndOfHexEscape,
  RecursionLimit,
};

const char* reason(Fault f) {
  switch (f) {
    case Fault::EofValue: return "EOF while parsing a value";
    case Fault::EofList: return "EOF while parsing a list";
    case Fault::EofObject: return "EOF while parsing an object";
    case Fault::EofString: return "EOF while parsing a string";
    case Fault::ExpectedValue: return "expected value";
    case Fault::ExpectedColon: return "expected `:`";
    case Fault::ExpectedListSep: return "expected `,` or `]`";
    case Fault::ExpectedObjectSep: return "expected `,` or `}`";
    case Fault::ExpectedIdent: return "expected ident";
    case Fault::InvalidEscape: return "invalid escape";
    case Fault::InvalidNumber: return "invalid number";
    case Fault::NumberOutOfRange: return "number out of range";
    case Fault::InvalidCodePoint: return "invalid unicode code point";
    case Fault::ControlCharacter: return "control character (\\u0000-\\u001F) found while parsing a string";
    case Fault::KeyMustBeString: return "key must be a string";
    case Fault::LoneLeadingSurrogate: return "lone leading surrogate in hex escape";
    case Fault::TrailingComma: return "trailing comma";
    case Fault::TrailingCharacters: return "trailing characters";
    case Fault::EndOfHexEscape: return "unexpected end of hex escape";
    case Fault::RecursionLimit: return "recursion limit exceeded";
  }
  return "";
}

// Thrown inside the reader only; caught by read().
struct Failure {
  Fault fault;
  std::size_t consumed;  // bytes consumed when the fault was found
};

// 256-entry class table for string scanning: 1 for bytes that end the fast
// path (quote, backslash, control characters).
struct StringStops {
  bool stop[256];
  constexpr StringStops() : stop() {
    for (int c = 0; c < 0x20; ++c) stop[c] = true;
    stop[static_cast<unsigned char>('"')] = true;
    stop[static_cast<unsigned char>('\\')] = true;
  }
};
constexpr StringStops kStops;

// Marks, in the high bit of each byte, the bytes of a little-endian word
// that end the fast path. Only the lowest mark is exact (a borrow may mark
// bytes above it), which is all the scan needs.
inline std::uint64_t stop_marks(std::uint64_t w) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  std::uint64_t q = w ^ (kOnes * '"');
  std::uint64_t b = w ^ (kOnes * '\\');
  return (((q - kOnes) & ~q) | ((b - kOnes) & ~b) | ((w - kOnes * 0x20) & ~w)) & kHigh;
}

// Exact powers of ten for the short-number fast path.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

inline int hex_digit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

inline void append_utf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

class Reader {
 public:
  explicit Reader(std::string_view text)
      : p_(reinterpret_cast<const unsigned char*>(text.data())), begin_(p_), end_(p_ + text.size()), arena_(text.size()) {}

  Value document() {
    const unsigned char* p = skip_ws(p_);
    items_.emplace_back();
    p = value(p, 0, Slot{0, false});
    p = skip_ws(p);
    if (p != end_) fail_here(Fault::TrailingCharacters, p);
    return std::move(items_[0]);
  }

 private:
  // The parsing functions take the position and return the position after
  // what they read, so that it stays in a register; p_ serves the rarely
  // taken paths (escapes, unusual numbers), which keep to it throughout.

  [[noreturn]] void fail_at(Fault f, const unsigned char* after) {
    throw Failure{f, static_cast<std::size_t>(after - begin_)};
  }
  // The byte at p reveals the fault and counts as consumed.
  [[noreturn]] void fail_here(Fault f, const unsigned char* p) { fail_at(f, p < end_ ? p + 1 : end_); }
  [[noreturn]] void fail_here(Fault f) { fail_here(f, p_); }
  [[noreturn]] void fail_eof(Fault f) { fail_at(f, end_); }

  const unsigned char* skip_ws(const unsigned char* p) {
    if (p < end_ && *p > ' ') return p;  // compact text: nothing to skip
    while (p < end_ && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t')) ++p;
    return p;
  }

  // Where a value being read goes: an element on the item stack or the
  // value of a member on the member stack. Values are built in place there
  // rather than returned, and addressed by position since the stacks may
  // grow while a nested value is read. The slot holds a null until then.
  struct Slot {
    std::size_t index;
    bool member;
  };
  Value* at(Slot s) { return s.member ? &members_[s.index].value : &items_[s.index]; }

  Value string_value(std::string_view s) {
    if (s.size() <= Value::kInline) return Value(s);
    return Value::string_from(s, &arena_);
  }

  const unsigned char* value(const unsigned char* p, int depth, Slot dst) {
    if (p == end_) fail_eof(Fault::EofValue);
    switch (*p) {
      case '{': return object(p, depth + 1, dst);
      case '[': return array(p, depth + 1, dst);
      case '"': {
        std::string_view s;
        p = string(p + 1, s);
        new (at(dst)) Value(string_value(s));
        return p;
      }
      case 't':
        p = literal(p, "true");
        new (at(dst)) Value(true);
        return p;
      case 'f':
        p = literal(p, "false");
        new (at(dst)) Value(false);
        return p;
      case 'n': return literal(p, "null");
      case '-':
      case '0': case '1': case '2': case '3': case '4':
      case '5': case '6': case '7': case '8': case '9':
        return number(p, dst);
      default:
        fail_here(Fault::ExpectedValue, p);
    }
  }

  const unsigned char* literal(const unsigned char* p, std::string_view word) {
    if (static_cast<std::size_t>(end_ - p) >= word.size() && std::memcmp(p, word.data(), word.size()) == 0)
      return p + word.size();
    ++p;
    for (std::size_t i = 1; i < word.size(); ++i) {
      if (p == end_) fail_eof(Fault::EofValue);
      if (*p != static_cast<unsigned char>(word[i])) fail_here(Fault::ExpectedIdent, p);
      ++p;
    }
    return p;
  }

  const unsigned char* array(const unsigned char* p, int depth, Slot dst) {
    if (depth > kMaxReadDepth) fail_here(Fault::RecursionLimit, p);
    p = skip_ws(p + 1);
    if (p == end_) fail_eof(Fault::EofList);
    if (*p == ']') {
      new (at(dst)) Value(Value::array());
      return p + 1;
    }
    std::size_t base = items_.size();
    for (;;) {
      items_.emplace_back();
      p = value(p, depth, Slot{items_.size() - 1, false});
      p = skip_ws(p);
      if (p == end_) fail_eof(Fault::EofList);
      if (*p == ',') {
        p = skip_ws(p + 1);
        if (p < end_ && *p == ']') fail_here(Fault::TrailingComma, p);
        continue;
      }
      if (*p == ']') {
        ++p;
        break;
      }
      fail_here(Fault::ExpectedListSep, p);
    }
    new (at(dst)) Value(Value::array_from(std::span<Value>(items_.data() + base, items_.size() - base), &arena_));
    items_.resize(base);
    return p;
  }

  const unsigned char* object(const unsigned char* p, int depth, Slot dst) {
    if (depth > kMaxReadDepth) fail_here(Fault::RecursionLimit, p);
    p = skip_ws(p + 1);
    if (p == end_) fail_eof(Fault::EofObject);
    if (*p == '}') {
      new (at(dst)) Value(Value::object());
      return p + 1;
    }
    std::size_t base = members_.size();
    for (;;) {
      if (p == end_) fail_eof(Fault::EofObject);
      if (*p != '"') fail_here(Fault::KeyMustBeString, p);
      std::string_view key;
      p = string(p + 1, key);
      members_.emplace_back();
      new (&members_.back().key_) Value(string_value(key));
      p = skip_ws(p);
      if (p == end_) fail_eof(Fault::EofObject);
      if (*p != ':') fail_here(Fault::ExpectedColon, p);
      p = skip_ws(p + 1);
      p = value(p, depth, Slot{members_.size() - 1, true});
      p = skip_ws(p);
      if (p == end_) fail_eof(Fault::EofObject);
      if (*p == ',') {
        p = skip_ws(p + 1);
        if (p < end_ && *p == '}') fail_here(Fault::TrailingComma, p);
        continue;
      }
      if (*p == '}') {
        ++p;
        break;
      }
      fail_here(Fault::ExpectedObjectSep, p);
    }
    new (at(dst)) Value(Value::object_from(std::span<Member>(members_.data() + base, members_.size() - base), &arena_));
    members_.resize(base);
    return p;
  }

  // The next quote, backslash or control character from p on, or the end
  // of the text.
  const unsigned char* scan_plain(const unsigned char* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    while (end_ - p >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      if (std::uint64_t marks = stop_marks(w)) return p + (__builtin_ctzll(marks) >> 3);
      p += 8;
    }
#endif
    while (p < end_ && !kStops.stop[*p]) ++p;
    return p;
  }

  // Reads a string body from p, after its opening quote; returns the
  // position after the closing quote. The view points into the input when
  // the string has no escapes, into a scratch buffer otherwise; it is valid
  // until the next string is read.
  const unsigned char* string(const unsigned char* p, std::string_view& out) {
    const unsigned char* start = p;
    p = scan_plain(p);
    if (p < end_ && *p == '"') {
      out = std::string_view(reinterpret_cast<const char*>(start), static_cast<std::size_t>(p - start));
      return p + 1;
    }
    p_ = p;
    out = string_escaped(start);
    return p_;
  }

  // The rest of a string from p_ on, the bytes from `start` to p_ being
  // plain.
  [[gnu::noinline]] std::string_view string_escaped(const unsigned char* start) {
    if (p_ == end_) fail_eof(Fault::EofString);
    scratch_.assign(reinterpret_cast<const char*>(start), static_cast<std::size_t>(p_ - start));
    for (;;) {
      if (p_ == end_) fail_eof(Fault::EofString);
      unsigned char c = *p_;
      if (c == '"') {
        ++p_;
        return scratch_;
      }
      if (c < 0x20) fail_here(Fault::ControlCharacter);
      if (c != '\\') {
        const unsigned char* run = p_;
        p_ = scan_plain(p_);
        scratch_.append(reinterpret_cast<const char*>(run), static_cast<std::size_t>(p_ - run));
        continue;
      }
      ++p_;
      if (p_ == end_) fail_eof(Fault::EofString);
      switch (*p_++) {
        case '"': scratch_.push_back('"'); break;
        case '\\': scratch_.push_back('\\'); break;
        case '/': scratch_.push_back('/'); break;
        case 'b': scratch_.push_back('\b'); break;
        case 'f': scratch_.push_back('\f'); break;
        case 'n': scratch_.push_back('\n'); break;
        case 'r': scratch_.push_back('\r'); break;
        case 't': scratch_.push_back('\t'); break;
        case 'u': unicode_escape(); break;
        default: fail_at(Fault::InvalidEscape, p_);
      }
    }
  }
  std::uint32_t hex4() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      if (p_ == end_) fail_eof(Fault::EofString);
      int d = hex_digit(*p_);
      if (d < 0) fail_here(Fault::InvalidEscape);
      v = (v << 4) | static_cast<std::uint32_t>(d);
      ++p_;
    }
    return v;
  }

  void unicode_escape() {
    std::uint32_t cp = hex4();
    if (cp >= 0xDC00 && cp <= 0xDFFF) fail_at(Fault::InvalidCodePoint, p_);
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (p_ == end_) fail_eof(Fault::EofString);
      if (*p_ != '\\') fail_here(Fault::EndOfHexEscape);
      ++p_;
      if (p_ == end_) fail_eof(Fault::EofString);
      if (*p_ != 'u') fail_here(Fault::EndOfHexEscape);
      ++p_;
      std::uint32_t low = hex4();
      if (low < 0xDC00 || low > 0xDFFF) fail_at(Fault::LoneLeadingSurrogate, p_);
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
    }
    append_utf8(scratch_, cp);
  }

  static bool digit(unsigned char c) { return c >= '0' && c <= '9'; }

  // Numbers as engine data mostly write them (integers, and decimals such
  // as 21.5 or 0.001 with few digits) are read in one pass: an integer of
  // at most 19 digits is exact, and a float whose digits form an integer
  // m <= 2^53 with a decimal exponent within 22 is m times or divided by an
  // exact power of ten, which one correctly rounded operation yields. Every
  // other text, malformed ones included, goes through number_general().
  const unsigned char* number(const unsigned char* p, Slot dst) {
    const unsigned char* e = end_;
    const unsigned char* p0 = p;
    bool negative = *p == '-';
    p += negative;
    const unsigned char* int_start = p;
    std::uint64_t m = 0;
    if (p < e && *p == '0') {
      ++p;
    } else {
      while (p < e && digit(*p)) m = m * 10 + static_cast<unsigned>(*p++ - '0');
    }
    std::size_t digits = static_cast<std::size_t>(p - int_start);
    if (digits == 0 || (p < e && digit(*p))) return number_slow(p0, dst);
    bool is_float = false;
    std::size_t frac = 0;
    if (p < e && *p == '.') {
      const unsigned char* f = ++p;
      while (p < e && digit(*p)) m = m * 10 + static_cast<unsigned>(*p++ - '0');
      frac = static_cast<std::size_t>(p - f);
      if (frac == 0) return number_slow(p0, dst);
      is_float = true;
    }
    int exponent = 0;
    if (p < e && (*p | 0x20) == 'e') {
      ++p;
      bool exp_negative = false;
      if (p < e && (*p == '+' || *p == '-')) exp_negative = *p++ == '-';
      const unsigned char* x = p;
      while (p < e && digit(*p) && p - x < 4) exponent = exponent * 10 + (*p++ - '0');
      if (p == x || (p < e && digit(*p))) return number_slow(p0, dst);
      if (exp_negative) exponent = -exponent;
      is_float = true;
    }
    if (!is_float) {
      if (digits > 19) return number_slow(p0, dst);
      if (!negative || m == 0) {
        new (at(dst)) Value(m);
        return p;
      }
      if (m > static_cast<std::uint64_t>(INT64_MAX) + 1) return number_slow(p0, dst);
      new (at(dst)) Value(static_cast<std::int64_t>(0 - m));
      return p;
    }
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
    if (digits + frac <= 19 && m <= (std::uint64_t{1} << 53)) {
      long e10 = static_cast<long>(exponent) - static_cast<long>(frac);
      if (e10 >= -22 && e10 <= 22) {
        double d = static_cast<double>(m);
        d = e10 < 0 ? d / kPow10[-e10] : d * kPow10[e10];
        new (at(dst)) Value(negative ? -d : d);
        return p;
      }
    }
#endif
    return number_slow(p0, dst);
  }

  [[gnu::noinline]] const unsigned char* number_slow(const unsigned char* p, Slot dst) {
    p_ = p;
    new (at(dst)) Value(number_general());
    return p_;
  }

  Value number_general() {
    const unsigned char* start = p_;
    bool negative = false;
    if (*p_ == '-') {
      negative = true;
      ++p_;
      if (p_ == end_) fail_eof(Fault::EofValue);
      if (!digit(*p_)) fail_here(Fault::InvalidNumber);
    }
    const unsigned char* int_start = p_;
    std::uint64_t mantissa = 0;
    bool overflow = false;
    if (*p_ == '0') {
      ++p_;
      if (p_ < end_ && digit(*p_)) fail_here(Fault::InvalidNumber);
    } else {
      while (p_ < end_ && digit(*p_)) {
        unsigned d = *p_ - '0';
        if (mantissa > (UINT64_MAX - d) / 10) overflow = true;
        mantissa = mantissa * 10 + d;
        ++p_;
      }
    }
    std::size_t int_digits = static_cast<std::size_t>(p_ - int_start);
    bool is_float = false;
    long frac_leading_zeros = 0;
    if (p_ < end_ && *p_ == '.') {
      is_float = true;
      ++p_;
      if (p_ == end_) fail_eof(Fault::EofValue);
      if (!digit(*p_)) fail_here(Fault::InvalidNumber);
      bool seen_nonzero = false;
      while (p_ < end_ && digit(*p_)) {
        if (*p_ != '0') seen_nonzero = true;
        if (!seen_nonzero) ++frac_leading_zeros;
        ++p_;
      }
    }
    long exponent = 0;
    if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
      is_float = true;
      ++p_;
      bool exp_negative = false;
      if (p_ < end_ && (*p_ == '+' || *p_ == '-')) {
        exp_negative = *p_ == '-';
        ++p_;
      }
      if (p_ == end_) fail_eof(Fault::EofValue);
      if (!digit(*p_)) fail_here(Fault::InvalidNumber);
      while (p_ < end_ && digit(*p_)) {
        if (exponent < 100000000) exponent = exponent * 10 + (*p_ - '0');
        ++p_;
      }
      if (exp_negative) exponent = -exponent;
    }
    if (!is_float && !overflow) {
      if (!negative) return Value(mantissa);
      if (mantissa == 0) return Value(std::uint64_t{0});
      if (mantissa <= static_cast<std::uint64_t>(INT64_MAX) + 1)
        return Value(static_cast<std::int64_t>(0 - mantissa));
    }
    double d = 0;
    auto res = std::from_chars(reinterpret_cast<const char*>(start), reinterpret_cast<const char*>(p_), d);
    if (res.ec == std::errc::result_out_of_range) {
      // Tell underflow (which reads as zero) from overflow by the decimal
      // magnitude of the text.
      bool int_zero = int_digits == 1 && *int_start == '0';
      long magnitude = (int_zero ? -frac_leading_zeros : static_cast<long>(int_digits)) + exponent;
      if (magnitude > 0) fail_at(Fault::NumberOutOfRange, p_);
      d = negative ? -0.0 : 0.0;
    } else if (res.ec != std::errc() || std::isinf(d)) {
      fail_at(Fault::NumberOutOfRange, p_);
    }
    return Value(d);
  }

  const unsigned char* p_;
  const unsigned char* begin_;
  const unsigned char* end_;
  std::string scratch_;
  // Declared before the stacks: the values left on them when a reading
  // fails are freed first, then the arena lets go of its slab.
  detail::BlockArena arena_;
  std::vector<Value> items_;
  std::vector<Member> members_;
};

std::string locate(std::string_view text, Fault f, std::size_t consumed) {
  std::size_t line = 1;
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < consumed && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      line_start = i + 1;
    }
  }
  std::size_t column = consumed - line_start;
  std::string out = reason(f);
  out += " at line ";
  out += std::to_string(line);
  out += " column ";
  out += std::to_string(column);
  return out;
}

}  // namespace

ReadResult read(std::string_view text) {
  ReadResult result;
  Reader reader(text);
  try {
    result.value = reader.document();
  } catch (const Failure& f) {
    result.value = Value();
    result.error = locate(text, f.fault, f.consumed);
  }
  return result;
}

}  // namespace kovi::json
