#!/usr/bin/env python3
"""Prints one Markdown table from Google Benchmark JSON files (scripts/bench.sh).

Each measured operation is shown beside the baseline it is judged against, run in
the same process, with the goal it must meet. Times and rates are per CPU second
unless the benchmark measures wall time (those marked "real").
"""
import json
import sys

# benchmark: (baseline, what is compared, goal)
# A goal is (quantity, limit, text): "ratio" compares with the baseline (rates:
# measured / baseline, times: measured / baseline), "ms" is the measured time.
COMPARISONS = {
    "normalizeLinks": ("parseWithQUrl", "rate", ("rate", 1_000_000, ">= 1,000,000 links/s")),
    "youtubeIDs": ("parseWithQUrl", "rate", None),
    "parseAllMetadata": ("parseJsonOnly", "rate", ("ratio", 0.5, ">= 0.5 x bare JSON")),
    "historyDecode": ("historyJsonOnly", "time", None),
    "historyEncode": ("historyJsonOnly", "time", None),
    "historyLoadPersist": ("historyFileOnly", "time", ("ms_below", 20, "< 20 ms")),
    "runWithoutCallback": ("catThroughPipe", "time", None),
    "runWithLineCallback": ("catThroughPipe", "time", None),
    "exportAudio": ("audioCommands", "time", ("ratio_below", 1.05, "<= 1.05 x by hand")),
    "exportMP4": ("mp4Commands", "time", ("ratio_below", 1.05, "<= 1.05 x by hand")),
    "exportFromCache": ("conversionOnly", "time", ("ratio_below", 1.15, "<= 1.15 x the conversion alone")),
    "selfTest": (None, None, ("ms_below", 10_000, "<= 10 s, every check kept")),
    "coldStart": ("bareWindowStart", "time", ("ms_below", 300, "< 300 ms to the first frame")),
    "startWith400Completed100Failed": ("coldStart", "time", ("ratio_below", 1.15, "<= 1.15 x empty history")),
    "startWith500Completed": ("coldStart", "time", ("ratio_below", 1.10, "<= 1.10 x empty history")),
    "linkFieldKeystroke": ("plainLineEditKeystroke", "time", ("ms_below", 1, "< 1 ms, no disk sync")),
    "removeFromQueue": (None, None, ("ms_below", 8, "<= 0.5 frame (8 ms)")),
    "removeFromLibrary": (None, None, ("ms_below", 8, "<= 0.5 frame (8 ms)")),
    "memoryAtRest": ("bareWindowMemory", "rss", ("rss_below", 80, "< 80 MB resident")),
}

TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def rate_of(run):
    if "rss_MB" in run:
        return run["rss_MB"], "MB"
    if "items_per_second" in run:
        return run["items_per_second"], "/s"
    if "bytes_per_second" in run:
        return run["bytes_per_second"] / 1e6, "MB/s"
    return None, ""


def show_rate(value, unit):
    if value is None:
        return ""
    if unit == "MB":
        return f"{value:.1f} MB resident"
    if unit == "/s":
        return f"{value / 1e6:.2f} M/s" if value >= 1e6 else f"{value / 1e3:.1f} k/s"
    return f"{value:.0f} {unit}"


def show_ms(ms):
    return f"{ms * 1000:.0f} us" if ms < 1 else f"{ms:.2f} ms"


def main(paths):
    runs = {}
    order = []
    context = None
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        context = context or data.get("context", {})
        for run in data["benchmarks"]:
            if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
                continue
            name = run["run_name"].split("/")[0]
            run["real"] = run["run_name"].endswith(("/real_time", "/manual_time"))
            # One core's work is CPU time; wall time where the benchmark waits on purpose (files, children).
            run["ms"] = run["real_time" if run["real"] else "cpu_time"] * TO_MS[run["time_unit"]]
            if name not in runs:
                order.append(name)
            runs[name] = run

    if context:
        load = " ".join(f"{x:.2f}" for x in context.get("load_avg", []))
        repetitions = max((run.get("repetitions", 1) for run in runs.values()), default=1)
        print(f"{context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz, load average {load} "
              f"at the start; median of {repetitions} runs\n")
    print("| benchmark | time | rate | baseline | baseline time | baseline rate | ratio | goal | met |")
    print("|---|---:|---:|---|---:|---:|---:|---|:---:|")
    failures = 0
    for name in order:
        run = runs[name]
        rate, unit = rate_of(run)
        baseline_name, compared, goal = COMPARISONS.get(name, (None, None, None))
        base = runs.get(baseline_name)
        time = show_ms(run["ms"])
        if run["real"]:
            time += f" (cpu {show_ms(run['cpu_time'] * TO_MS[run['time_unit']])})"
        cells = [name + (" (real)" if run["real"] else ""), time, show_rate(rate, unit)]
        ratio = None
        if base:
            base_rate, base_unit = rate_of(base)
            if compared in ("rate", "rss") and rate and base_rate:
                ratio = rate / base_rate
            elif compared == "time":
                ratio = run["ms"] / base["ms"]
            cells += [baseline_name, show_ms(base["ms"]), show_rate(base_rate, base_unit),
                      f"{ratio:.2f}" if ratio is not None else ""]
        else:
            cells += ["", "", "", ""]
        met = ""
        if goal:
            kind, limit, text = goal
            if kind == "rate":
                ok = rate is not None and rate >= limit
            elif kind == "ratio":
                ok = ratio is not None and ratio >= limit
            elif kind == "ratio_below":
                ok = ratio is not None and ratio <= limit
            elif kind == "rss_below":
                ok = rate is not None and rate < limit
            else:
                ok = run["ms"] < limit
            met = "yes" if ok else "NO"
            failures += not ok
            cells += [text, met]
        else:
            cells += ["", ""]
        print("| " + " | ".join(cells) + " |")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
