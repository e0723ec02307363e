// The four exported functions: the only way into the engine.
#include "kovi/engine.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "api/dispatch.h"
#include "json/reader.h"
#include "json/utf8.h"
#include "json/writer.h"

namespace {

[[noreturn]] void out_of_memory() { std::abort(); }

// Hands a response text to the host as a NUL-terminated buffer from the C
// allocator (kovi_engine_free returns it there).
char* hand_out(std::string_view text) {
  char* buf = static_cast<char*>(std::malloc(text.size() + 1));
  if (buf == nullptr) out_of_memory();
  std::memcpy(buf, text.data(), text.size());
  buf[text.size()] = '\0';
  return buf;
}

void failure_envelope(std::string_view message, std::string& out) {
  out.append("{\"ok\":false,\"error\":");
  kovi::json::write_string(message, out);
  out.push_back('}');
}

std::string evaluate(const char* request) {
  std::string out;
  if (request == nullptr) {
    failure_envelope("null input", out);
    return out;
  }
  std::string_view text(request, std::strlen(request));
  if (!kovi::json::valid_utf8(text)) {
    failure_envelope("invalid UTF-8", out);
    return out;
  }
  kovi::json::ReadResult doc = kovi::json::read(text);
  if (!doc.ok()) {
    failure_envelope(doc.error, out);
    return out;
  }
  kovi::Result<kovi::json::Value> result = kovi::dispatch(doc.value);
  if (!result.ok()) {
    failure_envelope(result.error().envelope_message(), out);
    return out;
  }
  out.append("{\"ok\":true,\"value\":");
  kovi::json::write(result.value(), out);
  out.push_back('}');
  return out;
}

}  // namespace

extern "C" {

KOVI_ENGINE_API unsigned char* kovi_engine_alloc(size_t size) {
  if (size == 0) return nullptr;
  if (size > static_cast<size_t>(PTRDIFF_MAX)) out_of_memory();
  void* p = std::malloc(size);
  if (p == nullptr) out_of_memory();
  return static_cast<unsigned char*>(p);
}

KOVI_ENGINE_API void kovi_engine_dealloc(unsigned char* ptr, size_t len) {
  if (ptr == nullptr || len == 0) return;
  std::free(ptr);
}

KOVI_ENGINE_API char* kovi_engine_eval(const char* request) {
  // The fault guard: an internal fault anywhere in reading, dispatching or
  // writing is answered as "engine panic" and never reaches the host.
  try {
    std::string response = evaluate(request);
    return hand_out(response);
  } catch (...) {
    return hand_out("{\"ok\":false,\"error\":\"engine panic\"}");
  }
}

KOVI_ENGINE_API void kovi_engine_free(char* response) { std::free(response); }

}  // extern "C"
