#!/usr/bin/env python3
"""A session of many scenario folders costs scenario-tool lsp time in
proportion to them: four times the folders, each opened and asked an outline
and a hover, may cost at most eight times the server's CPU time (a cost per
folder at each request, such as looking at every folder's files on disk,
makes it sixteen).

usage: many_folders_test.py SCENARIO_TOOL SCENARIO_DIR
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).parent))
from measure_bounds import measure  # noqa: E402

FEW = 60
MANY = 4 * FEW
MOST_RATIO = 8


def main(tool, scenario):
    few = min(measure(tool, scenario, "folders", FEW)[1] for _ in range(2))
    many = measure(tool, scenario, "folders", MANY)[1]
    ratio = many / max(few, 0.01)
    print(f"server CPU: {few:.2f} s for {FEW} folders, {many:.2f} s for {MANY} ({ratio:.1f} times)")
    assert ratio <= MOST_RATIO, f"{MANY} folders cost {ratio:.1f} times {FEW}, above {MOST_RATIO}"


if __name__ == "__main__":
    main(*sys.argv[1:])
