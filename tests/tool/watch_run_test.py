#!/usr/bin/env python3
"""`scenario-tool watch` as an author runs it: on a copy of a scenario it
writes the page and the profile, serves the page with its reload script (the
file on disk has none), and after each save, made as editors make it (a new
file renamed over the old), prints the check, rewrites the page, tells the
open pages and redraws the profile while the scenario compiles; a burst of
saves is one rebuild; a folder that goes away is said; a taken port and
another site's name for the server are refused; Ctrl-C and a closed terminal end it with status 0.

usage: watch_run_test.py SCENARIO_TOOL SCENARIO_DIR
"""
import os
import pathlib
import queue
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.request

TIMEOUT = 20


class Watch:
    """A running watch with its output lines gathered as they come."""

    def __init__(self, tool, folder, page, *extra):
        self.process = subprocess.Popen([tool, "watch", str(folder), "-o", str(page), *extra],
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.lines = queue.Queue()
        self.err = []
        for stream, name in ((self.process.stdout, "out"), (self.process.stderr, "err")):
            threading.Thread(target=self._read, args=(stream, name), daemon=True).start()

    def _read(self, stream, name):
        for line in stream:
            if name == "err":
                self.err.append(line)
            self.lines.put((name, line.rstrip("\n")))

    def expect(self, pattern, stream="out"):
        """The next line of `stream` matching pattern; the lines before it."""
        deadline = time.monotonic() + TIMEOUT
        seen = []
        while time.monotonic() < deadline:
            try:
                name, line = self.lines.get(timeout=0.2)
            except queue.Empty:
                continue
            seen.append(line)
            if name == stream and re.search(pattern, line):
                return re.search(pattern, line), seen
        raise AssertionError(f"no line {pattern!r} on {stream}; seen {seen}")

    def quiet_for(self, seconds, pattern):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            try:
                name, line = self.lines.get(timeout=0.1)
            except queue.Empty:
                continue
            assert not (name == "out" and re.search(pattern, line)), f"unexpected: {line}"

    def end(self, signal_number):
        self.process.send_signal(signal_number)
        status = self.process.wait(timeout=TIMEOUT)
        return status


def save(path, text):
    """As an editor saves: a new file, renamed over the old."""
    temporary = path.with_name(path.name + ".new~")
    temporary.write_text(text, encoding="utf-8")
    os.replace(temporary, path)


def events(url, heard):
    with urllib.request.urlopen(url, timeout=TIMEOUT) as stream:
        for line in stream:
            heard.put(line.decode().rstrip("\n"))


def main(tool, scenario):
    with tempfile.TemporaryDirectory() as temp:
        folder = pathlib.Path(temp, "line")
        shutil.copytree(scenario, folder)
        page = folder / "report.html"  # beside the texts: written, never watched
        profile = pathlib.Path(temp, "profile.svg")
        train = next(folder.glob("*-.txt"))
        clean_text = train.read_text(encoding="utf-8")

        watch = Watch(tool, folder, page, "--profile", str(profile))
        found, _ = watch.expect(r"http://127\.0\.0\.1:(\d+)/$")
        port = found.group(1)
        url = f"http://127.0.0.1:{port}/"
        disk = page.read_text(encoding="utf-8")
        assert "EventSource" not in disk and "/events" not in disk, "the file asks for a server"
        served = urllib.request.urlopen(url, timeout=TIMEOUT).read().decode()
        assert "EventSource('/events?after=1')" in served, served[-500:]
        assert re.sub(r"<script>.*?</script>\n", "", served) == disk, "the served page differs"
        assert profile.stat().st_size > 1000
        try:  # a name of another site pointed at this computer gets nothing
            urllib.request.urlopen(urllib.request.Request(url, headers={"Host": f"site.example:{port}"}))
            raise AssertionError("served to another site's name")
        except urllib.error.HTTPError as error:
            assert error.code == 403, error

        heard = queue.Queue()
        threading.Thread(target=events, args=(url + "events?after=1", heard), daemon=True).start()
        taken = subprocess.run([tool, "watch", str(folder), "-o", str(page), "--port", port],
                               capture_output=True, text=True, timeout=TIMEOUT)
        assert taken.returncode == 3 and "cannot listen" in taken.stderr, taken

        profile_before = profile.stat().st_mtime_ns
        save(train, clean_text + "segnale, 1x\n")
        watch.expect(rf"^changed: {re.escape(train.name)}$")
        watch.expect(r"report\.html: 1 error, ")
        assert any(": error: " in line for line in watch.err), watch.err
        watch.expect(r"profile\.svg: left as it was: the scenario does not compile")
        assert profile.stat().st_mtime_ns == profile_before
        assert 'data-errors="1"' in page.read_text(encoding="utf-8")
        deadline = time.monotonic() + TIMEOUT
        while heard.empty() or "data: 2" not in list(heard.queue):
            assert time.monotonic() < deadline, f"no change event: {list(heard.queue)}"
            time.sleep(0.1)

        for _ in range(4):  # a burst of saves: one rebuild
            save(train, clean_text)
            time.sleep(0.05)
        _, seen = watch.expect(r"report\.html: 0 errors, ")
        assert sum(line.startswith("changed: ") for line in seen) == 1, seen
        watch.expect(r"profile\.svg: redrawn")
        watch.quiet_for(1.5, r"^changed: ")  # the page written beside the texts is no change

        moved = pathlib.Path(temp, "moved")
        folder.rename(moved)
        watch.expect(r": the folder is gone; watching for it to come back")
        moved.rename(folder)
        watch.expect(r": the folder is back")
        watch.quiet_for(1.0, r"^changed: ")

        status = watch.end(signal.SIGINT)
        assert status == 0, f"Ctrl-C: status {status}: {watch.err}"
        watch.expect(r"^stopped watching ")

        watch = Watch(tool, folder, pathlib.Path(temp, "again.html"))
        watch.expect(r"http://127\.0\.0\.1:\d+/$")
        status = watch.end(signal.SIGHUP)
        assert status == 0, f"a closed terminal: status {status}: {watch.err}"
    print("watch: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
