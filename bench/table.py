#!/usr/bin/env python3
"""The README's performance table from the suite's JSON output.

xvfb-run -a build-bench/bench/brindlecove_bench --benchmark_format=json > out.json
python3 bench/table.py out.json

Times are CPU times (the median when the run had repetitions): on a shared
machine they vary less than wall-clock times. The solver's are wall-clock
times (its benchmarks say "real_time"): part of it runs on two threads. Each world update and frame is
also given as a share of the 28.6 ms tick and as a multiple of the 800 x 600
16-bit blit measured in the same run.
"""
import json
import sys

TICK_US = 1e6 / 35


def main():
    data = json.load(open(sys.argv[1]) if len(sys.argv) > 1 else sys.stdin)
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}
    results = {}
    for b in data["benchmarks"]:
        name = b.get("run_name", b["name"])
        kind = b.get("aggregate_name")
        if kind not in (None, "median"):
            continue
        if kind is None and name in results and results[name].get("median"):
            continue
        entry = dict(b)
        time = b["real_time"] if "/real_time" in name else b["cpu_time"]
        entry["us"] = time * scale[b.get("time_unit", "ns")]
        entry["median"] = kind == "median"
        results[name] = entry

    def us(name):
        return results[name]["us"] if name in results else None

    def show(t):
        if t is None:
            return "–"
        if t >= 1000:
            return "%.1f ms" % (t / 1000)
        if t >= 1:
            return "%.0f µs" % t if t >= 100 else "%.1f µs" % t
        return "%.2f µs" % t

    floor = us("floor/blit800x600")
    if floor is None:
        # a run of the solver or wait benchmarks alone
        print_side_tables(results, show)
        return
    print("Blit floor (800 × 600, 16-bit): %s = %.2f %% of a tick.\n" % (show(floor), 100 * floor / TICK_US))
    print("| Level | Load | Load / tick | World update | % of tick | × blit | Frame | % of tick | × blit |")
    print("|---|---|---|---|---|---|---|---|---|")
    levels = []
    for name in results:
        kind, _, level = name.partition("/")
        if kind in ("load", "tick", "frame") and level not in levels:
            levels.append(level)
    for level in levels:
        load, tick, frame = us("load/" + level), us("tick/" + level), us("frame/" + level)
        cells = [level, show(load), "%.2g" % (load / TICK_US) if load else "–"]
        for t in (tick, frame):
            if t is None:
                cells += ["–", "–", "–"]
            else:
                cells += [show(t), "%.2g %%" % (100 * t / TICK_US), "%.2g" % (t / floor)]
        print("| " + " | ".join(cells) + " |")
    print_side_tables(results, show)


def print_side_tables(results, show):
    """The solver's and the waits' tables, for those that ran."""
    def table(prefix, header, row):
        names = [n for n in results if n.startswith(prefix)]
        if not names:
            return
        print("\n| " + " | ".join(header) + " |")
        print("|" + "---|" * len(header))
        for n in names:
            print("| " + " | ".join(row(n.split("/"), results[n])) + " |")

    table("solve/", ["Solver", "Time", "Ticks of 28.6 ms", "Peak heap", "States"],
          lambda name, r: [name[1], show(r["us"]), "%.0f" % (r["us"] / TICK_US),
                           "%.0f MB" % r.get("heap_MB", 0), "%d" % r.get("states", 0)])
    table("wait/", ["Wait", "Screen", "CPU", "Ticks a second"],
          lambda name, r: [name[1], name[2], "%.1f %% of a core" % r.get("cpu_percent", 0),
                           "%.2f" % r.get("ticks_per_s", 0)])


if __name__ == "__main__":
    main()
