#!/usr/bin/env python3
"""Compile, decompile and compile again the bench generator's scenarios.

    bench_round_trip.py SCENARIO_TOOL SOURCE_DIR [STEP_KM]

For every line length from 20 km to 200 km in steps of STEP_KM (4), the
generator's texts are compiled, the three files decompiled into a scenario
folder, the folder compiled again and the files compared byte for byte. The
1000 km line, whose line text holds more lines than a scenario folder's text
may, is refused as a folder (status 1, nothing written) and decompiled with
--texts into the two description texts, compiled again and compared. The
repository's scenarios go the same way, and their decompiled folders must
check with no error and no warning.
Prints "N passed, N failed" at the end; exits 1 on any difference.
"""

import pathlib
import subprocess
import sys
import tempfile


def round_trip(runs, first, second, names):
    """What goes wrong in the runs (each with the status it must end with; a
    check must also say nothing), or in comparing the files named (all of
    FIRST's when None) of the two compiles; None when nothing does."""
    for run, status in runs:
        result = subprocess.run(run, capture_output=True, text=True)
        folder = pathlib.Path(run[run.index("-o") + 1]) if "-o" in run else None
        if (result.returncode != status or
                (status == 1 and folder is not None and folder.exists()) or
                (run[1] == "check" and "0 errors, 0 warnings" not in result.stdout + result.stderr)):
            return f"{' '.join(run)}: status {result.returncode}: {result.stdout}{result.stderr}"
    for name in names if names is not None else sorted(p.name for p in first.iterdir()):
        if (first / name).read_bytes() != (second / name).read_bytes():
            return f"{name} differs after the round trip"
    return None


def main(argv: list[str]) -> int:
    tool, source = argv[0], pathlib.Path(argv[1])
    step = int(argv[2]) if len(argv) > 2 else 4
    sys.path.insert(0, str(source / "bench"))
    import scenario_gen  # noqa: E402

    passed = failed = 0
    with tempfile.TemporaryDirectory() as scratch:
        for km in list(range(20, 201, step)) + [1000]:
            scenario = scenario_gen.generate(km * 1000)
            root = pathlib.Path(scratch) / str(km)
            texts, first, folder, second = (root / d for d in ("texts", "bin", "folder", "again"))
            for d in (texts, first, second):
                d.mkdir(parents=True)
            scenario.write(texts)
            compile_texts = ["--name", scenario.name, "--train", scenario.train]
            runs = [([tool, "compile", str(texts)] + compile_texts + ["-o", str(first)], 0),
                    ([tool, "decompile", str(first), "-o", str(folder)], 0),
                    ([tool, "compile", str(folder), "-o", str(second)], 0)]
            if km == 1000:
                runs[1:] = [([tool, "decompile", str(first), "-o", str(folder)], 1),
                            ([tool, "decompile", str(first), "-o", str(folder), "--texts"], 0),
                            ([tool, "compile", str(folder)] + compile_texts + ["-o", str(second)],
                             0)]
            problem = round_trip(runs, first, second, scenario.binary_files())
            if problem:
                failed += 1
                print(f"{km} km: {problem}")
            else:
                passed += 1
        # The scenarios of the repository: their decompiled folders check
        # clean as well, the crew documents written from the train among them.
        for source_folder in sorted((source / "scenarios").iterdir()) + sorted(
                (source / "tests" / "scenarios").iterdir()):
            if not (source_folder / "scenario.txt").exists():
                continue
            root = pathlib.Path(scratch) / source_folder.name
            first, folder, second = (root / d for d in ("bin", "folder", "again"))
            for d in (first, second):
                d.mkdir(parents=True)
            runs = [([tool, "compile", str(source_folder), "-o", str(first)], 0),
                    ([tool, "decompile", str(first), "-o", str(folder)], 0),
                    ([tool, "check", str(folder)], 0),
                    ([tool, "compile", str(folder), "-o", str(second)], 0)]
            problem = round_trip(runs, first, second, None)
            if problem:
                failed += 1
                print(f"{source_folder.name}: {problem}")
            else:
                passed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
