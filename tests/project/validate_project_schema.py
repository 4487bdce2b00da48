#!/usr/bin/env python3
"""validate_project_schema.py PROGRAM SCHEMA README: checks ks-image-check.schema.json,
the schema editors use for ks-image-check.toml, against the program that reads the
file. The schema must be a valid draft-07 schema; it must accept the README's example
(which the program must run with) and reject typical mistakes (which the program must
refuse, with exit code 1). Without Python's jsonschema the test is skipped (exit code
77), unless KIC_REQUIRE_JSONSCHEMA=1 as in CI."""
import json, os, pathlib, re, subprocess, sys, tempfile

try:
    import tomllib
except ImportError:  # Python before 3.11
    tomllib = None


def skip(reason):
    if os.environ.get("KIC_REQUIRE_JSONSCHEMA") == "1":
        sys.exit(f"error: {reason}")
    sys.exit(print(f"skipped: {reason}") or 77)


program, schema_path, readme_path = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
try:
    import jsonschema
except ImportError:
    skip("no Python module jsonschema (Debian: python3-jsonschema)")
if tomllib is None:
    skip("no Python module tomllib (Python 3.11 or later)")

schema = json.loads(schema_path.read_text(encoding="utf-8"))
jsonschema.Draft7Validator.check_schema(schema)
validator = jsonschema.Draft7Validator(schema)

readme = readme_path.read_text(encoding="utf-8")
section = readme[readme.index("## The project file"):]
example = re.search(r"```toml\n(.*?)```", section, re.S).group(1)

# Every key, at every level, says what it does.
def undescribed(node, where):
    missing = []
    for key, value in node.get("properties", {}).items():
        if "description" not in value:
            missing.append(f"{where}{key}")
        missing += undescribed(value, f"{where}{key}.")
    for name, value in node.get("definitions", {}).items():
        missing += undescribed(value, f"{where}{name}.")
    return missing

# Mistakes a game author makes, each one the schema and the program refuse. The
# folders they name exist, so only the mistake itself is wrong.
MISTAKES = {
    "unknown key": 'serch_path = ["evimage"]\n',
    "key in the wrong letter case": 'Layout = "desktop"\n',
    "layout not one of the words": 'layout = "desktp"\n',
    "layout not a string": "layout = 3\n",
    "encoding not one of the words": 'encoding = "sjis"\n',
    "search_path a string": 'search_path = "evimage"\n',
    "search_path item not a string": 'search_path = ["evimage", 3]\n',
    "empty folder": 'scripts = [""]\n',
    "folder above the root": 'scripts = ["../scenario"]\n',
    "absolute folder": 'search_path = ["/evimage"]\n',
    "check word misspelt": 'check = ["image"]\n',
    "check empty": "check = []\n",
    "tags not a table": 'tags = "cg"\n',
    "tag without attributes": '[tags.cg]\nfolder = "bgimage"\n',
    "tag attributes a string": '[tags.cg]\nattributes = "file"\n',
    "tag attributes empty": "[tags.cg]\nattributes = []\n",
    "tag with an unknown key": '[tags.cg]\nattributes = ["file"]\nfolders = "bgimage"\n',
    "top key below a tag table": '[tags.cg]\nattributes = ["file"]\nlayout = "desktop"\n',
}
ACCEPTED = {
    "README example": example,
    "empty file": "",
    "one browser tag": 'layout = "browser"\n[tags.ex_bg]\nattributes = ["storage"]\nfolder = "bgimage"\n',
}

failures = [f"no description: {key}" for key in undescribed(schema, "")]
with tempfile.TemporaryDirectory() as folder:
    root = pathlib.Path(folder)
    (root / "scenario").mkdir()
    (root / "scenario" / "a.ks").write_text("[bg storage=room.jpg]\n", encoding="utf-8")
    for name in ["evimage", "face", "others/plugin", "bgimage"]:
        (root / name).mkdir(parents=True, exist_ok=True)

    def program_run(text):
        (root / "ks-image-check.toml").write_text(text, encoding="utf-8")
        run = subprocess.run([program], cwd=root, capture_output=True)
        for report in root.glob("tag_report_image_*.txt"):
            report.unlink()
        return run.returncode, run.stderr.decode("utf-8", "replace")

    for label, text in ACCEPTED.items():
        errors = [error.message for error in validator.iter_errors(tomllib.loads(text))]
        if errors:
            failures.append(f"{label}: the schema refuses it: {errors}")
        code, err = program_run(text)
        if code != 0:
            failures.append(f"{label}: the program refuses it ({code}): {err}")
    for label, text in MISTAKES.items():
        if validator.is_valid(tomllib.loads(text)):
            failures.append(f"{label}: the schema accepts it")
        code, err = program_run(text)
        if code != 1 or "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 " not in err:
            failures.append(f"{label}: the program did not refuse it ({code}): {err}")

for failure in failures:
    print(failure)
print(f"{len(ACCEPTED)} files accepted, {len(MISTAKES)} mistakes refused, {len(failures)} failures")
sys.exit(1 if failures else 0)
