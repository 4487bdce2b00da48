#!/usr/bin/env python3
"""Makes docs/html-report.png, the README's picture of the --html page: runs the
program on a copy of examples/sample-project and lets headless Chromium, started as
the browser check starts it, take the screenshot.

Usage: html_report_screenshot.py [PROGRAM] [OUTPUT_PNG]
(defaults: build/release/ks-image-check, docs/html-report.png; needs the fonts-noto-cjk
package, or another Japanese font, for the Japanese text)
"""
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tests" / "browser"))
from check_html_report import chromium  # noqa: E402


def main():
    program = Path(sys.argv[1] if len(sys.argv) > 1 else
                   REPO / "build/release/ks-image-check").resolve()
    output = Path(sys.argv[2] if len(sys.argv) > 2 else REPO / "docs/html-report.png")
    browser = shutil.which("chromium") or sys.exit("chromium is not installed")
    # The page shows the project's folder: a plain name reads better in the README
    # than a random one.
    project = Path(tempfile.gettempdir()) / "sample-project"
    if project.exists():
        sys.exit(f"{project} is in the way")
    try:
        shutil.copytree(REPO / "examples/sample-project", project)
        subprocess.run([program, "--unused", "--html", "report.html"], cwd=project,
                       check=True, capture_output=True)
        output.parent.mkdir(parents=True, exist_ok=True)
        with tempfile.TemporaryDirectory(prefix="kic-chromium-") as profile:
            chromium(browser, profile, (project / "report.html").as_uri(),
                     f"--screenshot={output.resolve()}", "--window-size=960,1440")
    finally:
        shutil.rmtree(project, ignore_errors=True)
    print(f"wrote {output}")


if __name__ == "__main__":
    main()
