#!/usr/bin/env python3
"""Runs quarrow-tree on one tags file with each of several option sets, RUNS times each, taking
the sets in turn so that a change in the machine's load falls on all of them alike, and prints a
line per set: the best and median wall time and the best and median processor time (user +
system), in seconds.

    bench/best_of.py RUNS TOOL TAGSFILE "OPTIONS" ...
      -> per set: wall_best wall_median cpu_best cpu_median

Processor time is reported besides wall time because on a shared machine the wall time of a
run mostly measures how long it waited for a processor.
"""
import os
import statistics
import subprocess
import sys
import time


def run_once(command):
    """Wall time and processor time of one run; wait4 gives the child's own times in microseconds."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit("best_of: %s failed with %d" % (" ".join(command), code))
    return wall, usage.ru_utime + usage.ru_stime


def main():
    runs, tool, tags = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    commands = [[tool] + options.split() + [tags] for options in sys.argv[4:]]
    run_once(commands[0])  # warm the page cache
    walls = [[] for _ in commands]
    cpus = [[] for _ in commands]
    for _ in range(runs):
        for i, command in enumerate(commands):
            wall, cpu = run_once(command)
            walls[i].append(wall)
            cpus[i].append(cpu)
    for wall, cpu in zip(walls, cpus):
        print("%.4f %.4f %.4f %.4f" % (min(wall), statistics.median(wall), min(cpu), statistics.median(cpu)))


if __name__ == "__main__":
    main()
