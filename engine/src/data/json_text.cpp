#include "data/json_text.h"

#include "json/reader.h"

namespace kovi::data {

json::Value json_text(const json::Value& v) {
  if (!v.is_string()) return v;
  json::ReadResult parsed = json::read(v.as_string());
  return parsed.ok() ? std::move(parsed.value) : json::Value();
}

}  // namespace kovi::data
