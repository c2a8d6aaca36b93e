#!/usr/bin/env python3
"""Hand-over texts for timing `scenario-tool check` on many reading faults.

    bench/faulty_train.py OUT_DIR LINES FAULTS [--length METRES]

writes into OUT_DIR the repository's scenario as hand-over texts
(Windows-1252, CR LF): its line description, and a train description of
LINES lines (at least its own records and the faults) whose last FAULTS
signal records each stop the reading (a position that is no number), after
as many valid records as make up the length. With --length, the scenario is
a generated line of that length (scenario_gen.py) and its train instead.
It prints the name and the train number. Then, e.g.:

    /usr/bin/time -v build/bin/scenario-tool check OUT_DIR \\
        --name Vardessa_Lontrino --train 5608
"""
from __future__ import annotations

import argparse
import pathlib
import sys

# The generator beside this script, imported without leaving a cache there.
sys.dont_write_bytecode = True
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import scenario_gen  # noqa: E402

REPO = pathlib.Path(__file__).resolve().parent.parent
SCENARIO = REPO / "scenarios" / "Vardessa_Lontrino_5608"


def faulty_texts(total: int, faults: int, length: int | None = None):
    """The name, the train number and the two texts (file name, bytes)."""
    if length is None:
        name, number = "Vardessa_Lontrino", "5608"
        line = (SCENARIO / f"{name}_linea.txt").read_text("utf-8")
        train = (SCENARIO / f"{name}_{number}-.txt").read_text("utf-8")
    else:
        scenario = scenario_gen.generate(length)
        name, number = scenario.name, scenario.train
        line, train = scenario.line_text, scenario.train_text
    train_lines = train.splitlines()
    end = train_lines.index("[codici]")
    head, tail = train_lines[:end], train_lines[end:]
    filler = max(0, total - len(head) - len(tail) - faults)
    body = head[:1] + ["numero vetture,    3"] * filler + head[1:]
    body += ["segnale,  %dx,   1, 4, 1,  0, 0,    1,  3,1,0, 0" % (1000 + i) for i in range(faults)]
    return name, number, {
        f"{name}_linea.txt": scenario_gen.description_bytes(line),
        f"{name}_{number}-.txt": scenario_gen.description_bytes("\n".join(body + tail) + "\n"),
    }


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description="Writes hand-over texts with many faults.")
    parser.add_argument("out", type=pathlib.Path)
    parser.add_argument("lines", type=int)
    parser.add_argument("faults", type=int)
    parser.add_argument("--length", type=int, help="a generated line of this many metres")
    args = parser.parse_args(argv)
    name, number, texts = faulty_texts(args.lines, args.faults, args.length)
    args.out.mkdir(parents=True, exist_ok=True)
    for file_name, data in texts.items():
        (args.out / file_name).write_bytes(data)
    print(f"--name {name} --train {number}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
