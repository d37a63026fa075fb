#!/usr/bin/env python3
"""Adds up the GoogleTest result files of a run into one closing line."""
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

passed = failed = skipped = 0
for f in sorted(Path(sys.argv[1]).glob("*.xml")):
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
print(f"Tests: {passed} passed, {failed} failed" + (f", {skipped} skipped" if skipped else ""))
