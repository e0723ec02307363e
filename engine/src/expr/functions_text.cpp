// Library functions: text.
#include <optional>

#include "expr/conversions.h"
#include "expr/functions.h"
#include "expr/unicode_text.h"
#include "json/reader.h"
#include "json/utf8.h"
#include "platform/base64.h"

namespace kovi::expr {

namespace {

Eval fn_text(const CallArgs& c) { return Value(text_of(c[0])); }

Eval fn_to_string(const CallArgs& c) {
  const Value& a = c[0];
  if (a.is_string()) return a;
  return Value(to_text(a));
}

// The texts of all arguments joined; fails as soon as the joined text
// passes the text limit.
Eval fn_str_concat(const CallArgs& c) {
  std::size_t strings = 0;
  for (const Value& v : c.args) strings += v.as_string().size();
  std::string out;
  out.reserve(strings < kMaxValueText ? strings : kMaxValueText);
  for (const Value& v : c.args) {
    if (v.is_string()) {
      // Checked before copying a string in.
      if (v.as_string().size() > kMaxValueText - out.size()) return rule_error(kTextSizeLimit);
      out.append(v.as_string());
    } else {
      append_text(v, out);
      if (out.size() > kMaxValueText) return rule_error(kTextSizeLimit);
    }
  }
  return Value(out);
}

Eval fn_lower(const CallArgs& c) {
  if (!c[0].is_string()) return Value();
  return Value(unicode_lower(c[0].as_string()));
}

Eval fn_capitalize(const CallArgs& c) {
  if (!c[0].is_string()) return Value();
  return Value(unicode_capitalize(c[0].as_string()));
}

Eval fn_trim_start(const CallArgs& c) {
  if (!c[0].is_string()) return Value();
  std::string_view s = c[0].as_string();
  const std::string_view cut = text_of(c[1]);
  if (!cut.empty())
    while (s.starts_with(cut)) s.remove_prefix(cut.size());
  return Value(s);
}

Eval fn_trim_end(const CallArgs& c) {
  if (!c[0].is_string()) return Value();
  std::string_view s = c[0].as_string();
  const std::string_view cut = text_of(c[1]);
  if (!cut.empty())
    while (s.ends_with(cut)) s.remove_suffix(cut.size());
  return Value(s);
}

// Every non-overlapping occurrence of b replaced by c, scanning from the
// start. An empty b matches before every character (each Unicode scalar
// value, so multi-byte characters are never split) and at the end.
Eval fn_replace(const CallArgs& c) {
  if (!c[0].is_string()) return Value();
  const std::string_view s = c[0].as_string();
  const std::string_view from = text_of(c[1]);
  const std::string_view to = text_of(c[2]);

  std::size_t matches = 0;
  if (from.empty()) {
    matches = utf8_scalar_count(s) + 1;
  } else {
    for (std::size_t at = s.find(from); at != std::string_view::npos; at = s.find(from, at + from.size()))
      ++matches;
  }
  // len(a) - n * len(b) never underflows (the matches lie in a); n * len(c)
  // is checked against the limit before it is formed.
  const std::size_t kept = s.size() - matches * from.size();
  if (!to.empty() && matches > kMaxValueText / to.size()) return rule_error(kTextSizeLimit);
  const std::size_t total = kept + matches * to.size();
  if (total > kMaxValueText) return rule_error(kTextSizeLimit);
  if (matches == 0) return c[0];

  std::string out;
  out.reserve(total);
  if (from.empty()) {
    std::size_t i = 0;
    while (i < s.size()) {
      const std::size_t start = i;
      utf8_decode(s, i);
      out.append(to);
      out.append(s.substr(start, i - start));
    }
    out.append(to);
  } else {
    std::size_t done = 0;
    for (std::size_t at = s.find(from); at != std::string_view::npos; at = s.find(from, done)) {
      out.append(s.substr(done, at - done));
      out.append(to);
      done = at + from.size();
    }
    out.append(s.substr(done));
  }
  return Value(out);
}

Eval fn_contains(const CallArgs& c) {
  const Value& a = c[0];
  const Value& b = c[1];
  if (a.is_string()) return Value(b.is_string() && a.as_string().find(b.as_string()) != std::string_view::npos);
  if (a.is_array()) {
    for (const Value& e : a.items())
      if (equal(e, b)) return Value(true);
    return Value(false);
  }
  if (a.is_object()) return Value(a.find(text_of(b)) != nullptr);
  return Value(false);
}

Eval fn_starts_with(const CallArgs& c) {
  return Value(c[0].is_string() && c[0].as_string().starts_with(text_of(c[1])));
}

Eval fn_ends_with(const CallArgs& c) {
  return Value(c[0].is_string() && c[0].as_string().ends_with(text_of(c[1])));
}

// The JSON value a string holds; text that is not JSON (or not UTF-8) gives
// null. Non-strings pass through.
Eval fn_parse_json(const CallArgs& c) {
  const Value& a = c[0];
  if (!a.is_string()) return a;
  if (!json::valid_utf8(a.as_string())) return Value();
  json::ReadResult r = json::read(a.as_string());
  if (!r.ok()) return Value();
  return std::move(r.value);
}

Eval fn_b64_utf8(const CallArgs& c) {
  if (!c[0].is_string()) return Value();
  std::optional<std::string> bytes = base64_decode_lenient(c[0].as_string());
  if (!bytes || !json::valid_utf8(*bytes)) return Value();
  return Value(*bytes);
}

Eval fn_b64_utf16be(const CallArgs& c) {
  if (!c[0].is_string()) return Value();
  std::optional<std::string> bytes = base64_decode_lenient(c[0].as_string());
  if (!bytes || bytes->size() % 2 != 0) return Value();
  const std::string& b = *bytes;
  auto unit = [&b](std::size_t i) -> char32_t {
    return (static_cast<char32_t>(static_cast<unsigned char>(b[i])) << 8) | static_cast<unsigned char>(b[i + 1]);
  };
  std::string out;
  out.reserve(b.size() / 2 * 3);
  for (std::size_t i = 0; i < b.size(); i += 2) {
    char32_t u = unit(i);
    if (u >= 0xDC00 && u <= 0xDFFF) return Value();  // a trailing surrogate alone
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 2 >= b.size()) return Value();
      const char32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return Value();
      u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    utf8_append(out, u);
  }
  return Value(out);
}

constexpr FunctionEntry kFunctions[] = {
    {"text", fn_text},
    {"to_string", fn_to_string},
    {"str_concat", fn_str_concat},
    {"lower", fn_lower},
    {"capitalize", fn_capitalize},
    {"trim_start", fn_trim_start},
    {"trim_end", fn_trim_end},
    {"replace", fn_replace},
    {"contains", fn_contains},
    {"starts_with", fn_starts_with},
    {"ends_with", fn_ends_with},
    {"parse_json", fn_parse_json},
    {"b64_utf8", fn_b64_utf8},
    {"b64_utf16be", fn_b64_utf16be},
};

}  // namespace

std::span<const FunctionEntry> text_functions() { return kFunctions; }

}  // namespace kovi::expr
