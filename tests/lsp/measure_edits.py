#!/usr/bin/env python3
"""How fast scenario-tool lsp answers an author's edits, and what it holds
in memory as they go on: a text of a scenario folder (the train description
unless TEXT names another, e.g. linea for the line description) is opened,
then edited EDITS times (a signal's position moved and moved back, or a
blank line added and taken away), one edit at a time; each edit's latency
runs from sending it to its diagnostics arriving (the server waits for the
edits to settle first). Every 10th edit is followed at once by a code
action, which has the check start at once, and a hover, which answers
while that check runs: the hover's latency and the diagnostics' are given
apart. The server's resident memory is read after the 100th and the last
edit.

usage: measure_edits.py SCENARIO_TOOL SCENARIO_DIR [EDITS [TEXT]]
"""
import pathlib
import shutil
import statistics
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).parent))
import lsp_command_test  # noqa: E402


def resident_kib(pid):
    for line in pathlib.Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return 0


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


class Session(lsp_command_test.Session):
    """The server, its messages taken as they come with the time they came;
    each wait clears the messages it saw."""

    def wait_for(self, predicate, timeout=120):
        """The time the first message since the last wait that fits came."""
        with self.lock:
            found, _ = super().wait_for(predicate, timeout)
            self.messages.clear()
            return found


def main():
    tool, scenario = sys.argv[1], pathlib.Path(sys.argv[2])
    edits = int(sys.argv[3]) if len(sys.argv) > 3 else 1000
    which = sys.argv[4] if len(sys.argv) > 4 else "-"
    with tempfile.TemporaryDirectory() as folder:
        for text in scenario.iterdir():
            shutil.copy(text, folder)
        edited = next(pathlib.Path(folder).glob(f"*{which}.txt"))
        uri = edited.as_uri()
        text = edited.read_text(encoding="utf-8")
        moved = text.replace("segnale,    3800", "segnale,    3850")
        if moved == text:
            moved = text + "\n"
        session = Session(tool)

        def diagnostics_of(version):
            return lambda m: (m.get("method") == "textDocument/publishDiagnostics"
                              and m["params"]["uri"] == uri
                              and m["params"].get("version") == version)

        session.send({"jsonrpc": "2.0", "id": 0, "method": "initialize", "params": {}},
                     {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {
                         "textDocument": {"uri": uri, "languageId": "plaintext", "version": 1,
                                          "text": text}}})
        session.wait_for(diagnostics_of(1))
        settled, checked, hovered, memory = [], [], [], {}
        for version in range(2, edits + 2):
            change = {"jsonrpc": "2.0", "method": "textDocument/didChange", "params": {
                "textDocument": {"uri": uri, "version": version},
                "contentChanges": [{"text": moved if version % 2 else text}]}}
            start = time.monotonic()
            if version % 10 == 0:
                place = {"textDocument": {"uri": uri}, "position": {"line": 1, "character": 2}}
                session.send(change,
                             {"jsonrpc": "2.0", "id": -version, "method": "textDocument/codeAction",
                              "params": {"textDocument": {"uri": uri},
                                         "range": {"start": place["position"],
                                                   "end": place["position"]},
                                         "context": {"diagnostics": []}}},
                             {"jsonrpc": "2.0", "id": version, "method": "textDocument/hover",
                              "params": place})
                with session.lock:
                    session.lock.wait_for(lambda: {-version, version} <= {
                        m.get("id") for _, m in session.messages}, 120)
                    times = {("hover" if m.get("id") == version else "check"): t
                             for t, m in session.messages
                             if m.get("id") == version or diagnostics_of(version)(m)}
                    assert len(times) == 2, session.messages
                    session.messages.clear()
                hovered.append(times["hover"] - start)
                checked.append(times["check"] - start)
            else:
                session.send(change)
                settled.append(session.wait_for(diagnostics_of(version)) - start)
            if version - 1 in (100, edits):
                memory[version - 1] = resident_kib(session.process.pid)
        session.send({"jsonrpc": "2.0", "id": 1, "method": "shutdown"},
                     {"jsonrpc": "2.0", "method": "exit"})
        session.process.wait(timeout=60)

    def line(name, values):
        milliseconds = [v * 1000 for v in values]
        print(f"{name}: {len(values)} edits, median {statistics.median(milliseconds):.1f} ms, "
              f"95th percentile {percentile(milliseconds, 0.95):.1f} ms, "
              f"most {max(milliseconds):.1f} ms")

    line("diagnostics once the edit settled", settled)
    line("diagnostics of an edit a code action follows", checked)
    line("hover sent with it, during its check", hovered)
    for count, kib in sorted(memory.items()):
        print(f"resident memory after {count} edits: {kib} KiB")


if __name__ == "__main__":
    main()
