#!/usr/bin/env python3
"""Hand-over texts for timing `scenario-tool check` on many reading faults.

    bench/faulty_train.py OUT_DIR LINES FAULTS

writes into OUT_DIR the repository's scenario as hand-over texts
(Windows-1252, CR LF): its line description, and a train description of
LINES lines (at least its own records and the faults) whose last FAULTS
signal records each stop the reading (a position that is no number), after
as many valid records as make up the length. Then, e.g.:

    /usr/bin/time -v build/bin/scenario-tool check OUT_DIR \\
        --name Vardessa_Lontrino --train 5608
"""
import pathlib
import sys

REPO = pathlib.Path(__file__).resolve().parent.parent
SCENARIO = REPO / "scenarios" / "Vardessa_Lontrino_5608"


def main():
    out, total, faults = pathlib.Path(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
    out.mkdir(parents=True, exist_ok=True)
    line = (SCENARIO / "Vardessa_Lontrino_linea.txt").read_text("utf-8").splitlines()
    train = (SCENARIO / "Vardessa_Lontrino_5608-.txt").read_text("utf-8").splitlines()
    end = train.index("[codici]")
    head, tail = train[:end], train[end:]
    filler = max(0, total - len(head) - len(tail) - faults)
    body = head[:1] + ["numero vetture,    3"] * filler + head[1:]
    body += ["segnale,  %dx,   1, 4, 1,  0, 0,    1,  3,1,0, 0" % (1000 + i) for i in range(faults)]
    for name, lines in (("Vardessa_Lontrino_linea.txt", line),
                        ("Vardessa_Lontrino_5608-.txt", body + tail)):
        (out / name).write_bytes(("\r\n".join(lines) + "\r\n").encode("cp1252"))


if __name__ == "__main__":
    main()
