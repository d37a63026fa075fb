#!/usr/bin/env python3
"""Adds up the GoogleTest result files of a run into one closing line.

usage: test-summary.py RESULT_DIR [EXPECTED_NAME ...]
A test executable that was expected but left no result file (it crashed or
timed out) counts as one failed test.
"""
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

results = Path(sys.argv[1])
expected = sys.argv[2:]
passed = failed = skipped = 0
for f in sorted(results.glob("*.xml")):
    try:
        root = ET.parse(f).getroot()
    except ET.ParseError:
        failed += 1
        print(f"unreadable result file: {f.name}")
        continue
    for case in root.iter("testcase"):
        if case.find("failure") is not None:
            failed += 1
        elif case.get("result") == "skipped" or case.find("skipped") is not None:
            skipped += 1
        else:
            passed += 1
for name in expected:
    if not (results / f"{name}.xml").exists():
        failed += 1
        print(f"{name}: no results (crashed or timed out)")
print(f"Tests: {passed} passed, {failed} failed" + (f", {skipped} skipped" if skipped else ""))
