#!/usr/bin/env python3
"""Times whole compiles against copying the files they write.

For the embedded scenario and for generated lines of 125, 250, 500 and
1000 km (see scenario_gen.py), this runs `scenario-tool compile` as a child
process many times, each on fresh copies of the description texts in a fresh
folder, and takes the wall time of the whole process (its start included)
and its peak resident memory. In the same runs, interleaved with the
compiles, it copies the three binary files of the same scenario into a fresh
folder beside them with `cp`, plainly and followed by `sync` of the copies
and their folder: the compile writes each file to a temporary name, syncs it,
renames it and syncs the folder, so the synced copy is the one to compare it
with. It prints one table and the goals:

  - peak memory of a compile at most 8 MiB, whatever the line's length (the
    line plan is written a chunk at a time, never held whole);
  - the 1000 km compile at most 1.10 x the synced copy, the embedded one at
    most 1.3 x (its process start included);
  - time and memory growing linearly with the line's length.

Beside them, in the same run: the instructions a compile executes per byte
of the files it writes (counted under valgrind, when it is installed), the
checker's latency after an edit of one line of the embedded scenario's train
description, in-process (check_latency: a check after each of 1000 edits,
with the cache an editor's language server keeps; median and 95th
percentile; the 1000 km compile in at most 15 million instructions), and a whole `scenario-tool check` of a train description with
1000 faulty records over the 1000 km line (faulty_train.py), with the goals

  - after a one-line edit, a check in at most 5 ms (median) and 10 ms (95th
    percentile);
  - the 1000 faulty records checked in at most 0.05 s.

--quick (continuous integration) makes those a short round: 100 edits, 100
faulty records, instructions counted for the embedded scenario alone.

A missed goal prints MISSED; the script still exits 0 unless --check is
given, since it is a measurement. Anything that makes the measurement
meaningless (a compile that records a fault or fails, files other than those
expected, a generated scenario whose grid is not what was generated, the
embedded texts compiling to other bytes than the packager's own run) stops
it with FAULT and exit status 2.

    python3 bench/whole_run.py --build-dir build-bench [--runs 15] [--check]
"""

from __future__ import annotations

import argparse
import collections
import dataclasses
import json
import os
import pathlib
import re
import shutil
import statistics
import subprocess
import sys

# The generator beside this script, imported without leaving a cache there.
sys.dont_write_bytecode = True
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import faulty_train  # noqa: E402
import scenario_gen  # noqa: E402

REPO = pathlib.Path(__file__).resolve().parent.parent
LENGTHS = (125000, 250000, 500000, 1000000)
MIB = 1024 * 1024

MEMORY_BASE = 8 * MIB
LONGEST_GOAL, EMBEDDED_GOAL = 1.10, 1.3
INSTRUCTIONS_GOAL = 15_000_000  # the 1000 km compile
# Growth counts as linear while the cost of each added km stays within this
# factor of the average cost per added km.
LINEAR_TOLERANCE = 2.0
# Compile times whose interquartile range exceeds this part of their median
# are flagged as disturbed.
NOISY_SPREAD = 0.5
# The checker: milliseconds after a one-line edit, seconds for the faulty
# records over the longest line.
CHECK_EDITS, CHECK_MEDIAN_GOAL, CHECK_P95_GOAL = 1000, 5.0, 10.0
FAULTY_RECORDS, FAULTY_LENGTH, FAULTY_GOAL, FAULTY_RUNS = 1000, 1000000, 0.05, 3
QUICK_EDITS, QUICK_FAULTY_RECORDS = 100, 100


class BenchFault(Exception):
    """The measurement cannot be trusted: stop, and say why."""


@dataclasses.dataclass
class Child:
    status: int
    seconds: float
    maxrss: int  # bytes
    cpu_seconds: float  # user and system
    stdout: str
    stderr: str


@dataclasses.dataclass
class Case:
    label: str
    name: str
    train: str
    length: int                  # metres
    texts: dict[str, bytes]      # description texts by file name
    files: list[str]             # binary files the compile must write, in order
    sizes: dict[str, int]        # sizes known beforehand
    generated: scenario_gen.Scenario | None = None
    runs: int = 0


@dataclasses.dataclass
class CheckTimings:
    edits: int
    median_ms: float
    p95_ms: float
    cpu_median_ms: float
    cpu_p95_ms: float
    fresh_median_ms: float
    faulty_records: int
    faulty_seconds: list[float]
    faulty_cpu: list[float]
    faulty_rss: list[int]
    faulty_length: int


@dataclasses.dataclass
class Timings:
    compile: list[float] = dataclasses.field(default_factory=list)
    plain: list[float] = dataclasses.field(default_factory=list)
    synced: list[float] = dataclasses.field(default_factory=list)
    rss: list[int] = dataclasses.field(default_factory=list)


class Runner:
    """Runs each child through run_child (see run_child.cc: straight from
    this interpreter, a child's peak memory would count the interpreter's),
    which times it from its fork to the end of its wait and takes its own
    peak memory; its output goes into files."""

    def __init__(self, launcher: str, scratch: pathlib.Path):
        self.launcher = launcher
        self.out = scratch / "child.out"
        self.err = scratch / "child.err"

    def run(self, argv: list[str]) -> Child:
        launched = subprocess.run([self.launcher, str(self.out), str(self.err), *argv],
                                  capture_output=True, text=True, check=False)
        fields = launched.stdout.split()
        if launched.returncode != 0 or len(fields) != 4:
            raise BenchFault(f"run_child could not run {argv[0]}: {launched.stderr.strip()}")
        status, nanoseconds, maxrss_kib, cpu_microseconds = map(int, fields)
        return Child(status, nanoseconds / 1e9, maxrss_kib * 1024, cpu_microseconds / 1e6,
                     self.out.read_text(errors="replace"), self.err.read_text(errors="replace"))


def fresh_folder(path: pathlib.Path) -> pathlib.Path:
    if path.exists():
        shutil.rmtree(path)
    path.mkdir(parents=True)
    return path


def find_tool(path: pathlib.Path) -> str:
    if not os.access(path, os.X_OK):
        raise BenchFault(f"{path} is missing: build it first (make bench builds it)")
    return str(path)


def system_tool(name: str) -> str:
    found = shutil.which(name)
    if found is None:
        raise BenchFault(f"'{name}' is not on PATH")
    return found


def file_system_of(path: pathlib.Path) -> str:
    """The type of the file system holding path, from the mount table."""
    best, kind = "", "unknown"
    resolved = str(path.resolve())
    with open("/proc/self/mounts", encoding="utf-8") as mounts:
        for line in mounts:
            fields = line.split()
            if len(fields) < 3:
                continue
            point = fields[1].replace("\\040", " ")
            inside = resolved == point or resolved.startswith(point.rstrip("/") + "/")
            if inside and len(point) >= len(best):
                best, kind = point, fields[2]
    return kind


# --- the scenarios -----------------------------------------------------------

def embedded_folder(build_dir: pathlib.Path) -> pathlib.Path:
    """The scenario folder the build embeds (SCENARIO_DIR in its cache)."""
    cache = build_dir / "CMakeCache.txt"
    try:
        for line in cache.read_text(encoding="utf-8").splitlines():
            if line.startswith("SCENARIO_DIR:"):
                return pathlib.Path(line.split("=", 1)[1])
    except OSError as error:
        raise BenchFault(f"cannot read {cache}: {error.strerror}") from error
    raise BenchFault(f"{cache} names no SCENARIO_DIR")


def embedded_case(folder: pathlib.Path) -> Case:
    identity = {}
    for line in (folder / "scenario.txt").read_text(encoding="utf-8").splitlines():
        line = line.strip()
        if line and not line.startswith("#") and "=" in line:
            key, value = (part.strip() for part in line.split("=", 1))
            identity[key] = value
    name, train = identity.get("name"), identity.get("train")
    if not name or not train:
        raise BenchFault(f"{folder / 'scenario.txt'} names no scenario or train")
    line_file, train_file = f"{name}_linea.txt", f"{name}_{train}-.txt"
    texts = {}
    for file_name in (line_file, train_file):
        text = (folder / file_name).read_text(encoding="utf-8")
        texts[file_name] = scenario_gen.description_bytes(text)
    found = re.search(r"lunghezza percorso,\s*(\d+)", texts[line_file].decode("cp1252"))
    if not found:
        raise BenchFault(f"{line_file} has no line length")
    files = [f"{name}_linea.dat", f"{name}_{train}.sim", f"{name}_{train}.dat"]
    return Case("embedded", name, train, int(found.group(1)), texts, files, {})


def generated_case(length: int) -> Case:
    try:
        scenario = scenario_gen.generate(length)
    except scenario_gen.GeneratorError as error:
        raise BenchFault(f"the generator: {error}") from error
    texts = {scenario.line_file(): scenario_gen.description_bytes(scenario.line_text),
             scenario.train_file(): scenario_gen.description_bytes(scenario.train_text)}
    files = scenario.binary_files()
    sizes = {files[0]: scenario.plan_file_size(), files[2]: scenario.grid_file_size()}
    return Case(f"{length // 1000} km", scenario.name, scenario.train, length, texts, files,
                sizes, scenario)


# --- one compile, checked ----------------------------------------------------

class Bench:
    def __init__(self, build_dir: pathlib.Path, scratch: pathlib.Path):
        self.tool = find_tool(build_dir / "bin" / "scenario-tool")
        self.packager = find_tool(build_dir / "bin" / "packager")
        self.cp = system_tool("cp")
        self.sync = system_tool("sync")
        self.scratch = scratch
        self.runner = Runner(find_tool(build_dir / "bench" / "run_child"), scratch)
        self.check_latency = find_tool(build_dir / "bench" / "check_latency")
        self.valgrind = shutil.which("valgrind")

    def compile(self, case: Case, folder: pathlib.Path) -> Child:
        """One compile of fresh copies of the texts in folder, checked: the
        texts are deleted as a run of the packager deletes them."""
        for file_name, data in case.texts.items():
            (folder / file_name).write_bytes(data)
        child = self.runner.run([self.tool, "compile", str(folder), "--name", case.name,
                                 "--train", case.train, "--delete-texts", "--json"])
        where = f"the compile of {case.label} in {folder}"
        if child.status != 0:
            raise BenchFault(f"{where} exited with {child.status}: {child.stderr.strip()}")
        try:
            result = json.loads(child.stdout)
        except json.JSONDecodeError as error:
            raise BenchFault(f"{where} printed no JSON line: {child.stdout!r}") from error
        if result.get("error_code") != 0 or result.get("errore") is not None:
            raise BenchFault(f"{where} reported a fault: {child.stdout.strip()} "
                             f"{child.stderr.strip()}")
        if result.get("files") != case.files:
            raise BenchFault(f"{where} wrote {result.get('files')}, not {case.files}")
        for file_name in case.texts:
            if (folder / file_name).exists():
                raise BenchFault(f"{where} left the description text {file_name}")
        for file_name in case.files:
            path = folder / file_name
            if not path.is_file():
                raise BenchFault(f"{where} reported {file_name} but did not write it")
            expected = case.sizes.get(file_name)
            if expected is not None and path.stat().st_size != expected:
                raise BenchFault(f"{where}: {file_name} has {path.stat().st_size} bytes, "
                                 f"not {expected}")
        return child

    def check_generated(self, case: Case, folder: pathlib.Path) -> None:
        """The grid and the table hold what the generator placed."""
        scenario = case.generated
        grid = self.dump(folder / case.files[2])
        counts = collections.Counter(cell["kind"] for cell in grid["cells"])
        for kind, expected in sorted(scenario.kinds.items()):
            if counts[kind] != expected:
                raise BenchFault(f"{case.label}: the grid holds {counts[kind]} cells of kind "
                                 f"{kind}, the generator placed {expected}")
        table = self.dump(folder / case.files[1])
        if (table["stations"], table["captions"]) != (scenario.stations, scenario.captions):
            raise BenchFault(f"{case.label}: the table holds {table['stations']} stations and "
                             f"{table['captions']} captions, the generator wrote "
                             f"{scenario.stations} and {scenario.captions}")

    def check_embedded(self, case: Case, folder: pathlib.Path) -> None:
        """The texts converted here compile to the bytes of the packager's
        own run, which writes them from what it carries."""
        own = fresh_folder(self.scratch / "packager-run")
        packager = own / "packager"
        shutil.copy2(self.packager, packager)
        child = self.runner.run([str(packager)])
        if child.status != 0:
            raise BenchFault(f"the packager's own run exited with {child.status}: "
                             f"{child.stderr.strip()}")
        for file_name in case.files:
            if not (own / file_name).is_file():
                raise BenchFault(f"the packager's own run wrote no {file_name}")
            if (own / file_name).read_bytes() != (folder / file_name).read_bytes():
                raise BenchFault(f"{file_name} of the compile differs from the packager's own "
                                 "run: the texts given to the compile are not the embedded ones")
        shutil.rmtree(own)

    def dump(self, path: pathlib.Path) -> dict:
        child = self.runner.run([self.tool, "dump", str(path), "--json"])
        if child.status != 0:
            raise BenchFault(f"scenario-tool dump {path} exited with {child.status}: "
                             f"{child.stderr.strip()}")
        return json.loads(child.stdout)

    def instructions(self, case: Case) -> int | None:
        """The instructions of one compile of the scenario under valgrind
        (no cache simulation), or None without valgrind."""
        if self.valgrind is None:
            return None
        folder = fresh_folder(self.scratch / "instructions")
        for file_name, data in case.texts.items():
            (folder / file_name).write_bytes(data)
        log = self.scratch / "instructions.log"
        child = self.runner.run([self.valgrind, "--tool=cachegrind", "--cache-sim=no",
                                 "--cachegrind-out-file=/dev/null", f"--log-file={log}",
                                 self.tool, "compile", str(folder), "--name", case.name,
                                 "--train", case.train, "--delete-texts", "--json"])
        found = re.search(r"I\s+refs:\s+([\d,]+)", log.read_text(errors="replace"))
        if child.status != 0 or not found:
            raise BenchFault(f"the compile of {case.label} under valgrind exited with "
                             f"{child.status}: {child.stderr.strip()}")
        shutil.rmtree(folder)
        return int(found.group(1).replace(",", ""))

    # --- the checker ---------------------------------------------------------

    def check(self, folder: pathlib.Path, edits: int, faulty_records: int) -> CheckTimings:
        """The latency of the checker after one-line edits of the scenario
        folder's train description, in-process; then whole checks of the
        faulty records over the longest line."""
        child = self.runner.run([self.check_latency, str(folder), str(edits)])
        if child.status != 0:
            raise BenchFault(f"check_latency exited with {child.status}: {child.stderr.strip()}")
        latency = json.loads(child.stdout)
        home = fresh_folder(self.scratch / "faulty")
        name, train, texts = faulty_train.faulty_texts(0, faulty_records, FAULTY_LENGTH)
        for file_name, data in texts.items():
            (home / file_name).write_bytes(data)
        argv = [self.tool, "check", str(home), "--name", name, "--train", train, "--format",
                "json", "--error-limit=0"]
        seconds, cpu, rss = [], [], []
        for _ in range(FAULTY_RUNS):
            child = self.runner.run(argv)
            try:
                errors = json.loads(child.stdout).get("errors")
            except json.JSONDecodeError as error:
                raise BenchFault(f"the check of the faulty records printed no JSON: "
                                 f"{child.stderr.strip()}") from error
            if child.status != 1 or errors != faulty_records:
                raise BenchFault(f"the check of {faulty_records} faulty records exited with "
                                 f"{child.status} and found {errors} errors")
            seconds.append(child.seconds)
            cpu.append(child.cpu_seconds)
            rss.append(child.maxrss)
        shutil.rmtree(home)
        return CheckTimings(latency["edits"], latency["median_ms"], latency["p95_ms"],
                            latency["cpu_median_ms"], latency["cpu_p95_ms"],
                            latency["fresh_median_ms"], faulty_records, seconds, cpu, rss,
                            FAULTY_LENGTH)

    # --- the copies ----------------------------------------------------------

    def copy(self, sources: list[pathlib.Path], folder: pathlib.Path, synced: bool) -> float:
        child = self.runner.run([self.cp, *map(str, sources), str(folder)])
        if child.status != 0:
            raise BenchFault(f"cp into {folder} exited with {child.status}: {child.stderr}")
        seconds = child.seconds
        if synced:
            copies = [str(folder / source.name) for source in sources]
            child = self.runner.run([self.sync, *copies, str(folder)])
            if child.status != 0:
                raise BenchFault(f"sync in {folder} exited with {child.status}: {child.stderr}")
            seconds += child.seconds
        for source in sources:
            if (folder / source.name).stat().st_size != source.stat().st_size:
                raise BenchFault(f"the copy of {source.name} in {folder} is not whole")
        return seconds

    # --- one scenario --------------------------------------------------------

    def prepare(self, case: Case) -> None:
        """One untimed compile of the scenario, checked in depth; its files
        are the ones the copies copy."""
        home = fresh_folder(self.scratch / case.label.replace(" ", "_"))
        reference = fresh_folder(home / "reference")
        self.compile(case, reference)
        if case.generated is not None:
            self.check_generated(case, reference)
        else:
            self.check_embedded(case, reference)
        # Every later compile must write the same sizes as this one.
        for file_name in case.files:
            case.sizes[file_name] = (reference / file_name).stat().st_size

    def measure(self, case: Case) -> Timings:
        home = self.scratch / case.label.replace(" ", "_")
        sources = [home / "reference" / file_name for file_name in case.files]
        # One copy untimed, so that no timed run pays for a cold cache.
        self.copy(sources, fresh_folder(home / "warm"), synced=True)

        timings = Timings()
        steps = ("compile", "plain", "synced")
        progress = sys.stderr.isatty()
        for run in range(case.runs):
            # The order turns each run, so that no step always follows the
            # same other one (the writeback of a plain copy, say).
            for step in steps[run % 3:] + steps[:run % 3]:
                folder = fresh_folder(home / f"{step}-{run}")
                if step == "compile":
                    child = self.compile(case, folder)
                    timings.compile.append(child.seconds)
                    timings.rss.append(child.maxrss)
                else:
                    getattr(timings, step).append(self.copy(sources, folder, step == "synced"))
                shutil.rmtree(folder)
            if progress:
                print(f"  {case.label}: run {run + 1}/{case.runs}", end="\r", file=sys.stderr,
                      flush=True)
        if progress:
            print(" " * 40, end="\r", file=sys.stderr, flush=True)
        shutil.rmtree(home)
        return timings


# --- the report --------------------------------------------------------------

def median(values):
    return statistics.median(values)


def quartiles(values) -> tuple[float, float]:
    if len(values) < 2:
        return values[0], values[0]
    q1, _, q3 = statistics.quantiles(values, n=4, method="inclusive")
    return q1, q3


def ms(seconds: float) -> str:
    return f"{seconds * 1000:.1f}"


def mib(size: float) -> str:
    return f"{size / MIB:.1f}"


class Goals:
    def __init__(self):
        self.missed: list[str] = []

    def judge(self, holds: bool, what: str) -> str:
        if not holds:
            self.missed.append(what)
        return "ok" if holds else "MISSED"


def linear_growth(label: str, cases: list[Case], values: list[float], unit: str, scale: float,
                  goals: Goals) -> list[str]:
    """Per-km values and the cost of each added km against the average."""
    kms = [case.length / 1000 for case in cases]
    lines = [f"  {label}: " + ", ".join(f"{case.label} {value / scale / km:.4f} {unit}/km"
                                        for case, value, km in zip(cases, values, kms))]
    overall = (values[-1] - values[0]) / (kms[-1] - kms[0])
    slopes = [(values[i] - values[i - 1]) / (kms[i] - kms[i - 1]) for i in range(1, len(kms))]
    holds = overall > 0 and all(overall / LINEAR_TOLERANCE <= slope <= overall * LINEAR_TOLERANCE
                                for slope in slopes)
    steps = ", ".join(f"{cases[i].label.split()[0]}->{cases[i + 1].label} "
                      f"{slope / scale:.4f}" for i, slope in enumerate(slopes))
    verdict = goals.judge(holds, f"linear growth of {label}")
    lines.append(f"    each added km: {steps} {unit}/km; average {overall / scale:.4f} "
                 f"{unit}/km: {verdict} (every step within {LINEAR_TOLERANCE:g}x of the average)")
    return lines


def side_by_side(cases: list[Case], results: dict[str, Timings],
                 instructions: dict[str, int | None], checks: CheckTimings,
                 goals: Goals) -> None:
    """The figures of this run together: each compile against its synced
    copy, its peak memory and its instructions per output byte; the check
    after an edit and the check of many faults."""
    print("\nSide by side, measured in this run:")
    for case in cases:
        if case.label not in ("embedded", "1000 km"):
            continue
        t = results[case.label]
        output = sum(case.sizes[file_name] for file_name in case.files)
        counted = instructions.get(case.label)
        if counted and case.label == "1000 km":
            verdict = goals.judge(counted <= INSTRUCTIONS_GOAL, "instructions of the 1000 km compile")
            per_byte_goal = (f" ({counted / 1e6:.1f} million; goal <= "
                             f"{INSTRUCTIONS_GOAL / 1e6:g} million: {verdict})")
        else:
            per_byte_goal = ""
        per_byte = (f"{counted / output:.1f} instructions per output byte{per_byte_goal}" if counted
                    else "instructions not counted" +
                    (" (valgrind is not installed)" if counted is None and
                     case.label in instructions else " (--quick)"))
        print(f"  {case.label:<9} compile {ms(median(t.compile))} ms = "
              f"{median(t.compile) / median(t.synced):.2f} x cp+sync "
              f"({ms(median(t.synced))} ms); peak {mib(median(t.rss))} MiB; {per_byte}")
    latency = goals.judge(checks.median_ms <= CHECK_MEDIAN_GOAL and
                          checks.p95_ms <= CHECK_P95_GOAL, "check after an edit")
    print(f"  check after a one-line edit of the embedded train description (in-process, "
          f"{checks.edits} edits): median {checks.median_ms:.2f} ms, 95th percentile "
          f"{checks.p95_ms:.2f} ms (CPU time {checks.cpu_median_ms:.2f} ms and "
          f"{checks.cpu_p95_ms:.2f} ms; a fresh check: {checks.fresh_median_ms:.2f} ms); goal "
          f"<= {CHECK_MEDIAN_GOAL:g} ms and <= {CHECK_P95_GOAL:g} ms: {latency}")
    faulty = median(checks.faulty_seconds)
    verdict = goals.judge(checks.faulty_records < FAULTY_RECORDS or faulty <= FAULTY_GOAL,
                          "check of the faulty records")
    goal = (f"goal <= {FAULTY_GOAL:g} s: {verdict}" if checks.faulty_records >= FAULTY_RECORDS
            else "no goal for a short round")
    print(f"  scenario-tool check of {checks.faulty_records} faulty train records over the "
          f"{checks.faulty_length // 1000} km line: {faulty:.3f} s (median of "
          f"{len(checks.faulty_seconds)}; CPU time {median(checks.faulty_cpu):.3f} s), peak "
          f"{mib(median(checks.faulty_rss))} MiB; {goal}")


def report(cases: list[Case], results: dict[str, Timings], goals: Goals, scratch: pathlib.Path,
           baseline: float) -> None:
    header = (f"{'scenario':<10} {'plan file':>10} {'compile ms median (IQR; min-max)':>34} "
              f"{'cp ms':>7} {'cp+sync ms':>11} {'x sync':>7} {'x cp':>6} "
              f"{'peak RSS':>9} {'RSS goal':>9} {'':>6}")
    print(header)
    print("-" * len(header))
    memory_met = True
    noisy = []
    for case in cases:
        t = results[case.label]
        plan = case.sizes[case.files[0]]
        compile_ms = median(t.compile)
        q1, q3 = quartiles(t.compile)
        rss = median(t.rss)
        rss_goal = MEMORY_BASE
        verdict = goals.judge(rss <= rss_goal, f"peak memory of {case.label}")
        memory_met = memory_met and rss <= rss_goal
        spread = f"{ms(compile_ms)} ({ms(q1)}-{ms(q3)}; {ms(min(t.compile))}-{ms(max(t.compile))})"
        print(f"{case.label:<10} {mib(plan) + ' MiB':>10} {spread:>34} {ms(median(t.plain)):>7} "
              f"{ms(median(t.synced)):>11} {compile_ms / median(t.synced):>7.2f} "
              f"{compile_ms / median(t.plain):>6.2f} {mib(rss) + ' MiB':>9} "
              f"{mib(rss_goal) + ' MiB':>9} {verdict:>6}")
        if q3 - q1 > NOISY_SPREAD * compile_ms:
            noisy.append(case.label)
    lines = [case for case in cases if case.generated is not None]
    runs = f"{cases[0].runs} runs of the embedded scenario"
    if lines:
        runs += f", {lines[0].runs} of each generated line"
    print(f"\n{runs}; medians. Wall times of whole processes, their start included.\n"
          "'cp' copies the three files into a fresh folder of the same file system; 'cp+sync'\n"
          "then runs sync on the copies and their folder (two processes), as the compile syncs\n"
          "each file and its folder. 'x sync' and 'x cp': compile time / copy time.\n"
          f"Scratch folder {scratch} ({file_system_of(scratch)}); a process that does nothing "
          f"(true) takes {ms(baseline)} ms.")
    if noisy:
        print(f"NOISY: the compile times of {', '.join(noisy)} spread over more than "
              f"{NOISY_SPREAD:.0%} of their median (the machine was busy?): run again.")

    print("\nGoals:")
    by_label = {case.label: case for case in cases}
    for label, factor in (("1000 km", LONGEST_GOAL), ("embedded", EMBEDDED_GOAL)):
        if label not in by_label:
            print(f"  {label} compile <= {factor:g} x synced copy: not measured")
            continue
        t = results[label]
        ratio = median(t.compile) / median(t.synced)
        verdict = goals.judge(ratio <= factor, f"{label} compile time")
        print(f"  {label} compile <= {factor:g} x synced copy: {ratio:.2f} x: {verdict} "
              f"(plain copy: {median(t.compile) / median(t.plain):.2f} x)")
    print(f"  peak memory <= {MEMORY_BASE // MIB} MiB, whatever the line's length: "
          f"{'ok' if memory_met else 'MISSED'} (each scenario above)")
    if len(lines) >= 2:
        # The lower quartile of each: a busy spell of the machine only ever
        # adds time, and spoils medians of short runs first.
        times = [quartiles(results[case.label].compile)[0] for case in lines]
        rss = [median(results[case.label].rss) for case in lines]
        for line in linear_growth("compile time (lower quartiles)", lines, times, "ms", 1e-3,
                                  goals):
            print(line)
        for line in linear_growth("peak memory", lines, rss, "MiB", MIB, goals):
            print(line)


def verdict(goals: Goals) -> None:
    if goals.missed:
        print("\nMISSED: " + "; ".join(goals.missed))
    else:
        print("\nEvery goal met.")


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description="Times whole compiles against copying their "
                                     "files.")
    parser.add_argument("--build-dir", type=pathlib.Path, default=REPO / "build-bench",
                        help="build with bin/scenario-tool, bin/packager and bench/run_child "
                        "(Release, PACKAGER_BENCH)")
    parser.add_argument("--runs", type=int, default=15, help="runs of each generated line")
    parser.add_argument("--embedded-runs", type=int,
                        help="runs of the embedded scenario (default: twice --runs)")
    parser.add_argument("--lengths", type=int, nargs="*", default=list(LENGTHS),
                        help="generated line lengths in metres")
    parser.add_argument("--check", action="store_true", help="exit 1 when a goal is missed")
    parser.add_argument("--quick", action="store_true",
                        help="a short round of the checker's figures and of the counted "
                        "instructions")
    parser.add_argument("--keep-scratch", action="store_true",
                        help="leave BUILD_DIR/bench-scratch in place")
    args = parser.parse_args(argv)
    if args.runs < 1 or (args.embedded_runs is not None and args.embedded_runs < 1):
        parser.error("runs must be at least 1")

    build_dir = args.build_dir.resolve()
    scratch = build_dir / "bench-scratch"
    try:
        bench = Bench(build_dir, scratch)
        cases = [embedded_case(embedded_folder(build_dir))]
        cases += [generated_case(length) for length in sorted(args.lengths)]
        cases[0].runs = args.embedded_runs or 2 * args.runs
        for case in cases[1:]:
            case.runs = args.runs
        fresh_folder(scratch)
        baseline = median([bench.runner.run([system_tool("true")]).seconds for _ in range(30)])
        print(f"whole_run.py: load average {os.getloadavg()[0]:.2f} at the start", flush=True)
        # Every scenario is checked before any is timed.
        for case in cases:
            bench.prepare(case)
        results = {case.label: bench.measure(case) for case in cases}
        counted = [case for case in cases
                   if case.label == "embedded" or (case.label == "1000 km" and not args.quick)]
        instructions = {case.label: bench.instructions(case) for case in counted}
        checks = bench.check(embedded_folder(build_dir),
                             QUICK_EDITS if args.quick else CHECK_EDITS,
                             QUICK_FAULTY_RECORDS if args.quick else FAULTY_RECORDS)
        print(f"load average {os.getloadavg()[0]:.2f} at the end\n")
    except BenchFault as fault:
        print(f"whole_run.py: FAULT: {fault}", file=sys.stderr)
        if scratch.exists():
            print(f"whole_run.py: the scratch folder {scratch} is left for a look",
                  file=sys.stderr)
        return 2
    goals = Goals()
    report(cases, results, goals, scratch, baseline)
    side_by_side(cases, results, instructions, checks, goals)
    verdict(goals)
    if not args.keep_scratch:
        shutil.rmtree(scratch, ignore_errors=True)
    return 1 if goals.missed and args.check else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
