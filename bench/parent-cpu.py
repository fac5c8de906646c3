#!/usr/bin/env python3
"""Runs one command and measures how much of its CPU time its own first
process took, apart from the children it waited for.

    parent-cpu.py OUTPUT COMMAND...

vestrel's first process reads the inputs, hands them to its workers and
writes what they give back; the workers do the real work. To see what the
first process costs by itself, this script starts COMMAND (directly, no
shell between), waits for it to end with waitid(WEXITED | WNOWAIT), which
leaves it a zombie whose /proc/PID/stat can still be read, takes its own
utime and stime from there (fields 14 and 15: every thread of the process,
none of its children), and only then reaps it with wait4(), whose resource
usage is the whole run's: the process and every descendant it waited for.

OUTPUT gets one "name value" line each:
  parent_s    the first process's own user + system time, in seconds, to the
              kernel's clock tick (tick_s)
  total_s     user + system time of the whole run (wait4's rusage)
  wall_s      wall time from the start to the end of the command
  tick_s      the resolution of parent_s: one clock tick
  exit        the command's exit status
"""

import os
import subprocess
import sys
import time


def own_cpu_seconds(pid):
    """utime + stime of PID from /proc/PID/stat, in seconds."""
    with open(f"/proc/{pid}/stat", encoding="ascii", errors="replace") as stat:
        # The command name (field 2) is in parentheses and may hold spaces:
        # the fields after it are counted from its closing parenthesis.
        fields = stat.read().rsplit(")", 1)[1].split()
    utime, stime = int(fields[11]), int(fields[12])   # fields 14 and 15
    return (utime + stime) / os.sysconf("SC_CLK_TCK")


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: parent-cpu.py OUTPUT COMMAND...")
    output, command = sys.argv[1], sys.argv[2:]
    started = time.monotonic()
    child = subprocess.Popen(command)
    os.waitid(os.P_PID, child.pid, os.WEXITED | os.WNOWAIT)
    wall = time.monotonic() - started
    parent = own_cpu_seconds(child.pid)
    _, status, usage = os.wait4(child.pid, 0)
    child.returncode = os.waitstatus_to_exitcode(status)   # reaped here, not by Popen
    total = usage.ru_utime + usage.ru_stime
    with open(output, "w", encoding="ascii") as out:
        out.write(f"parent_s {parent:.3f}\n"
                  f"total_s {total:.6f}\n"
                  f"wall_s {wall:.6f}\n"
                  f"tick_s {1 / os.sysconf('SC_CLK_TCK'):.3f}\n"
                  f"exit {child.returncode}\n")
    sys.exit(child.returncode if child.returncode >= 0 else 128 - child.returncode)


if __name__ == "__main__":
    main()
