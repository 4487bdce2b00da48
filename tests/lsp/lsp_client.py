"""A minimal Language Server Protocol client for the tests: starts a server process,
frames messages with Content-Length headers, and reads the server's messages on a
thread so that a test can wait for a reply or a notification with a time limit."""

import json
import queue
import subprocess
import threading
import time
import urllib.parse
from pathlib import Path

TIMEOUT = 20.0


def file_uri(path):
    return Path(path).resolve().as_uri()


def path_of(uri):
    return Path(urllib.parse.unquote(urllib.parse.urlparse(uri).path))


class ServerError(Exception):
    pass


class LspClient:
    def __init__(self, command):
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.messages = queue.Queue()
        self.pending = []  # read but not yet asked for
        self.next_id = 1
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        out = self.process.stdout
        while True:
            length = None
            while True:
                line = out.readline()
                if not line:
                    self.messages.put(None)
                    return
                line = line.rstrip(b"\r\n")
                if not line:
                    break
                name, _, value = line.partition(b":")
                if name.strip().lower() == b"content-length":
                    length = int(value)
            body = out.read(length)
            self.messages.put(json.loads(body.decode("utf-8")))

    def send_bytes(self, data):
        self.process.stdin.write(data)
        self.process.stdin.flush()

    def send(self, message):
        body = json.dumps(message, ensure_ascii=False).encode("utf-8")
        self.send_bytes(b"Content-Length: %d\r\n\r\n" % len(body) + body)

    def notify(self, method, params):
        self.send({"jsonrpc": "2.0", "method": method, "params": params})

    def request_async(self, method, params):
        request_id = self.next_id
        self.next_id += 1
        self.send({"jsonrpc": "2.0", "id": request_id, "method": method, "params": params})
        return request_id

    def request(self, method, params):
        """The result of a request; ServerError with the error reply's code."""
        request_id = self.request_async(method, params)
        reply = self.wait_for(lambda m: m.get("id") == request_id and "method" not in m)
        if "error" in reply:
            raise ServerError(reply["error"]["code"], reply["error"]["message"])
        return reply["result"]

    def wait_for(self, wanted, timeout=TIMEOUT):
        """The first message (kept or arriving) for which wanted(message) holds."""
        for index, message in enumerate(self.pending):
            if wanted(message):
                return self.pending.pop(index)
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no such message from the server")
            try:
                message = self.messages.get(timeout=left)
            except queue.Empty:
                continue
            if message is None:
                raise EOFError("the server closed its output")
            if wanted(message):
                return message
            self.pending.append(message)

    def diagnostics(self, uri, version=None, timeout=TIMEOUT):
        """The next publishDiagnostics for `uri` (of `version`, when given)."""
        def wanted(message):
            if message.get("method") != "textDocument/publishDiagnostics":
                return False
            params = message["params"]
            return params["uri"] == uri and (version is None or
                                             params.get("version") == version)
        return self.wait_for(wanted, timeout)["params"]["diagnostics"]

    def initialize(self, root, watch_files=True, progress=False, client_name=None,
                   nested_symbols=True):
        capabilities = {"workspace": {"didChangeWatchedFiles":
                                      {"dynamicRegistration": watch_files}},
                        "window": {"workDoneProgress": progress},
                        "textDocument": {"documentSymbol": {
                            "hierarchicalDocumentSymbolSupport": nested_symbols}}}
        params = {"processId": None, "rootUri": file_uri(root),
                  "capabilities": capabilities,
                  "workspaceFolders": [{"uri": file_uri(root), "name": "game"}]}
        if client_name is not None:
            params["clientInfo"] = {"name": client_name}
        result = self.request("initialize", params)
        self.notify("initialized", {})
        return result

    def open(self, path, text, version=1):
        uri = file_uri(path)
        self.notify("textDocument/didOpen", {"textDocument": {
            "uri": uri, "languageId": "ks", "version": version, "text": text}})
        return uri

    def close(self, timeout=TIMEOUT):
        """Ends the session politely; returns the server's exit code."""
        self.request("shutdown", None)
        self.notify("exit", None)
        return self.process.wait(timeout)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            try:
                stream.close()
            except OSError:
                pass  # the pipe to a server that is gone
