#!/usr/bin/env python3
"""Adds up the GoogleTest result files of a run: one line per architecture,
then one closing line over everything that ran.

usage: test-summary.py ARCH=BUILD_DIR [...] [-- CTEST_ARGS...]
The test executables expected are those ctest lists for the build tree with
the same arguments; one that left no result file (it crashed or timed out)
counts as one failed test.
"""
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path


def expected_tests(build, ctest_args):
    out = subprocess.run(["ctest", "--test-dir", build, "-N", *ctest_args],
                         capture_output=True, text=True, check=False).stdout
    names = []
    for line in out.splitlines():
        line = line.strip()
        if line.startswith("Test") and "#" in line and ":" in line:
            names.append(line.split(":", 1)[1].strip())
    return names


def count(build, ctest_args):
    results = Path(build) / "test-results"
    passed = failed = skipped = 0
    for f in sorted(results.glob("*.xml")):
        try:
            root = ET.parse(f).getroot()
        except ET.ParseError:
            failed += 1
            print(f"unreadable result file: {f}")
            continue
        for case in root.iter("testcase"):
            if case.find("failure") is not None:
                failed += 1
            elif case.get("result") == "skipped" or case.find("skipped") is not None:
                skipped += 1
            else:
                passed += 1
    for name in expected_tests(build, ctest_args):
        if not (results / f"{name}.xml").exists():
            failed += 1
            print(f"{name}: no results (crashed or timed out)")
    return passed, failed, skipped


def line(label, passed, failed, skipped):
    return f"{label}: {passed} passed, {failed} failed" + (f", {skipped} skipped" if skipped else "")


args = sys.argv[1:]
ctest_args = args[args.index("--") + 1:] if "--" in args else []
groups = args[:args.index("--")] if "--" in args else args
total = [0, 0, 0]
for group in groups:
    arch, build = group.split("=", 1)
    counts = count(build, ctest_args)
    print(line(arch, *counts))
    total = [a + b for a, b in zip(total, counts)]
print(line("Tests", *total))
sys.exit(1 if total[1] else 0)
