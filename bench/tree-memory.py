#!/usr/bin/env python3
"""Runs one command and measures the memory of its whole process tree.

    tree-memory.py [--interval SECONDS] [--timeout SECONDS] OUTPUT COMMAND...

/usr/bin/time's %M is the ru_maxrss that wait4() reports for the command:
on Linux the peak resident set of the largest single process among the
command and the descendants it waited for, never their sum. A program that
hands its inputs to worker processes holds the sum, so this script runs the
command under /usr/bin/time, for %M, and samples the tree below time: every
INTERVAL seconds (default 0.01) it walks the command's processes through
/proc/PID/task/TID/children and adds up their VmRSS (from /proc/PID/status)
and their Pss (from /proc/PID/smaps_rollup). The script makes itself a child
subreaper, so a process whose parent has exited stays in the tree (and is
waited for) instead of moving to init. (It cannot take ru_maxrss itself: its
children start as copies of a Python process, and the kernel keeps that
copy's size as their peak; time's children start as copies of time, about
1 MiB.)

OUTPUT gets one "name value" line each:
  largest_kib      /usr/bin/time's %M: the peak resident set of the largest
                   single process of the command
  tree_rss_kib     the largest sum of VmRSS over the processes alive at one
                   sample: the memory the tree held at once. Pages that
                   processes share (libraries, pages a fork has not copied
                   yet) count once per process, so this can exceed what the
                   machine really gave. Never less than largest_kib, since
                   the tree held at least that much when its largest process
                   peaked (which matters for runs shorter than a few samples)
  tree_pss_kib     the largest sum of Pss at one sample, which splits each
                   shared page among the processes sharing it: what the tree
                   cost the machine; sampled only
  sum_peaks_kib    the sum over every process seen of its VmHWM (its own
                   peak) at the last sample that saw it; peaks that did not
                   happen at the same time add up here, so this bounds the
                   tree from above (up to the sampling)
  processes        how many distinct processes the samples saw
  samples          how many samples were taken
  leftover         processes still running after the command itself had
                   exited (they are waited for, and counted above)
  exit             the command's exit status (124 after the timeout)

Sampling can miss a peak shorter than the interval in the sums; largest_kib
and sum_peaks_kib come from the kernel's own high-water marks, the latter up
to the last sample that saw each process.
"""

import ctypes
import os
import signal
import subprocess
import sys
import tempfile
import time

PR_SET_CHILD_SUBREAPER = 36


def descendants(root):
    """The process ids below ROOT, found through every thread's children list."""
    found, pending = [], [root]
    while pending:
        pid = pending.pop()
        try:
            tasks = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for task in tasks:
            try:
                with open(f"/proc/{pid}/task/{task}/children", encoding="ascii") as listing:
                    children = [int(word) for word in listing.read().split()]
            except OSError:
                continue
            found.extend(children)
            pending.extend(children)
    return found


def status_kib(pid):
    """VmRSS and VmHWM of PID in KiB; (0, 0) for a zombie or a process gone."""
    rss = hwm = 0
    try:
        with open(f"/proc/{pid}/status", encoding="ascii", errors="replace") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    rss = int(line.split()[1])
                elif line.startswith("VmHWM:"):
                    hwm = int(line.split()[1])
    except OSError:
        pass
    return rss, hwm


def pss_kib(pid):
    try:
        with open(f"/proc/{pid}/smaps_rollup", encoding="ascii", errors="replace") as rollup:
            for line in rollup:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def start_time(pid):
    """The start time of PID (field 22 of /proc/PID/stat): with the pid, a
    process's identity even when pids are reused."""
    try:
        with open(f"/proc/{pid}/stat", encoding="ascii", errors="replace") as stat:
            return stat.read().rsplit(")", 1)[1].split()[19]
    except (OSError, IndexError):
        return None


def main():
    arguments = sys.argv[1:]
    interval, limit = 0.01, None
    while arguments and arguments[0].startswith("--"):
        option = arguments.pop(0)
        if option == "--interval":
            interval = float(arguments.pop(0))
        elif option == "--timeout":
            limit = float(arguments.pop(0))
        else:
            sys.exit(f"tree-memory.py: unknown option {option}")
    if len(arguments) < 2:
        sys.exit("usage: tree-memory.py [--interval S] [--timeout S] OUTPUT COMMAND...")
    output, command = arguments[0], arguments[1:]

    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        sys.exit("tree-memory.py: cannot become a child subreaper")
    with tempfile.NamedTemporaryFile(prefix="tree-memory.", suffix=".time", delete=False) as held:
        time_output = held.name
    child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", time_output, *command],
                             start_new_session=True)
    started = time.monotonic()
    me = os.getpid()
    tree_rss = tree_pss = samples = 0
    last_peak = {}          # (pid, start time) -> VmHWM at the last sample
    exit_status, leftover, timed_out = None, 0, False

    while True:
        pids = descendants(me)
        rss_sum = pss_sum = 0
        for pid in pids:
            if pid == child.pid:
                continue    # /usr/bin/time, not the command
            rss, hwm = status_kib(pid)
            if rss == 0:
                continue    # a zombie: its memory is gone
            rss_sum += rss
            pss_sum += pss_kib(pid)
            identity = (pid, start_time(pid))
            last_peak[identity] = max(last_peak.get(identity, 0), hwm)
        tree_rss, tree_pss = max(tree_rss, rss_sum), max(tree_pss, pss_sum)
        samples += 1

        # Reap whatever has ended: the command, or a descendant that was
        # handed to this subreaper when its parent exited.
        while True:
            try:
                pid, status = os.waitpid(-1, os.WNOHANG)
            except ChildProcessError:
                pid = -1
                break
            if pid == 0:
                break
            if pid == child.pid:
                exit_status = os.waitstatus_to_exitcode(status)
                leftover = sum(1 for pid in descendants(me) if status_kib(pid)[0] > 0)
        if pid == -1:
            break           # no child of any kind is left
        if limit is not None and not timed_out and time.monotonic() - started > limit:
            timed_out = True
            for pid in [child.pid] + descendants(me):
                try:
                    os.kill(pid, signal.SIGKILL)
                except OSError:
                    pass
        time.sleep(interval)

    if timed_out:
        exit_status = 124
    try:
        with open(time_output, encoding="ascii") as figure:
            largest = int(figure.read().split()[-1])
    except (OSError, ValueError, IndexError):
        largest = 0         # killed by the timeout before time could write
    os.unlink(time_output)
    tree_rss = max(tree_rss, largest)
    with open(output, "w", encoding="ascii") as out:
        out.write(f"largest_kib {largest}\n"
                  f"tree_rss_kib {tree_rss}\n"
                  f"tree_pss_kib {tree_pss}\n"
                  f"sum_peaks_kib {sum(last_peak.values())}\n"
                  f"processes {len(last_peak)}\n"
                  f"samples {samples}\n"
                  f"leftover {leftover}\n"
                  f"exit {exit_status}\n")
    if exit_status is None:
        sys.exit(1)
    sys.exit(exit_status if exit_status >= 0 else 128 - exit_status)


if __name__ == "__main__":
    main()
