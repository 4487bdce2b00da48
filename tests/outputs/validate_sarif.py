#!/usr/bin/env python3
"""Runs the program with --sarif on a project with one of every finding and validates
the log against the SARIF 2.1.0 JSON schema.

Usage: validate_sarif.py PROGRAM SCHEMA

The schema comes from .ci/fetch-sarif-schema.sh. Without it, or without the jsonschema
module, the test is skipped (exit code 77) unless KIC_REQUIRE_SARIF_SCHEMA=1, as in CI.
"""
import json
import os
import pathlib
import subprocess
import sys
import tempfile

SKIPPED = 77


def skip_or_fail(reason):
    if os.environ.get("KIC_REQUIRE_SARIF_SCHEMA") == "1":
        sys.exit(f"error: {reason}")
    print(f"skipped: {reason}")
    sys.exit(SKIPPED)


def write_project(root):
    files = {
        "scenario/a.ks": b'[bg storage="room.jpg" folder="bg"]\nhero.png\ngone.png\n'
        b"\xff sjis.png\nchara/shy.png\n",
        "scenario/序 100%.ks": '[image storage="背景.png"]\n'.encode(),
        "config_image.csv": "a.ks,序 100%.ks,locked.ks,absent.ks\n".encode("cp932"),
        "bg/room.jpg": b"",
        "data/chara/Hero.PNG": b"",
        "fg/other/shy.png": b"",
        "unused/old.png": b"",
    }
    for name, content in files.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(content)
    (root / "scenario/locked.ks").mkdir()


def main():
    program, schema_path = sys.argv[1], pathlib.Path(sys.argv[2])
    try:
        import jsonschema
    except ImportError:
        skip_or_fail("the Python module jsonschema is missing (python3-jsonschema)")
    if not schema_path.is_file():
        skip_or_fail(f"no schema at {schema_path}: run .ci/fetch-sarif-schema.sh")
    schema = json.loads(schema_path.read_text(encoding="utf-8"))

    with tempfile.TemporaryDirectory() as folder:
        root = pathlib.Path(folder)
        write_project(root)
        run = subprocess.run([program, "--sarif", "out.sarif", "--unused"], cwd=root,
                             capture_output=True)
        if run.returncode != 0:
            sys.exit(f"error: exit code {run.returncode}\n{run.stderr.decode(errors='replace')}")
        log = json.loads((root / "out.sarif").read_bytes().decode("utf-8"))

    validator = jsonschema.validators.validator_for(schema)(schema)
    errors = sorted(validator.iter_errors(log), key=lambda error: list(error.path))
    for error in errors:
        print(f"{'/'.join(map(str, error.path))}: {error.message}")
    rules = sorted({result["ruleId"] for result in log["runs"][0]["results"]})
    print(f"{len(log['runs'][0]['results'])} results, rules {rules}")
    expected = {"missing-image", "missing-script", "letter-case", "folder-mismatch",
                "invalid-bytes"}
    if not expected <= set(rules):
        sys.exit(f"error: the project should give results of every rule: {sorted(expected)}")
    sys.exit(1 if errors else 0)


if __name__ == "__main__":
    main()
