#include "adapter/payload_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "json/writer.h"
#include "platform/base64.h"
#include "platform/hex.h"

namespace kovi::adapter {

namespace {

bool governs(KeyList keys, std::string_view key) noexcept {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

template <typename Int>
void append_int(std::string& out, Int n) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, n);
  out.append(buf, static_cast<std::size_t>(r.ptr - buf));
}

void append_scalar(const Value& v, std::string_view key, KeyList keys, std::string& out) {
  if (!v.is_number() || governs(keys, key)) {
    json::write(v, out);
    return;
  }
  const double f = v.as_double();
  if (f == std::trunc(f) && std::fabs(f) < 9.22e18) {
    if (f < 0)
      append_int(out, static_cast<std::int64_t>(f));
    else
      append_int(out, static_cast<std::uint64_t>(f));
  } else {
    json::write_float(f, out);
  }
}

}  // namespace

std::optional<std::string> base64_text_bytes(std::string_view text) { return base64_decode_lenient(text); }

std::optional<std::string> base64_bytes(const Value& v) {
  if (!v.is_string()) return std::nullopt;
  return base64_text_bytes(v.as_string());
}

std::optional<double> hex_field(std::string_view s, std::size_t a, std::size_t b) noexcept {
  const std::size_t from = std::min(a, s.size());
  const std::size_t to = std::min(b, s.size());
  if (b < from || !char_boundary(s, from) || !char_boundary(s, to)) return std::nullopt;
  if (from == to) return 0.0;
  std::string_view digits = s.substr(from, to - from);
  if (digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty()) return std::nullopt;
  std::uint64_t n = 0;
  for (char ch : digits) {
    const int d = hex_digit(ch);
    if (d < 0 || n > (UINT64_MAX >> 4)) return std::nullopt;
    n = (n << 4) | static_cast<std::uint64_t>(d);
  }
  return static_cast<double>(n);
}

bool append_hex_field(std::string& out, std::uint64_t n, unsigned width) {
  if (width < 16 && (n >> (4 * width)) != 0) return false;
  constexpr char kDigits[] = "0123456789abcdef";
  const std::size_t at = out.size();
  out.resize(at + width);
  for (std::size_t i = width; i-- > 0; n >>= 4) out[at + i] = kDigits[n & 15];
  return true;
}

void append_text_form(const Value& x, KeyList keys, std::string& out) {
  // Written without recursion: each open container keeps its place and
  // governing name on a stack. Converter results nest a few levels, so the
  // stack lives here unless a value is deeper.
  struct Open {
    const Value* container;
    std::size_t next;
    std::string_view key;
  };
  constexpr std::size_t kShallow = 8;
  Open shallow[kShallow];
  std::vector<Open> deep;
  std::size_t depth = 0;
  auto at = [&](std::size_t i) -> Open& { return i < kShallow ? shallow[i] : deep[i - kShallow]; };
  auto push = [&](const Value* v, std::string_view key) {
    if (depth < kShallow)
      shallow[depth] = {v, 0, key};
    else if (depth - kShallow < deep.size())
      deep[depth - kShallow] = {v, 0, key};
    else
      deep.push_back({v, 0, key});
    ++depth;
  };
  auto start = [&](const Value& v, std::string_view key) {
    if (v.is_array()) {
      out.push_back('[');
      push(&v, key);
    } else if (v.is_object()) {
      out.push_back('{');
      push(&v, key);
    } else {
      append_scalar(v, key, keys, out);
    }
  };
  start(x, "");
  while (depth != 0) {
    Open& top = at(depth - 1);
    const std::size_t i = top.next++;
    if (top.container->is_array()) {
      const auto items = top.container->items();
      if (i == items.size()) {
        out.push_back(']');
        --depth;
        continue;
      }
      if (i != 0) out.append(", ");
      start(items[i], top.key);  // may grow the stack: `top` is not used after
    } else {
      const auto members = top.container->members();
      if (i == members.size()) {
        out.push_back('}');
        --depth;
        continue;
      }
      if (i != 0) out.append(", ");
      json::write_string(members[i].key(), out);
      out.append(": ");
      start(members[i].value, members[i].key());
    }
  }
}

Value text_form(const Value& x, KeyList keys) {
  std::string out;
  out.reserve(64);
  append_text_form(x, keys, out);
  return Value(out);
}

}  // namespace kovi::adapter
