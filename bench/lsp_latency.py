#!/usr/bin/env python3
"""Times the language server (ks-image-check --lsp): from a change of a script to
the diagnostics of that change, as a writer waits for them.

    bench/lsp_latency.py [--edits N] [--seed N] [PROGRAM]

On the large generated project (bench/out/large, the one run_bench.sh uses):

  biggest   the project's biggest script is opened, then edited N times, one
            character each, each change waited for; median and worst time from
            sending didChange to receiving its publishDiagnostics, the server's
            pause for typing (150 ms) included. Target: worst at most 1.0 s.
  20 MB     a script of 20 MB (the project's scripts one after the other) and one
            with a line of 2 MB: time to the diagnostics after opening and after
            a change, and the time a hover takes right after such a change.
  memory    the server's resident memory after 100 and after 2,000 quick edits of
            the biggest script. Target: at most 1.10 times as much.

PROGRAM defaults to build/release/ks-image-check. Exit status: 0 targets met,
1 a target missed, 2 the benchmark could not run.
"""

import argparse
import os
import statistics
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent / "tests" / "lsp"))

import bench_runner  # noqa: E402
from lsp_client import LspClient, file_uri  # noqa: E402

LATENCY_LIMIT_S = 1.0
MEMORY_FLATNESS_LIMIT = 1.10
BIG_SCRIPT_BYTES = 20 << 20
LONG_LINE_BYTES = 2 << 20


def resident_mb(pid):
    with open(f"/proc/{pid}/status", encoding="ascii") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    raise bench_runner.RunError("no VmRSS in /proc")


class Session:
    def __init__(self, program, root):
        self.client = LspClient([program, "--lsp"])
        self.version = 1
        start = time.perf_counter()
        self.client.initialize(root, watch_files=False)
        self.initialize_s = time.perf_counter() - start

    def open(self, path, text):
        start = time.perf_counter()
        uri = self.client.open(path, text)
        diagnostics = self.client.diagnostics(uri, 1, timeout=120)
        return uri, time.perf_counter() - start, diagnostics

    def insert(self, uri, line, character, text, wait=True):
        """Inserts `text`; with `wait`, returns the seconds to its diagnostics."""
        self.version += 1
        at = {"line": line, "character": character}
        start = time.perf_counter()
        self.client.notify("textDocument/didChange", {
            "textDocument": {"uri": uri, "version": self.version},
            "contentChanges": [{"range": {"start": at, "end": at}, "text": text}]})
        if not wait:
            return None
        self.client.diagnostics(uri, self.version, timeout=120)
        return time.perf_counter() - start

    def hover_s(self, uri, line, character):
        start = time.perf_counter()
        self.client.request("textDocument/hover", {
            "textDocument": {"uri": uri}, "position": {"line": line, "character": character}})
        return time.perf_counter() - start

    def end(self):
        self.client.close()


def verdict(ok):
    return "PASS" if ok else "FAIL"


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program", nargs="?",
                        default=str(HERE.parent / "build/release/ks-image-check"))
    parser.add_argument("--edits", type=int, default=30)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args(argv)
    program = os.path.abspath(args.program)
    if not os.access(program, os.X_OK):
        print(f"no program at {program}; build it first (cmake --preset release && "
              "cmake --build --preset release) or pass its path", file=sys.stderr)
        return 2
    root = Path(bench_runner.ensure_project(str(HERE), "large", ["--preset", "large"],
                                            args.seed))
    scripts = sorted((root / "scenario").glob("*.ks"))
    biggest = max(scripts, key=lambda p: p.stat().st_size)
    text = biggest.read_text(encoding="utf-8-sig")
    lines = text.split("\n")
    # An edit in the middle of a dialogue line: every edit re-checks the whole script.
    middle = next(i for i in range(len(lines) // 2, len(lines)) if lines[i].strip())
    passed = True

    session = Session(program, root)
    print(f"program: {program}")
    print(f"initialize (the walk of the project): {session.initialize_s:.3f} s")
    uri, open_s, diagnostics = session.open(biggest, text)
    print(f"biggest script {biggest.name}: {len(text.encode()) / 1024:.0f} KiB, "
          f"{len(lines)} lines, {len(diagnostics)} diagnostics; open {open_s:.3f} s")
    times = [session.insert(uri, middle, 0, "あ") for _ in range(args.edits)]
    worst = max(times)
    print(f"change -> diagnostics over {args.edits} edits: median "
          f"{statistics.median(times):.3f} s, worst {worst:.3f} s")
    ok = worst <= LATENCY_LIMIT_S
    passed &= ok
    print(f"{verdict(ok)} latency: worst {worst:.3f} s <= {LATENCY_LIMIT_S:.1f} s")

    for _ in range(100):
        session.insert(uri, middle, 0, "x", wait=False)
    session.insert(uri, middle, 0, "x")
    after_100 = resident_mb(session.client.process.pid)
    for _ in range(1900):
        session.insert(uri, middle, 0, "x", wait=False)
    session.insert(uri, middle, 0, "x")
    after_2000 = resident_mb(session.client.process.pid)
    ratio = after_2000 / after_100
    ok = ratio <= MEMORY_FLATNESS_LIMIT
    passed &= ok
    print(f"resident memory: {after_100:.1f} MB after 100 edits, {after_2000:.1f} MB "
          f"after 2,000")
    print(f"{verdict(ok)} memory: {ratio:.2f} times <= {MEMORY_FLATNESS_LIMIT:.2f}")

    all_text = "".join(p.read_text(encoding="utf-8-sig") for p in scripts)
    big_text = (all_text * (BIG_SCRIPT_BYTES // len(all_text.encode()) + 1))
    big_text = big_text[:BIG_SCRIPT_BYTES // 3]  # most characters take three bytes
    big_lines = big_text.count("\n")
    big_uri, open_s, diagnostics = session.open(root / "scenario" / "20mb.ks", big_text)
    change_s = session.insert(big_uri, big_lines // 2, 0, "あ")
    hover_s = session.hover_s(big_uri, big_lines // 2, 0)
    print(f"20 MB script ({len(big_text.encode()) / 1e6:.1f} MB, {big_lines} lines, "
          f"{len(diagnostics)} diagnostics): open {open_s:.3f} s, change {change_s:.3f} s, "
          f"hover after it {hover_s:.3f} s")

    long_line = ("「" + "あ" * (LONG_LINE_BYTES // 3) + "」[bg storage=\"far.png\"]")
    long_uri, open_s, _ = session.open(root / "scenario" / "long-line.ks",
                                       "*start\n" + long_line + "\n")
    change_s = session.insert(long_uri, 1, 1, "い")
    hover_s = session.hover_s(long_uri, 1, len(long_line) - 5)
    print(f"a line of {len(long_line.encode()) / 1e6:.1f} MB: open {open_s:.3f} s, "
          f"change {change_s:.3f} s, hover {hover_s:.3f} s")
    session.end()
    return 0 if passed else 1


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (bench_runner.RunError, TimeoutError, EOFError) as error:
        print(f"benchmark failed: {error}", file=sys.stderr)
        sys.exit(2)
