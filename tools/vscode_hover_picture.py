#!/usr/bin/env python3
"""Makes editors/vscode/images/hover.png, the picture in the extension's README: asks
the language server for the hover over an image name of examples/sample-project, as
VS Code would, and draws the script line with that hover in a page styled like VS
Code's dark editor, which headless Chromium photographs. The words and the picture
in the hover are the server's answer; the editor around them is a drawing, not VS
Code itself.

Usage: vscode_hover_picture.py [PROGRAM] [OUTPUT_PNG]
(defaults: build/release/ks-image-check, editors/vscode/images/hover.png; needs the
fonts-noto-cjk package, or another Japanese font)
"""
import html
import re
import shutil
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tests" / "browser"))
sys.path.insert(0, str(REPO / "tests" / "lsp"))
from check_html_report import chromium  # noqa: E402
from lsp_client import LspClient  # noqa: E402

SCRIPT = "scenario/prologue.ks"
LINE = 4  # [image storage="chara/hero_smile.png" folder="data/fgimage" layer=0]

PAGE = """<!doctype html><meta charset="utf-8"><style>
body {{ margin: 0; background: #1e1e1e; color: #d4d4d4;
       font: 14px/20px "DejaVu Sans Mono", "Noto Sans Mono CJK JP", monospace; }}
.tab {{ background: #252526; color: #ccc; padding: 6px 14px; font-family: sans-serif;
        font-size: 13px; border-bottom: 1px solid #333; }}
.lines {{ padding: 8px 0; }}
.line {{ white-space: pre; padding-left: 12px; }}
.no {{ display: inline-block; width: 32px; color: #858585; text-align: right;
       margin-right: 18px; }}
.tag {{ color: #569cd6; }} .value {{ color: #ce9178; }}
.hovered {{ background: #264f78; }}
.hover {{ position: absolute; left: 230px; top: {top}px; background: #252526;
          border: 1px solid #454545; padding: 8px 12px; font-family: sans-serif;
          font-size: 13px; box-shadow: 0 2px 8px #000a; }}
.hover code {{ font-family: monospace; background: #3a3d41; padding: 1px 4px; }}
.hover img {{ display: block; margin-top: 8px; }}
</style>
<div class="tab">{script}</div>
<div class="lines">{lines}</div>
<div class="hover">{hover}</div>
"""


def coloured(line, reference):
    text = html.escape(line)
    text = re.sub(r"(\[\w+|\])", r'<span class="tag">\1</span>', text)
    text = re.sub(r"(&quot;[^&]*&quot;)", r'<span class="value">\1</span>', text)
    marked = html.escape(reference)
    return text.replace(marked, f'<span class="hovered">{marked}</span>', 1)


def hover_html(markdown):
    """The server's Markdown (a code span, then a picture) as VS Code shows it."""
    code, picture = markdown.split("\n\n")
    uri = re.fullmatch(r"!\[\]\((.*)\)", picture).group(1)
    return f"<code>{html.escape(code.strip('` '))}</code><img src=\"{html.escape(uri)}\">"


def main():
    program = Path(sys.argv[1] if len(sys.argv) > 1 else
                   REPO / "build/release/ks-image-check").resolve()
    output = Path(sys.argv[2] if len(sys.argv) > 2 else
                  REPO / "editors/vscode/images/hover.png").resolve()
    browser = shutil.which("chromium") or sys.exit("chromium is not installed")
    with tempfile.TemporaryDirectory(prefix="kic-hover-") as folder:
        project = Path(folder) / "sample-project"
        shutil.copytree(REPO / "examples/sample-project", project)
        lines = (project / SCRIPT).read_text(encoding="utf-8").splitlines()
        reference = "chara/hero_smile.png"
        client = LspClient([str(program), "--lsp"])
        try:
            client.initialize(project)
            uri = client.open(project / SCRIPT, "\n".join(lines) + "\n")
            hover = client.request("textDocument/hover", {
                "textDocument": {"uri": uri},
                "position": {"line": LINE, "character": lines[LINE].index(reference) + 3}})
            client.close()
        finally:
            client.kill()
        shown = lines[:8]
        page = PAGE.format(
            script=html.escape(Path(SCRIPT).name), top=40 + 8 + 20 * (LINE + 1),
            lines="".join(f'<div class="line"><span class="no">{n + 1}</span>'
                          f'{coloured(line, reference) if n == LINE else html.escape(line)}'
                          '</div>' for n, line in enumerate(shown)),
            hover=hover_html(hover["contents"]["value"]))
        page_file = Path(folder) / "hover.html"
        page_file.write_text(page, encoding="utf-8")
        output.parent.mkdir(parents=True, exist_ok=True)
        with tempfile.TemporaryDirectory(prefix="kic-chromium-") as profile:
            chromium(browser, profile, page_file.as_uri(), f"--screenshot={output}",
                     "--window-size=760,330")
    print(f"wrote {output}")


if __name__ == "__main__":
    main()
