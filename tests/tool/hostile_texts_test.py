#!/usr/bin/env python3
"""`scenario-tool check` on packager texts (Windows-1252, CR LF, no limit on
their lines) shaped to make a checker slow or hungry: a long line of
fractions, thousands of speed records on one line, a line of commas, a text
with a warning on every line, crew documents of many rows. Each check runs
as a child with a limit on its processor time and must end (status 0 or 1)
with its peak memory under a bound, listing a capped number of diagnostics.
Then report, profile and plan on scenario folders of such shapes (a line of
commas, one enormous word, very many lines): each must keep its peak memory
within PAGE_BASE_MB + PAGE_BYTES_PER_BYTE times the folder's bytes, and a
message must not quote the word whole.

usage: hostile_texts_test.py SCENARIO_TOOL SCENARIO_DIR [SCALE [PEAK_MB]]
       hostile_texts_test.py --write SCENARIO_DIR OUT_DIR SHAPE SCALE

SCALE multiplies the sizes (1 by default: 160,000 speed records, 4,000,000
commas, a million crew rows...); PEAK_MB bounds the peak memory (400 by
default). The second form only writes the texts of one shape, e.g. to time
them by hand, and prints the name and train number to check them under.
"""
import collections
import json
import os
import pathlib
import re
import resource
import shutil
import subprocess
import sys
import tempfile

CPU_SECONDS = 10


def edit(texts, suffix, change):
    (name,) = [name for name in texts if name.endswith(suffix)]
    texts[name] = change(texts[name])


def fractions(texts, scale):
    """One line of fractions: speed records at 0, each of two fractional values."""
    records = "".join("velocita, 0.4, 30.4, " for _ in range(int(4000 * scale)))
    edit(texts, "-.txt", lambda t: t.replace("[vel_limite]\n", "[vel_limite]\n" + records +
                                             " " * len(records) + "\n"))


def speeds_on_one_line(texts, scale):
    """Speed records on one line, alternating speeds at repeating positions."""
    records = ", ".join(f"velocita, {50 * (i % 280)}, {30 + 5 * (i % 2)}"
                        for i in range(int(160000 * scale)))
    edit(texts, "-.txt", lambda t: t.replace("[vel_limite]\n", "[vel_limite]\n" + records + "\n"))


def commas(texts, scale):
    edit(texts, "_linea.txt",
         lambda t: t.replace("[curve]\n", "[curve]\n" + "," * int(4000000 * scale) + "\n"))


def warning_per_line(texts, scale):
    lines = "velocita, 0.5, 30\n" * int(40000 * scale)
    edit(texts, "-.txt", lambda t: t.replace("[vel_limite]\n", "[vel_limite]\n" + lines))


def crew_rows(texts, scale):
    """Sheet rows that name no station of the train and order rows that match no slowdown."""
    count = int(1000000 * scale) // 2
    sheet = "".join(f"  | {30 + 5 * (i % 2)} |  30 |  {i % 14}.{i % 1000:03} /|\\ LUOGO {i}....|"
                    "  8.15  8.16 |\n" for i in range(count))
    order = "".join(f" | {i % 100:02}| A - B | {i % 14} | 40 | 200 | A-H |\n" for i in range(count))
    edit(texts, "_scheda_treno.txt", lambda t: t + sheet)
    edit(texts, "_rallentamenti.txt", lambda t: t + order)


SHAPES = {f.__name__: f for f in (fractions, speeds_on_one_line, commas, warning_per_line,
                                  crew_rows)}


def one_word(texts, scale):
    edit(texts, "_linea.txt",
         lambda t: t.replace("[curve]\n", "[curve]\n" + "x" * int(10000000 * scale) + "\n"))


def many_lines(texts, scale):
    edit(texts, "_linea.txt",
         lambda t: t.replace("[curve]\n", "[curve]\n" + ",\n" * int(2000000 * scale)))


# The pages' budget: a fixed part and a share per byte of the folder's texts.
PAGE_BASE_MB = 64
PAGE_BYTES_PER_BYTE = 12
# A sanitized build, given a looser PEAK_MB, shadows its memory and holds
# freed memory back: its pages get three times the budget.
SANITIZED_PEAK_MB = 400
SANITIZED_PAGE_FACTOR = 3
PAGE_SHAPES = {f.__name__: f for f in (commas, one_word, many_lines)}


def write(scenario, out, shape, scale):
    """Writes the scenario's texts, changed by the shape, as a packager writes
    them; returns the scenario's name and train number."""
    identity = dict(re.findall(r"^(name|train) = (\S+)$",
                               pathlib.Path(scenario, "scenario.txt").read_text(), re.M))
    texts = {path.name: path.read_text() for path in pathlib.Path(scenario).glob("*_*.txt")}
    SHAPES[shape](texts, scale)
    pathlib.Path(out).mkdir()
    for name, text in texts.items():
        pathlib.Path(out, name).write_bytes(text.replace("\n", "\r\n").encode("cp1252"))
    return identity["name"], identity["train"]


def limited():
    resource.setrlimit(resource.RLIMIT_CPU, (CPU_SECONDS, CPU_SECONDS))


def check(tool, folder, name, train, peak_megabytes):
    """Faults of one check of the folder: its own time, memory and listing."""
    with open(folder / "out.json", "w+b") as out:
        child = subprocess.Popen([tool, "check", str(folder), "--name", name, "--train", train,
                                  "--format", "json"], stdout=out, stderr=subprocess.DEVNULL,
                                 preexec_fn=limited)
        _, status, usage = os.wait4(child.pid, 0)
        out.seek(0)
        listed = out.read()
    if os.WIFSIGNALED(status):
        return [f"killed by signal {os.WTERMSIG(status)} (limit: {CPU_SECONDS} s of processor "
                "time)"]
    if os.WEXITSTATUS(status) not in (0, 1):
        return [f"status {os.WEXITSTATUS(status)}"]
    faults = []
    if usage.ru_maxrss > peak_megabytes * 1024:
        faults.append(f"peak memory {usage.ru_maxrss // 1024} MB, above {peak_megabytes} MB")
    rules = collections.Counter(d["rule"] for d in json.loads(listed)["diagnostics"])
    return faults + [f"{count} diagnostics of {rule} listed" for rule, count in rules.items()
                     if count > 100]


def pages(tool, scenario, shape, scale, factor=1):
    """Faults of report, profile and plan on a scenario folder of the shape."""
    faults = []
    with tempfile.TemporaryDirectory() as temp:
        folder = pathlib.Path(temp, "scenario")
        shutil.copytree(scenario, folder)
        texts = {path.name: path.read_text() for path in folder.glob("*_*.txt")}
        PAGE_SHAPES[shape](texts, scale)
        for name, text in texts.items():
            pathlib.Path(folder, name).write_text(text)
        size = sum(path.stat().st_size for path in folder.iterdir())
        budget = factor * (PAGE_BASE_MB * 1024 + PAGE_BYTES_PER_BYTE * size // 1024)
        for command, page in (("report", "page.html"), ("profile", "p.svg"), ("plan", "q.svg")):
            output = pathlib.Path(temp, page)
            child = subprocess.Popen([tool, command, str(folder), "-o", str(output)],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     preexec_fn=limited)
            _, status, usage = os.wait4(child.pid, 0)
            if os.WIFSIGNALED(status):
                faults.append(f"{command}: killed by signal {os.WTERMSIG(status)}")
            elif usage.ru_maxrss > budget:
                faults.append(f"{command}: peak memory {usage.ru_maxrss // 1024} MB, above "
                              f"{budget // 1024} MB for {size // 1024} KB of texts")
            if output.exists() and output.stat().st_size > size // 4 + 2000000:
                faults.append(f"{command}: a page of {output.stat().st_size} bytes")
    return faults


def main(tool, scenario, scale="1", peak_megabytes="400"):
    failed = False
    for shape in PAGE_SHAPES:
        factor = SANITIZED_PAGE_FACTOR if int(peak_megabytes) > SANITIZED_PEAK_MB else 1
        faults = pages(tool, scenario, shape, float(scale), factor)
        for fault in faults:
            print(f"{shape} (pages): {fault}")
        failed = failed or bool(faults)
    for shape in SHAPES:
        with tempfile.TemporaryDirectory() as temp:
            folder = pathlib.Path(temp, "texts")
            faults = check(tool, folder, *write(scenario, folder, shape, float(scale)),
                           int(peak_megabytes))
        for fault in faults:
            print(f"{shape}: {fault}")
        failed = failed or bool(faults)
    return 1 if failed else 0


if __name__ == "__main__":
    if sys.argv[1] == "--write":
        print(*write(sys.argv[2], sys.argv[3], sys.argv[4], float(sys.argv[5])))
        sys.exit(0)
    sys.exit(main(*sys.argv[1:]))
