#!/usr/bin/env python3
"""Turns the measurements of bench/run into the Markdown of bench/RESULTS.md.

    report.py RESULTS_DIR MACHINE_LINE

RESULTS_DIR holds the file workloads (their names in order) and one directory
per workload, each with: order (tool names), selector, files, TOOL.status ("ok" or
why the tool was not timed), TOOL.mem (/usr/bin/time output, peak KiB on the
last line), TOOL.count (results written) and round-N.json, hyperfine's
figures of one run of every timed tool per round.
"""

import glob
import json
import os
import statistics
import sys

TIME_TARGET = 1.15     # vestrel / floor, median wall time, corpus and large page
MEMORY_TARGET = 1.5    # vestrel / floor, peak resident memory, every workload
TIME_TARGET_WORKLOADS = ("corpus", "large")


def read(path, default=""):
    try:
        with open(path, encoding="utf-8") as source:
            return source.read().strip()
    except FileNotFoundError:
        return default


def peak_kib(path):
    lines = read(path).splitlines()
    try:
        return int(lines[-1])
    except (IndexError, ValueError):
        return None


class workload:
    """One workload's figures per tool."""

    def __init__(self, directory):
        self.name = os.path.basename(directory)
        self.selector = read(os.path.join(directory, "selector"))
        self.files = read(os.path.join(directory, "files"))
        self.tools = read(os.path.join(directory, "order")).split()
        self.status = {t: read(os.path.join(directory, t + ".status")) for t in self.tools}
        self.memory = {t: peak_kib(os.path.join(directory, t + ".mem")) for t in self.tools
                       if self.status[t] == "ok"}
        self.count = {t: read(os.path.join(directory, t + ".count")) for t in self.tools}
        self.memory_fixed = {t: peak_kib(os.path.join(directory, t + ".mem-fixed"))
                             for t in self.tools}
        wall, cpu = {}, {}
        for timing in sorted(glob.glob(os.path.join(directory, "round-*.json"))):
            with open(timing, encoding="utf-8") as source:
                for result in json.load(source)["results"]:
                    wall.setdefault(result["command"], []).extend(result["times"])
                    cpu.setdefault(result["command"], []).append(result["user"] + result["system"])
        self.median = {tool: statistics.median(times) for tool, times in wall.items()}
        self.cpu = {tool: statistics.median(times) for tool, times in cpu.items()}
        self.rounds = max((len(times) for times in wall.values()), default=0)

    def ratio(self, table, top, bottom):
        if table.get(top) is None or table.get(bottom) is None or not table[bottom]:
            return None
        return table[top] / table[bottom]


def cell(value, digits=2):
    return "n/a" if value is None else f"{value:.{digits}f}"


def rows(work):
    lines = []
    for tool in work.tools:
        ok = work.status[tool] == "ok"
        if tool == "vestrel":
            base, against = "floor", "vestrel/floor"
        elif tool in ("floor", "spawn"):
            base, against = None, ""
        else:
            base, against = "vestrel", f"{tool}/vestrel"
        ratios = ["", "", ""]
        if base:
            ratios = [cell(work.ratio(table, tool, base))
                      for table in (work.median, work.cpu, work.memory)]
        median = cell(work.median.get(tool), 3) if ok else work.status[tool] or "not run"
        memory = work.memory.get(tool)
        lines.append("| {} | {} | {} | {} | {} | {} | {} | {} | {} | {} |".format(
            work.name, tool, median, cell(work.cpu.get(tool), 3),
            cell(memory / 1024 if memory else None, 1), against, *ratios,
            work.count.get(tool) or ("" if tool in ("floor", "spawn") else "n/a")))
    return lines


def verdicts(work):
    lines = []
    time_ratio = work.ratio(work.median, "vestrel", "floor")
    cpu_ratio = work.ratio(work.cpu, "vestrel", "floor")
    memory_ratio = work.ratio(work.memory, "vestrel", "floor")
    if work.name in TIME_TARGET_WORKLOADS:
        met = time_ratio is not None and time_ratio <= TIME_TARGET
        lines.append(f"- {work.name}: wall time vestrel/floor {cell(time_ratio)} "
                     f"(target <= {TIME_TARGET}): {'met' if met else 'MISSED'}; "
                     f"CPU time {cell(cpu_ratio)}")
    fixed_ratio = work.ratio(work.memory_fixed, "vestrel", "floor")
    met = memory_ratio is not None and memory_ratio <= MEMORY_TARGET
    lines.append(f"- {work.name}: peak memory vestrel/floor {cell(memory_ratio)} "
                 f"(target <= {MEMORY_TARGET}): {'met' if met else 'MISSED'}; "
                 f"with glibc's mmap threshold fixed at 128 KiB {cell(fixed_ratio)}")
    return lines


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: report.py RESULTS_DIR MACHINE_LINE")
    base = sys.argv[1]
    workloads = [workload(os.path.join(base, name))
                 for name in read(os.path.join(base, "workloads")).split()]
    out = ["# Benchmark results", "",
           f"Machine: {sys.argv[2]}.", "",
           "Written by `bench/run`; every figure below comes from that one run. Times are "
           "medians over rounds in which hyperfine ran every tool once, one after another: "
           "wall time, and CPU time (user + system). Memory is the peak resident set of one "
           "run (for loops and pipelines, of their largest process). Ratios: vestrel/floor "
           "for vestrel, peer/vestrel for the peers (above 1: the peer is slower or bigger). "
           "Results: how many results the tool wrote. The floor (`bench/floor.cpp`) reads each "
           "file, runs Tidy with vestrel's settings and parses the XHTML with TinyXML2, "
           "nothing else. pup and hxselect read one document per process, so they run once "
           "per file in a shell loop; `spawn` is that loop around /bin/true, the cost of "
           "starting the processes alone.", "",
           "| workload | tool | wall s | CPU s | peak MiB | ratio | wall | CPU | memory | results |",
           "|---|---|---|---|---|---|---|---|---|---|"]
    for work in workloads:
        out.extend(rows(work))
    out += ["", "## Targets", ""]
    for work in workloads:
        out.extend(verdicts(work))
    counted = read(os.path.join(base, "instructions")).split()
    if counted:
        out += ["", "## Instructions executed", "",
                "Counted by valgrind's callgrind: unlike times, these do not move with the "
                "load of the machine.", "",
                "| workload | files | vestrel | floor | vestrel/floor |", "|---|---|---|---|---|"]
        for name in counted:
            directory = os.path.join(base, name)
            vestrel = read(os.path.join(directory, "vestrel.instructions"))
            floor = read(os.path.join(directory, "floor.instructions"))
            ratio = int(vestrel) / int(floor) if vestrel.isdigit() and floor.isdigit() else None
            out.append(f"| {name} | `{read(os.path.join(directory, 'files'))}` | "
                       f"{int(vestrel):,} | {int(floor):,} | {cell(ratio, 3)} |"
                       if ratio else f"| {name} | | n/a | n/a | n/a |")
    out += ["", "## Workloads", ""]
    for work in workloads:
        out.append(f"- {work.name}: selector `{work.selector}` on `{work.files}`, "
                   f"{work.rounds} rounds")
    print("\n".join(out))


if __name__ == "__main__":
    main()
