#!/usr/bin/env python3
"""Turns the measurements of bench/run into the Markdown of bench/RESULTS.md,
and into the gnuplot program that draws the scaling plot.

    report.py [--plot PLOT_FILE] [--keep OLD_RESULTS] RESULTS_DIR MACHINE_LINE
    report.py --gnuplot SVG_FILE RESULTS_DIR

RESULTS_DIR holds the file workloads (their names in order) and one directory
per workload, each with: order (tool names), selector, files, inputs (how many
input files), cpus (the CPUs vestrel could run on), group ("small" for the
batches of small pages), TOOL.status ("ok" or why the tool was not timed),
TOOL.mem (/usr/bin/time output, peak KiB on the last line), TOOL.tree
(bench/tree-memory.py's figures), TOOL.count (results written), TOOL.sha256
(checksum of what a vestrel tool wrote) and round-N.json, hyperfine's figures
of one run of every timed tool per round. The tools TOOL-first and
TOOL-filled are TOOL with VESTREL_CACHE set: a first run, its cache directory
emptied before every run, and runs with a cache filled before the rounds. The
directory parent-cpu, when there, holds round-N.txt, bench/parent-cpu.py's
figures of one run each, and inputs.

With --plot, the Markdown shows PLOT_FILE (a name relative to the Markdown
file) in its scaling section. With --gnuplot, the output is a gnuplot program
that writes the scaling plot to SVG_FILE; the exit status is 1 when there are
no scaling rows to draw. With --keep, the sections of OLD_RESULTS that other
scripts write (each between a line "<!-- NAME: ... -->" and a line
"<!-- end of NAME -->", such as bench/fidelity's) follow the Markdown
unchanged.
"""

import glob
import json
import os
import re
import statistics
import sys

TIME_TARGET = 1.15     # vestrel / floor, median wall time, corpus and large page
MEMORY_TARGET = 1.5    # vestrel / floor, peak resident memory, every workload
TIME_TARGET_WORKLOADS = ("corpus", "large")
SCALING_WORKLOAD = "corpus"
ONE_JOB_TARGET = 1.05  # vestrel-j1 / floor, per page with one job: wall time and instructions
ONE_JOB_WORKLOADS = ("corpus", "web-pages")
CACHE_FILLED_TARGET = 0.15     # filled cache / no cache, wall time
CACHE_FIRST_TARGET = 1.05      # first run, empty cache / no cache, wall time
PARENT_CPU_TARGET = 0.015      # the first process's own CPU / the whole run's
CACHE_TOOL = re.compile(r"^(vestrel(?:-j[0-9]+)?)-(first|filled)$")
KEPT_SECTION = re.compile(r"^<!-- ([A-Za-z0-9_-]+): .*?-->$(.*?)^<!-- end of \1 -->$",
                          re.MULTILINE | re.DOTALL)
SCALING_WALL_TARGET = 0.6      # default jobs / one job, wall time, 2 CPUs or more
SCALING_CPU_TARGET = 1.1       # default jobs / one job, CPU time
SCALING_FLAT = 0.05            # speed-ups within 5% of the best count as no growth
MANY_INPUTS_TARGET = 1.5       # peak memory, the most small pages / the fewest
BUSY_MACHINE = 1.15            # one job's wall / CPU time above this: a busy machine
JOBS_TOOL = re.compile(r"^vestrel-j([0-9]+)$")


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


def tree_figures(path):
    """bench/tree-memory.py's "name value" lines as a dict of ints."""
    figures = {}
    for line in read(path).splitlines():
        name, _, value = line.partition(" ")
        try:
            figures[name] = int(value)
        except ValueError:
            pass
    return figures


def jobs_of(tool):
    """The VESTREL_JOBS of a vestrel-jN tool, None for any other tool."""
    match = JOBS_TOOL.match(tool)
    return int(match.group(1)) if match else None


def cache_row(tool):
    """(the tool without the cache, "first" or "filled") of a cache row, None
    for any other tool."""
    match = CACHE_TOOL.match(tool)
    return (match.group(1), match.group(2)) if match else None


class workload:
    """One workload's figures per tool."""

    def __init__(self, directory):
        self.name = os.path.basename(directory)
        self.selector = read(os.path.join(directory, "selector"))
        self.files = read(os.path.join(directory, "files"))
        self.inputs = int(read(os.path.join(directory, "inputs"), "0") or 0)
        self.cpus = int(read(os.path.join(directory, "cpus"), "0") or 0)
        self.group = read(os.path.join(directory, "group"))
        self.tools = read(os.path.join(directory, "order")).split()
        self.status = {t: read(os.path.join(directory, t + ".status")) for t in self.tools}
        self.memory = {t: peak_kib(os.path.join(directory, t + ".mem")) for t in self.tools
                       if self.status[t] == "ok"}
        self.tree = {t: tree_figures(os.path.join(directory, t + ".tree")) for t in self.tools
                     if self.status[t] == "ok"}
        self.count = {t: read(os.path.join(directory, t + ".count")) for t in self.tools}
        self.checksum = {t: read(os.path.join(directory, t + ".sha256")) for t in self.tools}
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

    def tree_kib(self, tool, figure="tree_rss_kib"):
        return self.tree.get(tool, {}).get(figure)

    def largest_kib(self, tool):
        """The largest process of the run that measured the tree, so that the
        two compare; the trial run's figure when there was no such run."""
        return self.tree_kib(tool, "largest_kib") or self.memory.get(tool)

    def rate(self, tool):
        """Files per second of a timed tool."""
        seconds = self.median.get(tool)
        return self.inputs / seconds if seconds and self.inputs else None

    def job_tools(self):
        """The vestrel-jN tools that ran, by N."""
        return sorted((t for t in self.tools if jobs_of(t) is not None and t in self.median),
                      key=jobs_of)

    def filled_job_tools(self):
        """The vestrel-jN-filled tools that ran, by N."""
        tools = [t for t in self.tools if t in self.median and cache_row(t)
                 and cache_row(t)[1] == "filled" and jobs_of(cache_row(t)[0]) is not None]
        return sorted(tools, key=lambda t: jobs_of(cache_row(t)[0]))

    def default_jobs(self):
        """How many inputs vestrel works on at once when VESTREL_JOBS is unset."""
        return max(1, min(self.cpus, self.inputs)) if self.cpus else None


def cell(value, digits=2):
    return "n/a" if value is None else f"{value:.{digits}f}"


def mib(kib):
    return cell(kib / 1024 if kib else None, 1)


def rows(work):
    lines = []
    for tool in work.tools:
        ok = work.status[tool] == "ok"
        if cache_row(tool):
            base = cache_row(tool)[0]
            against = f"{tool}/{base}"
        elif tool.startswith("vestrel"):
            base, against = "floor", f"{tool}/floor"
        elif tool in ("floor", "spawn"):
            base, against = None, ""
        else:
            base, against = "vestrel", f"{tool}/vestrel"
        if base not in work.tools:
            base, against = None, ""
        ratios = ["", "", ""]
        if base:
            ratios = [cell(work.ratio(table, tool, base))
                      for table in (work.median, work.cpu, work.memory)]
        median = cell(work.median.get(tool), 3) if ok else work.status[tool] or "not run"
        tree = mib(work.tree_kib(tool)) if tool.startswith("vestrel") and ok else ""
        lines.append("| {} | {} | {} | {} | {} | {} | {} | {} | {} | {} | {} |".format(
            work.name, tool, median, cell(work.cpu.get(tool), 3),
            mib(work.memory.get(tool)), tree, against, *ratios,
            work.count.get(tool) or ("" if tool in ("floor", "spawn") else "n/a")))
    return lines


def verdicts(work):
    lines = []
    if "floor" not in work.tools:
        return lines
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
    # The floor is one process: its largest process is its whole tree.
    tree_ratio = work.ratio({"vestrel": work.tree_kib("vestrel"),
                             "floor": work.memory.get("floor")}, "vestrel", "floor")
    lines.append(f"- {work.name}: peak memory vestrel/floor {cell(memory_ratio)} "
                 f"(target <= {MEMORY_TARGET}): {'met' if met else 'MISSED'}; "
                 f"with glibc's mmap threshold fixed at 128 KiB {cell(fixed_ratio)}; "
                 f"vestrel's whole process tree / floor {cell(tree_ratio)}")
    return lines


def one_job_verdicts(work):
    """Per page with one job, vestrel should stay within ONE_JOB_TARGET of the
    floor, which also works on one input at a time."""
    if work.name not in ONE_JOB_WORKLOADS or "floor" not in work.tools:
        return []
    wall = work.ratio(work.median, "vestrel-j1", "floor")
    cpu = work.ratio(work.cpu, "vestrel-j1", "floor")
    met = wall is not None and wall <= ONE_JOB_TARGET
    return [f"- {work.name}: wall time per page with one job, vestrel-j1/floor {cell(wall)} "
            f"(target <= {ONE_JOB_TARGET}): {'met' if met else 'MISSED'}; CPU time {cell(cpu)}"]


def cache_rows(work):
    """The cache rows of a workload that were timed, with their baselines."""
    return [(tool, *cache_row(tool)) for tool in work.tools
            if cache_row(tool) and tool in work.median and cache_row(tool)[0] in work.median]


def jobs_label(work, tool):
    jobs = jobs_of(tool)
    return str(jobs) if jobs is not None else f"default ({work.default_jobs()})"


def cache_section(workloads):
    measured = [w for w in workloads if cache_rows(w)]
    if not measured:
        return []
    out = ["", "## Cache of repaired documents", "",
           "vestrel with `VESTREL_CACHE` set to a directory of its own, in the same rounds as "
           "the rows above: first, a first run, the directory emptied before every timed run "
           "(hyperfine's --prepare, outside the time); filled, runs over a cache filled once "
           "before the rounds. Each is compared with the same job count without the cache in "
           "the same rounds. A binary that ignores the variable gives ratios near 1. Output: "
           "whether the run wrote the same `_all.lst` as without the cache.", "",
           "| workload | cache | jobs | wall s | CPU s | wall s without | wall / without "
           "| CPU / without | target | output |", "|---|---|---|---|---|---|---|---|---|---|"]
    for work in measured:
        for tool, base, kind in cache_rows(work):
            target = CACHE_FILLED_TARGET if kind == "filled" else CACHE_FIRST_TARGET
            shown = base in ("vestrel", "vestrel-j1")
            digest, reference = work.checksum.get(tool), work.checksum.get(base)
            output = "n/a" if not digest or not reference else (
                "same" if digest == reference else "DIFFERS")
            out.append("| {} | {} | {} | {} | {} | {} | {} | {} | {} | {} |".format(
                work.name, kind, jobs_label(work, base), cell(work.median.get(tool), 3),
                cell(work.cpu.get(tool), 3), cell(work.median.get(base), 3),
                cell(work.ratio(work.median, tool, base)), cell(work.ratio(work.cpu, tool, base)),
                f"<= {target}" if shown else "", output))
    return out


def cache_verdicts(work):
    lines = []
    for tool, base, kind in cache_rows(work):
        if base not in ("vestrel", "vestrel-j1"):
            continue    # the other job counts are there for the plot
        target = CACHE_FILLED_TARGET if kind == "filled" else CACHE_FIRST_TARGET
        wall = work.ratio(work.median, tool, base)
        met = wall is not None and wall <= target
        what = "a filled cache" if kind == "filled" else "a first run, empty cache,"
        lines.append(f"- {work.name}: wall time with {what} / without, "
                     f"{jobs_label(work, base)} job(s), {tool}/{base} {cell(wall)} "
                     f"(target <= {target}): {'met' if met else 'MISSED'}")
    if lines:
        tools = [t for t, _, _ in cache_rows(work)] + sorted({b for _, b, _ in cache_rows(work)})
        lines.append(f"- {work.name}: every cache row wrote the same `_all.lst` as without the "
                     f"cache: {same_output(work, tools)}")
    return lines


class parent_figures:
    """bench/parent-cpu.py's rounds: the first process's own CPU time and the
    whole run's."""

    def __init__(self, directory):
        self.inputs = int(read(os.path.join(directory, "inputs"), "0") or 0)
        self.cpus = int(read(os.path.join(directory, "cpus"), "0") or 0)
        self.failed = read(os.path.join(directory, "status")) == "failed"
        self.rounds = []
        for path in sorted(glob.glob(os.path.join(directory, "round-*.txt"))):
            figures = {}
            for line in read(path).splitlines():
                name, _, value = line.partition(" ")
                figures[name] = float(value)
            if figures.get("exit") == 0 and figures.get("total_s"):
                self.rounds.append(figures)

    def share(self):
        """The first process's CPU over all rounds / the whole runs' over all
        rounds: summed, so that the clock tick of one round matters less."""
        total = sum(r["total_s"] for r in self.rounds)
        return sum(r["parent_s"] for r in self.rounds) / total if total else None


def parent_section(figures):
    if not figures.rounds:
        return ["", "## The first process's share of CPU", "",
                "No round of bench/parent-cpu.py ended well."]
    shares = [r["parent_s"] / r["total_s"] for r in figures.rounds]
    tick = figures.rounds[0].get("tick_s", 0.01)
    return ["", "## The first process's share of CPU", "",
            f"{figures.inputs} small generated pages (`bench/make-pages.py --small`), no cache, "
            f"the default jobs ({max(1, min(figures.cpus, figures.inputs))}), "
            f"{len(figures.rounds)} runs under `bench/parent-cpu.py`: the first process's own "
            f"user + system time from its `/proc/PID/stat` (read while it is a zombie, after "
            f"waitid(WNOWAIT)), the whole run's from wait4(), which counts every worker it "
            f"waited for. /proc counts in clock ticks of {tick * 1000:.0f} ms, so the share "
            f"is taken over the runs together.", "",
            "| runs | first process CPU s | whole run CPU s | wall s (median) | share | "
            "share per run (median, range) |", "|---|---|---|---|---|---|",
            "| {} | {:.3f} | {:.3f} | {:.3f} | {} | {} ({} to {}) |".format(
                len(figures.rounds), sum(r["parent_s"] for r in figures.rounds),
                sum(r["total_s"] for r in figures.rounds),
                statistics.median(r["wall_s"] for r in figures.rounds),
                percent(figures.share()), percent(statistics.median(shares)),
                percent(min(shares)), percent(max(shares)))]


def percent(value):
    return "n/a" if value is None else f"{100 * value:.2f}%"


def parent_verdicts(figures):
    share = figures.share()
    met = share is not None and share <= PARENT_CPU_TARGET and not figures.failed
    failed = "; a run failed" if figures.failed else ""
    return [f"- {figures.inputs} small pages, default jobs, no cache: the first process's own "
            f"CPU time / the whole run's {percent(share)} (target <= "
            f"{percent(PARENT_CPU_TARGET)}): {'met' if met else 'MISSED'}{failed}"]


def same_output(work, tools):
    """Whether every tool among TOOLS wrote the same bytes; a sentence."""
    sums = {tool: work.checksum.get(tool) for tool in tools if work.status.get(tool) == "ok"}
    if not sums or not all(sums.values()):
        return "n/a (an output was not kept)"
    reference = sums.get("vestrel-j1") or next(iter(sums.values()))
    differing = [tool for tool, digest in sums.items() if digest != reference]
    if not differing:
        return "yes"
    return "NO: " + ", ".join(differing) + " differ from " + (
        "vestrel-j1" if "vestrel-j1" in sums else next(iter(sums)))


def jobs_phrase(count):
    return "1 job" if count == 1 else f"{count} jobs"


def growth_sentence(work):
    """Where the speed-up over one job stops growing, as far as the rows show:
    the fewest jobs whose speed-up is within SCALING_FLAT of the best."""
    tools = work.job_tools()
    one = work.median.get("vestrel-j1")
    if not one or len(tools) < 2:
        return "Too few job counts were measured to see where the speed-up stops growing."
    speedups = [(jobs_of(t), one / work.median[t]) for t in tools]
    best_jobs, best = max(speedups, key=lambda pair: pair[1])
    enough, reached = next((jobs, speedup) for jobs, speedup in speedups
                           if speedup >= best * (1 - SCALING_FLAT))
    flat = int(SCALING_FLAT * 100)
    if enough == 1:
        return (f"The speed-up does not grow past one job: no job count measured is more than "
                f"{flat}% faster than one job (the best, {cell(best)} times one job, at "
                f"{jobs_phrase(best_jobs)}).")
    if enough == speedups[-1][0]:
        return (f"The speed-up was still growing at {jobs_phrase(enough)}, the most measured "
                f"({cell(reached)} times one job).")
    return (f"The speed-up stops growing at {jobs_phrase(enough)} ({cell(reached)} times one "
            f"job), within {flat}% of the best measured ({cell(best)} times, at "
            f"{jobs_phrase(best_jobs)}).")


def scaling_section(work, plot):
    tools = work.job_tools()
    one = "vestrel-j1"
    default_jobs = work.default_jobs()
    out = ["", "## Scaling", "",
           f"The {work.name} workload ({work.inputs} files) with `VESTREL_JOBS` set to each job "
           f"count, timed in the same rounds as the tools above; `vestrel` is the run with "
           f"`VESTREL_JOBS` unset, which works on as many inputs at once as there are CPUs "
           f"({work.cpus}), at most one per input: here {default_jobs}. Speed-up and CPU are "
           f"against `{one}`. CPU time is user + system of the whole run, the workers "
           f"included (hyperfine takes it from getrusage(RUSAGE_CHILDREN), which counts every "
           f"descendant that was waited for). Largest process: /usr/bin/time's %M, the peak "
           f"resident set of the largest single process of the run. Process tree: the largest "
           f"sum of the resident sets of all the run's processes at one moment "
           f"(bench/tree-memory.py, sampled every 10 ms); PSS: the same with each shared page "
           f"split among the processes that share it, what the run cost the machine. The three "
           f"come from one run of each tool under bench/tree-memory.py. Output: "
           f"whether the tool wrote the same `_all.lst` as `{one}`. The rows ending in "
           f"`-filled` ran with a filled cache of repaired documents (`VESTREL_CACHE`, "
           f"below), their speed-up too against `{one}` without the cache.", ""]
    if plot:
        out += [f"![Files per second against jobs]({plot})", ""]
    out += ["| tool | jobs | wall s | CPU s | files/s | speed-up | CPU / 1 job "
            "| largest process MiB | process tree MiB | tree PSS MiB | output |",
            "|---|---|---|---|---|---|---|---|---|---|---|"]
    reference = work.checksum.get(one)
    filled = work.filled_job_tools() + (["vestrel-filled"] if "vestrel-filled" in work.median
                                        else [])
    for tool in tools + (["vestrel"] if "vestrel" in work.median else []) + filled:
        plain = cache_row(tool)[0] if cache_row(tool) else tool
        jobs = jobs_of(plain) if plain != "vestrel" else default_jobs
        digest = work.checksum.get(tool)
        output = "n/a" if not digest or not reference else (
            "same" if digest == reference else "DIFFERS")
        out.append("| {} | {} | {} | {} | {} | {} | {} | {} | {} | {} | {} |".format(
            tool, jobs, cell(work.median.get(tool), 3), cell(work.cpu.get(tool), 3),
            cell(work.rate(tool), 1), cell(work.ratio(work.median, one, tool)),
            cell(work.ratio(work.cpu, tool, one)), mib(work.largest_kib(tool)),
            mib(work.tree_kib(tool)), mib(work.tree_kib(tool, "tree_pss_kib")), output))
    out += ["", f"The floor, one process working on one input at a time: "
            f"{cell(work.rate('floor'), 1)} files/s.", growth_sentence(work)]
    # One job uses one CPU: a wall time well above its CPU time means that
    # other work held the CPUs, and the speed-ups carry that noise.
    wall, cpu = work.median.get(one), work.cpu.get(one)
    if wall and cpu and wall / cpu > BUSY_MACHINE:
        out.append(f"Caution: one job's wall time was {cell(wall / cpu)} times its CPU time, so "
                   f"other work held the CPUs during the rounds; the speed-ups carry that noise.")
    return out


def scaling_verdicts(work):
    wall = work.ratio(work.median, "vestrel", "vestrel-j1")
    cpu = work.ratio(work.cpu, "vestrel", "vestrel-j1")
    tree = work.ratio({t: work.tree_kib(t) for t in work.tools}, "vestrel", "vestrel-j1")
    if work.cpus >= 2:
        met = wall is not None and wall <= SCALING_WALL_TARGET
        wall_verdict = "met" if met else "MISSED"
    else:
        wall_verdict = "does not apply on 1 CPU"
    met = cpu is not None and cpu <= SCALING_CPU_TARGET
    jobs_tools = [t for t in work.tools if t == "vestrel" or jobs_of(t) is not None]
    return [f"- {work.name}: wall time with default jobs ({work.default_jobs()}) / one job "
            f"{cell(wall)} (target <= {SCALING_WALL_TARGET} with 2 CPUs or more, here "
            f"{work.cpus}): {wall_verdict}",
            f"- {work.name}: CPU time with default jobs / one job {cell(cpu)} "
            f"(target <= {SCALING_CPU_TARGET}): {'met' if met else 'MISSED'}; "
            f"process tree memory {cell(tree)}",
            f"- {work.name}: every job count wrote the same `_all.lst`: "
            f"{same_output(work, jobs_tools)}"]


def leftover_verdicts(workloads):
    """A vestrel run should end all its workers before it exits."""
    lines = []
    for work in workloads:
        for tool in work.tools:
            count = work.tree_kib(tool, "leftover")
            if count:
                lines.append(f"- {work.name}: {tool} left {count} process(es) running after "
                             f"it exited: MISSED")
    return lines


def small_batches(workloads):
    """The batches of small pages, fewest inputs first."""
    return sorted((w for w in workloads if w.group == "small"), key=lambda w: w.inputs)


def many_inputs_section(batches):
    out = ["", "## Many inputs", "",
           "The same small generated pages (`bench/make-pages.py --small`, about 2 KB each), "
           "a few and many in one run, given as the one pattern `'*.html'` that vestrel "
           "resolves itself. Largest process: the peak resident set of the largest single "
           "process (/usr/bin/time's %M); process tree: the largest sum of the resident sets "
           "of all the run's processes at one moment, and PSS the same with shared pages "
           "split among their sharers (bench/tree-memory.py, one run per tool).", "",
           "| files | tool | wall s | CPU s | files/s | largest process MiB | process tree MiB "
           "| tree PSS MiB |", "|---|---|---|---|---|---|---|---|"]
    for work in batches:
        for tool in work.tools:
            if work.status[tool] != "ok":
                out.append(f"| {work.inputs} | {tool} | {work.status[tool] or 'not run'} "
                           f"| | | | | |")
                continue
            out.append("| {} | {} | {} | {} | {} | {} | {} | {} |".format(
                work.inputs, tool, cell(work.median.get(tool), 3), cell(work.cpu.get(tool), 3),
                cell(work.rate(tool), 1), mib(work.largest_kib(tool)), mib(work.tree_kib(tool)),
                mib(work.tree_kib(tool, "tree_pss_kib"))))
    return out


def many_inputs_verdicts(batches):
    few, many = batches[0], batches[-1]
    lines = []
    for tool in many.tools:
        largest = many.largest_kib(tool), few.largest_kib(tool)
        tree = many.tree_kib(tool), few.tree_kib(tool)
        ratios = [a / b if a and b else None for a, b in (largest, tree)]
        met = all(r is not None and r <= MANY_INPUTS_TARGET for r in ratios)
        lines.append(f"- many inputs, {tool}: peak memory {many.inputs} files / {few.inputs} "
                     f"files: largest process {cell(ratios[0])}, process tree "
                     f"{cell(ratios[1])} (target <= {MANY_INPUTS_TARGET}): "
                     f"{'met' if met else 'MISSED'}")
    return lines


def markdown(base, machine, plot):
    workloads = [workload(os.path.join(base, name))
                 for name in read(os.path.join(base, "workloads")).split()]
    batches = small_batches(workloads)
    main_workloads = [w for w in workloads if w not in batches]
    scaling = next((w for w in main_workloads
                    if w.name == SCALING_WORKLOAD and w.job_tools()), None)
    out = ["# Benchmark results", "",
           f"Machine: {machine}.", "",
           "Written by `bench/run`; every figure below comes from that one run. Times are "
           "medians over rounds in which hyperfine ran every tool once, one after another: "
           "wall time, and CPU time (user + system, of the tool's processes and every child "
           "they waited for). Memory is the peak resident set of one run: peak MiB that of "
           "its largest single process (for loops and pipelines too), tree MiB the largest "
           "sum over all of a vestrel run's processes at one moment. vestrel-jN is vestrel "
           "with `VESTREL_JOBS=N`; vestrel leaves it unset. Ratios: vestrel/floor "
           "for vestrel, peer/vestrel for the peers (above 1: the peer is slower or bigger). "
           "Results: how many results the tool wrote. The floor (`bench/floor.cpp`) reads each "
           "file, runs Tidy with vestrel's settings and parses the XHTML with TinyXML2, "
           "nothing else. pup and hxselect read one document per process, so they run once "
           "per file in a shell loop; `spawn` is that loop around /bin/true, the cost of "
           "starting the processes alone."]
    if main_workloads:
        out += ["", "| workload | tool | wall s | CPU s | peak MiB | tree MiB | ratio | wall | CPU "
                "| memory | results |",
                "|---|---|---|---|---|---|---|---|---|---|---|"]
    for work in main_workloads:
        out.extend(rows(work))
    parent_directory = os.path.join(base, "parent-cpu")
    parent = parent_figures(parent_directory) if os.path.isdir(parent_directory) else None
    if scaling:
        out.extend(scaling_section(scaling, plot))
    out.extend(cache_section(main_workloads))
    if len(batches) >= 2:
        out.extend(many_inputs_section(batches))
    if parent:
        out.extend(parent_section(parent))
    out += ["", "## Targets", ""]
    for work in main_workloads:
        out.extend(verdicts(work))
        out.extend(one_job_verdicts(work))
    if scaling:
        out.extend(scaling_verdicts(scaling))
    for work in main_workloads:
        out.extend(cache_verdicts(work))
    if len(batches) >= 2:
        out.extend(many_inputs_verdicts(batches))
    if parent:
        out.extend(parent_verdicts(parent))
    out.extend(leftover_verdicts(workloads))
    counted = read(os.path.join(base, "instructions")).split()
    if counted:
        out += ["", "## Instructions executed", "",
                "Counted by valgrind's callgrind, with `VESTREL_JOBS=1`: unlike times, these "
                "do not move with the load of the machine. Target: vestrel/floor <= "
                f"{ONE_JOB_TARGET}, within 5% of the floor per page with one job.", "",
                "| workload | files | vestrel | floor | vestrel/floor | target |",
                "|---|---|---|---|---|---|"]
        for name in counted:
            directory = os.path.join(base, name)
            vestrel = read(os.path.join(directory, "vestrel.instructions"))
            floor = read(os.path.join(directory, "floor.instructions"))
            ratio = int(vestrel) / int(floor) if vestrel.isdigit() and floor.isdigit() else None
            verdict = "met" if ratio and ratio <= ONE_JOB_TARGET else "MISSED"
            out.append(f"| {name} | `{read(os.path.join(directory, 'files'))}` | "
                       f"{int(vestrel):,} | {int(floor):,} | {cell(ratio, 3)} | {verdict} |"
                       if ratio else f"| {name} | | n/a | n/a | n/a | MISSED |")
    out += ["", "## Workloads", ""]
    for work in workloads:
        out.append(f"- {work.name}: selector `{work.selector}` on `{work.files}` "
                   f"({work.inputs} files), {work.rounds} rounds")
    return "\n".join(out)


def kept_sections(old):
    """The sections of an earlier results file that other scripts wrote,
    markers included, in their order."""
    return [found.group(0) for found in KEPT_SECTION.finditer(old)]


def gnuplot_program(base, svg):
    """The gnuplot program of the scaling plot, None without scaling rows."""
    directory = os.path.join(base, SCALING_WORKLOAD)
    if not os.path.isdir(directory):
        return None
    work = workload(directory)
    points = [(jobs_of(t), work.rate(t)) for t in work.job_tools()]
    points = [(jobs, rate) for jobs, rate in points if rate]
    if not points:
        return None
    most = max(jobs for jobs, _ in points)
    one = dict(points).get(1)
    floor = work.rate("floor")
    default = work.rate("vestrel")
    quoted_svg = svg.replace("\\", "\\\\").replace('"', '\\"')
    lines = [
        "set encoding utf8",
        'set terminal svg size 800,500 dynamic noenhanced font "DejaVu Sans,13" background "white"',
        f'set output "{quoted_svg}"',
        f'set title "vestrel on {work.inputs} corpus pages, selector {work.selector}, mode 1"',
        'set xlabel "jobs (VESTREL_JOBS)"',
        'set ylabel "files per second"',
        f"set xrange [0.5:{most + 0.5}]",
        "set yrange [0:*]",
        "set grid ytics",
        "set key top left box opaque",
        "set offsets 0, 0, graph 0.45, 0",
        "set xtics 1" if most <= 16 else "set xtics autofreq",
        "$jobs << EOD",
        *[f"{jobs} {rate:.3f}" for jobs, rate in points],
        "EOD",
    ]
    plots = []
    if one:
        plots.append(f"(x >= 1 && x <= {most}) ? {one:.3f} * x : 1/0 with lines dashtype 3 linewidth 1.5 "
                     'linecolor rgb "#999999" title "linear: jobs × one job"')
    if floor:
        plots.append(f"{floor:.3f} with lines dashtype 2 linewidth 2 linecolor rgb \"#d62728\" "
                     f'title "floor, one process: {floor:.1f} files/s"')
    plots.append('$jobs using 1:2 with linespoints pointtype 7 pointsize 1.2 linewidth 2 '
                 'linecolor rgb "#1f77b4" title "vestrel, VESTREL_JOBS=N"')
    filled = [(jobs_of(cache_row(t)[0]), work.rate(t)) for t in work.filled_job_tools()]
    filled = [(jobs, rate) for jobs, rate in filled if rate]
    if filled:
        lines += ["$filled << EOD", *[f"{jobs} {rate:.3f}" for jobs, rate in filled], "EOD"]
        plots.append('$filled using 1:2 with linespoints pointtype 5 pointsize 1.2 linewidth 2 '
                     'linecolor rgb "#9467bd" title "vestrel, filled cache (VESTREL_CACHE)"')
    if default and work.default_jobs():
        lines += ["$default << EOD", f"{work.default_jobs()} {default:.3f}", "EOD"]
        plots.append('$default using 1:2 with points pointtype 6 pointsize 2.5 linewidth 2 '
                     'linecolor rgb "#2ca02c" '
                     f'title "vestrel, VESTREL_JOBS unset ({work.default_jobs()} jobs)"')
    lines.append("plot " + ", \\\n     ".join(plots))
    return "\n".join(lines) + "\n"


def main():
    arguments = sys.argv[1:]
    if len(arguments) == 3 and arguments[0] == "--gnuplot":
        program = gnuplot_program(arguments[2], arguments[1])
        if program is None:
            sys.exit(1)
        sys.stdout.write(program)
        return
    plot = keep = None
    while len(arguments) > 2 and arguments[0] in ("--plot", "--keep"):
        if arguments[0] == "--plot":
            plot = arguments[1]
        else:
            keep = arguments[1]
        arguments = arguments[2:]
    if len(arguments) != 2:
        sys.exit("usage: report.py [--plot PLOT_FILE] [--keep OLD_RESULTS] RESULTS_DIR "
                 "MACHINE_LINE\n"
                 "       report.py --gnuplot SVG_FILE RESULTS_DIR")
    text = markdown(arguments[0], arguments[1], plot)
    kept = kept_sections(read(keep)) if keep else []
    print("\n\n".join([text] + kept))


if __name__ == "__main__":
    main()
