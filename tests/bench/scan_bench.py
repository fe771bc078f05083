#!/usr/bin/env python3
"""Times whole brivola-scan runs beside wc -l and ripgrep, round by round, and prints the ratios.

scan_bench.py [--runs N] [--wine] SCAN INI TEXT...

SCAN runs with every analyser on (INI, section "bench") over each TEXT. In each round the scanner, wc -l and
rg -c -i 'https?://' run in turn on the same file, so each ratio is taken within a round and the median of
the rounds is printed: a machine whose speed drifts moves all three alike. Times are CPU seconds (user +
system) of the finished child, peak is its largest resident size. With --wine SCAN is a Windows program run
by the `wine` of the harness this runs in: its start-up (the scanner on an empty file) is timed in the same
rounds and taken off. A text NAME-64.txt beside NAME-8.txt also gives the growth of the scanner's rate
from 8 to 64 MiB (1.00 is linear). Nothing here judges a figure.
"""
import os
import statistics
import subprocess
import sys
import tempfile


def run(argv, success=(0,)):
    """CPU seconds and peak resident KiB of one run of argv, its output thrown away. The peak comes from GNU
    time, which the command runs under: a child forked from this Python would count Python's own pages."""
    with open(os.devnull, "wb") as null, tempfile.TemporaryFile() as err:
        child = subprocess.Popen(["/usr/bin/time", "-f", "%M", *argv], stdout=null, stderr=err)
        _, status, usage = os.wait4(child.pid, 0)
        err.seek(0)
        lines = err.read().decode(errors="replace").split()
    # GNU time exits with the command's status.
    if os.waitstatus_to_exitcode(status) not in success or not lines:
        sys.exit(f"scan_bench: {' '.join(argv)} failed with status {status}")
    return usage.ru_utime + usage.ru_stime, int(lines[-1])


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main(args):
    runs, wine = 5, False
    while args and args[0].startswith("--"):
        if args[0] == "--runs":
            runs = int(args[1])
            args = args[2:]
        elif args[0] == "--wine":
            wine = True
            args = args[1:]
        else:
            sys.exit(__doc__)
    if len(args) < 3:
        sys.exit(__doc__)
    scan, ini, texts = args[0], args[1], args[2:]

    def scan_argv(text):
        if wine:
            return ["wine", scan, "--ini", windows_path(ini), "--section", "bench", windows_path(text)]
        return [scan, "--ini", ini, "--section", "bench", text]

    rates = {}  # MiB/s of the scanner by file name
    with tempfile.NamedTemporaryFile(suffix=".txt") as empty:
        if wine:
            run(scan_argv(empty.name))  # the prefix's first start is slower than the rest
        print(f"  {'text':<28} {'MiB':>4} {'scan s':>8} {'wc s':>7} {'rg s':>7} "
              f"{'scan/wc':>8} {'scan/rg':>8} {'peak/file':>10}" + (f" {'start s':>8}" if wine else ""))
        for text in texts:
            size = os.path.getsize(text)
            run(scan_argv(text))  # the file in the page cache
            rows = []
            for _ in range(runs):
                start = run(scan_argv(empty.name))[0] if wine else 0.0
                scan_cpu, peak = run(scan_argv(text))
                wc_cpu = run(["wc", "-l", text])[0]
                rg_cpu = run(["rg", "-c", "-i", "https?://", text], success=(0, 1))[0]  # 1: no line matched
                net = max(scan_cpu - start, 1e-6)
                rows.append((net, wc_cpu, rg_cpu, net / max(wc_cpu, 1e-6), net / max(rg_cpu, 1e-6),
                             peak * 1024 / size, start))
            med = [statistics.median(r[k] for r in rows) for k in range(7)]
            rates[os.path.basename(text)] = size / 2**20 / med[0]
            print(f"  {os.path.basename(text):<28} {size / 2**20:>4.0f} {med[0]:>8.3f} {med[1]:>7.3f} "
                  f"{med[2]:>7.3f} {med[3]:>8.2f} {med[4]:>8.2f} {med[5]:>10.2f}" +
                  (f" {med[6]:>8.3f}" if wine else ""), flush=True)
    # Growth: a text NAME-64.txt beside NAME-8.txt; 1.00 is linear.
    for name, rate in rates.items():
        if name.endswith("-64.txt") and name.replace("-64.txt", "-8.txt") in rates:
            small = rates[name.replace("-64.txt", "-8.txt")]
            print(f"  growth {name.replace('-64.txt', ''):<21} 8 MiB: {small:7.0f} MiB/s, 64 MiB: {rate:7.0f} MiB/s, "
                  f"64/8 = {rate / small:.2f}")


if __name__ == "__main__":
    main(sys.argv[1:])
