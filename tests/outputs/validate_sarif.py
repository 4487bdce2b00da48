#!/usr/bin/env python3
"""validate_sarif.py PROGRAM SCHEMA: runs PROGRAM --sarif on a project with a finding
of every rule and validates the log against the SARIF 2.1.0 schema, which
.ci/fetch-sarif-schema.sh provides. Without it or Python's jsonschema the test is
skipped (exit code 77), unless KIC_REQUIRE_SARIF_SCHEMA=1 as in CI."""
import json, os, pathlib, subprocess, sys, tempfile


def skip(reason):
    if os.environ.get("KIC_REQUIRE_SARIF_SCHEMA") == "1":
        sys.exit(f"error: {reason}")
    sys.exit(print(f"skipped: {reason}") or 77)


program, schema_path = sys.argv[1], pathlib.Path(sys.argv[2])
try:
    import jsonschema
except ImportError:
    skip("no Python module jsonschema (Debian: python3-jsonschema)")
if not schema_path.is_file():
    skip(f"no schema at {schema_path}: run .ci/fetch-sarif-schema.sh")
schema = json.loads(schema_path.read_text(encoding="utf-8"))

with tempfile.TemporaryDirectory() as folder:
    root = pathlib.Path(folder)
    files = {"scenario/a.ks": b'[bg storage="r.jpg" folder="bg"]\nhero.png\n\xff x.png\nc/s.png\n'
                              b'*l\n*l\n[jump target=*gone][playse storage=gone.ogg]\n'
                              b'[movie storage=gone.webm]\n',
             "sound/x.ogg": b"", "video/x.webm": b"",
             "scenario/序 100%.ks": "[image storage=\"背景.png\"]\n".encode(),
             "config_image.csv": "a.ks,序 100%.ks,locked.ks,absent.ks\n".encode("cp932"),
             "bg/r.jpg": b"", "data/Hero.PNG": b"", "fg/s.png": b"", "old.png": b""}
    for name, content in files.items():
        (root / name).parent.mkdir(parents=True, exist_ok=True)
        (root / name).write_bytes(content)
    (root / "scenario/locked.ks").mkdir()
    run = subprocess.run([program, "--sarif", "out.sarif", "--unused"], cwd=root,
                         capture_output=True)
    if run.returncode != 0:
        sys.exit(f"error: exit code {run.returncode}: {run.stderr.decode(errors='replace')}")
    log = json.loads((root / "out.sarif").read_bytes().decode("utf-8"))

errors = list(jsonschema.validators.validator_for(schema)(schema).iter_errors(log))
for error in errors:
    print(f"{'/'.join(map(str, error.path))}: {error.message}")
rules = {result["ruleId"] for result in log["runs"][0]["results"]}
print(f"{len(log['runs'][0]['results'])} results of {sorted(rules)}, {len(errors)} errors")
wanted = {"missing-image", "missing-script", "letter-case", "folder-mismatch", "invalid-bytes",
          "missing-label", "duplicate-label", "missing-sound", "missing-video"}
sys.exit(1 if errors or not wanted <= rules else 0)
