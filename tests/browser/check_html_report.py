#!/usr/bin/env python3
"""Renders the page of --html in headless Chromium and checks what a browser makes of
it: a small project with found, missing, suggested, letter-case, Japanese-named and
oddly named images (real PNG files, each of its own colour) is checked, the page is
written inside the project and outside it, and the rendered DOM and a screenshot are
read back.

    check_html_report.py PROGRAM [--keep DIR]

Exit status: 0 passed, 1 failed, 77 skipped: no Chromium (KIC_CHROMIUM names another
binary; with KIC_REQUIRE_CHROMIUM set, as in CI, a missing Chromium fails).
"""

import argparse
import collections
import html.parser
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import urllib.parse
import urllib.request
import zlib
from pathlib import Path

SKIPPED = 77

# Each image is a plain square of its own colour, so the screenshot tells which
# pictures the browser decoded.
RED, BLUE, GREEN, MAGENTA, AMBER, CYAN = (
    (230, 20, 20), (20, 40, 230), (20, 170, 40), (220, 20, 220), (250, 190, 0),
    (0, 200, 210))

ODD_NAME = "<b>&\"'#%?.png"
IMAGES = {
    # PNG bytes under a .jpg name: browsers decode by content, not by extension.
    "data/bgimage/room.jpg": BLUE,
    "data/fgimage/chara/hero.png": RED,
    "data/bgimage/教室 (昼).png": GREEN,
    "data/bgimage/" + ODD_NAME: MAGENTA,
    "data/fgimage/chara/hero_smile.png": AMBER,
    "data/bgimage/unused_sky.png": CYAN,
}

MAIN_SCRIPT = """\
[bg storage="room.jpg" folder="data/bgimage"]
[image storage="chara/hero.png" folder="data/fgimage"]
[bg storage="教室 (昼).png"]
[bg storage=<b>&"'#%?.png]
[image storage="chara/Hero_Smile.png"]
[bg storage="hero_smlie.png"]
[bg storage="<img src=x onerror=alert(1)>.png"]
[bg storage=<script>document.title='x'</script>.png]
"""

# (script, line, reference, row class, files its thumbnails show, in order)
EXPECTED_ROWS = [
    ("main.ks", 1, "room.jpg", "ok", ["data/bgimage/room.jpg"]),
    ("main.ks", 2, "chara/hero.png", "ok", ["data/fgimage/chara/hero.png"]),
    ("main.ks", 3, "教室 (昼).png", "ok", ["data/bgimage/教室 (昼).png"]),
    ("main.ks", 4, ODD_NAME, "ok", ["data/bgimage/" + ODD_NAME]),
    ("main.ks", 5, "chara/Hero_Smile.png", "missing",
     ["data/fgimage/chara/hero_smile.png"]),
    ("main.ks", 6, "hero_smlie.png", "missing", None),  # candidates, see below
    ("main.ks", 7, "<img src=x onerror=alert(1)>.png", "missing", []),
    ("main.ks", 8, "<script>document.title='x'</script>.png", "missing", []),
    ("sjis.ks", 2, "room.jpg", "ok", ["data/bgimage/room.jpg"]),
]
# The did-you-mean candidate meant on line 6.
SUGGESTED = "data/fgimage/chara/hero_smile.png"
# What --unused lists: images whose names, letter case ignored, no line names
# (Hero_Smile.png names hero_smile.png).
UNUSED = ["data/bgimage/unused_sky.png"]


def png_bytes(rgb, size=16):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data)))
    rows = b"".join(b"\0" + bytes(rgb) * size for _ in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def png_pixels(data):
    """The RGB pixels of an 8-bit RGB or RGBA PNG, as one list of tuples."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
    assert depth == 8 and colour in (2, 6) and interlace == 0, "unexpected PNG form"
    n = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(idat), width * n
    previous, pixels = bytearray(stride), []
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        if kind == 2:
            line = add_bytes(line, previous)  # most rows of a screenshot: fast
        elif kind != 0:
            for i in range(stride):
                a = line[i - n] if i >= n else 0
                b = previous[i]
                c = previous[i - n] if i >= n else 0
                if kind == 1:
                    line[i] = (line[i] + a) & 255
                elif kind == 3:
                    line[i] = (line[i] + (a + b) // 2) & 255
                elif kind == 4:
                    p = a + b - c
                    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                    line[i] = (line[i] + (a if pa <= pb and pa <= pc else
                                          b if pb <= pc else c)) & 255
        pixels.extend(zip(line[0::n], line[1::n], line[2::n]))
        previous = line
    return pixels


def add_bytes(x, y):
    """(x[i] + y[i]) & 255 for every i, in big-integer arithmetic: each byte gets a
    lane of 16 bits, so no carry reaches the next one."""
    lanes_x, lanes_y = bytearray(2 * len(x)), bytearray(2 * len(y))
    lanes_x[1::2], lanes_y[1::2] = x, y
    total = int.from_bytes(lanes_x, "big") + int.from_bytes(lanes_y, "big")
    return bytearray(total.to_bytes(len(lanes_x), "big")[1::2])


def colour_counts(pixels):
    seen = collections.Counter(pixels)
    return {colour: sum(count for p, count in seen.items()
                        if all(abs(p[k] - colour[k]) <= 6 for k in range(3)))
            for colour in IMAGES.values()}


def make_project(root):
    for name, colour in IMAGES.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(png_bytes(colour))
    (root / "scenario").mkdir()
    (root / "scenario" / "main.ks").write_text(MAIN_SCRIPT, encoding="utf-8")
    (root / "scenario" / "sjis.ks").write_bytes(
        "; 背景だけ\n[bg storage=\"room.jpg\" folder=\"data/bgimage\"]\n".encode("cp932"))
    (root / "config_image.csv").write_text("main.ks,sjis.ks,gone.ks\n", encoding="ascii")


def run_program(program, root, page, *extra):
    for old in root.glob("tag_report_image_*.txt"):
        old.unlink()
    result = subprocess.run([program, "--html", str(page), *extra], cwd=root,
                            capture_output=True, timeout=120)
    if result.returncode != 0:
        sys.exit(f"the program failed ({result.returncode}): {result.stderr!r}")


def chromium(binary, profile, url, *flags):
    command = [
        binary, "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
        "--no-first-run", "--disable-background-networking",
        "--disable-component-update", "--disable-sync", f"--user-data-dir={profile}",
        "--allow-file-access-from-files", "--hide-scrollbars",
        "--force-device-scale-factor=1", "--virtual-time-budget=5000", *flags, url]
    result = subprocess.run(command, capture_output=True, timeout=180)
    if result.returncode != 0:
        sys.exit(f"chromium failed ({result.returncode}): {result.stderr[-2000:]!r}")
    return result.stdout


class Dom(html.parser.HTMLParser):
    """The parts of the rendered DOM the checks need."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags = []     # every start tag: (name, attributes)
        self.title = [""]
        self.scripts = {}  # script name: whether its section is open
        self.rows = []     # per row: [class, script, [cell texts], [img src]]
        self.unused = []   # the src of each image of the unused grid
        self._script = None
        self._row = None
        self._grid = False
        self._text = None  # (list, index) that text goes to

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags.append((tag, attrs))
        if tag == "title":
            self._text = (self.title, 0)
        elif tag == "details":
            self._script = [""]
            self._open = "open" in attrs
        elif tag == "summary":
            self._text = (self._script, 0)
        elif tag == "span" and self._text and self._text[0] is self._script:
            self._text = None  # the counts after the script's name
        elif tag == "tr" and "class" in attrs:
            self._row = [attrs["class"], self._script[0], [], []]
            self.rows.append(self._row)
        elif tag == "td" and self._row:
            self._row[2].append("")
            self._text = (self._row[2], len(self._row[2]) - 1)
        elif tag == "img" and self._row:
            self._row[3].append(attrs.get("src"))
        elif tag == "ul" and attrs.get("class") == "grid":
            self._grid = True
        elif tag == "img" and self._grid:
            self.unused.append(attrs.get("src"))

    def handle_endtag(self, tag):
        if tag in ("title", "summary", "td"):
            self._text = None
        if tag == "summary":
            self.scripts[self._script[0]] = self._open
        elif tag == "tr":
            self._row = None
        elif tag == "ul":
            self._grid = False

    def handle_data(self, data):
        if self._text:
            target, index = self._text
            target[index] += data


def resolve(page_url, src):
    """The local file a src names, as the browser resolves it; None when the URL
    is no plain file path."""
    parts = urllib.parse.urlsplit(urllib.parse.urljoin(page_url, src))
    if parts.scheme != "file" or parts.query or parts.fragment:
        return None
    return Path(urllib.request.url2pathname(parts.path))


def check_page(dom, page_url, root, with_unused):
    failures = []
    fail = failures.append
    if dom.title[0] != "画像チェック: " + root.name:
        fail(f"title {dom.title[0]!r}")
    # Nothing a name holds became an element or an attribute of one.
    for tag, attrs in dom.tags:
        if tag in ("script", "b", "iframe", "object", "embed"):
            fail(f"injected <{tag}>")
        if any(name.startswith("on") for name in attrs):
            fail(f"injected handler on <{tag}>: {attrs}")
        if tag == "img" and attrs.get("loading") != "lazy":
            fail(f"an image that is not lazy: {attrs}")
    if dom.scripts != {"main.ks": True, "sjis.ks": False, "gone.ks": True}:
        fail(f"sections and whether they are open: {dom.scripts}")
    rows = [(script, int(cells[0]), cells[1], kind) for kind, script, cells, _ in dom.rows]
    if rows != [expected[:4] for expected in EXPECTED_ROWS]:
        fail(f"rows {rows}")
        return failures
    for (script, line, _, _, files), (*_, sources) in zip(EXPECTED_ROWS, dom.rows):
        shown = [resolve(page_url, src) for src in sources]
        if files is None:
            # Did-you-mean candidates: the file meant comes first.
            files = [SUGGESTED]
            shown = shown[:1]
        if shown != [root / name for name in files]:
            fail(f"{script} line {line}: thumbnails {sources} show {shown}")
    for src in dom.unused + [src for row in dom.rows for src in row[3]]:
        path = resolve(page_url, src)
        if not path or not path.is_file():
            fail(f"{src} names no file: {path}")
    # The grid of unused images shows the images no line names, and only with
    # --unused.
    unused = sorted(str(resolve(page_url, src)) for src in dom.unused)
    expected = sorted(str(root / n) for n in UNUSED) if with_unused else []
    if unused != expected:
        fail(f"unused images {dom.unused}")
    return [f"{page_url}: {failure}" for failure in failures]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", type=Path)
    parser.add_argument("--keep", type=Path, help="leave the project and pages here")
    args = parser.parse_args()
    browser = os.environ.get("KIC_CHROMIUM") or shutil.which("chromium")
    if not browser:
        if os.environ.get("KIC_REQUIRE_CHROMIUM"):
            print("FAIL: chromium is not installed")
            return 1
        print("skipped: chromium is not installed")
        return SKIPPED
    program = args.program.resolve()

    work = Path(tempfile.mkdtemp(prefix="kic-html-"))
    try:
        # A project folder whose name needs encoding in a URL, and a page outside it.
        root = work / "作品 #1 %41"
        make_project(root)
        inside = root / "report.html"
        outside = work / "出力 ?" / "レポート.html"
        run_program(program, root, inside.name)
        run_program(program, root, os.path.relpath(outside, root), "--unused")

        failures = []
        profile = work / "profile"
        shots = [  # url, colours that must show, colours that must not
            (inside.as_uri(), [BLUE, RED, GREEN, MAGENTA, AMBER], [CYAN]),
            # The filter: rows without findings are gone.
            (inside.as_uri() + "#findings", [AMBER], [BLUE, RED, GREEN, MAGENTA])]
        for page, with_unused in ((inside, False), (outside, True)):
            dom = Dom()
            dom.feed(chromium(browser, profile, page.as_uri(), "--dump-dom").decode())
            failures += check_page(dom, page.as_uri(), root, with_unused)
            if dom.unused:
                shots.append((page.as_uri(), [CYAN], []))

        shot = work / "shot.png"
        for url, seen, unseen in shots:
            chromium(browser, profile, url, f"--screenshot={shot}",
                     "--window-size=900,2000")
            counts = colour_counts(png_pixels(shot.read_bytes()))
            failures += [f"{url}: colour {colour} shows in {counts[colour]} pixels"
                         for colour in seen if counts[colour] < 1000]
            failures += [f"{url}: colour {colour} shows, it should not"
                         for colour in unseen if counts[colour] > 0]
        if args.keep:
            shutil.rmtree(args.keep, ignore_errors=True)
            shutil.copytree(work, args.keep)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    for failure in failures:
        print("FAIL:", failure)
    print(f"html report in the browser: {'failed' if failures else 'passed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
