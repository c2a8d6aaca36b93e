#!/usr/bin/env python3
"""What hostile or outsized input costs scenario-tool lsp: time to answer and
the server's CPU time and peak resident memory (VmHWM).

  outline MIB   the outline (documentSymbol) of a train description of MIB MiB
  nesting MB    one message of MB megabytes of nested arrays, then a request
  folders N     N scenario folders, one text open in each, then an outline
                and a hover in each; the time runs until every folder's
                diagnostics are published
  texts N       the same with folders of packager texts (no scenario.txt)

usage: measure_bounds.py SCENARIO_TOOL SCENARIO_DIR outline|nesting|folders|texts SIZE
"""
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time


def frame(body):
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def message(value):
    return frame(json.dumps(value).encode())


def read(stream):
    length = None
    while True:
        line = stream.readline()
        if not line:
            return None
        if line.strip() == b"":
            if length is not None:
                break
            continue
        if line.lower().startswith(b"content-length:"):
            length = int(line.split(b":")[1])
    return json.loads(stream.read(length).decode())


def peak_kib(pid):
    for line in pathlib.Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmHWM:"):
            return int(line.split()[1])
    return 0


def cpu_seconds(pid):
    fields = pathlib.Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def measure(tool, scenario, what, size):
    """(seconds, the server's CPU seconds, its peak KiB, what it said)."""
    scenario = pathlib.Path(scenario)
    with tempfile.TemporaryDirectory() as root:
        server = subprocess.Popen([tool, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)

        def send(data):
            server.stdin.write(data)
            server.stdin.flush()

        published = set()

        def take():
            got = read(server.stdout)
            if got is not None and got.get("method") == "textDocument/publishDiagnostics":
                published.add(got["params"]["uri"])
            return got

        def answer(number):
            while True:
                got = take()
                if got is None or got.get("id") == number:
                    return got

        send(message({"jsonrpc": "2.0", "id": 0, "method": "initialize", "params": {}}))
        answer(0)
        start = time.monotonic()
        if what == "nesting":
            depth = int(float(size) * 1e6) // 2
            send(frame(b"[" * depth + b"]" * depth))
            send(message({"jsonrpc": "2.0", "id": 1, "method": "shutdown"}))
            got = answer(1)
            said = "answered" if got else "no answer"
        elif what == "outline":
            folder = pathlib.Path(root) / "s"
            shutil.copytree(scenario, folder)
            train = next(folder.glob("*-.txt"))
            text = train.read_text(encoding="utf-8")
            head, signals = text.split("[segnali]\n")
            rows = signals.splitlines(keepends=True)
            body, target = [], int(float(size) * (1 << 20))
            grown = len(head) + len("[segnali]\n")
            while grown < target:
                body += rows
                grown += len(signals)
            big = head + "[segnali]\n" + "".join(body)
            uri = train.as_uri()
            send(message({"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {
                "textDocument": {"uri": uri, "languageId": "t", "version": 1, "text": big}}}))
            send(message({"jsonrpc": "2.0", "id": 1, "method": "textDocument/documentSymbol",
                          "params": {"textDocument": {"uri": uri}}}))
            got = answer(1)
            said = "%d bytes: " % len(big.encode()) + (
                ("%d sections" % len(got["result"])) if got and "result" in got else
                json.dumps(got)[:200])
        else:
            trains = []
            for n in range(int(size)):
                folder = pathlib.Path(root) / ("s%d" % n)
                shutil.copytree(scenario, folder)
                if what == "texts":
                    (folder / "scenario.txt").unlink()
                trains.append(next(folder.glob("*-.txt")))
            start = time.monotonic()
            uris = []
            for train in trains:
                uris.append(train.as_uri())
                send(message({"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {
                    "textDocument": {"uri": train.as_uri(), "languageId": "t", "version": 1,
                                     "text": train.read_text(encoding="utf-8")}}}))
            number = 1
            for uri in uris:
                send(message({"jsonrpc": "2.0", "id": number, "method": "textDocument/documentSymbol",
                              "params": {"textDocument": {"uri": uri}}}))
                answer(number)
                send(message({"jsonrpc": "2.0", "id": number + 1, "method": "textDocument/hover",
                              "params": {"textDocument": {"uri": uri},
                                         "position": {"line": 20, "character": 12}}}))
                answer(number + 1)
                number += 2
            answered = time.monotonic() - start
            # The checks run beside the answers: the folders are all
            # checked once each has published its diagnostics.
            while not published >= set(uris):
                if take() is None:
                    break
            said = "%d folders, every request answered in %.2f s" % (len(uris), answered)
        elapsed = time.monotonic() - start
        peak = peak_kib(server.pid)
        cpu = cpu_seconds(server.pid)
        server.kill()
        server.wait()
    return elapsed, cpu, peak, said


def main():
    tool, scenario, what, size = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
    elapsed, cpu, peak, said = measure(tool, scenario, what, size)
    print("%s %s: %.2f s (server CPU %.2f s), peak %.0f MiB (%s)"
          % (what, size, elapsed, cpu, peak / 1024, said))


if __name__ == "__main__":
    main()
