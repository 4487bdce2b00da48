#!/usr/bin/env python3
"""Times ks-image-check on generated projects against the cost of their I/O.

Called by run_bench.sh, which supplies the default program path. Three modes:

  default      one project (preset small, large or numbered): the program and the
               I/O floor (every script read once, the whole tree listed once) run
               alternately, after one warm-up of each; medians, their ratio and the
               peak resident memory are printed. With --write-floor (the default for
               numbered) a second floor also writes as many bytes as the program
               does (its own count, /proc/PID/io) and is timed alongside.
  --scaling    the program on a base project, on one twice its size (scripts,
               lines, references, files) and on one with four times the lines per
               script; prints the time ratio and the peak-memory ratio.
  --callgrind  the instructions of one run on one thread (valgrind's callgrind,
               KIC_THREADS=1), with did-you-mean and with it switched off
               (KIC_SUGGESTIONS=0); prints both and their ratio.

Runs are alternated so that a slow phase of the machine hits both sides alike.
The page cache is warm after the warm-ups; nothing is dropped, so both sides
measure work on cached data.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

TIME_BINARY = "/usr/bin/time"
FLOOR_SCRIPT = "cat scenario/*.ks >/dev/null; find . >/dev/null"
FLOOR_COMMAND = ["sh", "-c", FLOOR_SCRIPT]
WRITE_FLOOR_FILE = "kic_floor_writes.tmp"

FLOOR_RATIO_LIMIT = 3.0
WRITE_FLOOR_RATIO_LIMIT = 2.0
PEAK_MEMORY_LIMIT_MB = 64.0
TIME_SCALING_LIMIT = 2.2
MEMORY_FLATNESS_LIMIT = 1.10
SUGGESTION_INSTRUCTIONS_LIMIT = 1.15

# Files the program leaves in the folder it runs in, and the write floor's.
OUTPUT_PATTERN = re.compile(
    r"^(tag_report_image_\d{8}_\d{6}\.txt|image_error_log\.txt|temp_image_error_log\.txt"
    r"|kic_floor_writes\.tmp)$")

# The base of --scaling: a quarter of the large preset keeps three projects and
# their runs within a few minutes while staying far above process start-up costs.
SCALING_BASE = ["--preset", "large", "--scale", "0.25"]
SCALING_PROJECTS = [
    ("scale-x1", SCALING_BASE),
    ("scale-x2", ["--preset", "large", "--scale", "0.5"]),
    ("lines-x4", SCALING_BASE + ["--lines-scale", "4"]),
]


class RunError(Exception):
    pass


def median(values):
    ordered = sorted(values)
    if not ordered:
        raise ValueError("median of nothing")
    middle = len(ordered) // 2
    if len(ordered) % 2:
        return ordered[middle]
    return (ordered[middle - 1] + ordered[middle]) / 2


def write_floor_command(byte_count):
    """The floor, then `byte_count` bytes written to a file in the project."""
    return ["sh", "-c", f"{FLOOR_SCRIPT}; head -c {int(byte_count)} /dev/zero >{WRITE_FLOOR_FILE}"]


def parse_written_bytes(proc_io):
    """The bytes passed to write() from the text of /proc/PID/io."""
    match = re.search(r"^wchar:\s*(\d+)", proc_io, re.MULTILINE)
    if not match:
        raise RunError("no wchar in /proc/PID/io")
    return int(match.group(1))


def parse_instructions(callgrind_errors):
    """The instruction count from callgrind's closing report."""
    match = re.search(r"Collected\s*:\s*(\d+)", callgrind_errors)
    if not match:
        raise RunError("no instruction count in the output of callgrind")
    return int(match.group(1))


def parse_max_rss_kb(time_output):
    """The peak resident set size in KiB from the report of GNU time -v."""
    match = re.search(r"Maximum resident set size \(kbytes\):\s*(\d+)", time_output)
    if not match:
        raise RunError("no peak memory in the output of time -v")
    return int(match.group(1))


def clean_outputs(project):
    """Removes what an earlier run wrote, so every run starts from the same tree."""
    removed = []
    for name in sorted(os.listdir(project)):
        if OUTPUT_PATTERN.match(name) and os.path.isfile(os.path.join(project, name)):
            os.remove(os.path.join(project, name))
            removed.append(name)
    return removed


def timed_run(argv, cwd, use_time):
    """Runs argv in cwd; returns (wall seconds, peak RSS in KiB of the command).

    With GNU time the peak comes from its -v report; without it, from wait4,
    which gives the rusage of that one child rather than the maximum over all
    children that getrusage(RUSAGE_CHILDREN) would.
    """
    with tempfile.TemporaryDirectory(prefix="kic-bench-") as scratch:
        errors_path = os.path.join(scratch, "stderr")
        time_path = os.path.join(scratch, "time")
        command = [TIME_BINARY, "-v", "-o", time_path] + argv if use_time else argv
        with open(errors_path, "wb") as errors:
            start = time.perf_counter()
            process = subprocess.Popen(command, cwd=cwd, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=errors)
            _, status, usage = os.wait4(process.pid, 0)
            seconds = time.perf_counter() - start
            process.returncode = os.waitstatus_to_exitcode(status)
        if process.returncode != 0:
            with open(errors_path, "rb") as errors:
                tail = errors.read()[-2000:].decode("utf-8", "replace")
            raise RunError(f"{' '.join(argv)} exited with {process.returncode} in {cwd}\n"
                           f"{tail}")
        if use_time:
            with open(time_path, encoding="utf-8", errors="replace") as report:
                return seconds, parse_max_rss_kb(report.read())
        return seconds, usage.ru_maxrss


def written_bytes(argv, cwd):
    """How many bytes a run of argv in cwd writes, as the kernel counts them for the
    shell that waited for it (its children's counts are added when it reaps them)."""
    command = ["sh", "-c", '"$@" >/dev/null 2>&1; status=$?; cat /proc/$$/io; exit $status',
               "sh"] + argv
    result = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL,
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise RunError(f"{' '.join(argv)} exited with {result.returncode} in {cwd}")
    return parse_written_bytes(result.stdout)


def callgrind_instructions(argv, cwd, environment):
    """Instructions of one run of argv on one thread under callgrind."""
    env = dict(os.environ, KIC_THREADS="1", **environment)
    command = ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"] + argv
    result = subprocess.run(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        raise RunError(f"callgrind of {' '.join(argv)} exited with {result.returncode}\n"
                       f"{result.stderr[-2000:]}")
    return parse_instructions(result.stderr)


def verdict(passed):
    return "PASS" if passed else "FAIL"


def ensure_project(bench_dir, name, generator_args, seed):
    """Generates bench/out/<name> unless it exists with the same parameters."""
    outdir = os.path.join(bench_dir, "out", name)
    os.makedirs(os.path.dirname(outdir), exist_ok=True)
    command = [sys.executable, os.path.join(bench_dir, "generate_project.py"), "--reuse",
               "--seed", str(seed)] + generator_args + [outdir]
    subprocess.run(command, check=True)
    return outdir


class Runner:
    def __init__(self, program, use_time, out=sys.stdout):
        self.program = program
        self.use_time = use_time
        self.out = out

    def say(self, text=""):
        print(text, file=self.out, flush=True)

    def run_program(self, project):
        clean_outputs(project)
        try:
            return timed_run([self.program], project, self.use_time)
        finally:
            clean_outputs(project)

    def run_floor(self, project, command=None):
        try:
            seconds, _ = timed_run(command or FLOOR_COMMAND, project, self.use_time)
        finally:
            clean_outputs(project)
        return seconds

    def floor_comparison(self, project, runs, ratio_applies, write_floor=False):
        """The default mode; returns True when every target that applies is met.

        The ratio to the floor is a target when `ratio_applies`; with `write_floor`
        the floor that also writes the program's bytes is timed too, and the ratio to
        it is the target instead."""
        program_warm, _ = self.run_program(project)
        floor_warm = self.run_floor(project)
        self.say(f"warm-up: program {program_warm:.3f} s, floor {floor_warm:.3f} s")
        writes = None
        if write_floor:
            clean_outputs(project)
            try:
                written = written_bytes([self.program], project)
            finally:
                clean_outputs(project)
            writes = write_floor_command(written)
            self.run_floor(project, writes)
            self.say(f"the program writes {written / 1e6:.1f} MB; the write floor writes "
                     "as much after the floor")
        header = f"{'run':>3}  {'program s':>10}  {'floor s':>10}"
        if writes:
            header += f"  {'w.floor s':>10}"
        self.say(header + f"  {'peak RSS MB':>11}")
        program_times, floor_times, write_times, peaks = [], [], [], []
        for run in range(1, runs + 1):
            seconds, peak_kb = self.run_program(project)
            floor = self.run_floor(project)
            program_times.append(seconds)
            floor_times.append(floor)
            peaks.append(peak_kb)
            row = f"{run:>3}  {seconds:>10.3f}  {floor:>10.3f}"
            if writes:
                write_times.append(self.run_floor(project, writes))
                row += f"  {write_times[-1]:>10.3f}"
            self.say(row + f"  {peak_kb / 1024:>11.1f}")
        program_median = median(program_times)
        floor_median = median(floor_times)
        ratio = program_median / floor_median
        peak_mb = max(peaks) / 1024
        self.say(f"median: program {program_median:.3f} s, floor {floor_median:.3f} s, "
                 f"ratio program/floor {ratio:.2f}")
        passed = True
        if writes:
            write_median = median(write_times)
            write_ratio = program_median / write_median
            self.say(f"median: write floor {write_median:.3f} s, "
                     f"ratio program/write floor {write_ratio:.2f}")
        self.say(f"peak resident memory: {peak_mb:.1f} MB (largest of the runs)")
        if writes:
            ok = write_ratio <= WRITE_FLOOR_RATIO_LIMIT
            passed &= ok
            self.say(f"{verdict(ok)} time: program/write floor {write_ratio:.2f} <= "
                     f"{WRITE_FLOOR_RATIO_LIMIT:.1f}")
        elif ratio_applies:
            ok = ratio <= FLOOR_RATIO_LIMIT
            passed &= ok
            self.say(f"{verdict(ok)} time: program/floor {ratio:.2f} <= {FLOOR_RATIO_LIMIT:.1f}")
        else:
            self.say(f"INFO time: program/floor {ratio:.2f} (the {FLOOR_RATIO_LIMIT}x "
                     "target applies to the large preset)")
        ok = peak_mb <= PEAK_MEMORY_LIMIT_MB
        passed &= ok
        self.say(f"{verdict(ok)} memory: peak {peak_mb:.1f} MB <= {PEAK_MEMORY_LIMIT_MB:.0f} MB")
        return passed

    def callgrind_comparison(self, project, target_applies):
        """--callgrind: the run's instructions with did-you-mean and without."""
        counts = {}
        for label, environment in (("with did-you-mean", {}),
                                   ("did-you-mean off", {"KIC_SUGGESTIONS": "0"})):
            clean_outputs(project)
            try:
                counts[label] = callgrind_instructions([self.program], project, environment)
            finally:
                clean_outputs(project)
            self.say(f"{label}: {counts[label]:,} instructions")
        ratio = counts["with did-you-mean"] / counts["did-you-mean off"]
        text = (f"instructions: with did-you-mean {ratio:.3f}x those without "
                f"<= {SUGGESTION_INSTRUCTIONS_LIMIT:.2f}x")
        if not target_applies:
            self.say(f"INFO {text} (the target applies to the numbered preset)")
            return True
        ok = ratio <= SUGGESTION_INSTRUCTIONS_LIMIT
        self.say(f"{verdict(ok)} {text}")
        return ok

    def scaling(self, projects, runs):
        """--scaling: `projects` maps scale-x1, scale-x2 and lines-x4 to folders."""
        names = [name for name, _ in SCALING_PROJECTS]
        for name in names:
            self.run_program(projects[name])  # warm-up: the page cache gets the tree
        times = {name: [] for name in names}
        peaks = {name: [] for name in names}
        self.say(f"{'run':>3}" + "".join(f"  {name + ' s':>11}  {'MB':>6}" for name in names))
        for run in range(1, runs + 1):
            row = f"{run:>3}"
            for name in names:
                seconds, peak_kb = self.run_program(projects[name])
                times[name].append(seconds)
                peaks[name].append(peak_kb / 1024)
                row += f"  {seconds:>11.3f}  {peak_kb / 1024:>6.1f}"
            self.say(row)
        medians = {name: median(times[name]) for name in names}
        peak = {name: max(peaks[name]) for name in names}
        for name in names:
            self.say(f"{name}: median {medians[name]:.3f} s, peak {peak[name]:.1f} MB")
        time_ratio = medians["scale-x2"] / medians["scale-x1"]
        memory_ratio = peak["lines-x4"] / peak["scale-x1"]
        largest = max(peak.values())
        checks = [
            (time_ratio <= TIME_SCALING_LIMIT,
             f"time: twice the project takes {time_ratio:.2f}x <= {TIME_SCALING_LIMIT:.1f}x"),
            (memory_ratio <= MEMORY_FLATNESS_LIMIT,
             f"memory: four times the lines take {memory_ratio:.3f}x the peak "
             f"<= {MEMORY_FLATNESS_LIMIT:.2f}x"),
            (largest <= PEAK_MEMORY_LIMIT_MB,
             f"memory: peak {largest:.1f} MB <= {PEAK_MEMORY_LIMIT_MB:.0f} MB"),
        ]
        for ok, text in checks:
            self.say(f"{verdict(ok)} {text}")
        return all(ok for ok, _ in checks)


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program", nargs="?", help="the ks-image-check binary")
    parser.add_argument("--default-program", help=argparse.SUPPRESS)
    parser.add_argument("--preset", choices=["small", "large", "numbered"], default="large")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--scaling", action="store_true")
    parser.add_argument("--callgrind", action="store_true",
                        help="count the instructions of one run with and without "
                             "did-you-mean (needs valgrind)")
    parser.add_argument("--write-floor", action="store_true",
                        help="also time a floor that writes the bytes the program "
                             "writes (always on for the numbered preset)")
    parser.add_argument("--floor-only", action="store_true",
                        help="generate the project and time the I/O floor alone")
    args = parser.parse_args(argv)
    if args.runs < 1:
        parser.error("--runs must be at least 1")
    return args


def main(argv):
    args = parse_args(argv)
    bench_dir = os.path.dirname(os.path.abspath(__file__))
    use_time = os.access(TIME_BINARY, os.X_OK)
    program = os.path.abspath(args.program or args.default_program or "")
    if not args.floor_only and not os.access(program, os.X_OK):
        print(f"no program at {program}; build it first "
              "(cmake --preset release && cmake --build --preset release) "
              "or pass its path", file=sys.stderr)
        return 2
    runner = Runner(program, use_time)
    memory_source = "/usr/bin/time -v" if use_time else "wait4 rusage"
    try:
        if args.scaling:
            projects = {name: ensure_project(bench_dir, name, gen_args, args.seed)
                        for name, gen_args in SCALING_PROJECTS}
            runner.say(f"program: {program}; {args.runs} runs each; "
                       f"peak memory from {memory_source}")
            passed = runner.scaling(projects, args.runs)
        else:
            project = ensure_project(bench_dir, args.preset, ["--preset", args.preset],
                                     args.seed)
            if args.floor_only:
                floors = [runner.run_floor(project) for _ in range(args.runs + 1)][1:]
                runner.say("floor s: " + " ".join(f"{s:.3f}" for s in floors)
                           + f"; median {median(floors):.3f}")
                return 0
            if args.callgrind:
                runner.say(f"program: {program}; callgrind, one thread")
                passed = runner.callgrind_comparison(
                    project, target_applies=args.preset == "numbered")
                return 0 if passed else 1
            runner.say(f"program: {program}; {args.runs} runs; "
                       f"peak memory from {memory_source}")
            passed = runner.floor_comparison(
                project, args.runs, ratio_applies=args.preset == "large",
                write_floor=args.write_floor or args.preset == "numbered")
    except (RunError, subprocess.CalledProcessError) as error:
        print(f"benchmark failed: {error}", file=sys.stderr)
        return 2
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
