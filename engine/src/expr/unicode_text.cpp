#include "expr/unicode_text.h"

#include <algorithm>
#include <span>

#include "expr/unicode_tables.h"

namespace kovi {
namespace {

namespace tables = unicode_tables;

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kCapitalSigma = 0x03A3;
constexpr char32_t kSmallSigma = 0x03C3;
constexpr char32_t kFinalSigma = 0x03C2;

constexpr char ascii_lower(unsigned char b) {
    return static_cast<char>(static_cast<unsigned>(b - 'A') < 26u ? b + 32 : b);
}

constexpr char ascii_upper(unsigned char b) {
    return static_cast<char>(static_cast<unsigned>(b - 'a') < 26u ? b - 32 : b);
}

constexpr bool ascii_white_space(unsigned char b) {
    return b == ' ' || static_cast<unsigned>(b - '\t') < 5u;  // TAB, LF, VT, FF, CR
}

// The entry with the greatest `first` not above c, or nullptr.
template <class Entry>
const Entry* floor_entry(std::span<const Entry> table, char32_t c) {
    auto it = std::upper_bound(table.begin(), table.end(), c,
                               [](char32_t v, const Entry& e) { return v < e.first; });
    return it == table.begin() ? nullptr : &*(it - 1);
}

bool in_ranges(std::span<const tables::CodeRange> table, char32_t c) {
    const tables::CodeRange* r = floor_entry(table, c);
    return r != nullptr && c <= r->last;
}

struct CaseTables {
    std::span<const tables::CaseRun> runs;
    std::span<const tables::CaseExpansion> expansions;
};

// Appends the full case mapping of a non-ASCII scalar value.
void append_mapped(std::string& out, char32_t c, const CaseTables& t) {
    if (const tables::CaseRun* r = floor_entry(t.runs, c);
        r != nullptr && c <= r->last && (c - r->first) % r->stride == 0) {
        utf8_append(out, static_cast<char32_t>(static_cast<std::int32_t>(c) + r->delta));
        return;
    }
    auto e = std::lower_bound(t.expansions.begin(), t.expansions.end(), c,
                              [](const tables::CaseExpansion& x, char32_t v) { return x.code < v; });
    if (e != t.expansions.end() && e->code == c) {
        for (char32_t m : e->mapped) {
            if (m != 0) utf8_append(out, m);
        }
        return;
    }
    utf8_append(out, c);
}

CaseTables lower_tables() { return {tables::lower_runs, tables::lower_expansions}; }
CaseTables upper_tables() { return {tables::upper_runs, tables::upper_expansions}; }

// In ASCII the cased characters are exactly the letters, and the
// case-ignorable ones are ' . : (word-internal punctuation) and ^ ` (modifier
// symbols); the generated tables agree, this just avoids searching them.
constexpr bool ascii_cased(unsigned char b) { return static_cast<unsigned>((b | 0x20) - 'a') < 26u; }
constexpr bool ascii_case_ignorable(unsigned char b) {
    return b == '\'' || b == '.' || b == ':' || b == '^' || b == '`';
}

bool is_cased(char32_t c) {
    return c < 0x80 ? ascii_cased(static_cast<unsigned char>(c)) : in_ranges(tables::cased, c);
}

bool is_case_ignorable(char32_t c) {
    return c < 0x80 ? ascii_case_ignorable(static_cast<unsigned char>(c))
                    : in_ranges(tables::case_ignorable, c);
}

// Final-sigma context: whether the text so far ends in a cased letter once
// trailing case-ignorable characters are skipped.
bool next_after_cased(bool after_cased, char32_t c) {
    return is_case_ignorable(c) ? after_cased : is_cased(c);
}

// Whether a cased letter follows byte offset i, skipping case-ignorable
// characters. The scan stops at the first other character, and a capital
// sigma is such a character, so the scans for successive sigmas never
// overlap and lowering stays linear.
bool cased_follows(std::string_view s, std::size_t i) {
    while (i < s.size()) {
        char32_t c = utf8_decode(s, i);
        if (!is_case_ignorable(c)) return is_cased(c);
    }
    return false;
}

// Lowercases s from byte offset i onwards into out; after_cased is the
// final-sigma context of the text before i.
void lower_from(std::string& out, std::string_view s, std::size_t i, bool after_cased) {
    const CaseTables t = lower_tables();
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out.push_back(ascii_lower(b));
            if (!ascii_case_ignorable(b)) after_cased = ascii_cased(b);
            ++i;
            continue;
        }
        const char32_t c = utf8_decode(s, i);
        if (c == kCapitalSigma) {
            utf8_append(out, after_cased && !cased_follows(s, i) ? kFinalSigma : kSmallSigma);
        } else {
            append_mapped(out, c, t);
        }
        after_cased = next_after_cased(after_cased, c);
    }
}

// Copies the leading ASCII of s into out through `map` and returns how many
// bytes that was; out has room for all of s afterwards.
template <class Map>
std::size_t map_ascii_prefix(std::string& out, std::string_view s, Map map) {
    out.resize(s.size());
    char* p = out.data();
    std::size_t i = 0;
    for (; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b >= 0x80) break;
        p[i] = map(b);
    }
    out.resize(i);
    return i;
}

}  // namespace

std::string unicode_lower(std::string_view utf8) {
    std::string out;
    const std::size_t prefix = map_ascii_prefix(out, utf8, ascii_lower);
    if (prefix == utf8.size()) return out;
    bool after_cased = false;
    for (std::size_t k = prefix; k > 0; --k) {
        const auto b = static_cast<unsigned char>(utf8[k - 1]);
        if (!ascii_case_ignorable(b)) {
            after_cased = ascii_cased(b);
            break;
        }
    }
    lower_from(out, utf8, prefix, after_cased);
    return out;
}

std::string unicode_upper(std::string_view utf8) {
    std::string out;
    std::size_t i = map_ascii_prefix(out, utf8, ascii_upper);
    const CaseTables t = upper_tables();
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out.push_back(ascii_upper(b));
            ++i;
        } else {
            append_mapped(out, utf8_decode(utf8, i), t);
        }
    }
    return out;
}

std::string unicode_capitalize(std::string_view utf8) {
    std::string out;
    if (utf8.empty()) return out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    const char32_t first = utf8_decode(utf8, i);
    if (first < 0x80) {
        out.push_back(ascii_upper(static_cast<unsigned char>(first)));
    } else {
        append_mapped(out, first, upper_tables());
    }
    lower_from(out, utf8, i, next_after_cased(false, first));
    return out;
}

bool unicode_is_white_space(char32_t c) {
    if (c < 0x80) return ascii_white_space(static_cast<unsigned char>(c));
    return in_ranges(tables::white_space, c);
}

std::string_view unicode_trim(std::string_view utf8) {
    std::size_t begin = 0;
    while (begin < utf8.size()) {
        std::size_t next = begin;
        if (!unicode_is_white_space(utf8_decode(utf8, next))) break;
        begin = next;
    }
    std::size_t end = utf8.size();
    while (end > begin) {
        const auto last = static_cast<unsigned char>(utf8[end - 1]);
        if (last < 0x80) {
            if (!ascii_white_space(last)) break;
            --end;
            continue;
        }
        // Step back to the lead byte of the final sequence (at most three
        // continuation bytes) and decode it within [begin, end).
        std::size_t start = end - 1;
        while (start > begin && end - start < 4 &&
               (static_cast<unsigned char>(utf8[start]) & 0xC0) == 0x80) {
            --start;
        }
        const std::string_view head = utf8.substr(0, end);
        std::size_t next = start;
        const char32_t c = utf8_decode(head, next);
        if (next != end || !unicode_is_white_space(c)) break;
        end = start;
    }
    return utf8.substr(begin, end - begin);
}

std::size_t utf8_scalar_count(std::string_view utf8) {
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            ++i;
        } else {
            utf8_decode(utf8, i);
        }
        ++count;
    }
    return count;
}

char32_t utf8_decode(std::string_view utf8, std::size_t& i) {
    const std::size_t n = utf8.size();
    if (i >= n) return kReplacement;
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    std::size_t len;
    char32_t c;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
        c = lead & 0x1F;
        min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        len = 3;
        c = lead & 0x0F;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        c = lead & 0x07;
        min = 0x10000;
    } else {  // continuation byte, C0/C1 or F5..FF
        ++i;
        return kReplacement;
    }
    if (n - i < len) {
        ++i;
        return kReplacement;
    }
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(utf8[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {  // overlong, out of range
        ++i;
        return kReplacement;
    }
    i += len;
    return c;
}

void utf8_append(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        const char bytes[] = {static_cast<char>(0xC0 | (c >> 6)),
                              static_cast<char>(0x80 | (c & 0x3F))};
        out.append(bytes, 2);
    } else if (c < 0x10000) {
        const char bytes[] = {static_cast<char>(0xE0 | (c >> 12)),
                              static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                              static_cast<char>(0x80 | (c & 0x3F))};
        out.append(bytes, 3);
    } else {
        const char bytes[] = {static_cast<char>(0xF0 | (c >> 18)),
                              static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                              static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                              static_cast<char>(0x80 | (c & 0x3F))};
        out.append(bytes, 4);
    }
}

}  // namespace kovi
