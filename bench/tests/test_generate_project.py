"""Checks that generated projects hold what the benchmark targets assume.

References are resolved here independently, with the program's three patterns
and its lookup order (hint folder first, then any file of the same name), so a
line form that does not behave as its group intends shows up as a wrong count.
"""

import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

BENCH_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, BENCH_DIR)

import generate_project  # noqa: E402

GENERATOR = os.path.join(BENCH_DIR, "generate_project.py")
IMAGE = re.compile(rb"\b[\w\-\.\/\\]+\.(?:png|jpg|PNG|JPG)\b")
TAG = re.compile(rb"\[(image|bg|bg2)\s+([^\]]*)\]")
FOLDER = re.compile(rb'folder\s*=\s*"([^"]*)')
JUMP_TAG = re.compile(rb"(?:\[|^@)(?:jump|call|link|glink|button)\s([^\]]*)")
STORAGE = re.compile(rb"storage=([^\s\]]+)")
TARGET = re.compile(rb"target=\*([^\s\]]+)")

SMALL_ARGS = ["--scripts", "12", "--lines", "3000", "--refs", "600", "--files", "900",
              "--seed", "7"]


def generate(outdir, args, env=None):
    result = subprocess.run([sys.executable, GENERATOR] + args + [outdir],
                            capture_output=True, text=True, env=env)
    return result


def script_lines(path):
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    lines = data.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    return lines


def walk_files(root):
    files = []
    for folder, _, names in os.walk(root):
        for name in names:
            files.append(os.path.relpath(os.path.join(folder, name), root))
    return sorted(files)


def resolve(root, file_names):
    """Counts references by how they are found: hint, search or missing."""
    counts = {"hint": 0, "search": 0, "missing": 0}
    found_in = []
    for name in sorted(os.listdir(os.path.join(root, "scenario"))):
        for line in script_lines(os.path.join(root, "scenario", name)):
            tag = TAG.search(line)
            folder = FOLDER.search(tag.group(2)) if tag else None
            hint = folder.group(1).decode() if folder else ""
            for match in IMAGE.finditer(line):
                ref = match.group(0).decode()
                if hint and os.path.exists(os.path.join(root, hint, ref)):
                    counts["hint"] += 1
                elif ref.rsplit("/", 1)[-1] in file_names:
                    counts["search"] += 1
                    found_in.append(file_names[ref.rsplit("/", 1)[-1]])
                else:
                    counts["missing"] += 1
    return counts, found_in


def tree_digest(root):
    digest = hashlib.sha256()
    for path in walk_files(root):
        digest.update(path.encode() + b"\0")
        with open(os.path.join(root, path), "rb") as f:
            digest.update(f.read())
    return digest.hexdigest()


class GeneratedProjectCase(unittest.TestCase):
    """Tests of one project generated with ARGS, made once for the class."""

    ARGS = SMALL_ARGS

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="kic-gen-")
        cls.root = os.path.join(cls.scratch.name, "p")
        result = generate(cls.root, cls.ARGS)
        if result.returncode != 0:
            raise AssertionError(result.stderr)
        with open(cls.root + ".manifest.json", encoding="utf-8") as f:
            cls.manifest = json.load(f)
        cls.files = walk_files(cls.root)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def resolved(self):
        """The names of the tree's files, and where its references resolve, which
        must be in the planned shares."""
        names = {}
        for p in self.files:
            names.setdefault(os.path.basename(p), os.path.dirname(p))
        counts, found_in = resolve(self.root, names)
        expected = self.manifest["counts"]
        self.assertEqual(counts, {"hint": expected["refs_hint"],
                                  "search": expected["refs_search"],
                                  "missing": expected["refs_missing"]})
        return names, counts, found_in


class GeneratedProjectTest(GeneratedProjectCase):
    def test_tree_holds_the_requested_files_and_scripts(self):
        self.assertEqual(len(self.files), 900)
        scripts = [p for p in self.files if p.startswith("scenario" + os.sep)]
        self.assertEqual(len(scripts), 12)
        self.assertTrue(all(p.endswith(".ks") for p in scripts))
        unrelated = [p for p in self.files if p.startswith("others" + os.sep)]
        self.assertGreater(len(unrelated), 900 // 3, "the unrelated subtree is missing")
        self.assertEqual(self.manifest["counts"]["files"], 900)

    def test_scripts_hold_the_requested_lines_and_references(self):
        lines = []
        for p in self.files:
            if p.startswith("scenario" + os.sep):
                lines += script_lines(os.path.join(self.root, p))
        self.assertEqual(len(lines), 3000)
        self.assertEqual(sum(len(IMAGE.findall(line)) for line in lines), 600)
        for line in lines:
            line.decode("utf-8")  # raises on a broken script
        japanese = sum(1 for line in lines if re.search(rb"[\xe3-\xe9]", line))
        self.assertGreater(japanese, len(lines) // 2, "mostly dialogue expected")

    def test_references_resolve_in_the_intended_shares(self):
        _, counts, found_in = self.resolved()
        self.assertEqual(counts["hint"], 300)
        self.assertEqual(counts["missing"], 18)
        # The search has to go down into nested folders, not just one level.
        deep = [folder for folder in found_in if folder.count(os.sep) >= 3]
        self.assertGreater(len(deep), len(found_in) * 0.9)

    def test_jumps_reach_their_labels_but_the_broken_ones(self):
        scenario = os.path.join(self.root, "scenario")
        labels, tags = {}, []
        for name in sorted(os.listdir(scenario)):
            labels[name] = set()
            for line in script_lines(os.path.join(scenario, name)):
                line = line.rstrip(b"\r")
                if line.startswith(b"*"):
                    labels[name].add(line[1:].split(b"|")[0])
                for tag in JUMP_TAG.finditer(line):
                    storage, target = STORAGE.search(tag.group(1)), TARGET.search(tag.group(1))
                    if storage or target:
                        tags.append((name, storage, target))
        broken = 0
        for name, storage, target in tags:
            script = storage.group(1).decode() if storage else name
            if script not in labels or (target and target.group(1) not in labels[script]):
                broken += 1
        counts = self.manifest["counts"]
        self.assertEqual(counts["jumps"], 400)
        self.assertEqual(counts["jumps_broken"], 4)
        self.assertEqual(broken, counts["jumps_broken"])
        # Buttons of the searched images jump to their script's start.
        self.assertGreater(len(tags), counts["jumps"])

    def test_line_endings_and_byte_order_marks_vary(self):
        scenario = os.path.join(self.root, "scenario")
        heads, crlf = set(), set()
        for name in sorted(os.listdir(scenario)):
            with open(os.path.join(scenario, name), "rb") as f:
                data = f.read()
            heads.add(data.startswith(b"\xef\xbb\xbf"))
            crlf.add(b"\r\n" in data)
        self.assertEqual(heads, {True, False})
        self.assertEqual(crlf, {True, False})


class NumberedProjectTest(GeneratedProjectCase):
    """The numbered preset: names of numbered series, missing names near them."""

    ARGS = ["--preset", "numbered", "--scale", "0.02", "--seed", "3"]

    def test_nine_files_in_ten_are_numbered_images(self):
        images = [p for p in self.files if p.endswith((".png", ".jpg"))]
        self.assertEqual(len(self.files), 1000)
        self.assertEqual(len(images), 900)
        numbered = [p for p in images if re.search(r"_\d{2,}", os.path.basename(p))]
        self.assertEqual(len(numbered), len(images))
        self.assertEqual(self.manifest["params"]["names"], "numbered")

    def test_missing_references_are_near_misses(self):
        names, _, _ = self.resolved()
        expected = self.manifest["counts"]
        # Each missing name keeps most of some file's name: the stem of a file is in
        # it, or it differs from one in a letter or two, or only in its number.
        stems = {n.rsplit(".", 1)[0] for n in names}
        digitless = {re.sub(r"\d", "", s) for s in stems}
        missing = []
        for name in sorted(os.listdir(os.path.join(self.root, "scenario"))):
            for line in script_lines(os.path.join(self.root, "scenario", name)):
                for match in IMAGE.finditer(line):
                    ref = match.group(0).decode().rsplit("/", 1)[-1]
                    if ref not in names:
                        missing.append(ref.rsplit(".", 1)[0])
        self.assertEqual(len(missing), expected["refs_missing"])
        for stem in missing:
            near = (any(stem.startswith(s) for s in stems) or
                    re.sub(r"\d", "", stem) in digitless or
                    any(len(s) == len(stem) and sum(a != b for a, b in zip(s, stem)) <= 2
                        for s in stems) or
                    any(abs(len(s) - len(stem)) == 1 and
                        (s in stem or stem in s or
                         any(s[:i] + s[i + 1:] == stem or stem[:i] + stem[i + 1:] == s
                             for i in range(max(len(s), len(stem)))))
                        for s in stems))
            self.assertTrue(near, stem)


class GameProjectTest(GeneratedProjectCase):
    """The game preset: sounds in the root's folders, macros defined and called."""

    ARGS = ["--preset", "game", "--scale", "0.02", "--seed", "5"]

    def lines(self):
        scenario = os.path.join(self.root, "scenario")
        for name in sorted(os.listdir(scenario)):
            for line in script_lines(os.path.join(scenario, name)):
                yield name, line.rstrip(b"\r").decode("utf-8")

    def test_sounds_are_there_but_a_few(self):
        counts = self.manifest["counts"]
        present = {os.path.basename(p) for p in self.files
                   if p.startswith(("sound" + os.sep, "bgm" + os.sep))}
        self.assertEqual(len(present), counts["sound_files"])
        named = [m.group(1) for _, line in self.lines()
                 for m in [re.match(r'\[(?:playse storage|playbgm storage|se_cue_\d+ se)='
                                    r'"([^"]+)"', line)] if m]
        self.assertEqual(len(named), counts["sounds"])
        missing = [n for n in named if n not in present]
        self.assertEqual(len(missing), counts["sounds_missing"])
        self.assertGreater(counts["sounds_missing"], 0)
        self.assertLess(counts["sounds_missing"], counts["sounds"] * 0.05)

    def test_macros_are_defined_first_and_called(self):
        counts = self.manifest["counts"]
        defined, calls, pictures = [], 0, 0
        first = None
        for name, line in self.lines():
            first = first or name
            match = re.match(r"\[macro name=(\w+)\]", line)
            if match:
                self.assertEqual(name, first)
                defined.append(match.group(1))
            tag = re.match(r"\[(\w+)[ \]]", line)
            if tag and tag.group(1) in defined and "%" not in line:  # not a body
                calls += 1
                if tag.group(1).startswith(("show_bg_", "scene_bg_")):
                    pictures += 1
                    picture = re.search(r'storage="([^"]+)"', line).group(1)
                    self.assertTrue(os.path.exists(
                        os.path.join(self.root, "data", "bgimage", picture)), line)
        self.assertEqual(len(defined), counts["macros"])
        self.assertEqual(len(set(defined)), counts["macros"])
        self.assertEqual(calls, counts["macro_calls"])
        self.assertEqual(pictures, counts["macro_call_refs"])
        self.assertGreater(pictures, calls // 3)

    def test_references_resolve_in_the_intended_shares(self):
        names = {}
        for p in self.files:
            names.setdefault(os.path.basename(p), os.path.dirname(p))
        counts, _ = resolve(self.root, names)
        expected = self.manifest["counts"]
        # The pictures of macro calls are found in the folder their macro names.
        self.assertEqual(counts["hint"] + counts["search"],
                         expected["refs_hint"] + expected["refs_search"]
                         + expected["macro_call_refs"])
        self.assertEqual(counts["missing"], expected["refs_missing"])


class DeterminismTest(unittest.TestCase):
    def test_same_seed_gives_same_bytes_whatever_the_hash_seed(self):
        with tempfile.TemporaryDirectory(prefix="kic-gen-") as scratch:
            digests = []
            for i, hash_seed in enumerate(["0", "12345", "random"]):
                env = dict(os.environ, PYTHONHASHSEED=hash_seed)
                outdir = os.path.join(scratch, f"p{i}")
                self.assertEqual(generate(outdir, SMALL_ARGS, env).returncode, 0)
                digests.append(tree_digest(outdir))
        self.assertEqual(len(set(digests)), 1)

    def test_other_seed_changes_the_scripts(self):
        with tempfile.TemporaryDirectory(prefix="kic-gen-") as scratch:
            a, b = os.path.join(scratch, "a"), os.path.join(scratch, "b")
            generate(a, SMALL_ARGS)
            generate(b, SMALL_ARGS[:-1] + ["8"])
            self.assertNotEqual(tree_digest(a), tree_digest(b))


class ParametersTest(unittest.TestCase):
    def test_presets_and_multipliers(self):
        for argv, jumps in [(["--preset", "large"], 20_000), (["--preset", "small"], 400),
                            (["--preset", "large", "--scale", "0.25"], 5_000),
                            (["--preset", "numbered"], 0),
                            (["--preset", "game"], 20_000),
                            (["--preset", "large-macros"], 20_000),
                            (["--preset", "small", "--jumps", "7"], 7)]:
            params = generate_project.parameters(generate_project.parse_args(argv + ["out"]))
            self.assertEqual(params["jumps"], jumps, argv)
        cases = [
            (["--preset", "small"], (20, 5_000, 800, 1_000)),
            (["--preset", "large"], (400, 250_000, 40_000, 50_000)),
            (["--preset", "large", "--scale", "0.25"], (100, 62_500, 10_000, 12_500)),
            (["--preset", "large", "--scale", "0.5"], (200, 125_000, 20_000, 25_000)),
            (["--preset", "small", "--scale", "2"], (40, 10_000, 1_600, 2_000)),
            (["--preset", "small", "--lines-scale", "4"], (20, 20_000, 800, 1_000)),
            (["--preset", "small", "--scale", "2", "--lines-scale", "4"],
             (40, 40_000, 1_600, 2_000)),
            (["--preset", "small", "--refs", "100", "--files", "300"], (20, 5_000, 100, 300)),
            (["--preset", "small", "--scripts", "0"], (1, 5_000, 800, 1_000)),
            (["--preset", "numbered"], (400, 250_000, 40_000, 50_000)),
            (["--preset", "game"], (400, 250_000, 40_000, 50_000)),
        ]
        for argv, expected in cases:
            with self.subTest(argv=argv):
                params = generate_project.parameters(
                    generate_project.parse_args(argv + ["out"]))
                self.assertEqual(
                    (params["scripts"], params["lines"], params["refs"], params["files"]),
                    expected)

    def test_plan_splits_references_and_files(self):
        cases = [
            # scripts, lines, refs, files -> hint, missing, search, unrelated
            ((400, 250_000, 40_000, 50_000), (20_000, 1_200, 18_800, 29_600)),
            ((20, 5_000, 800, 1_000), (400, 24, 376, 580)),
            ((1, 10, 0, 5), (0, 0, 0, 2)),
        ]
        for args, (hint, missing, search, unrelated) in cases:
            with self.subTest(args=args):
                plan = generate_project.Plan(*args)
                self.assertEqual((plan.hint_refs, plan.missing_refs, plan.search_refs,
                                  plan.unrelated_files), (hint, missing, search, unrelated))
                self.assertEqual(plan.hint_pool + plan.search_pool + plan.decoy_images,
                                 plan.image_files)
                self.assertGreaterEqual(plan.decoy_images, 0)

    def test_too_few_files_are_refused(self):
        with self.assertRaises(ValueError):
            generate_project.Plan(10, 100, 50, 10)


class OutputFolderTest(unittest.TestCase):
    """The generator deletes folders; it must only ever delete its own."""

    def test_existing_folders(self):
        tiny = ["--scripts", "2", "--lines", "50", "--refs", "10", "--files", "40"]
        cases = [
            # name, made by generator first, extra flags, expected exit, marker kept
            ("foreign folder, no flag", False, [], 2, True),
            ("foreign folder, --force", False, ["--force"], 2, True),
            ("foreign folder, --reuse", False, ["--reuse"], 2, True),
            ("own folder, no flag", True, [], 2, True),
            ("own folder, --force", True, ["--force"], 0, False),
            ("own folder, --reuse, same parameters", True, ["--reuse"], 0, True),
        ]
        for name, own, flags, exit_code, kept in cases:
            with self.subTest(name), tempfile.TemporaryDirectory() as scratch:
                outdir = os.path.join(scratch, "p")
                if own:
                    self.assertEqual(generate(outdir, tiny).returncode, 0)
                else:
                    os.makedirs(outdir)
                marker = os.path.join(outdir, "keep.txt")
                with open(marker, "w") as f:
                    f.write("x")
                result = generate(outdir, tiny + flags)
                self.assertEqual(result.returncode, exit_code, result.stderr)
                self.assertEqual(os.path.exists(marker), kept)

    def test_reuse_regenerates_when_parameters_change(self):
        with tempfile.TemporaryDirectory() as scratch:
            outdir = os.path.join(scratch, "p")
            tiny = ["--scripts", "2", "--lines", "50", "--refs", "10", "--files", "40"]
            generate(outdir, tiny)
            result = generate(outdir, tiny[:-1] + ["60", "--reuse"])
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(len(walk_files(outdir)), 60)

    def test_refuses_to_replace_the_current_folder(self):
        with tempfile.TemporaryDirectory() as scratch:
            outdir = os.path.join(scratch, "p")
            tiny = ["--scripts", "2", "--lines", "50", "--refs", "10", "--files", "40"]
            generate(outdir, tiny)
            result = subprocess.run(
                [sys.executable, GENERATOR, "--force"] + tiny + [outdir],
                cwd=os.path.join(outdir, "scenario"), capture_output=True, text=True)
            self.assertEqual(result.returncode, 2)
            self.assertIn("current folder", result.stderr)
            self.assertTrue(os.path.isdir(os.path.join(outdir, "scenario")))


if __name__ == "__main__":
    unittest.main()
