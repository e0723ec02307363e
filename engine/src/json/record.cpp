#include "json/record.h"

#include "json/writer.h"

namespace kovi::json {

namespace {

// Joins message pieces (avoids temporaries of operator+ chains).
std::string cat(std::initializer_list<std::string_view> parts) {
  std::size_t n = 0;
  for (auto p : parts) n += p.size();
  std::string out;
  out.reserve(n);
  for (auto p : parts) out.append(p);
  return out;
}

}  // namespace

std::string describe_unexpected(const Value& v) {
  std::string out;
  switch (v.type()) {
    case Type::Null: return "null";
    case Type::Bool: return v.as_bool() ? "boolean `true`" : "boolean `false`";
    case Type::Uint: return cat({"integer `", std::to_string(v.as_uint()), "`"});
    case Type::Int: return cat({"integer `", std::to_string(v.as_int()), "`"});
    case Type::Float:
      out = "floating point `";
      write_float(v.as_float(), out);
      out += "`";
      return out;
    case Type::String:
      out = "string ";
      write_string(v.as_string(), out);
      return out;
    case Type::Array: return "sequence";
    case Type::Object: return "map";
  }
  return "null";
}

std::string missing_field(std::string_view name) { return cat({"missing field `", name, "`"}); }
std::string duplicate_field(std::string_view name) { return cat({"duplicate field `", name, "`"}); }

std::string invalid_type(const Value& v, std::string_view expected) {
  return cat({"invalid type: ", describe_unexpected(v), ", expected ", expected});
}

std::string invalid_value(const Value& v, std::string_view expected) {
  return cat({"invalid value: ", describe_unexpected(v), ", expected ", expected});
}

std::string invalid_length(std::size_t n, std::string_view expected) {
  return cat({"invalid length ", std::to_string(n), ", expected ", expected});
}

std::string unknown_variant(std::string_view text, std::string_view expected) {
  return cat({"unknown variant `", text, "`, expected ", expected});
}

std::string variant_list(std::span<const std::string_view> names) {
  if (names.empty()) return "no variants";
  if (names.size() == 1) return cat({"`", names[0], "`"});
  if (names.size() == 2) return cat({"`", names[0], "` or `", names[1], "`"});
  std::string out = "one of ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i) out += ", ";
    out += cat({"`", names[i], "`"});
  }
  return out;
}

RecordReader::RecordReader(const Value& v, std::string_view expected, std::span<const std::string_view> fields,
                           bool allow_array)
    : v_(v), expected_(expected), fields_(fields) {
  if (v.is_object()) return;
  if (allow_array && v.is_array()) {
    positional_ = true;
    return;
  }
  fail(invalid_type(v, expected));
}

void RecordReader::fail(std::string reason) {
  if (error_.empty()) error_ = std::move(reason);
}

const Value* RecordReader::field(std::string_view name, bool required) {
  if (!ok()) return nullptr;
  const Value* found = nullptr;
  if (positional_) {
    std::size_t pos = 0;
    while (pos < fields_.size() && fields_[pos] != name) ++pos;
    if (pos < v_.size()) found = &v_[pos];
    if (found == nullptr && required) {
      fail(invalid_length(v_.size(), cat({expected_, " with ", std::to_string(fields_.size()),
                                          fields_.size() == 1 ? " element" : " elements"})));
      return nullptr;
    }
    return found;
  }
  found = v_.find(name);
  if (found == nullptr && required) fail(missing_field(name));
  return found;
}

std::string RecordReader::string(std::string_view name) {
  const Value* f = field(name);
  if (f == nullptr) return {};
  if (!f->is_string()) {
    fail(invalid_type(*f, kExpectString));
    return {};
  }
  return std::string(f->as_string());
}

bool RecordReader::boolean(std::string_view name) {
  const Value* f = field(name);
  if (f == nullptr) return false;
  if (!f->is_bool()) {
    fail(invalid_type(*f, kExpectBool));
    return false;
  }
  return f->as_bool();
}

std::uint64_t RecordReader::u64(std::string_view name) {
  const Value* f = field(name);
  if (f == nullptr) return 0;
  if (f->is_int()) {
    fail(invalid_value(*f, kExpectU64));
    return 0;
  }
  if (!f->is_uint()) {
    fail(invalid_type(*f, kExpectU64));
    return 0;
  }
  return f->as_uint();
}

double RecordReader::f64(std::string_view name) {
  const Value* f = field(name);
  if (f == nullptr) return 0;
  if (!f->is_number()) {
    fail(invalid_type(*f, kExpectF64));
    return 0;
  }
  return f->as_double();
}

Value RecordReader::object(std::string_view name, bool required) {
  const Value* f = field(name, required);
  if (f == nullptr || (!required && f->is_null())) return Value();
  if (!f->is_object()) {
    fail(invalid_type(*f, kExpectMap));
    return Value();
  }
  return *f;
}

Value RecordReader::array(std::string_view name, bool required) {
  const Value* f = field(name, required);
  if (f == nullptr || (!required && f->is_null())) return Value();
  if (!f->is_array()) {
    fail(invalid_type(*f, kExpectSeq));
    return Value();
  }
  return *f;
}

Value RecordReader::any(std::string_view name, bool required) {
  const Value* f = field(name, required);
  return f ? *f : Value();
}

Status RecordReader::finish() const {
  if (ok()) return done();
  return request_error(error_);
}

EngineError member_error(std::string_view member, const EngineError& reason) {
  return request_error(cat({member, ": ", reason.message}));
}

}  // namespace kovi::json
