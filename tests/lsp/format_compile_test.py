#!/usr/bin/env python3
"""Formatting never changes what the compile reads: every scenario folder of
the tests and the repository's is formatted through `scenario-tool lsp`
(textDocument/formatting on its line and train descriptions), then the
folder as it was and as formatted are compiled: the same status and the same
bytes in every output file. A second formatting changes nothing.

usage: format_compile_test.py SCENARIO_TOOL FOLDER...
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


def formatted(tool, folder, names):
    """The edits the server answers for each text, by name."""
    messages = [{"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}}]
    for number, name in enumerate(names):
        messages.append({"jsonrpc": "2.0", "id": 10 + number, "method": "textDocument/formatting",
                         "params": {"textDocument": {"uri": (folder / name).as_uri()},
                                    "options": {"tabSize": 4, "insertSpaces": True}}})
    messages += [{"jsonrpc": "2.0", "id": 2, "method": "shutdown"},
                 {"jsonrpc": "2.0", "method": "exit"}]
    out = subprocess.run([tool, "lsp"], input=b"".join(frame(m) for m in messages),
                         capture_output=True, timeout=120, check=True).stdout
    answers = {}
    while out:
        header, _, rest = out.partition(b"\r\n\r\n")
        length = int(header.split(b":")[1])
        message = json.loads(rest[:length])
        out = rest[length:]
        if isinstance(message.get("id"), int) and message["id"] >= 10:
            assert "result" in message, message
            answers[names[message["id"] - 10]] = message["result"]
    return answers


def compiled(tool, folder, out):
    out.mkdir()
    done = subprocess.run([tool, "compile", str(folder), "-o", str(out)], capture_output=True,
                          timeout=120)
    return done.returncode, {p.name: p.read_bytes() for p in sorted(out.iterdir())}


def main():
    tool = sys.argv[1]
    failures = 0
    changed = 0
    with tempfile.TemporaryDirectory() as temporary:
        for number, source in enumerate(map(pathlib.Path, sys.argv[2:])):
            work = pathlib.Path(temporary) / str(number)
            folder = work / "as_formatted"
            shutil.copytree(source, folder)
            names = sorted(p.name for p in folder.iterdir()
                           if p.name.endswith("_linea.txt") or p.name.endswith("-.txt"))
            for name, edits in formatted(tool, folder, names).items():
                if edits:
                    changed += 1
                    assert len(edits) == 1 and edits[0]["range"]["start"] == {"line": 0, "character": 0}
                    (folder / name).write_bytes(edits[0]["newText"].encode())
            again = formatted(tool, folder, names)
            if any(again.values()):
                print("%s: a second formatting still changes %s" % (source, again))
                failures += 1
            before = compiled(tool, source, work / "before")
            after = compiled(tool, folder, work / "after")
            if before != after:
                print("%s: the formatted texts compile otherwise (status %d, files %s; then %d, %s)"
                      % (source, before[0], sorted(before[1]), after[0], sorted(after[1])))
                failures += 1
    if changed == 0:
        print("no text was formatted at all: the test proves nothing")
        failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
