#!/usr/bin/env python3
"""Finds include circles between the modules of the given source folders.

usage: check-include-cycles.py [--xml RESULT.xml] FOLDER...

A module is a header with its source file (ui/Forms.h and ui/Forms.cpp): the
module depends on every module of these folders whose header either file
includes. A circle (Forms uses Application, which uses Forms) means neither
can be understood, tested or built without the other. Prints each circle
found and exits 1 when there is one. With --xml the result is also written
as a GoogleTest result file, one test case per folder, for the test summary.
"""
import re
import sys
from pathlib import Path
from xml.sax.saxutils import escape

ROOT = Path(__file__).resolve().parent.parent
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def modules(folders):
    """Maps each module ("ui/Forms") to the modules it includes."""
    graph = {}
    for folder in folders:
        for path in sorted((ROOT / folder).glob("*.[hc]*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            name = f"{folder}/{path.stem}"
            used = graph.setdefault(name, set())
            for target in INCLUDE.findall(path.read_text(errors="replace")):
                module = target.rsplit(".", 1)[0]
                if module != name:
                    used.add(module)
    return {name: {m for m in used if m in graph} for name, used in graph.items()}


def circles(graph):
    """The strongly connected groups of more than one module (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(graph[node]):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == node:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def write_xml(path, results):
    failures = sum(1 for _, problem in results if problem)
    cases = []
    for folder, problem in results:
        body = f'<failure message="{escape(problem, {chr(34): "&quot;"})}"/>' if problem else ""
        cases.append(f'    <testcase name="{folder}" status="run" result="completed" '
                     f'classname="IncludeCycles">{body}</testcase>')
    Path(path).write_text(
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        f'<testsuites tests="{len(results)}" failures="{failures}" name="AllTests">\n'
        f'  <testsuite name="IncludeCycles" tests="{len(results)}" failures="{failures}">\n'
        + "\n".join(cases) + "\n  </testsuite>\n</testsuites>\n")


def main(args):
    xml = None
    if args[:1] == ["--xml"]:
        xml, args = args[1], args[2:]
    if not args:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    graph = modules(args)
    groups = circles(graph)
    results = []
    for folder in args:
        inside = [g for g in groups if any(m.startswith(folder + "/") for m in g)]
        problem = "; ".join(" <-> ".join(g) for g in inside)
        results.append((folder, problem))
        print(f"{folder}: " + (f"include circle {problem}" if problem else "no include circle"))
    if xml:
        write_xml(xml, results)
    return 1 if groups else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
