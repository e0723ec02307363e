// The engine error: how every operation fails.
//
// Failures are values. An operation returns either its result or an
// EngineError (a kind and a message); the envelope shows the message, with
// the "override: " or "unsupported: " prefix for those two kinds. Only
// internal faults (broken invariants) unwind, and the host boundary turns
// them into "engine panic".
//
// Every subsystem that raises engine errors includes this header.
#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace kovi {

enum class ErrorKind : std::uint8_t { Rules, Device, Override, Request, Invalid, Unsupported, Refused };

struct EngineError {
  ErrorKind kind;
  std::string message;

  // The text the host sees.
  std::string envelope_message() const {
    switch (kind) {
      case ErrorKind::Override: return "override: " + message;
      case ErrorKind::Unsupported: return "unsupported: " + message;
      default: return message;
    }
  }
};

inline EngineError rules_error(std::string m) { return {ErrorKind::Rules, std::move(m)}; }
inline EngineError device_error(std::string m) { return {ErrorKind::Device, std::move(m)}; }
inline EngineError override_error(std::string m) { return {ErrorKind::Override, std::move(m)}; }
inline EngineError request_error(std::string m) { return {ErrorKind::Request, std::move(m)}; }
inline EngineError invalid_error(std::string m) { return {ErrorKind::Invalid, std::move(m)}; }
inline EngineError unsupported_error(std::string m) { return {ErrorKind::Unsupported, std::move(m)}; }
inline EngineError refused_error(std::string m) { return {ErrorKind::Refused, std::move(m)}; }

// A value of T or an error (an engine error unless said otherwise).
template <typename T, typename E = EngineError>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
  Result(E error) : v_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const noexcept { return v_.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }

  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  E& error() & { return std::get<1>(v_); }
  const E& error() const& { return std::get<1>(v_); }
  E&& error() && { return std::get<1>(std::move(v_)); }

 private:
  std::variant<T, E> v_;
};

// Success without a value.
struct Done {};
using Status = Result<Done>;
inline Status done() { return Done{}; }

}  // namespace kovi
