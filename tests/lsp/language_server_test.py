#!/usr/bin/env python3
"""The language server (ks-image-check --lsp) at the protocol level: a test client
starts the program, opens a script of a small project, edits it, and checks what the
server says: diagnostics and their UTF-16 ranges, quick fixes, hover, definition,
completion, a refreshed tree, and error replies to broken messages.

    language_server_test.py PROGRAM [unittest arguments]
"""

import json
import os
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from lsp_client import LspClient, ServerError, file_uri, path_of  # noqa: E402

PROGRAM = None

IMAGES = [
    "data/bgimage/room.jpg",
    "data/bgimage/教室.png",
    "data/fgimage/chara/hero_smile.png",
    "data/fgimage/chara/Heroine.png",
]

SCRIPT_LINES = [
    "*start",
    '[bg storage="room.jpg" folder="data/bgimage"]',
    '「こんにちは」[image storage="chara/hero_smle.png" folder="data/fgimage"]',
    '; [bg storage="nothing.png"]',
    '[image storage="chara/heroine.png" folder="data/fgimage"]',
    '[bg storage="sky.png"]',
    '😀[bg storage="emoji.png"]',
    '[image storage="face/hero_smile.png"]',
    '[bg storage="教室.png"]',
]
SCRIPT = "\n".join(SCRIPT_LINES) + "\n"


def utf16_length(text):
    return len(text.encode("utf-16-le")) // 2


def range_of(line_number, line, reference):
    """The protocol's range of `reference` on its line, counted independently of the
    server: through Python's own UTF-16 encoder."""
    start = utf16_length(line[:line.index(reference)])
    return {"start": {"line": line_number, "character": start},
            "end": {"line": line_number, "character": start + utf16_length(reference)}}


def apply_edit(text, edit):
    """`text` with one TextEdit applied, positions in UTF-16 columns."""
    lines = text.split("\n")

    def offset(position):
        line = lines[position["line"]]
        units = line.encode("utf-16-le")[:2 * position["character"]].decode("utf-16-le")
        return sum(len(l) + 1 for l in lines[:position["line"]]) + len(units)

    return (text[:offset(edit["range"]["start"])] + edit["newText"] +
            text[offset(edit["range"]["end"]):])


def summary(diagnostics):
    """(line, code, severity, message) of each diagnostic, in order."""
    return [(d["range"]["start"]["line"], d["code"], d["severity"], d["message"])
            for d in diagnostics]


class ServerTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="kic-lsp-")
        self.root = Path(self.folder) / "ゲーム"
        for image in IMAGES:
            (self.root / image).parent.mkdir(parents=True, exist_ok=True)
            (self.root / image).write_bytes(b"")
        (self.root / "scenario").mkdir()
        self.script_path = self.root / "scenario" / "main.ks"
        self.script_path.write_text(SCRIPT, encoding="utf-8")
        self.client = LspClient([PROGRAM, "--lsp"])

    def tearDown(self):
        self.client.kill()
        shutil.rmtree(self.folder)

    def start(self, text=SCRIPT, **options):
        self.client.initialize(self.root, **options)
        self.uri = self.client.open(self.script_path, text)
        # The open script's own; those its file on disk got from the sweep before
        # are dropped.
        diagnostics = self.client.diagnostics(self.uri, 1)
        self.client.pending = [
            m for m in self.client.pending
            if m.get("method") != "textDocument/publishDiagnostics" or
            m["params"]["uri"] != self.uri]
        return diagnostics

    def change(self, version, *changes):
        self.client.notify("textDocument/didChange", {
            "textDocument": {"uri": self.uri, "version": version},
            "contentChanges": list(changes)})
        return self.client.diagnostics(self.uri, version)


class Diagnostics(ServerTest):
    def test_every_finding_at_its_reference_in_the_consoles_words(self):
        diagnostics = self.start()
        self.assertEqual(summary(diagnostics), [
            (2, "missing-image", 1, "画像ファイルが見つかりません: chara/hero_smle.png"),
            (4, "missing-image", 1, "画像ファイルが見つかりません: chara/heroine.png"),
            (4, "letter-case", 2,
             "大文字・小文字だけが異なるファイルがあります: data/fgimage/chara/Heroine.png"),
            (5, "missing-image", 1, "画像ファイルが見つかりません: sky.png"),
            (6, "missing-image", 1, "画像ファイルが見つかりません: emoji.png"),
            (7, "folder-mismatch", 2,
             "参照とは別のフォルダで見つかりました: face/hero_smile.png"
             " (フォルダ: data/fgimage/chara)"),
        ])
        for diagnostic in diagnostics:
            line = diagnostic["range"]["start"]["line"]
            reference = diagnostic["message"].split(": ")[1].split(" ")[0]
            if diagnostic["code"] == "letter-case":
                reference = "chara/heroine.png"
            self.assertEqual(diagnostic["range"],
                             range_of(line, SCRIPT_LINES[line], reference))
        # Japanese before the reference counts one unit a character, the emoji two.
        self.assertEqual(diagnostics[0]["range"]["start"]["character"], 23)
        self.assertEqual(diagnostics[4]["range"]["start"]["character"], 15)
        related = diagnostics[0]["relatedInformation"]
        self.assertEqual([path_of(r["location"]["uri"]) for r in related],
                         [self.root / "data/fgimage/chara/hero_smile.png"])

    def test_edits_full_and_incremental_change_the_verdicts(self):
        self.start()
        # "smle" -> "smile": one character typed after the Japanese greeting.
        column = utf16_length(SCRIPT_LINES[2][:SCRIPT_LINES[2].index("smle") + 2])
        at = {"line": 2, "character": column}
        diagnostics = self.change(2, {"range": {"start": at, "end": at}, "text": "i"})
        self.assertNotIn(2, [line for line, *_ in summary(diagnostics)])
        # Two changes in one message, applied in order: a new first line moves
        # everything down, then a missing image is typed on it.
        top = {"line": 0, "character": 0}
        diagnostics = self.change(
            3, {"range": {"start": top, "end": top}, "text": "\r\n"},
            {"range": {"start": top, "end": top}, "text": "[bg storage=\"new.png\"]"})
        self.assertEqual(summary(diagnostics)[0],
                         (0, "missing-image", 1, "画像ファイルが見つかりません: new.png"))
        self.assertEqual(summary(diagnostics)[1][0], 5)
        # A whole new text.
        diagnostics = self.change(4, {"text": "[bg storage=\"room.jpg\"]\n"})
        self.assertEqual(diagnostics, [])

    def test_a_line_of_megabytes_with_a_reference_at_its_end(self):
        line = "あ" * 700_000 + '[bg storage="far.png"]'
        diagnostics = self.start(text="*start\n" + line + "\n")
        self.assertEqual(diagnostics[0]["range"], range_of(1, line, "far.png"))

    def test_a_file_made_on_disk_is_found_after_the_client_tells(self):
        self.start()
        registration = self.client.wait_for(
            lambda m: m.get("method") == "client/registerCapability")
        self.client.send({"jsonrpc": "2.0", "id": registration["id"], "result": None})
        watcher = registration["params"]["registrations"][0]
        self.assertEqual(watcher["method"], "workspace/didChangeWatchedFiles")
        sky = self.root / "data/bgimage/sky.png"
        sky.write_bytes(b"")
        self.client.notify("workspace/didChangeWatchedFiles",
                           {"changes": [{"uri": file_uri(sky), "type": 1}]})
        diagnostics = self.client.diagnostics(self.uri, 1)
        self.assertNotIn("sky.png", str(summary(diagnostics)))
        self.assertEqual(len(diagnostics), 5)

    def test_a_save_refreshes_the_tree_for_clients_without_watchers(self):
        self.start(watch_files=False)
        (self.root / "emoji.png").write_bytes(b"")
        self.client.notify("textDocument/didSave", {"textDocument": {"uri": self.uri}})
        diagnostics = self.client.diagnostics(self.uri, 1)
        self.assertNotIn("emoji.png", str(summary(diagnostics)))

    def test_closing_clears_and_writes_nothing_into_the_project(self):
        self.start(text="")
        self.client.notify("textDocument/didClose", {"textDocument": {"uri": self.uri}})
        self.assertEqual(self.client.diagnostics(self.uri), [])
        # A script of the scenario folder then speaks from its file on disk.
        self.assertEqual(len(self.client.diagnostics(self.uri)), 6)
        outside = self.root / "notes.ks"
        outside_uri = self.client.open(outside, '[bg storage="gone.png"]\n')
        self.assertEqual(len(self.client.diagnostics(outside_uri, 1)), 1)
        self.client.notify("textDocument/didClose", {"textDocument": {"uri": outside_uri}})
        self.assertEqual(self.client.diagnostics(outside_uri), [])
        self.assertEqual(self.client.close(), 0)
        self.assertFalse(any(m.get("params", {}).get("uri") == outside_uri
                             for m in self.client.pending))
        written = sorted(str(p.relative_to(self.root)) for p in self.root.rglob("*")
                         if p.is_file())
        self.assertEqual(written, sorted(IMAGES + ["scenario/main.ks"]))


class Features(ServerTest):
    def test_quick_fixes_name_the_files_a_missing_image_may_have_meant(self):
        diagnostics = self.start()
        missing = diagnostics[0]
        actions = self.client.request("textDocument/codeAction", {
            "textDocument": {"uri": self.uri}, "range": missing["range"],
            "context": {"diagnostics": [missing]}})
        self.assertEqual([a["title"] for a in actions], ["chara/hero_smile.png に置き換えます"])
        self.assertEqual(actions[0]["diagnostics"], [missing])
        edit = actions[0]["edit"]["changes"][self.uri][0]
        text = apply_edit(SCRIPT, edit)
        self.assertIn('「こんにちは」[image storage="chara/hero_smile.png"', text)
        diagnostics = self.change(2, {"text": text})
        self.assertNotIn(2, [line for line, *_ in summary(diagnostics)])
        # The letter-case match, relative to the line's folder.
        case = diagnostics[0]
        self.assertEqual(case["range"]["start"]["line"], 4)
        actions = self.client.request("textDocument/codeAction", {
            "textDocument": {"uri": self.uri}, "range": case["range"],
            "context": {"diagnostics": []}})
        self.assertEqual(actions[0]["edit"]["changes"][self.uri][0]["newText"],
                         "chara/Heroine.png")
        self.assertTrue(actions[0]["isPreferred"])

    def test_hover_shows_the_file_and_its_picture_and_definition_leads_there(self):
        self.start()
        inside = {"line": 1, "character": SCRIPT_LINES[1].index("room") + 2}
        params = {"textDocument": {"uri": self.uri}, "position": inside}
        hover = self.client.request("textDocument/hover", params)
        room = self.root / "data/bgimage/room.jpg"
        self.assertEqual(hover["contents"]["kind"], "markdown")
        self.assertEqual(hover["contents"]["value"],
                         "` data/bgimage/room.jpg `\n\n![](" + file_uri(room) + ")")
        self.assertEqual(hover["range"], range_of(1, SCRIPT_LINES[1], "room.jpg"))
        location = self.client.request("textDocument/definition", params)
        self.assertEqual(path_of(location["uri"]), room)
        # A Japanese name, found by the search.
        params["position"] = {"line": 8, "character": 14}
        location = self.client.request("textDocument/definition", params)
        self.assertEqual(path_of(location["uri"]), self.root / "data/bgimage/教室.png")
        # A missing image tells why; no reference, nothing.
        params["position"] = {"line": 5, "character": 14}
        hover = self.client.request("textDocument/hover", params)
        self.assertIn("画像ファイルが見つかりません", hover["contents"]["value"])
        self.assertIsNone(self.client.request("textDocument/definition", params))
        params["position"] = {"line": 0, "character": 2}
        self.assertIsNone(self.client.request("textDocument/hover", params))

    def test_completion_offers_the_images_the_tag_would_find(self):
        lines = ['[bg storage="ro" folder="data/bgimage"]',
                 '@image storage=chara/her',
                 '[bg time="1000"]']
        self.start(text="\n".join(lines) + "\n")

        def labels(line, character):
            result = self.client.request("textDocument/completion", {
                "textDocument": {"uri": self.uri},
                "position": {"line": line, "character": character}})
            return sorted(item["label"] for item in result["items"])

        self.assertEqual(labels(0, lines[0].index("ro") + 2), ["room.jpg"])
        self.assertEqual(labels(0, lines[0].index("ro")), ["room.jpg", "教室.png"])
        self.assertEqual(labels(1, len(lines[1])),
                         ["data/fgimage/chara/Heroine.png",
                          "data/fgimage/chara/hero_smile.png"])
        self.assertEqual(labels(2, lines[2].index("1000")), [])


class Protocol(ServerTest):
    def test_broken_and_unknown_messages_get_error_replies_and_the_server_goes_on(self):
        self.start()
        self.client.send_bytes(b"Content-Length: 9\r\n\r\n{not json")
        reply = self.client.wait_for(lambda m: "error" in m)
        self.assertEqual((reply["id"], reply["error"]["code"]), (None, -32700))
        self.client.send_bytes(b"Content-Type: text/plain\r\n\r\n")
        reply = self.client.wait_for(lambda m: "error" in m)
        self.assertEqual(reply["error"]["code"], -32700)
        self.client.send({"jsonrpc": "2.0", "id": 99, "params": {}})
        reply = self.client.wait_for(lambda m: m.get("id") == 99)
        self.assertEqual(reply["error"]["code"], -32600)
        for method, params, code in [
                ("textDocument/unknownThing", {}, -32601),
                ("textDocument/hover", {"textDocument": {"uri": self.uri}}, -32602)]:
            with self.assertRaises(ServerError) as raised:
                self.client.request(method, params)
            self.assertEqual(raised.exception.args[0], code)
        self.client.notify("$/unknownNotification", {})
        hover = self.client.request("textDocument/hover", {
            "textDocument": {"uri": self.uri},
            "position": {"line": 1, "character": 15}})
        self.assertIn("room.jpg", hover["contents"]["value"])

    def test_requests_before_initialize_are_refused(self):
        with self.assertRaises(ServerError) as raised:
            self.client.request("textDocument/hover", {})
        self.assertEqual(raised.exception.args[0], -32002)

    def test_a_client_that_goes_away_ends_the_server(self):
        self.start()
        self.client.process.stdin.close()
        self.assertEqual(self.client.process.wait(20), 1)

    def test_the_root_is_found_above_the_script_without_a_workspace(self):
        self.client.request("initialize", {"processId": None, "rootUri": None,
                                           "capabilities": {}})
        self.client.notify("initialized", {})
        self.uri = self.client.open(self.script_path, SCRIPT)
        self.assertEqual(len(self.client.diagnostics(self.uri)), 6)


def make_files(root, files):
    """Writes {relative path: bytes or str} below `root`; an image is empty."""
    for name, content in files.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(content.encode("utf-8") if isinstance(content, str) else content)


def is_publish(message, uri):
    return (message.get("method") == "textDocument/publishDiagnostics" and
            message["params"]["uri"] == uri)


class ClientLimits(ServerTest):
    """Numbers and frames no client should send, which must neither hang the server
    nor deafen it."""

    EXTREMES = [-1, 2 ** 32, 2 ** 64 + 5, 1e300, 10_000]

    def test_every_position_and_range_is_clamped_to_the_document(self):
        self.start()
        for extreme in self.EXTREMES:
            with self.subTest(extreme=extreme):
                far = {"line": extreme, "character": extreme}
                actions = self.client.request("textDocument/codeAction", {
                    "textDocument": {"uri": self.uri},
                    "range": {"start": {"line": 0, "character": 0}, "end": far},
                    "context": {"diagnostics": []}})
                # From the start to the end: every reference's fixes; a negative
                # end is the start.
                self.assertEqual(len(actions), 0 if extreme == -1 else 2)
                backwards = self.client.request("textDocument/codeAction", {
                    "textDocument": {"uri": self.uri},
                    "range": {"start": far, "end": {"line": 0, "character": 0}},
                    "context": {"diagnostics": [{"range": {"start": far, "end": far}}]}})
                self.assertEqual(backwards, actions)
                for method in ("textDocument/hover", "textDocument/definition",
                               "textDocument/references"):
                    self.assertIsNone(self.client.request(method, {
                        "textDocument": {"uri": self.uri}, "position": far}))
                completion = self.client.request("textDocument/completion", {
                    "textDocument": {"uri": self.uri}, "position": far})
                self.assertEqual(completion["items"], [])
        # A backwards range from past the end to a negative place: everything after
        # the first line; then an insertion past the end appends.
        self.assertEqual(self.change(2, {"range": {
            "start": {"line": 2 ** 32, "character": -1},
            "end": {"line": 0, "character": 2 ** 40}}, "text": ""}), [])
        far = {"line": 2 ** 32, "character": 0}
        diagnostics = self.change(3, {"range": {"start": far, "end": far},
                                      "text": '\n[bg storage="last.png"]'})
        self.assertEqual(summary(diagnostics),
                         [(1, "missing-image", 1, "画像ファイルが見つかりません: last.png")])
        # A line that is no number is the client's mistake.
        with self.assertRaises(ServerError) as raised:
            self.client.request("textDocument/hover", {
                "textDocument": {"uri": self.uri},
                "position": {"line": "two", "character": 0}})
        self.assertEqual(raised.exception.args[0], -32602)

    def test_after_a_broken_frame_the_next_message_is_heard(self):
        hover = {"jsonrpc": "2.0", "id": 7, "method": "textDocument/hover",
                 "params": {"textDocument": {"uri": "file:///nowhere.ks"},
                            "position": {"line": 0, "character": 0}}}
        body = json.dumps(hover).encode()
        broken_frames = {
            "no Content-Length": b"Content-Type: application/json\r\n\r\n" + body,
            "a length one byte short":
                b"Content-Length: %d\r\n\r\n" % (len(body) - 1) + body,
            "a header of another protocol": b"GET / HTTP/1.1\r\nHost: x\r\n\r\n",
            "a body far longer than a line": b"Content-Type: x\r\n\r\n" + b"x" * 5000,
        }
        for name, frame in broken_frames.items():
            with self.subTest(frame=name):
                client = LspClient([PROGRAM, "--lsp"])
                try:
                    client.initialize(self.root)
                    client.send_bytes(frame)
                    self.assertIsNone(client.request("textDocument/hover",
                                                     hover["params"]))
                    self.assertEqual(client.close(), 0)
                    # At most one error reply for the broken frame.
                    errors = [m for m in client.pending if "error" in m]
                    self.assertLessEqual(len(errors), 1)
                finally:
                    client.kill()

    def test_a_second_initialize_is_refused(self):
        self.start()
        with self.assertRaises(ServerError) as raised:
            self.client.request("initialize", {"processId": None, "capabilities": {}})
        self.assertEqual(raised.exception.args[0], -32600)
        self.assertEqual(self.client.close(), 0)


SJIS_LINES = [
    '「教室に入る」',
    '[bg storage="教室.png" folder="data/bgimage"]',
    '[bg storage="gone.png" folder="data/bgimage"]',
    '[bg storage="廊下.png" folder="data/bgimage"]',
]


class Encodings(ServerTest):
    """A Shift-JIS script as editors that take it for UTF-8 or latin1 send it."""

    def open_sjis(self, decode, client_name):
        data = ("\r\n".join(SJIS_LINES) + "\r\n").encode("cp932")
        path = self.root / "scenario" / "sjis.ks"
        path.write_bytes(data)
        self.client.initialize(self.root, client_name=client_name)
        uri = self.client.open(path, decode(data))
        return uri, self.client.diagnostics(uri, 1)

    def test_a_misread_script_gets_advice_once_and_no_false_marks(self):
        editors = [
            ("Visual Studio Code", lambda b: b.decode("utf-8", "replace"),
             '"[ks]": { "files.encoding": "shiftjis" }'),
            ("Neovim", lambda b: b.decode("latin-1"), "fileencodings=ucs-bom,utf-8,cp932"),
            (None, lambda b: b.decode("latin-1"), "Shift-JIS にして開き直してください"),
        ]
        for name, decode, setting in editors:
            with self.subTest(editor=name):
                self.client.kill()
                self.client = LspClient([PROGRAM, "--lsp"])
                uri, diagnostics = self.open_sjis(decode, name)
                # The ASCII name reads truly; the Japanese ones are not marked.
                self.assertEqual(summary(diagnostics), [
                    (2, "missing-image", 1, "画像ファイルが見つかりません: gone.png")])
                advice = self.client.wait_for(
                    lambda m: m.get("method") == "window/showMessage")["params"]
                self.assertEqual(advice["type"], 2)
                self.assertIn("scenario/sjis.ks は Shift-JIS で保存されています",
                              advice["message"])
                self.assertIn(setting, advice["message"])
                # Once per document: reopened, it is not said again.
                self.client.notify("textDocument/didClose", {"textDocument": {"uri": uri}})
                self.client.open(self.root / "scenario" / "sjis.ks",
                                 decode(("\r\n".join(SJIS_LINES)).encode("cp932")), 2)
                self.client.diagnostics(uri, 2)
                self.client.request("shutdown", None)
                self.assertFalse([m for m in self.client.pending
                                  if m.get("method") == "window/showMessage"])

    def test_a_script_read_in_its_encoding_is_checked_whole(self):
        uri, diagnostics = self.open_sjis(lambda b: b.decode("cp932"), "Neovim")
        self.assertEqual([d[3] for d in summary(diagnostics)], [
            "画像ファイルが見つかりません: gone.png",
            "画像ファイルが見つかりません: 廊下.png"])
        # Edited into a misread text, a correct file on disk gives no advice: the
        # invalid bytes are the text's own, marked once for the whole script.
        broken = "\n".join(["\ufffd" + line for line in SJIS_LINES[:2]]) + "\n"
        self.client.notify("textDocument/didChange", {
            "textDocument": {"uri": uri, "version": 2}, "contentChanges": [{"text": broken}]})
        diagnostics = self.client.diagnostics(uri, 2)
        self.assertEqual(summary(diagnostics), [
            (0, "invalid-bytes", 2, "UTF-8 として不正なバイト列があります")])
        self.client.request("shutdown", None)
        self.assertFalse([m for m in self.client.pending
                          if m.get("method") == "window/showMessage"])

    def test_gbk_and_big5_are_named_as_the_project_file_chooses(self):
        # Words that both encodings hold.
        lines = ["「教室」", "*教室", "[jump storage=other.ks target=*教室]",
                 "[bg storage=gone.png]"]
        utf8 = lambda b: b.decode("utf-8", "replace")  # noqa: E731
        latin1 = lambda b: b.decode("latin-1")  # noqa: E731
        cases = [
            ("gbk", "gbk", "Visual Studio Code", utf8,
             'scenario/chinese.ks は GBK で保存されていますが、エディタが別の文字コードで'
             '開いたため、中国語の名前を確認できません。VS Code の設定に '
             '"[ks]": { "files.encoding": "gbk" } を加えて開き直してください。'),
            ("big5", "big5", "Neovim", latin1,
             "scenario/chinese.ks は Big5 で保存されていますが、エディタが別の文字コードで"
             "開いたため、中国語の名前を確認できません。Neovim で "
             "fileencodings=ucs-bom,utf-8,cp950 を設定して開き直してください "
             "(ks-image-check.lua では vim.g.ks_image_check_fileencodings = "
             "'ucs-bom,utf-8,cp950')。"),
            # Without the project file, GBK that reads as half-width katakana is taken
            # for Shift-JIS by detection, with a word on the project file.
            (None, "gbk", "Visual Studio Code", utf8,
             'scenario/chinese.ks は Shift-JIS で保存されていますが、エディタが別の'
             '文字コードで開いたため、日本語の名前を確認できません。VS Code の設定に '
             '"[ks]": { "files.encoding": "shiftjis" } を加えて開き直してください。'
             'GBK か Big5 で保存したスクリプトなら、文字コードは ks-image-check.toml '
             'でだけ選べます: encoding = "gbk" (または "big5") と書いてください。'),
        ]
        for chosen, encoding, client, decode, message in cases:
            with self.subTest(encoding=chosen, client=client):
                self.client.kill()
                self.client = LspClient([PROGRAM, "--lsp"])
                project_file = self.root / "ks-image-check.toml"
                if chosen:
                    project_file.write_text('encoding = "%s"\n' % chosen)
                elif project_file.exists():
                    project_file.unlink()
                text = lines if chosen else ["中文中文", "[bg storage=gone.png]"]
                data = ("\r\n".join(text) + "\r\n").encode(encoding)
                path = self.root / "scenario" / "chinese.ks"
                path.write_bytes(data)
                (self.root / "scenario" / "other.ks").write_bytes("*教室\n".encode(encoding))
                self.client.initialize(self.root, client_name=client)
                uri = self.client.open(path, decode(data))
                # The names it cannot read are not marked: the label the jump goes
                # to in another script is not looked for.
                self.assertEqual(
                    summary(self.client.diagnostics(uri, 1)),
                    [(len(text) - 1, "missing-image", 1,
                      "画像ファイルが見つかりません: gone.png")])
                advice = self.client.wait_for(
                    lambda m: m.get("method") == "window/showMessage")["params"]
                self.assertEqual(advice, {"type": 2, "message": message})


# Projects of the two styles whose tags load from places of their own, each with two
# names similar to a missing one. In the browser-style one, one lies where the tag
# does not load from: no quick fix may write it.
QUICK_FIX_PROJECTS = {
    "browser": {
        "files": {"index.html": "", "data/fgimage/chara/5/ami_smile.png": b"",
                  "data/others/3d/sprite/ami_smiley.png": b"", "data/scenario/.keep": ""},
        "root": "data",
        "line": '[chara_mod name="ami" storage="chara/5/ami_smle.png"]',
        "fixes": ["chara/5/ami_smile.png"],
        "similar": ["fgimage/chara/5/ami_smile.png", "others/3d/sprite/ami_smiley.png"],
    },
    "desktop": {
        "files": {"startup.tjs": "", "fgimage/ami_1.png": b"",
                  "others/3d/sprite/ami_4.png": b"", "scenario/.keep": ""},
        "root": ".",
        "line": '[image storage="chara/ami_4x" layer=1]',
        # The name alone finds a file on the search path; one below a folder of it
        # needs its path from the root.
        "fixes": ["others/3d/sprite/ami_4", "ami_1"],
        "similar": ["others/3d/sprite/ami_4.png", "fgimage/ami_1.png"],
    },
}


class QuickFixesWhereTheTagLoads(unittest.TestCase):
    def test_each_fix_offered_resolves_and_clears_its_diagnostic(self):
        for style, project in QUICK_FIX_PROJECTS.items():
            with self.subTest(style=style), tempfile.TemporaryDirectory() as folder:
                game = Path(folder) / "game"
                make_files(game, project["files"])
                root = (game / project["root"]).resolve()
                client = LspClient([PROGRAM, "--lsp"])
                try:
                    self.check_fixes(client, root, project)
                finally:
                    client.kill()

    def check_fixes(self, client, root, project):
        client.initialize(root)
        text = "*start\n" + project["line"] + "\n"
        uri = client.open(root / "scenario" / "first.ks", text)
        [missing] = client.diagnostics(uri, 1)
        self.assertEqual(missing["code"], "missing-image")
        self.assertEqual([r["message"].split(": ")[1] for r in missing["relatedInformation"]],
                         project["similar"])
        # The cursor at the line's start, the diagnostic named in the context.
        cursor = {"line": 1, "character": 0}
        actions = client.request("textDocument/codeAction", {
            "textDocument": {"uri": uri}, "range": {"start": cursor, "end": cursor},
            "context": {"diagnostics": [missing]}})
        edits = [a["edit"]["changes"][uri][0] for a in actions]
        self.assertEqual([e["newText"] for e in edits], project["fixes"])
        self.assertEqual([a["diagnostics"] for a in actions], [[missing]] * len(actions))
        # Without the diagnostic, the cursor off the name finds nothing to fix.
        self.assertEqual(client.request("textDocument/codeAction", {
            "textDocument": {"uri": uri}, "range": {"start": cursor, "end": cursor},
            "context": {"diagnostics": []}}), [])
        for version, edit in enumerate(edits, start=2):
            client.notify("textDocument/didChange", {
                "textDocument": {"uri": uri, "version": version},
                "contentChanges": [{"text": apply_edit(text, edit)}]})
            self.assertEqual(client.diagnostics(uri, version), [], edit["newText"])


class WholeProject(unittest.TestCase):
    """Diagnostics of every script of the scenario folder, open or not; find
    references and document links."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="kic-lsp-project-")
        self.root = Path(self.folder) / "game"
        make_files(self.root, {
            "bgimage/room.jpg": b"", "fgimage/hero.png": b"",
            "scenario/a.ks": '[bg storage="room.jpg" folder="bgimage"]\n'
                             '[image storage="hero.png" folder="fgimage"]\n',
            "scenario/b.ks": '*b\n[bg storage="sky.png" folder="bgimage"]\n'
                             '[bg storage="room.jpg" folder="bgimage"]\n',
            "scenario/sub/c.ks": '[bg storage="bgimage/room.jpg"]\n',
        })
        self.client = LspClient([PROGRAM, "--lsp"])

    def tearDown(self):
        self.client.kill()
        shutil.rmtree(self.folder)

    def uri(self, name):
        return file_uri(self.root / name)

    def test_scripts_not_open_are_checked_at_start_and_after_a_change(self):
        self.client.initialize(self.root)
        self.assertEqual(summary(self.client.diagnostics(self.uri("scenario/b.ks"))),
                         [(1, "missing-image", 1, "画像ファイルが見つかりません: sky.png")])
        # Fixed on disk: cleared once the client tells of the new file.
        make_files(self.root, {"bgimage/sky.png": b""})
        self.client.notify("workspace/didChangeWatchedFiles", {"changes": [
            {"uri": self.uri("bgimage/sky.png"), "type": 1}]})
        self.assertEqual(self.client.diagnostics(self.uri("scenario/b.ks")), [])
        # A script added later is checked too, clean ones stay silent.
        make_files(self.root, {"scenario/d.ks": '[bg storage="d.png"]\n'})
        self.client.notify("workspace/didChangeWatchedFiles", {"changes": [
            {"uri": self.uri("scenario/d.ks"), "type": 1}]})
        self.assertEqual(len(self.client.diagnostics(self.uri("scenario/d.ks"))), 1)
        self.client.request("shutdown", None)
        published = {m["params"]["uri"] for m in self.client.pending
                     if m.get("method") == "textDocument/publishDiagnostics"}
        self.assertFalse(published & {self.uri("scenario/a.ks"),
                                      self.uri("scenario/sub/c.ks")})

    def test_a_large_project_shows_its_progress(self):
        make_files(self.root, {"scenario/many/%03d.ks" % i: '[bg storage="x%d.png"]\n' % i
                               for i in range(60)})
        self.client.initialize(self.root, progress=True)
        create = self.client.wait_for(
            lambda m: m.get("method") == "window/workDoneProgress/create")
        self.client.send({"jsonrpc": "2.0", "id": create["id"], "result": None})
        token = create["params"]["token"]
        kinds = []
        while not kinds or kinds[-1] != "end":
            progress = self.client.wait_for(lambda m: m.get("method") == "$/progress")
            self.assertEqual(progress["params"]["token"], token)
            kinds.append(progress["params"]["value"]["kind"])
        self.assertEqual(kinds[0], "begin")
        self.assertIn("report", kinds)
        self.assertEqual(self.client.close(), 0)
        marked = {m["params"]["uri"] for m in self.client.pending
                  if m.get("method") == "textDocument/publishDiagnostics"}
        self.assertEqual(len(marked), 61)  # the sixty, and b.ks

    def test_references_from_a_name_and_from_the_image_itself(self):
        self.client.initialize(self.root)
        # An open script's unsaved text counts, not its file.
        a_uri = self.client.open(self.root / "scenario/a.ks",
                                 '[bg storage="room.jpg" folder="bgimage"]\n\n'
                                 '[bg storage="room.jpg" folder="bgimage"]\n')
        self.client.diagnostics(a_uri, 1)
        expected = [(a_uri, 0), (a_uri, 2), (self.uri("scenario/b.ks"), 2),
                    (self.uri("scenario/sub/c.ks"), 0)]

        def found(uri, line, character):
            locations = self.client.request("textDocument/references", {
                "textDocument": {"uri": uri},
                "position": {"line": line, "character": character},
                "context": {"includeDeclaration": True}})
            return None if locations is None else [
                (l["uri"], l["range"]["start"]["line"]) for l in locations]

        self.assertEqual(found(a_uri, 2, 14), expected)
        self.assertEqual(found(self.uri("bgimage/room.jpg"), 0, 0), expected)
        self.assertEqual(found(self.uri("scenario/b.ks"), 2, 15), expected)
        self.assertEqual(found(self.uri("fgimage/hero.png"), 0, 0), [])
        self.assertIsNone(found(a_uri, 1, 0))
        # The range of the name in a script not open.
        [location] = [l for l in self.client.request("textDocument/references", {
            "textDocument": {"uri": self.uri("bgimage/room.jpg")},
            "position": {"line": 0, "character": 0}}) if l["uri"].endswith("c.ks")]
        self.assertEqual(location["range"],
                         range_of(0, '[bg storage="bgimage/room.jpg"]', "bgimage/room.jpg"))

    def test_every_name_found_links_to_its_file(self):
        self.client.initialize(self.root)
        text = '[bg storage="room.jpg" folder="bgimage"][bg storage="none.png"]\n'
        uri = self.client.open(self.root / "scenario/a.ks", text)
        links = self.client.request("textDocument/documentLink",
                                    {"textDocument": {"uri": uri}})
        self.assertEqual(links, [{"range": range_of(0, text, "room.jpg"),
                                  "target": self.uri("bgimage/room.jpg"),
                                  "tooltip": "bgimage/room.jpg"}])

    def test_workspace_folders_added_later_are_walked(self):
        empty = Path(self.folder) / "empty"
        empty.mkdir()
        self.client.initialize(empty)
        self.client.notify("workspace/didChangeWorkspaceFolders", {"event": {
            "added": [{"uri": file_uri(self.root), "name": "game"}], "removed": []}})
        b_uri = self.uri("scenario/b.ks")
        self.assertEqual(len(self.client.diagnostics(b_uri)), 1)
        self.client.notify("workspace/didChangeWorkspaceFolders", {"event": {
            "added": [], "removed": [{"uri": file_uri(self.root), "name": "game"}]}})
        self.assertEqual(self.client.diagnostics(b_uri), [])


# A script of jumps and sounds, the same in projects of both layouts, and what the
# editor makes of it in each.
JUMP_LINES = [
    "*top",
    "[jump storage=first.ks target=*ending]",
    "[jump target=*top]",
    "[jump storage=title.ks]",
    "[call storage=first.ks target=%s]",
    "[playbgm storage=Traning.mp3.mp3]",
    "*|title",
    "[playse storage=]",
    "[jump storage=first.ks target=]",
    "*last|おわり",
]
FIRST_KS = "*start\n; 最初のラベル\n*ending\n"

JUMP_PROJECTS = {
    "browser": {
        "files": {"index.html": "", "data/bgimage/.keep": "", "data/scenario/first.ks": FIRST_KS,
                  "data/scenario/sub/title_screen.ks": "*menu\n",
                  "data/bgm/Traning.mp3": b"", "data/sound/click.ogg": b""},
        "root": "data",
        "target": "*endng",  # a typo of a label
        "diagnostics": [
            (3, "missing-script", 1, "ジャンプ先のスクリプトがありません: title.ks"),
            (4, "missing-label", 1, "ジャンプ先のラベルがありません: first.ks *endng"),
            (5, "missing-sound", 1, "音声ファイルが見つかりません: Traning.mp3.mp3"),
        ],
        "fixes": [["sub/title_screen.ks"], ["*ending"], ["Traning.mp3"]],
        "broken hover": "ジャンプ先のラベルがありません: first.ks *endng\n\n"
                        "似た名前のラベルがあります: ` *ending `",
        "scripts": ["first.ks", "main.ks", "sub/title_screen.ks"],
        "sounds": ["click.ogg"],
    },
    "desktop": {
        "files": {"startup.tjs": "", "scenario/first.ks": FIRST_KS,
                  "deep/title_screen.ks": "*menu\n",
                  "bgm/Traning.mp3": b"", "sound/click.wav": b""},
        "root": ".",
        "target": "start",  # a label without its "*"
        "diagnostics": [
            (3, "missing-script", 1, "ジャンプ先のスクリプトがありません: title.ks"),
            (4, "label-without-star", 1, "ラベルは * で始めます: start"),
            (5, "missing-sound", 1, "音声ファイルが見つかりません: Traning.mp3.mp3"),
        ],
        # The name alone is off the search path: the path from the root finds it.
        "fixes": [["deep/title_screen.ks"], ["*start"], ["Traning.mp3"]],
        "broken hover": "ラベルは * で始めます: start",
        "scripts": ["first.ks", "main.ks"],
        "sounds": ["Traning.mp3", "click.wav"],
    },
}


class JumpsInTheEditor(unittest.TestCase):
    """Outline, definition, hover, completion and quick fixes of jumps and sounds, in
    a project of each layout."""

    def test_each_feature_in_each_layout(self):
        for style, project in JUMP_PROJECTS.items():
            with self.subTest(style=style), tempfile.TemporaryDirectory() as folder:
                game = Path(folder) / "game"
                make_files(game, project["files"])
                self.root = (game / project["root"]).resolve()
                self.project = project
                self.lines = list(JUMP_LINES)
                self.lines[4] = self.lines[4] % project["target"]
                self.text = "\n".join(self.lines) + "\n"
                self.client = LspClient([PROGRAM, "--lsp"])
                try:
                    self.main = self.root / "scenario" / "main.ks"
                    self.main.write_text(self.text, encoding="utf-8")
                    # The desktop client takes the flat form of the outline.
                    self.client.initialize(self.root, nested_symbols=style == "browser")
                    self.uri = self.client.open(self.main, self.text)
                    diagnostics = self.client.diagnostics(self.uri, 1)
                    self.assertEqual(summary(diagnostics), project["diagnostics"])
                    self.check_outline(style == "browser")
                    self.check_definition_and_hover()
                    self.check_completion()
                    self.check_fixes(diagnostics)
                finally:
                    self.client.kill()

    def at(self, line, text, offset=0):
        column = utf16_length(self.lines[line][:self.lines[line].index(text)]) + offset
        return {"textDocument": {"uri": self.uri},
                "position": {"line": line, "character": column}}

    def check_outline(self, nested):
        symbols = self.client.request("textDocument/documentSymbol",
                                      {"textDocument": {"uri": self.uri}})
        # "*|title" repeats the label before it and names none.
        self.assertEqual([(s["name"], s["kind"]) for s in symbols],
                         [("*top", 3), ("*last", 3)])
        whole = range_of(9, self.lines[9], self.lines[9])
        if nested:
            self.assertEqual([s["range"] for s in symbols],
                             [range_of(0, "*top", "*top"), whole])
            self.assertEqual(symbols[1]["selectionRange"],
                             range_of(9, self.lines[9], "*last"))
        else:
            self.assertEqual(symbols[1]["location"], {"uri": self.uri, "range": whole})

    def check_definition_and_hover(self):
        first = self.root / "scenario" / "first.ks"

        def goes(line, text, offset=0):
            location = self.client.request("textDocument/definition",
                                           self.at(line, text, offset))
            return location and (path_of(location["uri"]), location["range"]["start"])

        def says(line, text):
            hover = self.client.request("textDocument/hover", self.at(line, text, 1))
            return hover and hover["contents"]["value"]

        line = lambda n: {"line": n, "character": 0}  # noqa: E731
        self.assertEqual(goes(1, "*ending"), (first, line(2)))
        self.assertEqual(goes(1, "*ending", len("*ending")), (first, line(2)))
        self.assertEqual(goes(1, "first.ks"), (first, line(0)))
        self.assertEqual(goes(2, "*top"), (self.main, line(0)))
        self.assertEqual(goes(8, "first.ks"), (first, line(0)))
        self.assertIsNone(goes(3, "title.ks"))
        self.assertIsNone(goes(4, self.project["target"]))
        self.assertEqual(says(1, "*ending"), "` scenario/first.ks 行 3 *ending `")
        self.assertEqual(says(1, "first.ks"), "` scenario/first.ks 行 3 *ending `")
        self.assertEqual(says(2, "*top"), "` scenario/main.ks 行 1 *top `")
        self.assertEqual(says(8, "first.ks"), "` scenario/first.ks `")
        self.assertEqual(says(4, self.project["target"]), self.project["broken hover"])
        self.assertEqual(says(3, "title.ks"),
                         "ジャンプ先のスクリプトがありません: title.ks\n\n"
                         "似た名前のファイルがあります: ` %s `" % self.project["fixes"][0][0])

    def check_completion(self):
        def offered(line, text, offset=0):
            result = self.client.request("textDocument/completion",
                                         self.at(line, text, offset))
            return [(item["label"], item["detail"]) for item in result["items"]]

        # The labels of the script the tag goes to, in order; of its own without
        # storage, as typed so far.
        self.assertEqual(offered(8, "]"), [("*start", "scenario/first.ks 行 1"),
                                           ("*ending", "scenario/first.ks 行 3")])
        self.assertEqual(offered(2, "*top", 2), [("*top", "scenario/main.ks 行 1")])
        self.assertEqual([label for label, _ in offered(2, "*top")], ["*top", "*last"])
        self.assertEqual(sorted(label for label, _ in offered(3, "title.ks")),
                         self.project["scripts"])
        self.assertEqual(sorted(label for label, _ in offered(7, "]")),
                         self.project["sounds"])

    def check_fixes(self, diagnostics):
        for version, (diagnostic, fixes) in enumerate(
                zip(diagnostics, self.project["fixes"]), start=2):
            cursor = {"line": diagnostic["range"]["start"]["line"], "character": 0}
            actions = self.client.request("textDocument/codeAction", {
                "textDocument": {"uri": self.uri},
                "range": {"start": cursor, "end": cursor},
                "context": {"diagnostics": [diagnostic]}})
            self.assertEqual([a["title"] for a in actions],
                             [fix + " に置き換えます" for fix in fixes])
            self.assertEqual([a["diagnostics"] for a in actions], [[diagnostic]] * len(fixes))
            self.client.notify("textDocument/didChange", {
                "textDocument": {"uri": self.uri, "version": version},
                "contentChanges": [{"text": apply_edit(
                    self.text, actions[0]["edit"]["changes"][self.uri][0])}]})
            self.assertEqual(summary(self.client.diagnostics(self.uri, version)),
                             [d for d in summary(diagnostics) if d != summary([diagnostic])[0]])


MACROS_KS = ("[macro name=ex_bg]\n"
             "[bg storage=%storage time=500]\n"
             "[endmacro]\n"
             "[macro name=ex_white]\n"
             "[bg storage=%storage|white.jpg]\n"
             "[endmacro]\n")

CALL_LINES = [
    "*start",
    '「朝」[ex_bg storage="kuro.jpg"]',
    "@ex_bg storage=siro.jpg",
    "[ex_white]",
    '; [ex_bg storage="commented.jpg"]',
]
CALLS_KS = "\n".join(CALL_LINES) + "\n"


class Macros(unittest.TestCase):
    """A browser-style project whose pictures are loaded through macros defined in
    another script, and its project file."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="kic-lsp-macros-")
        game = Path(self.folder) / "game"
        make_files(game, {"index.html": "", "data/bgimage/kuro.jpg": b"",
                          "data/bgimage/siro.png": b"", "data/bgimage/whites.jpg": b"",
                          "data/fgimage/face.png": b"",
                          "data/scenario/system/macros.ks": MACROS_KS})
        self.root = (game / "data").resolve()
        self.calls = self.root / "scenario" / "first.ks"
        self.macros = self.root / "scenario" / "system" / "macros.ks"
        self.client = LspClient([PROGRAM, "--lsp"])

    def tearDown(self):
        self.client.kill()
        shutil.rmtree(self.folder)

    def start(self):
        self.client.initialize(self.root)
        self.uri = self.client.open(self.calls, CALLS_KS)
        return self.client.diagnostics(self.uri, 1)

    def watched(self, path):
        self.client.notify("workspace/didChangeWatchedFiles",
                           {"changes": [{"uri": file_uri(path), "type": 2}]})

    def test_a_calls_diagnostics_lie_at_its_value_or_for_a_default_at_its_name(self):
        diagnostics = self.start()
        self.assertEqual(summary(diagnostics), [
            (2, "missing-image", 1, "画像ファイルが見つかりません: siro.jpg"),
            (3, "missing-image", 1, "画像ファイルが見つかりません: white.jpg"),
        ])
        self.assertEqual(diagnostics[0]["range"], range_of(2, CALL_LINES[2], "siro.jpg"))
        self.assertEqual(diagnostics[1]["range"], range_of(3, CALL_LINES[3], "ex_white"))
        # A fix writes the call's value as the macro's tag loads it; the default is
        # not written at the call, so nothing may write over the call's name.
        fixes = [[a["edit"]["changes"][self.uri][0] for a in self.client.request(
            "textDocument/codeAction", {"textDocument": {"uri": self.uri},
                                        "range": d["range"],
                                        "context": {"diagnostics": [d]}})]
                 for d in diagnostics]
        self.assertEqual(fixes, [[{"range": diagnostics[0]["range"], "newText": "siro.png"}],
                                 []])
        self.assertEqual(
            [d["relatedInformation"][0]["message"] for d in diagnostics],
            ["似た名前のファイルがあります: bgimage/siro.png",
             "似た名前のファイルがあります: bgimage/whites.jpg"])
        # Links lead from what is written: the value, not the call's name.
        links = self.client.request("textDocument/documentLink",
                                    {"textDocument": {"uri": self.uri}})
        self.assertEqual([(l["range"], path_of(l["target"])) for l in links],
                         [(range_of(1, CALL_LINES[1], "kuro.jpg"),
                           self.root / "bgimage/kuro.jpg")])

    def test_editing_a_macro_in_another_script_changes_the_calls_verdicts(self):
        self.start()
        # The body now shows a character, which loads from fgimage: the call that
        # found kuro.jpg in bgimage no longer loads it, before anything is saved.
        edited = MACROS_KS.replace("[bg storage=%storage time=500]",
                                   "[chara_show storage=%storage]")
        macros_uri = self.client.open(self.macros, MACROS_KS)
        self.client.notify("textDocument/didChange", {
            "textDocument": {"uri": macros_uri, "version": 2},
            "contentChanges": [{"text": edited}]})
        diagnostics = self.client.diagnostics(self.uri, 1)
        self.assertEqual(summary(diagnostics), [
            (1, "not-loadable", 1, "ゲームが読み込む場所にありません: kuro.jpg"
             " (読み込む場所: fgimage/kuro.jpg)"),
            (2, "missing-image", 1, "画像ファイルが見つかりません: siro.jpg"),
            (3, "missing-image", 1, "画像ファイルが見つかりません: white.jpg"),
        ])
        self.assertEqual(diagnostics[0]["range"], range_of(1, CALL_LINES[1], "kuro.jpg"))
        # Closed unsaved, the file defines the macro again.
        self.client.notify("textDocument/didClose", {"textDocument": {"uri": macros_uri}})
        self.assertEqual(len(self.client.diagnostics(self.uri, 1)), 2)
        # Saved by another program, the change comes through the file watcher.
        self.macros.write_text(edited, encoding="utf-8")
        self.watched(self.macros)
        self.assertEqual(len(self.client.diagnostics(self.uri, 1)), 3)

    def test_hover_on_a_call_shows_what_it_loads_and_definition_leads_to_the_macro(self):
        self.start()

        def ask(method, line, text, offset=0):
            character = utf16_length(CALL_LINES[line][:CALL_LINES[line].index(text)])
            return self.client.request(method, {
                "textDocument": {"uri": self.uri},
                "position": {"line": line, "character": character + offset}})

        kuro = self.root / "bgimage/kuro.jpg"
        hover = ask("textDocument/hover", 1, "ex_bg", 2)
        self.assertEqual(hover["contents"]["value"],
                         "マクロ ex_bg: ` [bg storage=kuro.jpg time=500] `\n\n"
                         "` bgimage/kuro.jpg `\n\n![](" + file_uri(kuro) + ")")
        self.assertEqual(hover["range"], range_of(1, CALL_LINES[1], "ex_bg"))
        # On a value it passes, that value; a missing one says so.
        hover = ask("textDocument/hover", 2, "siro.jpg")
        self.assertEqual(hover["contents"]["value"],
                         "マクロ ex_bg: ` [bg storage=siro.jpg time=500] `\n\n"
                         "画像ファイルが見つかりません: ` siro.jpg `\n\n"
                         "似た名前のファイルがあります: ` bgimage/siro.png `")
        self.assertEqual(hover["range"], range_of(2, CALL_LINES[2], "siro.jpg"))
        hover = ask("textDocument/hover", 3, "ex_white")
        self.assertEqual(hover["contents"]["value"],
                         "マクロ ex_white: ` [bg storage=white.jpg] `\n\n"
                         "画像ファイルが見つかりません: ` white.jpg `\n\n"
                         "似た名前のファイルがあります: ` bgimage/whites.jpg `")
        # A commented call is none.
        self.assertIsNone(ask("textDocument/hover", 4, "ex_bg"))
        # Definition: from the name to the macro, from the value to the file.
        location = ask("textDocument/definition", 1, "ex_bg")
        self.assertEqual((path_of(location["uri"]), location["range"]["start"]),
                         (self.macros, {"line": 0, "character": 0}))
        location = ask("textDocument/definition", 3, "ex_white", len("ex_white"))
        self.assertEqual((path_of(location["uri"]), location["range"]["start"]),
                         (self.macros, {"line": 3, "character": 0}))
        location = ask("textDocument/definition", 1, "kuro.jpg")
        self.assertEqual(path_of(location["uri"]), kuro)

    def test_the_project_files_mistakes_are_marked_until_mended_and_its_tags_apply(self):
        project_file = self.root / "ks-image-check.toml"
        project_file.write_text('layout = "browser"\n'
                                '# 画像を探すフォルダ\n'
                                'scripts = ["scenario"]\n'
                                '"スクリプト" = 1\n'
                                'serch_path = ["bgimage"]\n', encoding="utf-8")
        file_uri_ = file_uri(project_file)
        self.client.initialize(self.root)
        diagnostics = self.client.diagnostics(file_uri_)
        self.assertEqual([(d["range"], d["severity"], d["code"], d["source"], d["message"])
                          for d in diagnostics], [
            ({"start": {"line": 3, "character": 0}, "end": {"line": 3, "character": 7}},
             1, "project-file", "ks-image-check",
             "不明なキーです: スクリプト (使えるキー: layout, encoding, search_path, "
             "scripts, check, tags)"),
            ({"start": {"line": 4, "character": 0}, "end": {"line": 4, "character": 10}},
             1, "project-file", "ks-image-check",
             "不明なキーです: serch_path (search_path のことですか)"),
        ])
        told = self.client.wait_for(lambda m: m.get("method") == "window/showMessage")
        self.assertEqual(told["params"], {
            "type": 2, "message": "ks-image-check.toml に誤りがあります。"
                                  "直るまで設定ファイルなしで確認します"})
        # Mended, with a tag of the project's own: cleared, and the tag is checked.
        project_file.write_text('[tags.cg]\nattributes = ["file"]\nfolder = "bgimage"\n',
                                encoding="utf-8")
        self.watched(project_file)
        self.assertEqual(self.client.diagnostics(file_uri_), [])
        uri = self.client.open(self.calls, '[cg file="kuro.jpg"][cg file="gone.jpg"]\n')
        self.assertEqual(summary(self.client.diagnostics(uri, 1)), [
            (0, "missing-image", 1, "画像ファイルが見つかりません: gone.jpg")])
        # Broken again: the tag stays, said once more.
        project_file.write_text('[tags.cg]\nattributes = "file"\n', encoding="utf-8")
        self.watched(project_file)
        [mistake] = self.client.diagnostics(file_uri_)
        self.assertEqual(mistake["range"]["start"], {"line": 1, "character": 13})
        told = self.client.wait_for(lambda m: m.get("method") == "window/showMessage")
        self.assertIn("直るまで前に読めた設定で確認します", told["params"]["message"])
        self.assertEqual(len(self.client.diagnostics(uri, 1)), 1)


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
