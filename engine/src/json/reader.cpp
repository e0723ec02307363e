#include "json/reader.h"

#include <charconv>
#include <cmath>
#include <cstdint>
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
      : p_(reinterpret_cast<const unsigned char*>(text.data())), begin_(p_), end_(p_ + text.size()) {}

  Value document() {
    skip_ws();
    Value v = value(0);
    skip_ws();
    if (p_ != end_) fail_here(Fault::TrailingCharacters);
    return v;
  }

  const unsigned char* begin() const { return begin_; }

 private:
  [[noreturn]] void fail_at(Fault f, const unsigned char* after) {
    throw Failure{f, static_cast<std::size_t>(after - begin_)};
  }
  // The byte at p_ reveals the fault and counts as consumed.
  [[noreturn]] void fail_here(Fault f) { fail_at(f, p_ < end_ ? p_ + 1 : end_); }
  [[noreturn]] void fail_eof(Fault f) { fail_at(f, end_); }

  void skip_ws() {
    while (p_ < end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
  }

  Value value(int depth) {
    if (p_ == end_) fail_eof(Fault::EofValue);
    switch (*p_) {
      case '{': return object(depth + 1);
      case '[': return array(depth + 1);
      case '"': {
        ++p_;
        std::string_view s = string();
        return Value(s);
      }
      case 't': literal("true"); return Value(true);
      case 'f': literal("false"); return Value(false);
      case 'n': literal("null"); return Value();
      case '-':
      case '0': case '1': case '2': case '3': case '4':
      case '5': case '6': case '7': case '8': case '9':
        return number();
      default:
        fail_here(Fault::ExpectedValue);
    }
  }

  void literal(std::string_view word) {
    ++p_;
    for (std::size_t i = 1; i < word.size(); ++i) {
      if (p_ == end_) fail_eof(Fault::EofValue);
      if (*p_ != static_cast<unsigned char>(word[i])) fail_here(Fault::ExpectedIdent);
      ++p_;
    }
  }

  Value array(int depth) {
    if (depth > kMaxReadDepth) fail_here(Fault::RecursionLimit);
    ++p_;
    skip_ws();
    if (p_ == end_) fail_eof(Fault::EofList);
    if (*p_ == ']') {
      ++p_;
      return Value::array();
    }
    std::size_t base = items_.size();
    for (;;) {
      items_.push_back(value(depth));
      skip_ws();
      if (p_ == end_) fail_eof(Fault::EofList);
      if (*p_ == ',') {
        ++p_;
        skip_ws();
        if (p_ < end_ && *p_ == ']') fail_here(Fault::TrailingComma);
        continue;
      }
      if (*p_ == ']') {
        ++p_;
        break;
      }
      fail_here(Fault::ExpectedListSep);
    }
    Value v = Value::array_from(std::span<Value>(items_.data() + base, items_.size() - base));
    items_.resize(base);
    return v;
  }

  Value object(int depth) {
    if (depth > kMaxReadDepth) fail_here(Fault::RecursionLimit);
    ++p_;
    skip_ws();
    if (p_ == end_) fail_eof(Fault::EofObject);
    if (*p_ == '}') {
      ++p_;
      return Value::object();
    }
    std::size_t base = members_.size();
    for (;;) {
      if (p_ == end_) fail_eof(Fault::EofObject);
      if (*p_ != '"') fail_here(Fault::KeyMustBeString);
      ++p_;
      Value key(string());
      skip_ws();
      if (p_ == end_) fail_eof(Fault::EofObject);
      if (*p_ != ':') fail_here(Fault::ExpectedColon);
      ++p_;
      skip_ws();
      Value v = value(depth);
      members_.push_back(Member{std::move(key), std::move(v)});
      skip_ws();
      if (p_ == end_) fail_eof(Fault::EofObject);
      if (*p_ == ',') {
        ++p_;
        skip_ws();
        if (p_ < end_ && *p_ == '}') fail_here(Fault::TrailingComma);
        continue;
      }
      if (*p_ == '}') {
        ++p_;
        break;
      }
      fail_here(Fault::ExpectedObjectSep);
    }
    Value v = Value::object_from(std::span<Member>(members_.data() + base, members_.size() - base));
    members_.resize(base);
    return v;
  }

  // Reads a string body after its opening quote. The view points into the
  // input when the string has no escapes, into a scratch buffer otherwise;
  // it is valid until the next string is read.
  std::string_view string() {
    const unsigned char* start = p_;
    while (p_ < end_ && !kStops.stop[*p_]) ++p_;
    if (p_ == end_) fail_eof(Fault::EofString);
    if (*p_ == '"') {
      std::string_view s(reinterpret_cast<const char*>(start), static_cast<std::size_t>(p_ - start));
      ++p_;
      return s;
    }
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
        while (p_ < end_ && !kStops.stop[*p_]) ++p_;
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

  Value number() {
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
