#!/usr/bin/env python3
"""The language server (ks-image-check --lsp) at the protocol level: a test client
starts the program, opens a script of a small project, edits it, and checks what the
server says: diagnostics and their UTF-16 ranges, quick fixes, hover, definition,
completion, a refreshed tree, and error replies to broken messages.

    language_server_test.py PROGRAM [unittest arguments]
"""

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


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
