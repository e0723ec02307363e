#pragma once

// Base64 with the standard alphabet (A-Z a-z 0-9 + /) and '=' padding.
// Decoding accepts only the canonical form, so every byte string has exactly
// one accepted text and payload comparisons can be made on either side.

#include <optional>
#include <string>
#include <string_view>

namespace kovi {

// Always padded to a multiple of four characters; no line breaks.
std::string base64_encode(std::string_view bytes);

// Returns nullopt unless `text` is canonical: length a multiple of four,
// alphabet characters only, '=' only as one or two trailing pad characters,
// no whitespace, and zero in the bits of the last symbol that carry no data.
// The empty text decodes to the empty string.
std::optional<std::string> base64_decode(std::string_view text);

// Base64 text as payloads carry it: every character outside the alphabet
// and "=" (line breaks, spaces, stray punctuation) is dropped first, then
// the rest is decoded strictly as by base64_decode.
std::optional<std::string> base64_decode_lenient(std::string_view text);

}  // namespace kovi
