// A broken invariant inside the device data model: a caller handed over a
// description or DP map of a shape the operation relies on never seeing.
// It unwinds to the host boundary, which answers "engine panic".
#pragma once

#include <stdexcept>

namespace kovi::data {

class InternalFault : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

}  // namespace kovi::data
