// Helpers for tests that drive the engine through its exported functions.
#pragma once

#include <string>

#include "kovi/engine.h"

namespace kovi_test {

// Sends `request` (may be null) and returns the response text.
inline std::string eval(const char* request) {
  char* response = kovi_engine_eval(request);
  std::string text(response);
  kovi_engine_free(response);
  return text;
}

inline std::string eval(const std::string& request) { return eval(request.c_str()); }

}  // namespace kovi_test
