"""Checks the measuring side of the benchmark with a stand-in for the program.

The stand-in writes the files the program writes and refuses to start when they
are still there, so a runner that forgets to clean between runs fails here; it
holds as much memory as its project asks, so peak-memory figures can be checked
against a known size.
"""

import io
import json
import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

BENCH_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, BENCH_DIR)

import bench_runner  # noqa: E402

STAND_IN = textwrap.dedent("""\
    #!{python}
    import os, sys
    for name in ("image_error_log.txt", "tag_report_image_20250805_090307.txt"):
        if os.path.exists(name):
            sys.stderr.write("left over from an earlier run: " + name + "\\n")
            sys.exit(1)
    megabytes = int(open("memory-mb").read()) if os.path.exists("memory-mb") else 0
    block = b"x" * (megabytes << 20)  # written, so every page is resident
    for name in ("image_error_log.txt", "tag_report_image_20250805_090307.txt",
                 "temp_image_error_log.txt"):
        open(name, "w").write("report")
    sys.exit(int(os.environ.get("STAND_IN_EXIT", "0")))
    """)

TIME_V_REPORT = textwrap.dedent("""\
    \tCommand being timed: "ks-image-check"
    \tUser time (seconds): 0.41
    \tPercent of CPU this job got: 97%
    \tElapsed (wall clock) time (h:mm:ss or m:ss): 0:00.43
    \tAverage resident set size (kbytes): 0
    \tMaximum resident set size (kbytes): 23456
    \tExit status: 0
    """)

TIME_MODES = [False] + ([True] if os.access(bench_runner.TIME_BINARY, os.X_OK) else [])


def make_project(root, memory_mb=0):
    os.makedirs(os.path.join(root, "scenario"), exist_ok=True)
    with open(os.path.join(root, "scenario", "a.ks"), "w", encoding="utf-8") as f:
        f.write("「こんにちは」[p]\n[bg storage=\"a.jpg\" folder=\"bg\"]\n")
    with open(os.path.join(root, "memory-mb"), "w") as f:
        f.write(str(memory_mb))
    return root


class ScratchTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory(prefix="kic-bench-test-")
        self.addCleanup(self.scratch.cleanup)
        self.program = os.path.join(self.scratch.name, "stand-in")
        with open(self.program, "w") as f:
            f.write(STAND_IN.format(python=sys.executable))
        os.chmod(self.program, 0o755)

    def project(self, name, memory_mb=0):
        return make_project(os.path.join(self.scratch.name, name), memory_mb)


class FiguresTest(unittest.TestCase):
    def test_median(self):
        cases = [([3.0], 3.0), ([3.0, 1.0, 2.0], 2.0), ([4.0, 1.0, 3.0, 2.0], 2.5),
                 ([5.0, 5.0, 1.0, 9.0, 5.0], 5.0)]
        for values, expected in cases:
            with self.subTest(values=values):
                self.assertEqual(bench_runner.median(values), expected)
        with self.assertRaises(ValueError):
            bench_runner.median([])

    def test_peak_memory_from_time_report(self):
        self.assertEqual(bench_runner.parse_max_rss_kb(TIME_V_REPORT), 23456)
        for broken in ["", TIME_V_REPORT.replace("Maximum", "Minimum")]:
            with self.subTest(broken=broken[:20]), self.assertRaises(bench_runner.RunError):
                bench_runner.parse_max_rss_kb(broken)


    def test_bytes_written_from_proc_io(self):
        text = "rchar: 16516446\nwchar: 48539196\nsyscr: 1223\n"
        self.assertEqual(bench_runner.parse_written_bytes(text), 48539196)
        with self.assertRaises(bench_runner.RunError):
            bench_runner.parse_written_bytes("rchar: 1\n")

    def test_instructions_from_callgrind_report(self):
        text = "==17250== Events    : Ir\n==17250== Collected : 4076232740\n==17250==\n"
        self.assertEqual(bench_runner.parse_instructions(text), 4076232740)
        with self.assertRaises(bench_runner.RunError):
            bench_runner.parse_instructions("==1== I   refs: 12\n")


SUMMARY = ("[INFO] 画像参照: 39714 件 (存在: 38800 件, 見つからない: 914 件), スクリプト: "
           "400 件 (見つからない・開けない: 0 件)\n"
           "[INFO] ジャンプ先: 21054 件 (見つからない: 200 件), 音声: 8698 件 "
           "(見つからない: 8698 件), 動画: 0 件 (見つからない: 0 件)\n")
COUNTS = {"refs": 40000, "refs_missing": 1200, "refs_commented": 286, "macro_call_refs": 0,
          "jumps_broken": 200, "sounds": 8698, "sounds_missing": 8698}


class OutputCheckTest(ScratchTest):
    """The figures a run must print, from the manifest, and the check of them."""

    def test_figures_expected_and_read(self):
        found = bench_runner.summary_figures("[INFO] 完了: a.ks (1/1)\n" + SUMMARY)
        self.assertEqual(found, bench_runner.expected_figures(COUNTS))
        self.assertEqual(found, {"references": 39714, "missing": 914, "jumps missing": 200,
                                 "sounds": 8698, "sounds missing": 8698})
        with_macros = dict(COUNTS, macro_call_refs=10000)
        self.assertEqual(bench_runner.expected_figures(with_macros)["references"], 49714)
        with self.assertRaises(bench_runner.RunError):
            bench_runner.summary_figures(SUMMARY.splitlines()[0])

    def write_program(self, summary, extra=""):
        """A stand-in that prints `summary` and writes the files a run writes."""
        path = os.path.join(self.scratch.name, "summary-stand-in")
        with open(path, "w", encoding="utf-8") as f:
            f.write(textwrap.dedent(f"""\
                #!{sys.executable}
                import sys
                for name in ("image_error_log.txt", "tag_report_image_20250805_090307.txt"):
                    open(name, "wb").write(b"\\xef\\xbb\\xbfx")
                {extra}
                sys.stdout.buffer.write({summary.encode("utf-8")!r})
                """))
        os.chmod(path, 0o755)
        return path

    def test_outputs_checked_against_the_manifest(self):
        cases = [
            ("as planned", SUMMARY, "", None),
            ("a missing reference more", SUMMARY.replace("914", "915"), "",
             "missing: 915, expected 914"),
            ("a broken jump less", SUMMARY.replace("見つからない: 200", "見つからない: 199"), "",
             "jumps missing: 199, expected 200"),
            ("the temporary log left", SUMMARY,
             'open("temp_image_error_log.txt", "w").write("x")', "temporary log"),
            ("a log without its mark", SUMMARY,
             'open("image_error_log.txt", "wb").write(b"x")', "byte-order mark"),
        ]
        for name, summary, extra, error in cases:
            with self.subTest(name):
                root = self.project(name.replace(" ", "-"))
                program = self.write_program(summary, extra)
                if error is None:
                    found = bench_runner.check_outputs([program], root, COUNTS)
                    self.assertEqual(found["references"], 39714)
                else:
                    with self.assertRaisesRegex(bench_runner.RunError, error):
                        bench_runner.check_outputs([program], root, COUNTS)
                self.assertEqual(sorted(os.listdir(root)), ["memory-mb", "scenario"])


class CleanOutputsTest(ScratchTest):
    def test_removes_only_what_the_program_writes(self):
        root = self.project("p")
        removed = ["image_error_log.txt", "kic_floor_writes.tmp",
                   "tag_report_image_20250805_090307.txt", "temp_image_error_log.txt"]
        kept = ["tag_report_image_x.txt", "image_error_log.txt.bak",
                "tag_report_image_20250805_0903.txt", os.path.join("scenario", "a.ks"),
                os.path.join("scenario", "image_error_log.txt")]
        for name in removed + kept:
            with open(os.path.join(root, name), "w") as f:
                f.write("x")
        os.makedirs(os.path.join(root, "tag_report_image_20250101_000000.txt"))
        self.assertEqual(bench_runner.clean_outputs(root), sorted(removed))
        for name in kept + ["tag_report_image_20250101_000000.txt"]:
            self.assertTrue(os.path.exists(os.path.join(root, name)), name)
        for name in removed:
            self.assertFalse(os.path.exists(os.path.join(root, name)), name)


class TimedRunTest(ScratchTest):
    def test_peak_memory_follows_the_program(self):
        for use_time in TIME_MODES:
            for megabytes in (0, 96):
                with self.subTest(use_time=use_time, megabytes=megabytes):
                    root = self.project(f"p{use_time}{megabytes}", megabytes)
                    seconds, peak_kb = bench_runner.timed_run([self.program], root, use_time)
                    self.assertGreater(seconds, 0)
                    self.assertGreaterEqual(peak_kb, megabytes * 1024)
                    # The interpreter itself stays well below 64 MB.
                    self.assertLess(peak_kb, (megabytes + 64) * 1024)

    def test_failure_carries_the_exit_code_and_error_output(self):
        root = self.project("p")
        os.environ["STAND_IN_EXIT"] = "3"
        self.addCleanup(os.environ.pop, "STAND_IN_EXIT")
        for use_time in TIME_MODES:
            with self.subTest(use_time=use_time):
                bench_runner.clean_outputs(root)
                with self.assertRaisesRegex(bench_runner.RunError, "exited with 3"):
                    bench_runner.timed_run([self.program], root, use_time)
        with open(os.path.join(root, "image_error_log.txt"), "w") as f:
            f.write("x")
        os.environ["STAND_IN_EXIT"] = "0"
        with self.assertRaisesRegex(bench_runner.RunError, "left over"):
            bench_runner.timed_run([self.program], root, False)


class RunnerTest(ScratchTest):
    def test_floor_comparison_alternates_and_cleans(self):
        root = self.project("p", 8)
        out = io.StringIO()
        runner = bench_runner.Runner(self.program, TIME_MODES[-1], out)
        runner.floor_comparison(root, 3)
        text = out.getvalue()
        rows = [line for line in text.splitlines() if line[:3].strip().isdigit()]
        self.assertEqual([row.split()[0] for row in rows], ["1", "2", "3"])
        self.assertIn("median: program", text)
        self.assertIn("HEADLINE program/honest floor", text)
        self.assertNotIn("time: program/", text)  # no target given
        self.assertIn("PASS memory: peak", text)
        self.assertEqual(sorted(os.listdir(root)), ["memory-mb", "scenario"])

    @unittest.skipUnless(os.path.exists("/proc/self/io"), "needs /proc/PID/io")
    def test_write_floor_writes_what_the_program_writes(self):
        root = self.project("p")
        # The stand-in writes "report" to three files: 18 bytes.
        self.assertEqual(bench_runner.written_bytes([self.program], root), 18)
        bench_runner.clean_outputs(root)
        out = io.StringIO()
        runner = bench_runner.Runner(self.program, TIME_MODES[-1], out)
        runner.floor_comparison(root, 2, {"honest floor": 1.3, "floor": 100.0})
        text = out.getvalue()
        self.assertIn("the program writes 0.0 MB", text)
        self.assertRegex(text, r"(PASS|FAIL) time: program/honest floor \d+\.\d\d <= 1\.3")
        self.assertRegex(text, r"(PASS|FAIL) time: program/floor \d+\.\d\d <= 100\.0")
        self.assertEqual(sorted(os.listdir(root)), ["memory-mb", "scenario"])

    def test_memory_verdicts(self):
        megabyte = 1 << 20
        cases = [
            # peak MB of scale-x1, scale-x2, lines-x4, the script bytes of scale-x1 and
            # lines-x4 in their manifests -> verdict lines expected
            ((10, 10, 10), None, ["PASS memory: four times", "PASS memory: peak"]),
            ((10, 10, 40), None, ["FAIL memory: four times", "PASS memory: peak"]),
            ((10, 10, 100), None, ["FAIL memory: four times", "FAIL memory: peak"]),
            # the kept scripts set aside: 22 - 12 against 10 - 0
            ((10, 10, 22), (0, 12 * megabyte), ["PASS memory: four times"]),
            # at most 16 MB is kept: 40 - 16 against 10
            ((10, 10, 40), (0, 50 * megabyte), ["FAIL memory: four times"]),
        ]
        for sizes, script_bytes, expected in cases:
            with self.subTest(sizes=sizes, script_bytes=script_bytes):
                projects = {name: self.project(f"{name}-{sizes}-{script_bytes}", mb)
                            for (name, _), mb in zip(bench_runner.SCALING_PROJECTS, sizes)}
                for name, count in zip(("scale-x1", "lines-x4"), script_bytes or ()):
                    with open(projects[name] + ".manifest.json", "w", encoding="utf-8") as f:
                        json.dump({"counts": {"script_bytes": count}}, f)
                out = io.StringIO()
                runner = bench_runner.Runner(self.program, TIME_MODES[-1], out)
                passed = runner.scaling(projects, 1)
                for line in expected:
                    self.assertIn(line, out.getvalue())
                if any(line.startswith("FAIL") for line in expected):
                    self.assertFalse(passed)

    def test_floor_comparison_fails_on_large_memory(self):
        root = self.project("p", 80)
        out = io.StringIO()
        runner = bench_runner.Runner(self.program, TIME_MODES[-1], out)
        self.assertFalse(runner.floor_comparison(root, 1))
        self.assertIn("FAIL memory: peak", out.getvalue())


class ScriptTest(unittest.TestCase):
    def test_default_program_is_found_from_the_script_location(self):
        script = os.path.join(BENCH_DIR, "run_bench.sh")
        repo = os.path.dirname(BENCH_DIR)
        program = os.path.join(repo, "build", "release", "ks-image-check")
        if os.access(program, os.X_OK):
            self.skipTest("a release build exists; the missing-program path is not reached")
        result = subprocess.run(["bash", script, "--runs", "1"], cwd=tempfile.gettempdir(),
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 2)
        self.assertIn(program, result.stderr)


if __name__ == "__main__":
    unittest.main()
