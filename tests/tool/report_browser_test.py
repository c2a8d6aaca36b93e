#!/usr/bin/env python3
"""The report page in a real browser: headless Chromium opens the report of a
clean scenario and of a broken copy, shows no console message and no request
for another file, and its DOM holds the expected tables and counts, and the clean report fits a
window 1280 pixels wide. A
screenshot of the clean report is taken (copied to REPORT_SCREENSHOT when that
is set). Skipped (77) when Chromium is not installed, unless
PACKAGER_REQUIRE_BROWSER is set.

usage: report_browser_test.py SCENARIO_TOOL SCENARIO_DIR
"""
import html.parser
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
BROWSER_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync",
                 "--enable-logging=stderr", "--v=0"]


class Dom(html.parser.HTMLParser):
    """Tables by id with their body rows, elements by class, data attributes."""

    def __init__(self):
        super().__init__()
        self.tables = {}      # id -> [data-count, rows seen]
        self.classes = {}     # class word -> count
        self.attributes = {}  # id -> attributes
        self.outside = []     # src or href naming another resource
        self._table = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        for word in (attrs.get("class") or "").split():
            self.classes[word] = self.classes.get(word, 0) + 1
        if "id" in attrs:
            self.attributes[attrs["id"]] = attrs
        for name in ("src", "href"):
            if attrs.get(name) and not attrs[name].startswith("#"):
                self.outside.append(attrs[name])
        if tag == "table":
            self._table = attrs.get("id")
            self.tables[self._table] = [int(attrs.get("data-count", -1)), -1]  # header row
        elif tag == "tr" and self._table is not None:
            self.tables[self._table][1] += 1

    def handle_endtag(self, tag):
        if tag == "table":
            self._table = None


def browse(browser, page, profile, extra):
    return subprocess.run([browser, *BROWSER_FLAGS, f"--user-data-dir={profile}", *extra,
                           page.as_uri()], capture_output=True, text=True, timeout=120)


def open_report(browser, page, work):
    result = browse(browser, page, work / "profile", ["--dump-dom"])
    console = [line for line in result.stderr.splitlines() if ":CONSOLE(" in line]
    failed_requests = [line for line in result.stderr.splitlines() if "net::ERR" in line]
    assert result.returncode == 0, result.stderr[-2000:]
    assert not console, f"{page.name}: console messages: {console}"
    assert not failed_requests, f"{page.name}: requests: {failed_requests}"
    dom = Dom()
    dom.feed(result.stdout)
    assert not dom.outside, f"{page.name}: refers to other files: {dom.outside}"
    for table, (count, rows) in dom.tables.items():
        assert count == rows, f"{page.name}: table {table} says {count} rows, shows {rows}"
    return dom


def page_width(browser, page, work):
    """The width the page takes in a window 1280 pixels wide, measured by a
    copy of it that writes its scroll width into its title."""
    measured = work / ("measured-" + page.name)
    script = ("<script>document.title = 'width ' + "
              "document.documentElement.scrollWidth;</script></body>")
    measured.write_text(page.read_text(encoding="utf-8").replace("</body>", script),
                        encoding="utf-8")
    result = browse(browser, measured, work / "profile", ["--window-size=1280,2000", "--dump-dom"])
    found = re.search(r"<title>width (\d+)</title>", result.stdout)
    assert found, f"{page.name}: no width measured"
    return int(found.group(1))


def records(text, keyword):
    return sum(1 for line in text.splitlines() if line.lstrip().lower().startswith(keyword))


def main():
    tool, scenario = sys.argv[1], pathlib.Path(sys.argv[2])
    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if browser is None:
        if os.environ.get("PACKAGER_REQUIRE_BROWSER"):
            print("chromium is not installed, and PACKAGER_REQUIRE_BROWSER asks for it")
            return 1
        print("chromium is not installed: skipped")
        return SKIP
    with tempfile.TemporaryDirectory() as temp:
        work = pathlib.Path(temp)
        train = next(scenario.glob("*-.txt")).read_text(encoding="utf-8")

        clean = work / "clean.html"
        status = subprocess.run([tool, "report", str(scenario), "-o", str(clean)]).returncode
        assert status == 0, f"report of the clean scenario: status {status}"
        dom = open_report(browser, clean, work)
        assert dom.attributes["diagnostics"]["data-errors"] == "0"
        assert dom.attributes["diagnostics"]["data-warnings"] == "0"
        assert dom.tables["stations"][0] == records(train, "stazione"), dom.tables["stations"]
        assert dom.tables["signals"][0] == records(train, "segnale"), dom.tables["signals"]
        assert dom.tables["files"][0] == 3
        assert "profile" in dom.attributes and "plan" in dom.attributes
        width = page_width(browser, clean, work)
        assert width <= 1280, f"the page is {width} pixels wide in a window of 1280"
        shot = work / "report.png"
        browse(browser, clean, work / "profile", [f"--screenshot={shot}",
                                                   "--window-size=1280,1600"])
        assert shot.stat().st_size > 10000, "the screenshot is empty"
        if os.environ.get("REPORT_SCREENSHOT"):
            shutil.copy(shot, os.environ["REPORT_SCREENSHOT"])

        broken_folder = work / "broken"
        shutil.copytree(scenario, broken_folder)
        train_path = next(broken_folder.glob("*-.txt"))
        train_path.write_text(train.replace("stazione,    8600", "stazzione,    8600", 1)
                              + "segnale, 1x\n", encoding="utf-8")
        broken = work / "broken.html"
        status = subprocess.run([tool, "report", str(broken_folder), "-o", str(broken)]).returncode
        assert status == 1, f"report of the broken scenario: status {status}"
        dom = open_report(browser, broken, work)
        errors = int(dom.attributes["diagnostics"]["data-errors"])
        warnings = int(dom.attributes["diagnostics"]["data-warnings"])
        assert errors == 1 and warnings >= 1, (errors, warnings)
        assert dom.classes.get("diagnostic") == errors + warnings
        assert dom.classes.get("at") == errors + warnings  # each line shown in context
        assert dom.tables["stations"][0] == records(train, "stazione") - 1
    print("report pages: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
