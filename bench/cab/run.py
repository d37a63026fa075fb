#!/usr/bin/env python3
"""Extraction benchmark: TSTCabReader against the thinnest FDI client (the
floor), Wine's extrac32 and cabextract, on three cabinet sets, alternating the
tools round by round. Prints medians, per-round ratios to the floor and peak
memory. Not part of the test run; see bench/README.md.

usage: bench/cab/run.py [--build DIR (default build/x86)] [--work DIR] [--rounds N] [--only a,b,c]
                       [--tools reader,floor,...] [--over] [--checks] [--compare]

--over   each run starts from a complete earlier installation (every file is
         replaced), copied from a template the floor made once
--checks also times the reader's checks before writing alone, in-process, on a
         missing and (with --over) a complete destination
--compare instead times floor, reader and reader with a progress handler in one
         process each (no Wine start), --rounds rounds, into an empty folder
         and over a complete earlier installation
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def win(path):
    return "Z:" + path.replace("/", "\\")


def source_pool(limit):
    """Real binaries of the machine: they compress like program files do."""
    pool, total = [], 0
    for base in ("/usr/lib/x86_64-linux-gnu", "/usr/lib/i386-linux-gnu", "/usr/bin"):
        for dirpath, _, names in sorted(os.walk(base)):
            for name in sorted(names):
                path = os.path.join(dirpath, name)
                if os.path.islink(path) or not os.path.isfile(path):
                    continue
                size = os.path.getsize(path)
                if size < 4096:
                    continue
                pool.append(path)
                total += size
                if total >= limit:
                    return pool
    return pool


def make_large(work):
    """(a) about 100 MB of cabinet in one MSZIP folder."""
    cab = os.path.join(work, "large.cab")
    if os.path.exists(cab):
        return cab
    src = os.path.join(work, "large-src")
    os.makedirs(src, exist_ok=True)
    for i, path in enumerate(source_pool(300 << 20)):
        shutil.copyfile(path, os.path.join(src, "f%04d_%s" % (i, os.path.basename(path))))
    names = sorted(os.listdir(src))
    subprocess.run(["gcab", "-c", "-z", cab] + names, cwd=src, check=True)
    return cab


def make_many(work):
    """(b) 20,000 small files in 500 nested directories."""
    cab = os.path.join(work, "many.cab")
    if os.path.exists(cab):
        return cab
    src = os.path.join(work, "many-src")
    names = []
    n = 0
    for top in range(20):
        for sub in range(25):
            rel = "pkg%02d/mod%02d" % (top, sub)
            os.makedirs(os.path.join(src, rel), exist_ok=True)
            for f in range(40):
                name = "%s/file%02d.txt" % (rel, f)
                with open(os.path.join(src, name), "w") as out:
                    out.write(("line %d of %s\n" % (n, name)) * (20 + (n * 37) % 150))
                names.append(name)
                n += 1
    subprocess.run(["gcab", "-c", "-z", cab] + names, cwd=src, check=True)
    return cab


def make_spanning(work, wine_run, bench_exe):
    """(c) a set of several cabinets, every boundary inside a file."""
    out = os.path.join(work, "span")
    first = os.path.join(out, "span1.cab")
    if os.path.exists(first):
        return first
    src = os.path.join(work, "span-src")
    os.makedirs(src, exist_ok=True)
    os.makedirs(out, exist_ok=True)
    # Six files of 14 MB each, cut from the binary pool.
    data = b"".join(open(p, "rb").read() for p in source_pool(90 << 20))
    for i in range(6):
        with open(os.path.join(src, "part%d.bin" % i), "wb") as f:
            f.write(data[i * (14 << 20):(i + 1) * (14 << 20)])
    wine_run([bench_exe, "makeset", win(src), win(out), str(9 << 20)], check=True)
    return first


class Wine:
    def __init__(self, build):
        self.env = dict(os.environ)
        prefix = os.path.join(build, "wineprefix")
        self.env.update(KLP_WINEPREFIX=prefix, WINEPREFIX=prefix, HOME=prefix + "-home", WINEDEBUG="-all",
                        WINEARCH="win64", WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        # The loader of the build's architecture, as scripts/wine-env.sh chooses it.
        arch = "x64" if os.path.basename(os.path.normpath(build)) == "x64" else "x86"
        self.env.update(KLP_ARCH=arch, WINELOADER="/usr/lib/wine/wine64" if arch == "x64" else "/usr/lib/wine/wine",
                        PATH=os.path.join(ROOT, "scripts", "loader") + os.pathsep + self.env.get("PATH", ""))
        subprocess.run([os.path.join(ROOT, "scripts", "prepare-prefix.sh")], env=self.env, check=True)
        subprocess.run(["wineserver", "-p"], env=self.env, stdin=subprocess.DEVNULL)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env)

    def __call__(self, args, check=False):
        # Output to files, never pipes: Wine's background services inherit the
        # handles and would keep a pipe open for as long as the wineserver runs.
        with open("/tmp/klp-bench-wine.log", "ab") as log:
            return subprocess.run(["wine"] + args, env=self.env, stdin=subprocess.DEVNULL,
                                  stdout=log, stderr=log, check=check)


def timed(cmd, env):
    """Wall seconds and peak resident memory (KiB) of one run."""
    stats = "/tmp/klp-bench-time.txt"
    start = time.perf_counter()
    with open("/tmp/klp-bench-run.log", "ab") as log:
        proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", stats] + cmd, env=env, stdin=subprocess.DEVNULL,
                              stdout=log, stderr=log)
    wall = time.perf_counter() - start
    peak = int(open(stats).read().split()[-1])
    return wall, peak, proc.returncode


def count_files(path):
    return sum(len(files) for _, _, files in os.walk(path))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "x86"))
    ap.add_argument("--work", default="/tmp/klp-cab-bench")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--only", default="a,b,c")
    ap.add_argument("--tools", default="")
    ap.add_argument("--over", action="store_true")
    ap.add_argument("--checks", action="store_true")
    ap.add_argument("--compare", action="store_true")
    args = ap.parse_args()
    bench_exe = os.path.join(args.build, "bench", "cab", "cab_bench.exe")
    if not os.path.exists(bench_exe):
        sys.exit("build the cab_bench target first")
    os.makedirs(args.work, exist_ok=True)
    wine = Wine(args.build)
    try:
        sets = {}
        only = args.only.split(",")
        if "a" in only:
            sets["a"] = make_large(args.work)
        if "b" in only:
            sets["b"] = make_many(args.work)
        if "c" in only:
            sets["c"] = make_spanning(args.work, wine, win(bench_exe))
        if args.compare:
            print("| set | destination | tool | median (ms) | median ratio to floor |")
            print("|---|---|---|---|---|")
            for key, cab in sets.items():
                for state in ("first", "over"):
                    out = "/tmp/klp-bench-compare.txt"
                    with open(out, "wb") as f:
                        subprocess.run(["wine", win(bench_exe), "compare", win(cab), win(args.work),
                                        str(args.rounds), state], env=wine.env, stdin=subprocess.DEVNULL, stdout=f,
                                       stderr=subprocess.DEVNULL, check=True)
                    for line in open(out):
                        words = line.split()
                        if len(words) == 6:
                            print("| %s | %s | %s | %s | %s |" % (key, state, words[1], words[3], words[5]),
                                  flush=True)
            return
        dest = os.path.join(args.work, "out")
        tools = {
            "reader": lambda cab: ["wine", win(bench_exe), "reader", win(cab), win(dest)],
            "reader-progress": lambda cab: ["wine", win(bench_exe), "reader-progress", win(cab), win(dest)],
            "floor": lambda cab: ["wine", win(bench_exe), "floor", win(cab), win(dest)],
            "extrac32": lambda cab: ["wine", "extrac32.exe", "/Y", "/E", "/L", win(dest), win(cab)],
            "cabextract": lambda cab: ["cabextract", "-q", "-d", dest, cab],
        }
        chosen = args.tools.split(",") if args.tools else (
            ["reader", "floor"] if args.over else ["reader", "floor", "extrac32", "cabextract"])
        tools = {t: tools[t] for t in chosen}
        order = list(tools)
        templates = {}
        if args.over:
            for key, cab in sets.items():
                templates[key] = os.path.join(args.work, key + "-installed")
                if not os.path.isdir(templates[key]):
                    os.makedirs(templates[key])
                    wine([win(bench_exe), "floor", win(cab), win(templates[key])], check=True)
        results = {k: {t: [] for t in tools} for k in sets}
        expected = {}
        for r in range(args.rounds):
            for key, cab in sets.items():
                rot = order[r % len(order):] + order[:r % len(order)]
                for tool in rot:
                    shutil.rmtree(dest, ignore_errors=True)
                    if args.over:
                        subprocess.run(["cp", "-a", templates[key], dest], check=True)
                    else:
                        os.makedirs(dest)
                    subprocess.run(["sync"])
                    wall, peak, rc = timed(tools[tool](cab), wine.env)
                    files = count_files(dest)
                    if tool in ("cabextract", "floor"):
                        expected.setdefault(key, files)
                    results[key][tool].append((wall, peak, rc, files))
                    print("round %d %s %-10s %7.2f s %7d KiB rc=%d files=%d" % (r + 1, key, tool, wall, peak, rc, files),
                          flush=True)
        checks = {}
        if args.checks:
            for key, cab in sets.items():
                for state in (["missing", "complete"] if args.over else ["missing"]):
                    shutil.rmtree(dest, ignore_errors=True)
                    if state == "complete":
                        subprocess.run(["cp", "-a", templates[key], dest], check=True)
                    out = "/tmp/klp-bench-checks.txt"
                    with open(out, "wb") as f:
                        subprocess.run(["wine", win(bench_exe), "checks", win(cab), win(dest)], env=wine.env,
                                       stdin=subprocess.DEVNULL, stdout=f, stderr=subprocess.DEVNULL, check=True)
                    ms = float(open(out).read().split("checks_ms")[1].split()[0])
                    checks[(key, state)] = ms
        shutil.rmtree(dest, ignore_errors=True)
        print()
        print("| set | tool | median wall (s) | median ratio to floor | peak memory (MiB) | files |")
        print("|---|---|---|---|---|---|")
        for key in sets:
            floor = [x[0] for x in results[key]["floor"]]
            for tool in tools:
                runs = results[key][tool]
                walls = [x[0] for x in runs]
                ratios = [w / f for w, f in zip(walls, floor)]
                files = runs[-1][3]
                note = "" if files == expected.get(key, files) else " (incomplete)"
                print("| %s | %s | %.2f | %.3f | %.1f | %d%s |" % (key, tool, statistics.median(walls),
                                                                   statistics.median(ratios),
                                                                   max(x[1] for x in runs) / 1024, files, note))
        if checks:
            print()
            print("| set | destination | checks before writing (ms, median of 7) | share of the reader's median wall |")
            print("|---|---|---|---|")
            for (key, state), ms in checks.items():
                wall = statistics.median(x[0] for x in results[key]["reader"]) if "reader" in results[key] else 0
                share = "%.2f %%" % (100 * ms / 1000 / wall) if wall else "-"
                print("| %s | %s | %.1f | %s |" % (key, state, ms, share))
    finally:
        wine.stop()


if __name__ == "__main__":
    main()
