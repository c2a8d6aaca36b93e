#!/usr/bin/env python3
"""`scenario-tool check --format sarif` on a copy of a scenario with two faulty
records and 150 fractions: the log must be valid against the SARIF 2.1.0
schema, place each error on its record and list 100 fractions, the other 50
counted in a notification.

usage: sarif_schema_test.py SCENARIO_TOOL SCHEMA SCENARIO_DIR
"""
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

import jsonschema

# The copy lies under a folder whose name a URI must encode, and is named by
# a relative path, which the log keeps relative.
PARENT = "prova \u00e8"
URI_PARENT = "prova%20%C3%A8"

# (record as written, as broken, rule, column of the fault's caret)
BREAKS = [
    ("segnale,    6350,", "segnale,    3800,", "E16", 1),  # a second signal in a taken cell
    ("segnale,    9350,", "segnale,    9350o,", "E25", 13),  # a position that is no number
]


def break_records(train_text):
    """Breaks the records of BREAKS; returns {rule: (line, column, line's text)}."""
    lines = train_text.read_bytes().split(b"\n")
    where = {}
    for record, broken, rule, column in BREAKS:
        (index,) = [i for i, line in enumerate(lines) if line.startswith(record.encode())]
        lines[index] = lines[index].replace(record.encode(), broken.encode(), 1)
        where[rule] = (index + 1, column, lines[index].decode().rstrip("\r"))
    train_text.write_bytes(b"\n".join(lines))
    return where


def check_results(run, where, uri):
    rule_ids = [rule["id"] for rule in run["tool"]["driver"]["rules"]]
    faults = []
    for rule, (line, column, text) in where.items():
        found = [result for result in run["results"] if result.get("ruleId") == rule]
        if len(found) != 1:
            faults.append(f"{len(found)} results of {rule}, not 1")
            continue
        result = found[0]
        location = result["locations"][0]["physicalLocation"]
        region = location["region"]
        seen = (result["level"], rule_ids[result["ruleIndex"]], location["artifactLocation"]["uri"],
                region["startLine"], region["startColumn"], region["snippet"]["text"])
        expected = ("error", rule, uri, line, column, text)
        if seen != expected:
            faults.append(f"{rule}: {seen}, not {expected}")
    return faults


def main(tool, schema_path, scenario):
    schema = json.loads(pathlib.Path(schema_path).read_text(encoding="utf-8"))
    jsonschema.Draft7Validator.check_schema(schema)
    validator = jsonschema.Draft7Validator(schema, format_checker=jsonschema.FormatChecker())
    with tempfile.TemporaryDirectory() as temp:
        name = pathlib.Path(scenario).name
        copy = pathlib.Path(temp, PARENT, name)
        shutil.copytree(scenario, copy)
        train_text = f"{name}-.txt"
        text = (copy / train_text).read_text()
        (copy / train_text).write_text(text.replace("[vel_limite]\n",
                                                    "[vel_limite]\n" + "velocita, 0.5, 30\n" * 150))
        where = break_records(copy / train_text)
        command = [os.path.abspath(tool), "check", "--format", "sarif", f"{PARENT}/{name}"]
        run = subprocess.run(command, cwd=temp, capture_output=True, check=False)
    if run.returncode != 1:
        print(f"check ended with {run.returncode}, not 1\n{run.stderr.decode()}")
        return 1
    log = json.loads(run.stdout)
    faults = [f"schema: {'/'.join(map(str, error.path))}: {error.message}"
              for error in validator.iter_errors(log)]
    faults += check_results(log["runs"][0], where, f"{URI_PARENT}/{name}/{train_text}")
    fractions = [r for r in log["runs"][0]["results"] if r.get("ruleId") == "fraction"]
    notes = log["runs"][0]["invocations"][0]["toolExecutionNotifications"]
    if len(fractions) != 100 or notes[0]["message"]["text"] != "and 50 more like this, not listed":
        faults.append(f"{len(fractions)} fractions listed, notes {notes}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
