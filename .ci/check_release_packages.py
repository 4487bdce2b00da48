#!/usr/bin/env python3
"""Checks the release packages as their users get them.

Run from the repository root after `cmake --workflow --preset windows-release` and
`cmake --workflow --preset release`, with WINE naming the wine loader. The Windows zip
is unpacked into a new folder with a Japanese name and its program run from there
under wine on a copy of the sample project; the Linux tarball likewise, natively. The
version in CMakeLists.txt, the package names, --version and the Windows version
resource must all agree.
"""

import os
import re
import shutil
import subprocess
import sys
import tarfile
import zipfile
from pathlib import Path

WINE = os.environ.get("WINE", "wine64")
WORK = Path("build/package-check")
SAMPLE = Path("examples/sample-project")
BOM = b"\xef\xbb\xbf"
# The sample project's missing images, as the report marks them.
EXPECTED_MISSING = [
    "■prologue.ks (行 10): chara/hero_yawn.png -> 存在しません",
    "■chapter1.ks (行 10): corridor.jpg -> 存在しません",
    "■ending.ks (行 8): staffroll_bg.png -> 存在しません",
]
# The comment line of ending.ks names title.png, which the check skips as the game does.
EXPECTED_REFERENCES = 12

failures = []
passes = 0


def check(condition, message):
    global passes
    if condition:
        passes += 1
    else:
        failures.append(message)
        print("FAILED: " + message)
    return condition


def project_version():
    text = Path("CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(ks-image-check VERSION ([0-9.]+)", text).group(1)


def fresh_folder(name):
    folder = WORK / name
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    return folder


def run(command, cwd, decode):
    result = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL,
                            capture_output=True, timeout=300)
    return result.returncode, decode(result.stdout), decode(result.stderr)


def windows_text(data):
    # A Windows build writes redirected console text as CP932 with CR LF.
    return data.decode("cp932", errors="replace").replace("\r\n", "\n")


def linux_text(data):
    return data.decode("utf-8", errors="replace")


def check_guide_bytes(name, data, version):
    """A text for Notepad: BOM, CR LF only, valid UTF-8, nothing left unconfigured."""
    check(data.startswith(BOM), f"{name} starts with a UTF-8 byte-order mark")
    check(re.search(rb"(?<!\r)\n", data) is None, f"{name} has no bare LF")
    check(re.search(rb"\r(?!\n)", data) is None, f"{name} has no bare CR")
    try:
        text = data[len(BOM):].decode("utf-8")
    except UnicodeDecodeError as error:
        check(False, f"{name} is valid UTF-8 ({error})")
        return ""
    # The guide speaks of "@bg" lines, so only a whole @NAME@ counts.
    check(not re.search(r"@[A-Za-z_][A-Za-z0-9_]*@", text),
          f"{name} has no unreplaced @VARIABLE@")
    if version is not None:
        check(version in text, f"{name} names version {version}")
    return text


def options_in_help(help_text):
    return sorted(set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", help_text)))


def report_lines(program_command, project, decode):
    """Runs the program in `project`; the lines of the report it wrote."""
    code, out, err = run(program_command, project, decode)
    check(code == 0, f"run in {project}: exit code {code}\n{out}{err}")
    reports = sorted(project.glob("tag_report_image_*.txt"))
    if not check(len(reports) == 1, f"one report in {project}, found {reports}"):
        return []
    data = reports[0].read_bytes()
    check(data.startswith(BOM), "the report starts with a byte-order mark")
    log = project / "image_error_log.txt"
    check(log.is_file() and log.read_bytes().startswith(BOM),
          "image_error_log.txt is written, with a byte-order mark")
    return data[len(BOM):].decode("utf-8").splitlines()


def sample_run(program_command, project, decode):
    """Runs the program on a fresh copy of the sample project; the report's lines."""
    shutil.copytree(SAMPLE, project)
    lines = report_lines(program_command, project, decode)
    check(len(lines) == EXPECTED_REFERENCES,
          f"{EXPECTED_REFERENCES} report lines, got {len(lines)}")
    check([line for line in lines if line.startswith("■")] == EXPECTED_MISSING,
          f"missing images as expected, report:\n" + "\n".join(lines))
    code, _, _ = run(program_command + ["--fail-on-missing"], project, decode)
    check(code == 2, f"--fail-on-missing on the sample ends with 2, got {code}")
    return lines


def check_long_path(program_command, project):
    """An image in a folder past the old 260-character limit of Windows paths."""
    shutil.copytree(SAMPLE, project)
    deep = Path("深いフォルダ")
    while len(str((project / deep).resolve())) <= 300:
        deep = deep / "とても深いフォルダの階層"
    (project / deep).mkdir(parents=True)
    # The sample misses corridor.jpg, which is looked for anywhere below the root.
    shutil.copy(SAMPLE / "title.png", project / deep / "corridor.jpg")
    found = f"chapter1.ks (行 10): corridor.jpg -> 存在します (フォルダ: {deep})"
    lines = report_lines(program_command, project, windows_text)
    check(found.replace("/", "\\") in lines,
          f"an image {len(str((project / deep).resolve()))} characters deep is found:\n"
          + "\n".join(lines))


def resource_versions(exe):
    """The versions in the .exe's version resource, read back by the resource compiler.
    (tests/app/windows_resources_test-win32.cpp reads it and the manifest through the
    Windows API.)"""
    rc = subprocess.run(["x86_64-w64-mingw32-windres", "-i", str(exe), "-O", "rc"],
                        capture_output=True, text=True, check=True).stdout
    check("RT_MANIFEST" in rc, "the zipped program has a manifest")
    versions = set()
    for numbers in re.findall(r"^ *(?:FILEVERSION|PRODUCTVERSION) ([0-9, ]+)$", rc, re.M):
        parts = [part.strip() for part in numbers.split(",")]
        # The project version has three parts; the resource's fourth is 0.
        versions.add(".".join(parts[:3]) if parts[3] == "0" else ".".join(parts))
    versions.update(re.findall(r'VALUE "(?:FileVersion|ProductVersion)", L?"([^"]*)"', rc))
    return versions


def check_windows_zip(version):
    name = f"ks-image-check-{version}-win64.zip"
    archive = Path("build/windows-release") / name
    if not check(archive.is_file(), f"{archive} was made"):
        return None
    with zipfile.ZipFile(archive) as package:
        check(sorted(package.namelist()) ==
              ["LICENSES.txt", "README-ja.txt", "ks-image-check.exe",
               "ks-image-check.schema.json"],
              f"{name} holds the program, its two texts and the project file's schema, "
              f"flat: {package.namelist()}")
        unpacked = fresh_folder("配布テスト 展開先")
        package.extractall(unpacked)
    exe = unpacked / "ks-image-check.exe"
    program = [WINE, str(exe.resolve())]

    code, out, _ = run(program + ["--version"], unpacked, windows_text)
    check(code == 0 and out == f"ks-image-check {version}\n",
          f"--version of the zipped program says {version}: {out!r}")
    versions = resource_versions(exe)
    check(versions == {version}, f"the version resource says {version}: {versions}")

    guide = check_guide_bytes("README-ja.txt", (unpacked / "README-ja.txt").read_bytes(),
                              version)
    licences = check_guide_bytes("LICENSES.txt", (unpacked / "LICENSES.txt").read_bytes(),
                                 None)
    # Every library compiled into the program has its notice there.
    for library in ("libstdc++", "mingw-w64", "toml++", "Niels Lohmann"):
        check(library in licences, f"LICENSES.txt holds the notice of {library}")
    # The guide must keep up with the program's options.
    code, help_text, _ = run(program + ["--help"], unpacked, windows_text)
    check(code == 0, "--help ends with 0")
    for option in options_in_help(help_text):
        check(option in guide, f"README-ja.txt explains {option}")

    lines = sample_run(program, fresh_folder("ウィンドウズ版") / "サンプル プロジェクト",
                       windows_text)
    check_long_path(program, fresh_folder("長いパス") / "サンプル")
    return lines


def check_linux_tarball(version):
    archives = sorted(Path("build/release").glob(f"ks-image-check-{version}-linux-*.tar.gz"))
    if not check(len(archives) == 1, f"one Linux tarball for {version}: {archives}"):
        return None
    top = archives[0].name[:-len(".tar.gz")]
    with tarfile.open(archives[0]) as package:
        check(sorted(package.getnames()) ==
              [f"{top}/LICENSES.txt", f"{top}/README-ja.txt", f"{top}/README.md",
               f"{top}/ks-image-check", f"{top}/ks-image-check.schema.json"],
              f"{archives[0].name} holds the program, the READMEs, the licences and the "
              f"schema: {package.getnames()}")
        unpacked = fresh_folder("リナックス版 展開先")
        package.extractall(unpacked)
    program = [str((unpacked / top / "ks-image-check").resolve())]
    code, out, _ = run(program + ["--version"], unpacked, linux_text)
    check(code == 0 and out == f"ks-image-check {version}\n",
          f"--version of the packaged Linux program says {version}: {out!r}")
    check_guide_bytes("README-ja.txt", (unpacked / top / "README-ja.txt").read_bytes(),
                      version)
    licences = (unpacked / top / "LICENSES.txt").read_text(encoding="utf-8")
    for library in ("toml++", "Niels Lohmann"):
        check(library in licences, f"the tarball's LICENSES.txt holds the notice of {library}")
    return sample_run(program, fresh_folder("リナックス版") / "サンプル プロジェクト",
                      linux_text)


def main():
    version = project_version()
    print(f"project version {version}")
    windows_lines = check_windows_zip(version)
    linux_lines = check_linux_tarball(version)
    if windows_lines and linux_lines:
        # Found folders are joined with the platform's separator; nothing else differs.
        check([line.replace("\\", "/") for line in windows_lines] == linux_lines,
              "the Windows and Linux programs write the same report")
    print(f"packages: {passes} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
