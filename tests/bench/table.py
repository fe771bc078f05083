#!/usr/bin/env python3
"""Prints the tables of scripts/bench.

table.py BENCH.json      the "Table/<kind>/<MiB>/<operation>" runs of Throughput_bench.cpp from Google
                         Benchmark's JSON output; the times are CPU times, so other load counts less
table.py --startup RUNS  the lines of "wintool tray-start": exe, ms, working set KiB, peak KiB
"""
import json
import statistics
import sys

KINDS = {
    "html": "HTML mail, a tag every few bytes",
    "netmile": "NetMile mail, many lines and full-width spaces",
    "doublebyte": "double-byte characters only",
    "oneline": "one line as long as the text: NetMile pieces, full-width spaces all through, no break",
    "onetag": "the HTML mail inside one tag, from its first byte to its last",
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
    print("Throughput in MiB/s (CPU time); x wc = the operation's time / one wc -l pass (memchr from line feed to")
    print("line feed) over the same bytes; heap = the most heap held at once beyond the text / the text's size;")
    print("64/1 = 64 MiB throughput / 1 MiB throughput (1.00 is linear); URLs = links opened per pass.")
    for kind, ops in table.items():
        print()
        print(f"{KINDS.get(kind, kind)}")
        head = f"  {'operation':<22}"
        for mib in sizes:
            head += f"{str(mib) + ' MiB: MiB/s':>16}{'x wc':>8}{'heap':>7}{'URLs':>8}"
        print(head + f"{'64/1':>7}")
        base = ops.get("wc -l", {})
        for op, by_size in ops.items():
            line = f"  {op:<22}"
            for mib in sizes:
                run = by_size.get(mib)
                if not run:
                    line += " " * 39
                    continue
                rate = run["bytes_per_second"] / (1 << 20)
                ratio = run["cpu_time"] / base[mib]["cpu_time"] if mib in base else float("nan")
                baseline = op in ("wc -l", "memchr")
                heap = "" if baseline else f"{run.get('heap', 0):.3f}"
                urls = "" if baseline else f"{run.get('urls', 0):.0f}"
                line += f"{rate:16.1f}{ratio:8.2f}{heap:>7}{urls:>8}"
            if all(m in by_size for m in sizes):
                line += f"{by_size[64]['bytes_per_second'] / by_size[1]['bytes_per_second']:7.2f}"
            print(line)


def startup(path):
    runs = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            exe, ms, ws, peak = line.rstrip("\n").split("\t")
            runs.setdefault(exe.split("\\")[-1], []).append((float(ms), int(ws), int(peak)))
    count = min(len(r) for r in runs.values())
    print(f"Under Wine, median of {count} starts of each, taken in turn after one unmeasured start of each:")
    print("start-up = CreateProcess to the program's NIM_ADD reaching the tray; working set = the Wine")
    print("process's resident memory (VmRSS) once the program is idle, 500 ms after the icon.")
    print(f"  {'program':<18}{'start-up ms':>12}{'min':>8}{'max':>8}{'working set KiB':>17}{'peak KiB':>10}")
    medians = {}
    for exe, r in runs.items():
        ms = [x[0] for x in r]
        medians[exe] = (statistics.median(ms), statistics.median(x[1] for x in r), statistics.median(x[2] for x in r))
        print(f"  {exe:<18}{medians[exe][0]:12.1f}{min(ms):8.1f}{max(ms):8.1f}{medians[exe][1]:17.0f}{medians[exe][2]:10.0f}")
    if len(medians) == 2:
        (a, ma), (b, mb) = medians.items()
        print(f"  {f'{a[:-4]}/{b[:-4]}':<18}{ma[0] / mb[0]:12.2f}{'':16}{ma[1] / mb[1]:17.2f}{ma[2] / mb[2]:10.2f}")


if __name__ == "__main__":
    if sys.argv[1] == "--startup":
        startup(sys.argv[2])
    else:
        main(sys.argv[1])
