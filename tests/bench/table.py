#!/usr/bin/env python3
"""Prints the throughput table of scripts/bench from Google Benchmark's JSON output.

Reads the "Table/<kind>/<MiB>/<operation>" runs of Throughput_bench.cpp; the times are CPU times, so
other load on the machine counts less.
"""
import json
import sys

KINDS = {
    "html": "HTML mail, a tag every few bytes",
    "netmile": "NetMile mail, many lines and full-width spaces",
    "doublebyte": "double-byte characters only",
}


def main(path):
    with open(path, encoding="utf-8") as f:
        runs = json.load(f)["benchmarks"]
    table = {}
    for run in runs:
        if run.get("run_type", "iteration") != "iteration" or not run["name"].startswith("Table/"):
            continue
        _, kind, mib, op = run["run_name"].split("/")[:4]
        table.setdefault(kind, {}).setdefault(op, {})[int(mib)] = run
    sizes = (1, 64)
    print("Throughput in MiB/s (CPU time); x memchr = the operation's time / one memchr pass over the same bytes;")
    print("64/1 = 64 MiB throughput / 1 MiB throughput (1.00 is linear); URLs = links opened per pass.")
    for kind, ops in table.items():
        print()
        print(f"{KINDS.get(kind, kind)}")
        head = f"  {'operation':<22}"
        for mib in sizes:
            head += f"{str(mib) + ' MiB: MiB/s':>16}{'x memchr':>10}{'URLs':>8}"
        print(head + f"{'64/1':>7}")
        base = ops.get("memchr", {})
        for op, by_size in ops.items():
            line = f"  {op:<22}"
            for mib in sizes:
                run = by_size.get(mib)
                if not run:
                    line += " " * 34
                    continue
                rate = run["bytes_per_second"] / (1 << 20)
                ratio = run["cpu_time"] / base[mib]["cpu_time"] if mib in base else float("nan")
                urls = f"{run.get('urls', 0):.0f}" if op != "memchr" else ""
                line += f"{rate:16.1f}{ratio:10.1f}{urls:>8}"
            if all(m in by_size for m in sizes):
                line += f"{by_size[64]['bytes_per_second'] / by_size[1]['bytes_per_second']:7.2f}"
            print(line)


if __name__ == "__main__":
    main(sys.argv[1])
