// Unicode text helpers for the rule language and for normalising names:
// full case mapping, white-space trimming and scalar-value counting over
// UTF-8. Everything is locale-independent.
//
// Request text is validated as UTF-8 before it reaches these functions, but
// they stay memory-safe on malformed input: each byte that does not start a
// well-formed sequence reads as U+FFFD and decoding resumes at the next byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kovi {

// Full lowercase mapping, one character possibly becoming several
// (U+0130 -> "i\u0307"). A capital sigma becomes final sigma U+03C2 at the
// end of a word, otherwise U+03C3. No language-specific rules.
std::string unicode_lower(std::string_view utf8);

// Full uppercase mapping (U+00DF -> "SS", U+0149 -> "\u02BCN").
std::string unicode_upper(std::string_view utf8);

// First scalar value uppercased (fully, so it may become several), the rest
// lowercased as by unicode_lower, with the final-sigma context taken from
// the whole text. "" stays "".
std::string unicode_capitalize(std::string_view utf8);

// The White_Space property.
bool unicode_is_white_space(char32_t c);

// `utf8` without leading and trailing White_Space characters; a view into
// the argument.
std::string_view unicode_trim(std::string_view utf8);

// Number of Unicode scalar values, i.e. of utf8_decode steps over the text.
std::size_t utf8_scalar_count(std::string_view utf8);

// Decodes the scalar value starting at byte offset i and advances i past it.
// A malformed or truncated sequence yields U+FFFD and advances i by one
// byte; bytes at or beyond utf8.size() are never read. Requires
// i < utf8.size() (otherwise returns U+FFFD and leaves i unchanged).
char32_t utf8_decode(std::string_view utf8, std::size_t& i);

// Appends c as UTF-8; surrogates and values above U+10FFFF append U+FFFD.
void utf8_append(std::string& out, char32_t c);

}  // namespace kovi
