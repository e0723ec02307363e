// Fuzzes the host entry point: any bytes, as a request text, must give a
// well-formed envelope, {"ok":true,"value":V} or {"ok":false,"error":S},
// and never crash, leak or hang.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "json/reader.h"
#include "kovi/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string request(reinterpret_cast<const char*>(data), size);
  char* response = kovi_engine_eval(request.c_str());
  if (response == nullptr) std::abort();
  auto parsed = kovi::json::read(response);
  const kovi::json::Value& v = parsed.value;
  bool well_formed = parsed.ok() && v.is_object() && v.size() == 2 && v.members()[0].key() == "ok" &&
                     v.members()[0].value.is_bool() &&
                     (v.members()[0].value.as_bool() ? v.members()[1].key() == "value"
                                                     : v.members()[1].key() == "error" &&
                                                           v.members()[1].value.is_string());
  kovi_engine_free(response);
  if (!well_formed) std::abort();
  return 0;
}
