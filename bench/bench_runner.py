#!/usr/bin/env python3
"""Times ks-image-check on generated projects against the cost of their I/O.

Called by run_bench.sh, which supplies the default program path. Three modes:

  default      one project (a preset of generate_project.py): one run whose outputs
               are checked against what the generator put in the project, then the
               program, the I/O floor (every script read once, the whole tree listed
               once) and the honest floor (the I/O floor, then writing as many bytes
               as the program does: its own count, /proc/PID/io) run alternately,
               after one warm-up of each; medians, the ratio to the honest floor (the
               headline) and the peak resident memory are printed.
  --smoke      the same with one round and no time targets: the program must finish
               and write what the project calls for (CI runs it on a small project).
  --macros     large and large-macros (the same with 200 macros called 20,000
               times) alternately; prints the ratio of their medians.
  --scaling    the program on a base project (a quarter of the preset), on one
               twice its size (scripts, lines, references, files and the rest) and
               on one with four times the lines per script; prints the time ratio
               and the peak-memory ratio.
  --callgrind  the instructions of one run on one thread (valgrind's callgrind,
               KIC_THREADS=1), with did-you-mean and with it switched off
               (KIC_SUGGESTIONS=0); prints both and their ratio.

Runs are alternated so that a slow phase of the machine hits both sides alike.
The page cache is warm after the warm-ups; nothing is dropped, so both sides
measure work on cached data.
"""

import argparse
import json
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
# The game preset, every check on: the program against the honest floor.
GAME_RATIO_LIMIT = 1.3
MACRO_RATIO_LIMIT = 1.2
PEAK_MEMORY_LIMIT_MB = 64.0
TIME_SCALING_LIMIT = 2.2
MEMORY_FLATNESS_LIMIT = 1.10
# The script bytes a run keeps from reading the definitions to checking the scripts
# (kKeptScriptBytes of the program): memory beyond them must stay flat.
KEPT_SCRIPT_BYTES = 16 << 20
SUGGESTION_INSTRUCTIONS_LIMIT = 1.15

# Files the program leaves in the folder it runs in, and the write floor's.
OUTPUT_PATTERN = re.compile(
    r"^(tag_report_image_\d{8}_\d{6}\.txt|image_error_log\.txt|temp_image_error_log\.txt"
    r"|kic_floor_writes\.tmp)$")

# The base of --scaling: a quarter of the preset keeps three projects and their runs
# within a few minutes while staying far above process start-up costs.
SCALING_NAMES = ["scale-x1", "scale-x2", "lines-x4"]


def kept_script_mb(project):
    """The megabytes of script a run on `project` keeps, from its manifest; 0 for a
    folder the generator did not make."""
    try:
        with open(os.path.normpath(project) + ".manifest.json", encoding="utf-8") as f:
            script_bytes = json.load(f)["counts"]["script_bytes"]
    except (OSError, ValueError, KeyError):
        return 0.0
    return min(script_bytes, KEPT_SCRIPT_BYTES) / (1 << 20)


def scaling_projects(preset):
    """(name, generator arguments) of the three projects of --scaling; large keeps
    the names it always had."""
    prefix = "" if preset == "large" else f"{preset}-"
    base = ["--preset", preset, "--scale", "0.25"]
    return [(prefix + "scale-x1", base),
            (prefix + "scale-x2", ["--preset", preset, "--scale", "0.5"]),
            (prefix + "lines-x4", base + ["--lines-scale", "4"])]


SCALING_PROJECTS = scaling_projects("large")

# The closing summary lines of a run on the console.
IMAGE_SUMMARY = re.compile(r"\[INFO\] 画像参照: (\d+) 件 \(存在: (\d+) 件, 見つからない: (\d+) 件")
LOAD_SUMMARY = re.compile(r"\[INFO\] ジャンプ先: (\d+) 件 \(見つからない: (\d+) 件\), "
                          r"音声: (\d+) 件 \(見つからない: (\d+) 件\)")


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


def expected_figures(counts):
    """What a run's summary must say of a generated project, from its manifest's
    counts: references on comment lines count for nothing, a macro call showing a
    picture adds one."""
    commented = counts.get("refs_commented", 0)
    return {
        "references": counts["refs"] - commented + counts.get("macro_call_refs", 0),
        "missing": counts["refs_missing"] - commented,
        "jumps missing": counts.get("jumps_broken", 0),
        "sounds": counts.get("sounds"),
        "sounds missing": counts.get("sounds_missing"),
    }


def summary_figures(console):
    """The figures of a run's closing summary on the console (UTF-8 text)."""
    images = IMAGE_SUMMARY.search(console)
    loads = LOAD_SUMMARY.search(console)
    if not images or not loads:
        raise RunError("no summary of references and loads on the console")
    return {
        "references": int(images.group(1)),
        "missing": int(images.group(3)),
        "jumps missing": int(loads.group(2)),
        "sounds": int(loads.group(3)),
        "sounds missing": int(loads.group(4)),
    }


def check_outputs(argv, project, counts):
    """Runs argv once in the project and checks what it wrote: the summary's figures
    against the manifest's counts, a report and a final log with byte-order marks,
    no temporary log left. Raises RunError on any difference."""
    clean_outputs(project)
    try:
        result = subprocess.run(argv, cwd=project, stdin=subprocess.DEVNULL,
                                capture_output=True)
        if result.returncode != 0:
            raise RunError(f"{' '.join(argv)} exited with {result.returncode} in {project}")
        found = summary_figures(result.stdout.decode("utf-8", "replace"))
        wrong = [f"{key}: {found[key]}, expected {value}"
                 for key, value in expected_figures(counts).items()
                 if value is not None and found[key] != value]
        names = os.listdir(project)
        reports = [n for n in names if n.startswith("tag_report_image_")]
        for name in reports[:1] + ["image_error_log.txt"]:
            with open(os.path.join(project, name), "rb") as f:
                if f.read(3) != b"\xef\xbb\xbf":
                    wrong.append(f"{name} does not start with a byte-order mark")
        if len(reports) != 1:
            wrong.append(f"{len(reports)} reports written")
        if "temp_image_error_log.txt" in names:
            wrong.append("the temporary log was left behind")
        if wrong:
            raise RunError("the outputs differ from the project: " + "; ".join(wrong))
        return found
    except FileNotFoundError as error:
        raise RunError(f"an output is missing: {error.filename}")
    finally:
        clean_outputs(project)


def read_counts(project):
    with open(os.path.normpath(project) + ".manifest.json", encoding="utf-8") as f:
        return json.load(f)["counts"]


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

    def floor_comparison(self, project, runs, limits=None):
        """The default mode; returns True when every target that applies is met.

        `limits` maps "floor" and "honest floor" to the largest ratio of the
        program's median to that floor's; the others are printed for information.
        The honest floor reads every script once, lists the tree once and writes as
        many bytes as the program writes."""
        limits = limits or {}
        program_warm, _ = self.run_program(project)
        floor_warm = self.run_floor(project)
        self.say(f"warm-up: program {program_warm:.3f} s, floor {floor_warm:.3f} s")
        clean_outputs(project)
        try:
            written = written_bytes([self.program], project)
        finally:
            clean_outputs(project)
        writes = write_floor_command(written)
        self.run_floor(project, writes)
        self.say(f"the program writes {written / 1e6:.1f} MB; the honest floor writes "
                 "as much after the floor")
        self.say(f"{'run':>3}  {'program s':>10}  {'floor s':>10}  {'honest s':>10}"
                 f"  {'ratio':>6}  {'peak RSS MB':>11}")
        program_times, floor_times, write_times, peaks = [], [], [], []
        for run in range(1, runs + 1):
            seconds, peak_kb = self.run_program(project)
            program_times.append(seconds)
            floor_times.append(self.run_floor(project))
            write_times.append(self.run_floor(project, writes))
            peaks.append(peak_kb)
            self.say(f"{run:>3}  {seconds:>10.3f}  {floor_times[-1]:>10.3f}  "
                     f"{write_times[-1]:>10.3f}  {seconds / write_times[-1]:>6.2f}  "
                     f"{peak_kb / 1024:>11.1f}")
        program_median = median(program_times)
        ratios = {"floor": program_median / median(floor_times),
                  "honest floor": program_median / median(write_times)}
        peak_mb = max(peaks) / 1024
        spread = f"{min(program_times):.3f}-{max(program_times):.3f}"
        self.say(f"median: program {program_median:.3f} s (spread {spread}), floor "
                 f"{median(floor_times):.3f} s, honest floor {median(write_times):.3f} s")
        self.say(f"HEADLINE program/honest floor {ratios['honest floor']:.2f} "
                 f"(median of {runs} alternating rounds)")
        self.say(f"ratio program/floor {ratios['floor']:.2f}")
        self.say(f"peak resident memory: {peak_mb:.1f} MB (largest of the runs)")
        passed = True
        for name, ratio in ratios.items():
            if name in limits:
                ok = ratio <= limits[name]
                passed &= ok
                self.say(f"{verdict(ok)} time: program/{name} {ratio:.2f} <= "
                         f"{limits[name]:.1f}")
        ok = peak_mb <= PEAK_MEMORY_LIMIT_MB
        passed &= ok
        self.say(f"{verdict(ok)} memory: peak {peak_mb:.1f} MB <= {PEAK_MEMORY_LIMIT_MB:.0f} MB")
        return passed

    def macro_comparison(self, plain, macros, runs):
        """--macros: the plain project and its macro variant in turn."""
        for project in (plain, macros):
            self.run_program(project)
        self.say(f"{'run':>3}  {'plain s':>10}  {'macros s':>10}")
        times = {plain: [], macros: []}
        for run in range(1, runs + 1):
            for project in (plain, macros):
                times[project].append(self.run_program(project)[0])
            self.say(f"{run:>3}  {times[plain][-1]:>10.3f}  {times[macros][-1]:>10.3f}")
        ratio = median(times[macros]) / median(times[plain])
        self.say(f"median: plain {median(times[plain]):.3f} s, macros "
                 f"{median(times[macros]):.3f} s")
        ok = ratio <= MACRO_RATIO_LIMIT
        self.say(f"{verdict(ok)} time: with macros {ratio:.2f}x the plain preset "
                 f"<= {MACRO_RATIO_LIMIT:.1f}x")
        return ok

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
        names = SCALING_NAMES
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
        rest = {name: peak[name] - kept_script_mb(projects[name]) for name in names}
        memory_ratio = rest["lines-x4"] / rest["scale-x1"]
        largest = max(peak.values())
        checks = [
            (time_ratio <= TIME_SCALING_LIMIT,
             f"time: twice the project takes {time_ratio:.2f}x <= {TIME_SCALING_LIMIT:.1f}x"),
            (memory_ratio <= MEMORY_FLATNESS_LIMIT,
             f"memory: four times the lines take {memory_ratio:.3f}x the peak, "
             f"the script bytes kept aside, <= {MEMORY_FLATNESS_LIMIT:.2f}x"),
            (largest <= PEAK_MEMORY_LIMIT_MB,
             f"memory: peak {largest:.1f} MB <= {PEAK_MEMORY_LIMIT_MB:.0f} MB"),
        ]
        for ok, text in checks:
            self.say(f"{verdict(ok)} {text}")
        return all(ok for ok, _ in checks)


PRESETS = ["small", "large", "numbered", "game", "large-macros"]
# The targets of the default mode, by preset: the largest ratio of the program's
# median to each floor's.
LIMITS = {
    "large": {"floor": FLOOR_RATIO_LIMIT},
    "numbered": {"honest floor": WRITE_FLOOR_RATIO_LIMIT},
    "game": {"honest floor": GAME_RATIO_LIMIT},
}


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program", nargs="?", help="the ks-image-check binary")
    parser.add_argument("--default-program", help=argparse.SUPPRESS)
    parser.add_argument("--preset", choices=PRESETS, default="large")
    parser.add_argument("--scale", type=float,
                        help="the preset's counts times this (a project of its own)")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--scaling", action="store_true")
    parser.add_argument("--macros", action="store_true",
                        help="large against large-macros, alternately")
    parser.add_argument("--smoke", action="store_true",
                        help="check the outputs, one round, no time targets")
    parser.add_argument("--callgrind", action="store_true",
                        help="count the instructions of one run with and without "
                             "did-you-mean (needs valgrind)")
    parser.add_argument("--write-floor", action="store_true",
                        help="accepted for older command lines: the honest floor is "
                             "always timed")
    parser.add_argument("--floor-only", action="store_true",
                        help="generate the project and time the I/O floor alone")
    args = parser.parse_args(argv)
    if args.runs < 1:
        parser.error("--runs must be at least 1")
    return args


def preset_project(bench_dir, preset, scale, seed):
    """bench/out/<preset>, or <preset>-x<scale> for a scaled one."""
    if scale is None:
        return ensure_project(bench_dir, preset, ["--preset", preset], seed)
    return ensure_project(bench_dir, f"{preset}-x{scale:g}",
                          ["--preset", preset, "--scale", str(scale)], seed)


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
            projects = {name: ensure_project(bench_dir, folder, gen_args, args.seed)
                        for name, (folder, gen_args)
                        in zip(SCALING_NAMES, scaling_projects(args.preset))}
            runner.say(f"program: {program}; {args.runs} runs each; "
                       f"peak memory from {memory_source}")
            passed = runner.scaling(projects, args.runs)
        elif args.macros:
            plain = preset_project(bench_dir, "large", args.scale, args.seed)
            macros = preset_project(bench_dir, "large-macros", args.scale, args.seed)
            for project in (plain, macros):
                check_outputs([program], project, read_counts(project))
            runner.say(f"program: {program}; {args.runs} runs each; outputs checked")
            passed = runner.macro_comparison(plain, macros, args.runs)
        else:
            project = preset_project(bench_dir, args.preset, args.scale, args.seed)
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
            figures = check_outputs([program], project, read_counts(project))
            runner.say(f"program: {program}; outputs checked ({figures['references']} "
                       f"references, {figures['missing']} missing, "
                       f"{figures['jumps missing']} broken jumps, {figures['sounds']} "
                       f"sounds, {figures['sounds missing']} missing)")
            runs = 1 if args.smoke else args.runs
            runner.say(f"{runs} rounds; peak memory from {memory_source}")
            limits = {} if args.smoke or args.scale else LIMITS.get(args.preset, {})
            passed = runner.floor_comparison(project, runs, limits)
            if args.smoke:
                return 0
    except (RunError, subprocess.CalledProcessError) as error:
        print(f"benchmark failed: {error}", file=sys.stderr)
        return 2
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
