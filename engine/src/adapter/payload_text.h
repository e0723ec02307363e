// Routines shared by the payload converters: base64 text as bytes,
// hexadecimal fields of a text, and the JSON-like text form in which
// structured readings are handed to the host.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "json/value.h"

namespace kovi::adapter {

using json::Value;

// ---- base64 ---------------------------------------------------------------

// The bytes of a base64 text after every character outside A-Z a-z 0-9
// "+" "/" "=" is dropped; the rest must be canonical (padded to a multiple
// of four, "=" only as padding, zero unused bits). Nothing when it is not;
// the empty text gives no bytes but succeeds.
std::optional<std::string> base64_text_bytes(std::string_view text);
// The same for a value: nothing unless it is a string.
std::optional<std::string> base64_bytes(const Value& v);

// ---- hexadecimal fields ---------------------------------------------------

// The unsigned base-16 number at byte offsets [a, b) of s, both clamped to
// the text's length, as a float: an optional "+", then at least one hex
// digit and nothing else, at most 2^64 - 1. An empty clamped range (a text
// too short) reads as 0. Nothing ("invalid hex") for anything else: b below
// the clamped start, a range that cuts a UTF-8 character, a bad digit or an
// overflow.
std::optional<double> hex_field(std::string_view s, std::size_t a, std::size_t b) noexcept;

inline constexpr const char* kInvalidHex = "invalid hex";

// True when byte offset i of s starts a character (or is the end).
inline bool char_boundary(std::string_view s, std::size_t i) noexcept {
  return i == 0 || i == s.size() ||
         (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80);
}

// Appends n as `width` lowercase hexadecimal digits, zero-padded. False (and
// nothing appended) when n does not fit the width: a device field of fixed
// width cannot carry it. Negative numbers arrive here as their 64-bit
// pattern and never fit.
bool append_hex_field(std::string& out, std::uint64_t n, unsigned width);

// ---- text form ------------------------------------------------------------

// Keys whose numbers keep their form in the text form.
using KeyList = std::span<const std::string_view>;
inline constexpr std::string_view kMeteringKeyNames[] = {
    "voltage", "electricCurrent", "power", "reactivePower", "apparentPower", "powerFactor", "electricTotal"};
inline constexpr std::string_view kColourKeyNames[] = {"h", "s", "v"};
inline constexpr KeyList kMeteringKeys{kMeteringKeyNames};
inline constexpr KeyList kColourKeys{kColourKeyNames};

// The text form of x as a string value. Every number is governed by the
// name of the member it sits in (an array's elements by the array's own
// governing name, the top level by ""). Numbers governed by a name in
// `keys` are written as they are; every other number is read as a float and
// written as an integer when it is whole and below 9.22e18 in magnitude, as
// that float otherwise. Objects are written {"k": v, ...}, arrays [a, b],
// everything else as compact JSON.
Value text_form(const Value& x, KeyList keys);
void append_text_form(const Value& x, KeyList keys, std::string& out);

}  // namespace kovi::adapter
