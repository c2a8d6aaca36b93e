#!/usr/bin/env python3
"""How fast scenario-tool lsp answers an author's edits, and what it holds
in memory as they go on: the train description of a scenario folder is
opened, then edited EDITS times (a signal's position moved and moved back),
one edit at a time; each edit's latency runs from sending it to its
diagnostics arriving (the server waits for the edits to settle first).
Every 10th edit is followed by a hover at once instead, which checks at
once: its latency is given apart. The server's resident memory is read
after the 100th and the last edit.

usage: measure_edits.py SCENARIO_TOOL SCENARIO_DIR [EDITS]
"""
import json
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def frame(message):
    body = json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def read(stream):
    length = int(stream.readline().split(b":")[1])
    stream.readline()
    return json.loads(stream.read(length).decode())


def resident_kib(pid):
    for line in pathlib.Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return 0


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def main():
    tool, scenario = sys.argv[1], pathlib.Path(sys.argv[2])
    edits = int(sys.argv[3]) if len(sys.argv) > 3 else 1000
    with tempfile.TemporaryDirectory() as folder:
        for text in scenario.iterdir():
            shutil.copy(text, folder)
        train = next(pathlib.Path(folder).glob("*-.txt"))
        uri = train.as_uri()
        text = train.read_text(encoding="utf-8")
        moved = text.replace("segnale,    3800", "segnale,    3850")
        server = subprocess.Popen([tool, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)

        def send(*messages):
            server.stdin.write(b"".join(frame(m) for m in messages))
            server.stdin.flush()

        def published(version):
            while True:
                message = read(server.stdout)
                if (message.get("method") == "textDocument/publishDiagnostics"
                        and message["params"]["uri"] == uri):
                    assert message["params"].get("version") == version, message
                    return

        send({"jsonrpc": "2.0", "id": 0, "method": "initialize", "params": {}},
             {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {
                 "uri": uri, "languageId": "plaintext", "version": 1, "text": text}}})
        published(1)
        settled, prompted, memory = [], [], {}
        for version in range(2, edits + 2):
            change = {"jsonrpc": "2.0", "method": "textDocument/didChange", "params": {
                "textDocument": {"uri": uri, "version": version},
                "contentChanges": [{"text": moved if version % 2 else text}]}}
            start = time.perf_counter()
            if version % 10 == 0:
                send(change, {"jsonrpc": "2.0", "id": version, "method": "textDocument/hover",
                              "params": {"textDocument": {"uri": uri},
                                         "position": {"line": 49, "character": 13}}})
                published(version)
                prompted.append(time.perf_counter() - start)
                assert read(server.stdout).get("id") == version
            else:
                send(change)
                published(version)
                settled.append(time.perf_counter() - start)
            if version - 1 in (100, edits):
                memory[version - 1] = resident_kib(server.pid)
        send({"jsonrpc": "2.0", "id": 1, "method": "shutdown"},
             {"jsonrpc": "2.0", "method": "exit"})
        server.wait(timeout=60)

    def line(name, values):
        milliseconds = [v * 1000 for v in values]
        print(f"{name}: {len(values)} edits, median {statistics.median(milliseconds):.1f} ms, "
              f"95th percentile {percentile(milliseconds, 0.95):.1f} ms, "
              f"most {max(milliseconds):.1f} ms")

    line("diagnostics once the edit settled", settled)
    line("diagnostics of an edit a request follows", prompted)
    for count, kib in sorted(memory.items()):
        print(f"resident memory after {count} edits: {kib} KiB")


if __name__ == "__main__":
    main()
