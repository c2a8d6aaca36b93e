#!/usr/bin/env python3
"""The page that `scenario-tool watch` serves, open in headless Chromium,
reloads itself after a save: the tab's title, read from Chromium's own list
of its pages, follows a change of scenario.txt and its undoing. Skipped (77)
when Chromium is not installed, unless PACKAGER_REQUIRE_BROWSER is set.

usage: watch_browser_test.py SCENARIO_TOOL SCENARIO_DIR
"""
import json
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

SKIP = 77
TIMEOUT = 60
BROWSER_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--remote-debugging-port=0"]


def until(what, probe):
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    raise AssertionError(f"timed out waiting for {what}")


def title_of(devtools, url):
    try:
        pages = json.load(urllib.request.urlopen(f"http://127.0.0.1:{devtools}/json/list",
                                                 timeout=5))
    except OSError:
        return None
    return next((page["title"] for page in pages if page.get("url") == url), None)


def main(tool, scenario):
    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if browser is None:
        if os.environ.get("PACKAGER_REQUIRE_BROWSER"):
            print("chromium is not installed, and PACKAGER_REQUIRE_BROWSER asks for it")
            return 1
        print("chromium is not installed: skipped")
        return SKIP
    with tempfile.TemporaryDirectory() as temp:
        folder = pathlib.Path(temp, "line")
        shutil.copytree(scenario, folder)
        watch = subprocess.Popen([tool, "watch", str(folder), "-o", str(pathlib.Path(temp, "p.html"))],
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        chromium = None
        try:
            url = None
            for line in watch.stdout:
                found = re.search(r"(http://127\.0\.0\.1:\d+/)$", line.rstrip("\n"))
                if found:
                    url = found.group(1)
                    break
            assert url, "watch printed no address"
            profile = pathlib.Path(temp, "browser")
            chromium = subprocess.Popen([browser, *BROWSER_FLAGS, f"--user-data-dir={profile}", url],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            port_file = profile / "DevToolsActivePort"
            devtools = until("the DevTools port",
                             lambda: port_file.exists() and port_file.read_text().split("\n")[0])
            # Until the page has loaded, the tab's title is its address.
            first = until("the page", lambda: (t := title_of(devtools, url)) and
                          t.endswith(": scenario report") and t)

            identity = folder / "scenario.txt"
            original = identity.read_text(encoding="utf-8")
            identity.write_text(re.sub(r"train = (\d+)", r"train = 1\1", original), encoding="utf-8")
            refused = until("the reload", lambda: (t := title_of(devtools, url)) and
                            t.endswith(": scenario report") and t != first and t)
            identity.write_text(original, encoding="utf-8")
            until("the second reload", lambda: title_of(devtools, url) == first)
            print(f"reloaded: {first!r} -> {refused!r} -> {first!r}")
        finally:
            if chromium:
                chromium.terminate()
                chromium.wait(timeout=TIMEOUT)
            watch.send_signal(signal.SIGINT)
            status = watch.wait(timeout=TIMEOUT)
        assert status == 0, f"watch ended with {status}"
    print("watch page in a browser: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
