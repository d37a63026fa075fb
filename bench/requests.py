#!/usr/bin/env python3
"""Counts the requests a program sends to the wineserver from its start until
its first window is shown, read from the log of a wineserver run with -d1.

Usage: requests.py LOG PROGRAM [--top N]

PROGRAM is the end of the program's path, as in "KLPInst.exe" or, to tell two
builds apart, "bench-kit-baseline\\KLPInst.exe".

Each request is a round trip to another process, so the count follows the
start-up time but, unlike a time, is the same on every run."""
import argparse
import collections
import re

SWP_SHOWWINDOW = 0x40
LINE = re.compile(r"([0-9a-f]{4}): (\w+)\((.*)")


def count(log, program):
    # The log writes each backslash of a path twice.
    program = program.replace("\\", "\\\\")
    pid, creator, threads = None, None, set()
    names = collections.Counter()
    with open(log, errors="replace") as lines:
        for line in lines:
            m = LINE.match(line)
            if not m:
                continue
            thread, name, rest = m.groups()
            reply = rest.startswith(")")
            if pid is None:
                # The new_process request names the image; its reply the id.
                if name == "new_process" and not reply and program + '"' in rest:
                    creator = thread
                elif name == "new_process" and reply and thread == creator:
                    pid = re.search(r"pid=([0-9a-f]+)", rest).group(1)
                continue
            if reply:
                if name in ("init_first_thread", "init_thread") and re.search(r"\bpid=%s\b" % pid, rest):
                    threads.add(re.search(r"tid=([0-9a-f]+)", rest).group(1))
                continue
            if thread not in threads:
                continue
            names[name] += 1
            if name == "set_window_pos":
                flags = int(re.search(r"swp_flags=([0-9a-f]+)", rest).group(1), 16)
                if flags & SWP_SHOWWINDOW:
                    return names
    raise SystemExit("%s: no window of %s was shown in %s" % (__file__, program, log))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("log")
    parser.add_argument("program")
    parser.add_argument("--top", type=int, default=0)
    args = parser.parse_args()
    names = count(args.log, args.program)
    print("%-36s %6d requests until its window is shown" % (args.program, sum(names.values())))
    for name, n in names.most_common(args.top):
        print("    %6d %s" % (n, name))


if __name__ == "__main__":
    main()
