// Fuzzes the payload converters. The input is JSON text:
//   {"name": N, "raw": R, "config": C, "rules": P, "host": H}
// Every payload reader runs on R and every encoder on H (only converter N
// when "name" is given). Whatever the payload (any type, any length,
// truncated or malformed), nothing may crash or read out of bounds, and:
//   - a reading that gives text gives valid UTF-8, and a text form that
//     reads back as JSON;
//   - what an encoder writes reads back through the same converter.
// R is also decoded as an electricity payload and cut into hexadecimal
// fields, and the whole input is written in its text form.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "adapter/converter.h"
#include "adapter/electricity.h"
#include "adapter/payload_text.h"
#include "json/reader.h"
#include "json/utf8.h"
#include "json/writer.h"

namespace {

using kovi::json::Value;
namespace adapter = kovi::adapter;

// Readers whose text is not a text form.
bool plain_text_reader(std::string_view name) { return name == "hb_djv1_color"; }

void check_text(std::string_view name, const Value& v) {
  if (!v.is_string()) return;
  const std::string_view text = v.as_string();
  if (!kovi::json::valid_utf8(text)) std::abort();
  if (text.empty() || plain_text_reader(name)) return;
  if (!kovi::json::read(text).ok()) std::abort();
}

void run(const adapter::Converter& c, const Value& input) {
  const Value& config = input.get("config");
  const Value& rules = input.get("rules");
  auto r = c.read(input.get("raw"), config, rules);
  if (r.ok()) check_text(c.name, r.value());
  if (c.write == nullptr) return;
  auto w = c.write(input.get("host"), config);
  if (!w.ok()) return;
  if (!w.value().is_string()) std::abort();
  auto back = c.read(w.value(), config, rules);
  if (!back.ok()) std::abort();
  check_text(c.name, back.value());
}

void run_routines(const Value& input) {
  const Value& raw = input.get("raw");
  const std::string_view text = raw.as_string();
  (void)adapter::electricity_fields(text);
  if (auto bytes = adapter::base64_bytes(raw)) (void)adapter::electricity_fields(*bytes);
  // Every field of a short text, and ranges reaching past its end.
  if (text.size() <= 40)
    for (std::size_t a = 0; a <= text.size() + 2; ++a)
      for (std::size_t b = 0; b <= text.size() + 2; ++b) (void)adapter::hex_field(text, a, b);
  const Value form = adapter::text_form(input, adapter::kMeteringKeys);
  if (!kovi::json::valid_utf8(form.as_string())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!kovi::json::valid_utf8(text)) return 0;
  auto doc = kovi::json::read(text);
  if (!doc.ok()) return 0;
  const Value& input = doc.value;
  const Value* name = input.find("name");
  for (const adapter::Converter& c : adapter::payload_converters())
    if (name == nullptr || c.name == name->as_string()) run(c, input);
  run_routines(input);
  return 0;
}
