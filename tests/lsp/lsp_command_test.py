#!/usr/bin/env python3
"""scenario-tool lsp as an editor starts it: messages on stdin, answers on
stdout with their byte counts right (a diagnostic quoting a non-ASCII text
included), status 0 after shutdown and exit, 1 when stdin just closes, and
an end in time either way. A burst of edits is checked once, and an edit
followed by nothing is checked once it has settled, with no request to
prompt it. A text changed on disk is noticed at the next request and
checked again, and a folder renamed away takes its diagnostics back.

usage: lsp_command_test.py SCENARIO_TOOL SCENARIO_DIR
"""
import json
import pathlib
import shutil
import subprocess
import sys
import tempfile
import threading
import time


def frame(message):
    body = json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def frames(data):
    messages = []
    while data:
        header, _, rest = data.partition(b"\r\n\r\n")
        length = int(header.split(b":")[1])
        messages.append(json.loads(rest[:length].decode()))
        data = rest[length:]
    return messages


def serve(tool, messages):
    done = subprocess.run([tool, "lsp"], input=b"".join(frame(m) for m in messages),
                          capture_output=True, timeout=60)
    return done.returncode, frames(done.stdout)


class Session:
    """A server kept running, its messages collected as they come."""

    def __init__(self, tool):
        self.process = subprocess.Popen([tool, "lsp"], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE)
        self.messages = []
        self.lock = threading.Condition()
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        stream = self.process.stdout
        while True:
            header = stream.readline()
            if not header:
                return
            length = int(header.split(b":")[1])
            stream.readline()
            message = json.loads(stream.read(length).decode())
            with self.lock:
                self.messages.append((time.monotonic(), message))
                self.lock.notify_all()

    def send(self, *messages):
        self.process.stdin.write(b"".join(frame(m) for m in messages))
        self.process.stdin.flush()

    def wait_for(self, predicate, timeout=30):
        with self.lock:
            assert self.lock.wait_for(
                lambda: any(predicate(m) for _, m in self.messages), timeout), self.messages
            return next((t, m) for t, m in self.messages if predicate(m))


def change(uri, version, text):
    return {"jsonrpc": "2.0", "method": "textDocument/didChange", "params": {
        "textDocument": {"uri": uri, "version": version}, "contentChanges": [{"text": text}]}}


def settles(tool, uri, text):
    session = Session(tool)
    session.send({"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {}},
                 {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {
                     "uri": uri, "languageId": "plaintext", "version": 1, "text": text}}},
                 *[change(uri, version, text) for version in range(2, 6)])
    session.wait_for(lambda m: m.get("params", {}).get("version") == 5)
    time.sleep(0.5)
    published = [m["params"]["version"] for _, m in session.messages
                 if m.get("method") == "textDocument/publishDiagnostics"
                 and m["params"]["uri"] == uri]
    assert published == [5], published
    sent = time.monotonic()
    session.send(change(uri, 6, text))
    arrived, _ = session.wait_for(lambda m: m.get("params", {}).get("version") == 6)
    assert arrived - sent >= 0.15, arrived - sent
    session.send({"jsonrpc": "2.0", "id": 2, "method": "shutdown"},
                 {"jsonrpc": "2.0", "method": "exit"})
    assert session.process.wait(timeout=30) == 0


def notices_the_disk(tool, folder):
    """A text changed on disk by another program is noticed at the next request
    and checked again; the folder renamed away takes its diagnostics back."""
    folder = pathlib.Path(folder)
    line = folder / "Vardessa_Lontrino_linea.txt"
    train_uri = (folder / "Vardessa_Lontrino_5608-.txt").as_uri()
    session = Session(tool)
    session.send({"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {}},
                 {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {
                     "uri": train_uri, "languageId": "plaintext", "version": 1,
                     "text": (folder / "Vardessa_Lontrino_5608-.txt").read_text()}}})
    published = lambda uri, test: (lambda m: m.get("method") == "textDocument/publishDiagnostics"
                                   and m["params"]["uri"] == uri and test(m["params"]["diagnostics"]))
    session.wait_for(published(train_uri, lambda d: d == []))
    time.sleep(1.1)  # a time stamp a file system keeps to the second
    line.write_text(line.read_text().replace("lunghezza percorso,    124000",
                                             "lunghezza percorso,    60000"))
    hover = {"jsonrpc": "2.0", "method": "textDocument/hover", "params": {
        "textDocument": {"uri": train_uri}, "position": {"line": 0, "character": 0}}}
    session.send(dict(hover, id=2))
    session.wait_for(published(line.as_uri(), lambda d: d != []))
    moved = folder.with_name(folder.name + "_moved")
    folder.rename(moved)
    session.send(dict(hover, id=3))
    session.wait_for(published(line.as_uri(), lambda d: d == []))
    moved.rename(folder)
    session.send({"jsonrpc": "2.0", "id": 4, "method": "shutdown"},
                 {"jsonrpc": "2.0", "method": "exit"})
    assert session.process.wait(timeout=30) == 0


def main():
    tool, scenario = sys.argv[1], pathlib.Path(sys.argv[2])
    with tempfile.TemporaryDirectory() as folder:
        for text in scenario.iterdir():
            shutil.copy(text, folder)
        train = pathlib.Path(folder, "Vardessa_Lontrino_5608-.txt")
        uri = train.as_uri()
        text = train.read_text().replace("segnale,    1750", "segnlaé,    1750")
        start = [{"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {}},
                 {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {
                     "uri": uri, "languageId": "plaintext", "version": 1, "text": text}}}]
        status, answers = serve(tool, start + [
            {"jsonrpc": "2.0", "id": 2, "method": "shutdown"},
            {"jsonrpc": "2.0", "method": "exit"}])
        assert status == 0, status
        assert [a.get("id") for a in answers] == [1, None, 2], answers
        diagnostics = answers[1]["params"]["diagnostics"]
        assert diagnostics[0]["code"] == "unknown-keyword", diagnostics
        assert '"segnlaé"' in diagnostics[0]["message"], diagnostics
        status, answers = serve(tool, start)
        assert status == 1 and len(answers) == 2, (status, answers)
        settles(tool, uri, text)
        notices_the_disk(tool, folder)
    print("lsp command: ok")


if __name__ == "__main__":
    main()
