#include "expr/unicode_text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace kovi {
namespace {

enum class Mapping { lower, upper, capitalize };

struct CaseCase {
    Mapping mapping;
    std::string_view input;
    std::string_view expected;
};

std::string apply(Mapping m, std::string_view s) {
    switch (m) {
        case Mapping::lower: return unicode_lower(s);
        case Mapping::upper: return unicode_upper(s);
        case Mapping::capitalize: return unicode_capitalize(s);
    }
    return {};
}

TEST(UnicodeText, CaseMappings) {
    using enum Mapping;
    const CaseCase cases[] = {
        {lower, "Hello, World 123", "hello, world 123"},
        {lower, "ÀÉÎÕÜ", "àéîõü"},
        {lower, "ĀāĂă", "āāăă"},              // alternating pairs
        {lower, "İ", "i\u0307"},              // one character becomes two
        {lower, "\u212A", "k"},               // KELVIN SIGN
        {lower, "ǅ", "ǆ"},                    // titlecase digraph
        {lower, "\u13A0", "\uAB70"},          // Cherokee: far-away target
        {lower, "\U00010400", "\U00010428"},  // astral
        {lower, "日本語", "日本語"},
        {lower, "A\xFF" "B", "a\uFFFDb"},
        {upper, "ß", "SS"},
        {upper, "straße", "STRASSE"},
        {upper, "ŉ", "ʼN"},
        {upper, "\u0390", "\u0399\u0308\u0301"},  // three code points
        {upper, "ﬃ", "FFI"},
        {upper, "ĀāĂă", "ĀĀĂĂ"},
        {upper, "ǆ", "Ǆ"},
        {upper, "ıſ", "IS"},  // non-ASCII to ASCII
        {upper, "\U00010428", "\U00010400"},
        {capitalize, "", ""},
        {capitalize, "hELLO", "Hello"},
        {capitalize, "1ABC", "1abc"},
        {capitalize, "ßa", "SSa"},
        {capitalize, "ŉA", "ʼNa"},
        {capitalize, "ǆA", "Ǆa"},  // uppercase, not titlecase
        {capitalize, "\U00010428\U00010400", "\U00010400\U00010428"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(apply(c.mapping, c.input), c.expected)
            << "mapping " << static_cast<int>(c.mapping) << " of \"" << c.input << '"';
    }
}

TEST(UnicodeText, FinalSigma) {
    using enum Mapping;
    const CaseCase cases[] = {
        {lower, "ΟΔΟΣ", "οδος"},
        {lower, "Σ", "σ"},
        {lower, "ΣΣ", "σς"},
        {lower, "ΑΣ.", "ας."},
        {lower, "ΑΣΑ", "ασα"},
        {lower, "ΑΣ Β", "ας β"},
        {lower, "ΑΣ'Α", "ασ'α"},            // case-ignorable, then a cased letter
        {lower, "ΑΣ\u0301", "ας\u0301"},    // trailing combining mark
        {lower, ".Σ", ".σ"},                // nothing cased before
        {lower, "1Σ", "1σ"},
        {lower, "aΣ", "aς"},                // context from the ASCII prefix
        {lower, "a'Σ", "a'ς"},
        {lower, "ªΣ", "ªς"},                // U+00AA is cased though not Ll
        {lower, "Α\u2027Σ", "α\u2027ς"},    // HYPHENATION POINT is case-ignorable
        {capitalize, "ΑΣ", "Ας"},           // context includes the first character
        {capitalize, "ΣΑΣ", "Σας"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(apply(c.mapping, c.input), c.expected) << '"' << c.input << '"';
    }
}

TEST(UnicodeText, Trim) {
    const struct {
        std::string_view input;
        std::string_view expected;
    } cases[] = {
        {"", ""},
        {"  a b  ", "a b"},
        {"\t\n\v\f\r x \r\n", "x"},
        {"\u3000x\u00A0", "x"},
        {"\u0085\u2028\u205F\u202F", ""},
        {"a\u3000b", "a\u3000b"},
        {"\u200Bx\u200B", "\u200Bx\u200B"},  // ZERO WIDTH SPACE is not white space
        {"x \xE3\x80", "x \xE3\x80"},        // truncated U+3000 stays
        {" \x80", "\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unicode_trim(c.input), c.expected) << '"' << c.input << '"';
    }
}

TEST(UnicodeText, WhiteSpaceProperty) {
    const struct {
        char32_t c;
        bool white;
    } cases[] = {
        {U'\t', true},    {U'\r', true},    {U' ', true},     {0x85, true},
        {0xA0, true},     {0x1680, true},   {0x2000, true},   {0x200A, true},
        {0x3000, true},   {U'a', false},    {0x1C, false},    {0x200B, false},
        {0x180E, false},  {0xFEFF, false},  {0x110000, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unicode_is_white_space(c.c), c.white) << std::hex << static_cast<unsigned>(c.c);
    }
}

TEST(UnicodeText, DecodeAndCount) {
    constexpr char32_t R = 0xFFFD;
    const struct {
        std::string_view input;
        std::vector<char32_t> scalars;
    } cases[] = {
        {"", {}},
        {"aß", {U'a', 0xDF}},
        {"日\U00010400", {0x65E5, 0x10400}},
        {"e\u0301", {U'e', 0x301}},
        {"\xC0\xAF", {R, R}},                  // overlong
        {"\xED\xA0\x80", {R, R, R}},           // surrogate
        {"\xF4\x90\x80\x80", {R, R, R, R}},    // above U+10FFFF
        {"\xE3\x80" "A", {R, R, U'A'}},        // sequence cut short
        // Views ending inside a sequence whose remaining bytes follow in
        // memory: nothing past the end may be read.
        {std::string_view("\xE3\x80\x80", 2), {R, R}},
        {std::string_view("\xF0\x90\x90\x80", 3), {R, R, R}},
    };
    for (const auto& c : cases) {
        std::vector<char32_t> got;
        for (std::size_t i = 0; i < c.input.size();) got.push_back(utf8_decode(c.input, i));
        EXPECT_EQ(got, c.scalars) << '"' << c.input << '"';
        EXPECT_EQ(utf8_scalar_count(c.input), c.scalars.size()) << '"' << c.input << '"';
    }
    const std::string_view cut("\xE3\x80\x80", 2);
    EXPECT_EQ(unicode_lower(cut), "\uFFFD\uFFFD");
    EXPECT_EQ(unicode_trim(cut), cut);
}

TEST(UnicodeText, EncodeDecodeRoundTripsEveryScalar) {
    std::string buf;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        buf.clear();
        utf8_append(buf, c);
        const std::size_t expected_len = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        std::size_t i = 0;
        const char32_t back = utf8_decode(buf, i);
        if (back != c || i != expected_len || buf.size() != expected_len) {
            FAIL() << "U+" << std::hex << static_cast<unsigned>(c);
        }
    }
    for (char32_t bad : {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}}) {
        buf.clear();
        utf8_append(buf, bad);
        EXPECT_EQ(buf, "\uFFFD");
    }
}

}  // namespace
}  // namespace kovi
