#include "data/normalise_description.h"

#include <string_view>

#include "data/internal_fault.h"

namespace kovi::data {

void normalise_description(json::Value& d) {
  if (!d.is_object()) throw InternalFault("device description is not an object");
  for (std::string_view name : {"function", "status_range", "status"}) {
    json::Value* member = d.find(name);
    if (member == nullptr)
      d.append(name, json::Value::object());
    else if (!member->is_object())
      *member = json::Value::object();
  }
}

}  // namespace kovi::data
