#!/usr/bin/env python3
"""scenario-tool lsp as an editor starts it: messages on stdin, answers on
stdout with their byte counts right (a diagnostic quoting a non-ASCII text
included), status 0 after shutdown and exit, 1 when stdin just closes, and
an end in time either way.

usage: lsp_command_test.py SCENARIO_TOOL SCENARIO_DIR
"""
import json
import pathlib
import shutil
import subprocess
import sys
import tempfile


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
    print("lsp command: ok")


if __name__ == "__main__":
    main()
