#!/usr/bin/env python3
"""Adds up the GoogleTest result files of a run: one line per architecture,
then one closing line over everything that ran.

usage: test-summary.py ARCH=BUILD_DIR [...] [-- CTEST_ARGS...]
       test-summary.py --self-check
The test executables expected are those ctest lists for the build tree with
the same arguments; one that left no result file (it crashed or timed out)
counts as one failed test, and so does one that ctest saw fail although its
result file shows no failed test (it failed after its tests, at exit).

A failure message may carry raw bytes of a test string in another code page:
such a file is not valid UTF-8, and its bytes are read as replacement
characters instead of losing the whole file.
"""
import subprocess
import sys
import tempfile
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


def failed_by_ctest(build):
    """The tests the last ctest run in build reported as failed."""
    log = Path(build) / "Testing" / "Temporary" / "LastTestsFailed.log"
    if not log.exists():
        return set()
    return {line.split(":", 1)[1].strip() for line in log.read_text(errors="replace").splitlines() if ":" in line}


def parse(path):
    data = path.read_bytes()
    try:
        return ET.fromstring(data)
    except ET.ParseError:
        return ET.fromstring(data.decode("utf-8", errors="replace").encode("utf-8"))


def count(results, expected, ctest_failed, report=print):
    passed = failed = skipped = 0
    for name in expected:
        f = results / f"{name}.xml"
        if not f.exists():
            failed += 1
            report(f"{name}: no results (crashed or timed out)")
            continue
        try:
            root = parse(f)
        except ET.ParseError:
            failed += 1
            report(f"unreadable result file: {f}")
            continue
        program_failed = 0
        for case in root.iter("testcase"):
            if case.find("failure") is not None:
                program_failed += 1
            elif case.get("result") == "skipped" or case.find("skipped") is not None:
                skipped += 1
            else:
                passed += 1
        if program_failed == 0 and name in ctest_failed:
            program_failed = 1
            report(f"{name}: failed after its tests passed (see its output above)")
        failed += program_failed
    return passed, failed, skipped


def line(label, passed, failed, skipped):
    return f"{label}: {passed} passed, {failed} failed" + (f", {skipped} skipped" if skipped else "")


def self_check():
    """The counting on made-up result files, so that a broken count shows."""
    head = b'<?xml version="1.0" encoding="UTF-8"?>\n<testsuites><testsuite name="S">'
    cases = {
        # Shift-JIS bytes in a failure message: not UTF-8.
        "dbcs": b'<testcase name="a"/><testcase name="b"><failure message="\x83\x5c\x83\x74\x83\x67"/>'
                b'</testcase><testcase name="c" result="skipped"><skipped/></testcase>',
        "plain": b'<testcase name="d"/><testcase name="e"/>',
        "atexit": b'<testcase name="f"/>',
    }
    with tempfile.TemporaryDirectory() as tmp:
        results = Path(tmp)
        for name, body in cases.items():
            (results / f"{name}.xml").write_bytes(head + body + b"</testsuite></testsuites>")
        (results / "cut.xml").write_bytes(head)
        got = count(results, ["dbcs", "plain", "atexit", "missing", "cut"], {"atexit"}, lambda _: None)
    # dbcs: 1 passed, 1 failed, 1 skipped; plain: 2 passed; atexit: its case
    # passed, but ctest saw the program fail: 1 passed, 1 failed; missing and
    # cut: 1 failed each.
    want = (4, 4, 1)
    if got != want:
        print(f"test-summary.py self-check: counted {got}, expected {want}")
        return 1
    return 0


if __name__ == "__main__":
    args = sys.argv[1:]
    if args == ["--self-check"]:
        sys.exit(self_check())
    ctest_args = args[args.index("--") + 1:] if "--" in args else []
    groups = args[:args.index("--")] if "--" in args else args
    total = [0, 0, 0]
    for group in groups:
        arch, build = group.split("=", 1)
        counts = count(Path(build) / "test-results", expected_tests(build, ctest_args), failed_by_ctest(build))
        print(line(arch, *counts))
        total = [a + b for a, b in zip(total, counts)]
    print(line("Tests", *total))
    sys.exit(1 if total[1] else 0)
