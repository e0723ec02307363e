#include "json/writer.h"

#include <charconv>
#include <cmath>
#include <vector>

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

template <typename T>
void write_integer(T n, std::string& out) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, n);
  out.append(buf, static_cast<std::size_t>(r.ptr - buf));
}

void write_scalar(const Value& v, std::string& out) {
  switch (v.type()) {
    case Type::Null: out.append("null", 4); break;
    case Type::Bool: v.as_bool() ? out.append("true", 4) : out.append("false", 5); break;
    case Type::Uint: write_integer(v.as_uint(), out); break;
    case Type::Int: write_integer(v.as_int(), out); break;
    case Type::Float: write_float(v.as_float(), out); break;
    case Type::String: write_string(v.as_string(), out); break;
    default: break;
  }
}

}  // namespace

void write_string(std::string_view s, std::string& out) {
  out.push_back('"');
  const char* p = s.data();
  const char* end = p + s.size();
  while (p < end) {
    const char* run = p;
    while (p < end && kEscape.code[static_cast<unsigned char>(*p)] == 0) ++p;
    out.append(run, static_cast<std::size_t>(p - run));
    if (p == end) break;
    char code = kEscape.code[static_cast<unsigned char>(*p)];
    if (code == 'u') {
      static constexpr char kHex[] = "0123456789abcdef";
      unsigned char c = static_cast<unsigned char>(*p);
      char esc[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
      out.append(esc, 6);
    } else {
      char esc[2] = {'\\', code};
      out.append(esc, 2);
    }
    ++p;
  }
  out.push_back('"');
}

void write_float(double d, std::string& out) {
  if (!std::isfinite(d)) {
    out.append("null", 4);
    return;
  }
  // The shortest digits that read back, from the scientific form
  // "d[.ddd]e±xx", laid out again by the decimal exponent.
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific);
  const char* p = buf;
  const char* end = r.ptr;
  if (*p == '-') {
    out.push_back('-');
    ++p;
  }
  char digits[24];
  int n = 0;
  while (p < end && *p != 'e') {
    if (*p != '.') digits[n++] = *p;
    ++p;
  }
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+'), end, exponent);
  if (exponent >= -5 && exponent < 16) {
    if (exponent >= 0) {
      int int_len = exponent + 1;
      for (int i = 0; i < int_len; ++i) out.push_back(i < n ? digits[i] : '0');
      out.push_back('.');
      if (n > int_len)
        out.append(digits + int_len, static_cast<std::size_t>(n - int_len));
      else
        out.push_back('0');
    } else {
      out.append("0.", 2);
      out.append(static_cast<std::size_t>(-exponent - 1), '0');
      out.append(digits, static_cast<std::size_t>(n));
    }
    return;
  }
  out.push_back(digits[0]);
  if (n > 1) {
    out.push_back('.');
    out.append(digits + 1, static_cast<std::size_t>(n - 1));
  }
  out.push_back('e');
  write_integer(exponent, out);
}

void write(const Value& root, std::string& out) {
  if (!root.is_container()) {
    write_scalar(root, out);
    return;
  }
  struct Frame {
    const Value* v;
    std::size_t next;
  };
  std::vector<Frame> stack;
  stack.reserve(16);
  auto open = [&](const Value& v) {
    if (v.is_container() && v.size() > 0) {
      out.push_back(v.is_array() ? '[' : '{');
      stack.push_back({&v, 0});
    } else if (v.is_array()) {
      out.append("[]", 2);
    } else if (v.is_object()) {
      out.append("{}", 2);
    } else {
      write_scalar(v, out);
    }
  };
  open(root);
  while (!stack.empty()) {
    Frame& f = stack.back();
    const Value* v = f.v;
    if (f.next == v->size()) {
      out.push_back(v->is_array() ? ']' : '}');
      stack.pop_back();
      continue;
    }
    std::size_t i = f.next++;
    if (i > 0) out.push_back(',');
    if (v->is_array()) {
      open(v->items()[i]);
    } else {
      const Member& m = v->members()[i];
      write_string(m.key(), out);
      out.push_back(':');
      open(m.value);
    }
  }
}

std::string to_json(const Value& v) {
  std::string out;
  write(v, out);
  return out;
}

}  // namespace kovi::json
