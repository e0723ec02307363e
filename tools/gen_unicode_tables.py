#!/usr/bin/env python3
"""Generate engine/src/expr/unicode_tables.cpp from the Unicode Character Database.

The data comes from Python's own `unicodedata` module and its str.lower() /
str.upper(), which apply the full case mappings (including the unconditional
multi-character ones such as U+00DF -> "SS"). The context-sensitive
Final_Sigma rule is applied by the C++ code at run time; this script only
provides the Cased and Case_Ignorable sets it needs.

Usage:
    gen_unicode_tables.py            write the default output file
    gen_unicode_tables.py OUT        write OUT
    gen_unicode_tables.py --check    exit 1 if the committed file is stale

The output depends only on the Unicode version of the running Python, so
running the script twice gives the same file.
"""

import os
import sys
import unicodedata

MAX_CODE_POINT = 0x10FFFF
MAX_EXPANSION = 3  # longest full case mapping, e.g. U+0390 -> 3 code points

# Word_Break MidLetter, MidNumLet and Single_Quote characters; together with
# the categories below they make up Case_Ignorable.
WORD_BREAK_MID = frozenset([
    0x0027, 0x002E, 0x003A, 0x00B7, 0x0387, 0x055F, 0x05F4, 0x2018, 0x2019,
    0x2024, 0x2027, 0xFE13, 0xFE52, 0xFE55, 0xFF07, 0xFF0E, 0xFF1A,
])
CASE_IGNORABLE_CATEGORIES = frozenset(["Mn", "Me", "Cf", "Lm", "Sk"])
CASED_CATEGORIES = frozenset(["Ll", "Lu", "Lt"])

# The White_Space property; it is stable, so it is listed rather than derived.
WHITE_SPACE = [
    (0x0009, 0x000D), (0x0020, 0x0020), (0x0085, 0x0085), (0x00A0, 0x00A0),
    (0x1680, 0x1680), (0x2000, 0x200A), (0x2028, 0x2029), (0x202F, 0x202F),
    (0x205F, 0x205F), (0x3000, 0x3000),
]


def scalar_values():
    for cp in range(MAX_CODE_POINT + 1):
        if 0xD800 <= cp <= 0xDFFF:
            continue
        yield cp


def case_mappings(convert):
    """Split a per-character case conversion into single and multi mappings."""
    single = {}
    multi = {}
    for cp in scalar_values():
        ch = chr(cp)
        mapped = convert(ch)
        if mapped == ch:
            continue
        if len(mapped) == 1:
            single[cp] = ord(mapped)
        else:
            if len(mapped) > MAX_EXPANSION:
                raise SystemExit(f"U+{cp:04X} maps to {len(mapped)} code points")
            multi[cp] = [ord(m) for m in mapped]
    return single, multi


def compress_single(single):
    """Pack {cp: target} into disjoint (first, last, delta, stride) runs.

    A run covers first, first+stride, ..., last; every code point in it maps
    to itself plus delta. Stride 2 captures the alternating upper/lower pairs
    of the Latin and Cyrillic extension blocks.
    """
    cps = sorted(single)
    runs = []
    i = 0
    while i < len(cps):
        first = cps[i]
        delta = single[first] - first
        best_len, best_stride = 1, 1
        for stride in (1, 2):
            n = 1
            while (i + n < len(cps) and cps[i + n] == first + n * stride
                   and single[cps[i + n]] - cps[i + n] == delta):
                n += 1
            if n > best_len:
                best_len, best_stride = n, stride
        last = first + (best_len - 1) * best_stride
        runs.append((first, last, delta, best_stride))
        i += best_len
    return runs


def expand_runs(runs):
    out = {}
    for first, last, delta, stride in runs:
        for cp in range(first, last + 1, stride):
            out[cp] = cp + delta
    return out


def ranges_of(predicate):
    ranges = []
    for cp in scalar_values():
        if not predicate(cp):
            continue
        if ranges and ranges[-1][1] == cp - 1:
            ranges[-1][1] = cp
        else:
            ranges.append([cp, cp])
    return [tuple(r) for r in ranges]


def is_cased(cp):
    """Cased = Lowercase or Uppercase or general category Lt.

    For a single character str.islower() / str.isupper() report exactly the
    Lowercase / Uppercase properties, which include Other_Lowercase and
    Other_Uppercase (U+00AA, modifier letters, circled letters, ...).
    """
    ch = chr(cp)
    return (ch.islower() or ch.isupper() or ch.lower() != ch or ch.upper() != ch
            or unicodedata.category(ch) in CASED_CATEGORIES)


def is_case_ignorable(cp):
    return (cp in WORD_BREAK_MID
            or unicodedata.category(chr(cp)) in CASE_IGNORABLE_CATEGORIES)


def check_sigma_context(cased, ignorable):
    """Cross-check the derived sets against Python's own final-sigma rule.

    With A cased and 1 not, "A" x "\u03a3" lowers to a final sigma iff x is
    case-ignorable or cased, and "1" x "\u03a3" iff x is cased and not
    case-ignorable. A mismatch means the derivation above has fallen behind
    the Unicode version in use.
    """
    for cp in scalar_values():
        x = chr(cp)
        after_cased = ("A" + x + "\u03a3").lower()[-1] == "\u03c2"
        after_digit = ("1" + x + "\u03a3").lower()[-1] == "\u03c2"
        ign = cp in ignorable
        if after_cased != (ign or cp in cased) or after_digit != (cp in cased and not ign):
            raise SystemExit(f"U+{cp:04X}: Cased/Case_Ignorable disagree with str.lower()")


def code_point_set(ranges):
    return {cp for first, last in ranges for cp in range(first, last + 1)}


def emit_case_runs(lines, name, runs):
    lines.append(f"constexpr CaseRun {name}_data[] = {{")
    for first, last, delta, stride in runs:
        lines.append(f"    {{0x{first:06X}, 0x{last:06X}, {delta}, {stride}}},")
    lines.append("};")


def emit_expansions(lines, name, multi):
    lines.append(f"constexpr CaseExpansion {name}_data[] = {{")
    for cp in sorted(multi):
        padded = multi[cp] + [0] * (MAX_EXPANSION - len(multi[cp]))
        targets = ", ".join(f"0x{t:06X}" for t in padded)
        lines.append(f"    {{0x{cp:06X}, {{{targets}}}}},")
    lines.append("};")


def emit_ranges(lines, name, ranges):
    lines.append(f"constexpr CodeRange {name}_data[] = {{")
    for first, last in ranges:
        lines.append(f"    {{0x{first:06X}, 0x{last:06X}}},")
    lines.append("};")


def generate():
    tables = []  # (kind, name, data)
    for name, convert in (("lower", str.lower), ("upper", str.upper)):
        single, multi = case_mappings(convert)
        runs = compress_single(single)
        if expand_runs(runs) != single:
            raise SystemExit(f"{name}: run compression lost a mapping")
        tables.append(("runs", f"{name}_runs", runs))
        tables.append(("expansions", f"{name}_expansions", multi))
    cased = ranges_of(is_cased)
    case_ignorable = ranges_of(is_case_ignorable)
    check_sigma_context(code_point_set(cased), code_point_set(case_ignorable))
    tables.append(("ranges", "cased", cased))
    tables.append(("ranges", "case_ignorable", case_ignorable))
    tables.append(("ranges", "white_space", WHITE_SPACE))

    version = unicodedata.unidata_version
    lines = [
        "// Generated by tools/gen_unicode_tables.py from the Unicode Character",
        f"// Database {version} (Python unicodedata). Do not edit: change the",
        "// script and run it again.",
        "",
        '#include "expr/unicode_tables.h"',
        "",
        "namespace kovi::unicode_tables {",
        "",
        f'const char unicode_version[] = "{version}";',
        "",
        "namespace {",
        "",
    ]
    for kind, name, data in tables:
        if kind == "runs":
            emit_case_runs(lines, name, data)
        elif kind == "expansions":
            emit_expansions(lines, name, data)
        else:
            emit_ranges(lines, name, data)
        lines.append("")
    lines.append("}  // namespace")
    lines.append("")
    span_types = {"runs": "CaseRun", "expansions": "CaseExpansion", "ranges": "CodeRange"}
    for kind, name, _ in tables:
        lines.append(f"const std::span<const {span_types[kind]}> {name}{{{name}_data}};")
    lines.append("")
    lines.append("}  // namespace kovi::unicode_tables")
    return "\n".join(lines) + "\n"


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    default_out = os.path.join(root, "engine", "src", "expr", "unicode_tables.cpp")
    args = argv[1:]
    check = "--check" in args
    args = [a for a in args if a != "--check"]
    if len(args) > 1:
        raise SystemExit(__doc__)
    out = args[0] if args else default_out
    text = generate()
    if check:
        try:
            with open(out, encoding="utf-8") as f:
                current = f.read()
        except FileNotFoundError:
            current = None
        if current != text:
            print(f"{out} is out of date; run {argv[0]}", file=sys.stderr)
            return 1
        return 0
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
