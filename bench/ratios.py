#!/usr/bin/env python3
"""Runs the JSON benchmark and prints how the engine's reader and writer
compare with RapidJSON and nlohmann::ordered_json.

    bench/ratios.py [BINARY] [--repetitions N] [--input FILE] [-- EXTRA ARGS]

BINARY defaults to build-bench/bench/kovi_json_bench next to this directory.
Each benchmark runs N times (default 5) and the median throughput counts.
With --input, the results of an earlier run with --benchmark_format=json
(or --benchmark_out=FILE) are read instead of running anything.

A ratio is our throughput divided by the peer's: above 1 we are faster.
"""

import argparse
import json
import os
import subprocess
import sys

LIBS = ("kovi", "rapidjson", "nlohmann")
OPS = ("Read", "Write")
SIZES = ("50KB", "2MB")


def run(binary, repetitions, extra):
    cmd = [
        binary,
        "--benchmark_format=json",
        f"--benchmark_repetitions={repetitions}",
        "--benchmark_report_aggregates_only=true",
    ] + extra
    out = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout
    return json.loads(out)


def medians(report):
    """{(op, lib, size): bytes per second} from the median aggregates, or
    from single runs when the report has no aggregates."""
    found = {}
    singles = {}
    for b in report.get("benchmarks", []):
        fields = b.get("run_name", b["name"]).split("/")
        if len(fields) != 3 or not fields[0].startswith("BM_"):
            continue
        key = (fields[0][3:], fields[1], fields[2])
        rate = b.get("bytes_per_second")
        if rate is None:
            continue
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                found[key] = rate
        else:
            singles.setdefault(key, []).append(rate)
    for key, rates in singles.items():
        if key not in found:
            rates.sort()
            found[key] = rates[len(rates) // 2]
    return found


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default_binary = os.path.join(here, "..", "build-bench", "bench", "kovi_json_bench")
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("binary", nargs="?", default=default_binary)
    ap.add_argument("--repetitions", type=int, default=5)
    ap.add_argument("--input", help="read a JSON report instead of running the benchmark")
    argv = sys.argv[1:]
    extra = []
    if "--" in argv:
        cut = argv.index("--")
        argv, extra = argv[:cut], argv[cut + 1:]
    args = ap.parse_args(argv)

    if args.input:
        with open(args.input) as f:
            report = json.load(f)
    else:
        report = run(args.binary, args.repetitions, extra)
    rates = medians(report)

    print(f"{'':14}{'kovi MB/s':>11}{'rapidjson':>11}{'nlohmann':>11}{'vs rapidjson':>14}{'vs nlohmann':>13}")
    missing = False
    for op in OPS:
        for size in SIZES:
            r = {lib: rates.get((op, lib, size)) for lib in LIBS}
            if None in r.values():
                missing = True
                continue
            cells = "".join(f"{r[lib] / 1e6:>11.0f}" for lib in LIBS)
            vs_rj = r["kovi"] / r["rapidjson"]
            vs_nl = r["kovi"] / r["nlohmann"]
            print(f"{op + ' ' + size:14}{cells}{vs_rj:>13.2f}x{vs_nl:>12.2f}x")
    if missing:
        print("(some benchmarks are missing from the report)", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
