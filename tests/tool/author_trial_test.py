#!/usr/bin/env python3
"""`scenario-tool check` on the mistakes a new author makes. The folder
tests/scenarios/Rovesca_Pianalto_3152 (Rovesca - Pianalto, train 3152) was written from the
author's guide alone and checks clean; each case below copies it, makes one
small edit of the kind an author makes, and checks the copy. The check must
name the mistake at its cause: the expected rule (an error code "E16", a
warning name, or None for a fault of the folder itself) with its first
diagnostic in the expected file at the expected line (None where the fault
has no line), and list no more than a handful of diagnostics in all.

usage: author_trial_test.py SCENARIO_TOOL SCENARIO_DIR [-v]

-v prints one line per case: its result, the count of diagnostics and the
message of the expected rule (or, for a case that fails, every diagnostic).
"""
import json
import pathlib
import shutil
import subprocess
import sys
import tempfile

LINE = "Rovesca_Pianalto_linea.txt"
TRAIN = "Rovesca_Pianalto_3152-.txt"
NOTES = "Rovesca_Pianalto_3152_note.txt"
ORDER = "Rovesca_Pianalto_3152_rallentamenti.txt"
SHEET = "Rovesca_Pianalto_3152_scheda_treno.txt"
SCENARIO = "scenario.txt"

# The most diagnostics (errors, warnings and notes) one mistake may bring.
HANDFUL = 5

VALBRUNA = "stazione,   19000, 12,  700,  0, 1, 1,  3,1,1,  4,1,1,   60,   7,31,30, VALBRUNA"
SAN_FELETTO = "stazione,    7500, 11,  600,  0, 1, 1,  2,1,0,  3,1,1,   30,   7,18, 0, SAN FELETTO"
CASE_MOLARI = "stazione,    4000, 25,  200,  0, 0, 0,  1,1,0,  1,1,0,    0,   0, 0, 0, CASE MOLARI"
PASSO_GRIVOLA = ("stazione,   14500, 21,  400,  0, 0, 0,  1,1,0,  2,1,0,    0,   0, 0, 0, "
                 "PASSO GRIVOLA")
BIVIO = "stazione,   11000, 27,  300,  0, 0, 0,  1,1,0,  1,1,0,    0,   0, 0, 0, BIVIO CORNALE"
SLOWDOWN = "rallentamento,   17500,    40,  300, 1,  0,  0"
LAST_SIGNAL = "segnale,   23700,   1, 4, 1,  0, 0,    1,  3,1,0, 0\n[codici]\n[fine]\n"

# (name, file edited, (old text, new text): a new text of None removes the
#  file, expected rule, (file, line) of the first diagnostic of that rule)
CASES = [
    ("board on a stop point", LINE,
     ("cartello_indicatore,  18500,", "cartello_indicatore,  19300,"),
     "overwritten", (LINE, 41)),
    ("signal on a board's cell", LINE,
     ("cartello_indicatore,  3650,", "cartello_indicatore,  3450,"),
     "E16", (TRAIN, 29)),
    ("mountain ending before its start", LINE,
     ("montagna,   16000,  16800,  1", "montagna,   16800,  16000,  1"),
     "no-effect", (LINE, 28)),
    ("curve of no length", LINE,
     ("curvas2,  16500,  500", "curvas2,  16500,  0"),
     "no-effect", (LINE, 15)),
    ("stop time at a halt that places no stop point", TRAIN,
     (CASE_MOLARI, CASE_MOLARI.replace("0,   0, 0, 0, CASE", "30,   7,14, 0, CASE")),
     "no-effect", (TRAIN, 18)),
    ("train times going backwards", TRAIN,
     (VALBRUNA, VALBRUNA.replace("7,31,30", "7,16,30")),
     "time-order", (TRAIN, 22)),
    ("stopping station without a time", TRAIN,
     (SAN_FELETTO, SAN_FELETTO.replace("7,18, 0", "0, 0, 0")),
     "crew-timetable", (SHEET, 22)),
    ("passed station with a time", TRAIN,
     (PASSO_GRIVOLA, PASSO_GRIVOLA.replace("0,   0, 0, 0, PASSO", "0,   7,24, 0, PASSO")),
     "crew-timetable", (SHEET, 25)),
    ("clock started after the first departure", TRAIN,
     ("orologio,    7              5", "orologio,    7              15"),
     "clock-after-departure", (TRAIN, 5)),
    ("station name copied onto the next row", TRAIN,
     (BIVIO, BIVIO.replace("BIVIO CORNALE", "SAN FELETTO")),
     "repeated-station", (TRAIN, 20)),
    ("station name repeated further on", TRAIN,
     (PASSO_GRIVOLA, PASSO_GRIVOLA.replace("PASSO GRIVOLA", "SAN FELETTO")),
     "repeated-station", (TRAIN, 21)),
    ("slowdown not below the limit", TRAIN,
     (SLOWDOWN, SLOWDOWN.replace("40,", "100,")),
     "slowdown-above-limit", (TRAIN, 26)),
    ("signals too close", TRAIN,
     ("segnale,    9450,", "segnale,    6850,"),
     "signal-spacing", (TRAIN, 31)),
    ("speed board disagreeing with the speed records", LINE,
     ("indicatori_vmax,  9800,  70,  75,  80,", "indicatori_vmax,  9800,  60,  65,  70,"),
     "speed-board", (LINE, 31)),
    ("line length in kilometres", LINE,
     ("lunghezza percorso,    24000", "lunghezza percorso,    24"),
     "E15", (LINE, 2)),
    ("progressive value not a multiple of 50", LINE,
     ("progressiva chilometrica uno,    0,", "progressiva chilometrica uno,    1025,"),
     "E2", (LINE, 3)),
    ("train number matching no text", SCENARIO,
     ("train = 3152", "train = 3125"),
     None, (SCENARIO, 5)),
    ("line length with a unit", LINE,
     ("lunghezza percorso,    24000", "lunghezza percorso,    24000m"),
     "E25", (LINE, 2)),
    ("signal off the 50 m raster", TRAIN,
     ("segnale,   11900,", "segnale,   11925,"),
     "position-rounding", (TRAIN, 32)),
    ("misspelt keyword", LINE,
     ("pendenza,  10000,", "pendnza,  10000,"),
     "unknown-keyword", (LINE, 21)),
    ("fraction where a whole number is wanted", TRAIN,
     ("aderenza,   12000,    85", "aderenza,   12000,    85.5"),
     "fraction", (TRAIN, 8)),
    ("speed above 1275", TRAIN,
     ("velocita,   16000,   100", "velocita,   16000,   1300"),
     "E25", (TRAIN, 14)),
    ("speed board speed not storable", LINE,
     ("indicatori_vmax,  16000,  90,  95,", "indicatori_vmax,  16000,  90,  92,"),
     "narrow-field", (LINE, 32)),
    ("speed not a multiple of 5", TRAIN,
     ("velocita,    1050,   95", "velocita,    1050,   92"),
     "narrow-field", (TRAIN, 12)),
    ("two speed records in one cell", TRAIN,
     ("velocita,   16000,   100\n", "velocita,   16000,   100\nvelocita,   16010,   95\n"),
     "overwritten", (TRAIN, 15)),
    ("text ending inside a record", TRAIN,
     (LAST_SIGNAL, "segnale,   23700,   1, 4, 1,  0, 0,    1,  3,1\n"),
     "E25", (TRAIN, 36)),
    ("slowdown too short", TRAIN,
     (SLOWDOWN, SLOWDOWN.replace("300,", "20,")),
     "E27", (TRAIN, 26)),
    ("adhesion records out of order", TRAIN,
     ("aderenza,   14000,", "aderenza,   11000,"),
     "out-of-order", (TRAIN, 9)),
    ("adhesion above a byte", TRAIN,
     ("aderenza,   12000,    85", "aderenza,   12000,    285"),
     "narrow-field", (TRAIN, 8)),
    ("station off the 50 m raster", TRAIN,
     ("stazione,   14500,", "stazione,   14520,"),
     "E8", (TRAIN, 21)),
    ("comment line containing a keyword", LINE,
     ("curvad5,  12400,  250\n", "# curva in galleria\ncurvad5,  12400,  250\n"),
     "E25", (LINE, 14)),
    ("curve keyword spelt out", LINE,
     ("curvad4,  5200,", "curva destra 4,  5200,"),
     "curve-keyword", (LINE, 12)),
    ("comma in a station name", TRAIN,
     ("BIVIO CORNALE", "BIVIO, CORNALE"),
     "leftover-fields", (TRAIN, 20)),
    ("signal row one value short", TRAIN,
     ("segnale,    9450,   2, 4, 1,  0, 0,    2,  2,1,0, 0", "segnale,    9450,   2, 4, 1,  0, 0,    2,  2,1,0"),
     "E25", (TRAIN, 31)),
    ("train description without [generale]", TRAIN,
     ("[generale]", "[general]"),
     "no-general-header", (TRAIN, 1)),
    ("timetable time not the train's", SHEET,
     ("7.30    7.31", "7.30    7.33"),
     "crew-timetable", (SHEET, 27)),
    ("timetable station name not the train's", SHEET,
     ("PASSO GRIVOLA        ", "PASSO GRIVOLO        "),
     "crew-timetable", (SHEET, 25)),
    ("slowdown order speed not the train's", ORDER,
     ("|     17     |    40    |", "|     17     |    30    |"),
     "crew-slowdown-order", (ORDER, 14)),
    ("slowdown order train number not the scenario's", ORDER,
     ("del treno 3152", "del treno 3125"),
     "crew-train-number", (ORDER, 7)),
    ("braked mass in the notes not the train's", NOTES,
     ("massa frenata 95%", "massa frenata 90%"),
     "crew-braked-mass", (NOTES, 14)),
    ("curve header deleted", LINE,
     ("[curve]\n", ""),
     "missing-header", (LINE, 10)),
    ("adhesion written as a share of one", TRAIN,
     ("aderenza,   12000,    85", "aderenza,   12000,    0.85"),
     "fraction", (TRAIN, 8)),
    ("crew document missing", NOTES,
     ("", None),
     None, (NOTES, None)),
]


def check(tool, folder):
    run = subprocess.run([tool, "check", str(folder), "--format", "json"], capture_output=True,
                         text=True)
    if run.returncode not in (0, 1):
        raise RuntimeError(f"check ended with status {run.returncode}: {run.stderr.strip()}")
    return json.loads(run.stdout)["diagnostics"]


def edited_copy(scenario, temp, file, old, new):
    folder = pathlib.Path(temp, pathlib.Path(scenario).name)
    shutil.copytree(scenario, folder)
    path = folder / file
    if new is None:
        path.unlink()
        return folder
    text = path.read_text(encoding="utf-8")
    if text.count(old) != 1:
        raise RuntimeError(f"{file}: the edit's old text occurs {text.count(old)} times, not once")
    path.write_text(text.replace(old, new), encoding="utf-8")
    return folder


def applied(folder, fix):
    """The folder's texts with the fix's edits made, columns counting characters."""
    by_file = {}
    for edit in fix["edits"]:
        by_file.setdefault(pathlib.Path(edit["file"]).name, []).append(edit)
    for name, edits in by_file.items():
        path = pathlib.Path(folder, name)
        lines = path.read_bytes().decode("utf-8").splitlines(keepends=True)
        for edit in sorted(edits, key=lambda e: (e["line"], e["column"]), reverse=True):
            line = lines[edit["line"] - 1]
            body = line.rstrip("\r\n")
            lines[edit["line"] - 1] = (body[:edit["column"] - 1] + edit["text"]
                                       + body[edit["end_column"] - 1:] + line[len(body):])
        path.write_bytes("".join(lines).encode("utf-8"))


def fix_faults(tool, scenario, file, old, new, diagnostics):
    """Every fix offered, applied to its own copy and checked again: none may be
    offered again (a fix that loops), and a certain one may leave no error the
    text did not have."""
    faults = []
    errors = sum(d["severity"] == "error" for d in diagnostics)
    for diagnostic in diagnostics:
        for fix in diagnostic.get("fixes", []):
            with tempfile.TemporaryDirectory() as temp:
                folder = edited_copy(scenario, temp, file, old, new)
                applied(folder, fix)
                after = check(tool, folder)
            again = [d for d in after if any(f["description"] == fix["description"]
                                             and f["edits"][0]["line"] == fix["edits"][0]["line"]
                                             for f in d.get("fixes", []))]
            if again:
                faults.append(f"fix \"{fix['description']}\" is offered again: {shown(again[0])}")
            left = sum(d["severity"] == "error" for d in after)
            if fix.get("certain", True) and left > errors:
                faults.append(f"fix \"{fix['description']}\" leaves {left} errors, "
                              f"not {errors}")
    return faults


def shown(diagnostic):
    place = pathlib.Path(diagnostic["file"] or "").name
    if diagnostic["line"] is not None:
        place += f":{diagnostic['line']}"
    return f"{place}: {diagnostic['severity']} [{diagnostic['rule']}] {diagnostic['message']}"


def faults_of(diagnostics, rule, place):
    of_rule = [d for d in diagnostics if d["rule"] == rule and d["severity"] != "note"]
    faults = []
    if not of_rule:
        faults.append(f"no diagnostic of rule {rule}")
    elif (pathlib.Path(of_rule[0]["file"] or "").name, of_rule[0]["line"]) != place:
        faults.append(f"{rule} first at {shown(of_rule[0])}, not at {place[0]}:{place[1]}")
    if len(diagnostics) > HANDFUL:
        faults.append(f"{len(diagnostics)} diagnostics, more than {HANDFUL}")
    return faults, of_rule[0] if of_rule else None


def main(tool, scenario, verbose=None):
    failed = False
    clean = check(tool, scenario)
    if clean:
        failed = True
        print("the unedited folder:", *map(shown, clean), sep="\n  ")
    for name, file, (old, new), rule, place in CASES:
        with tempfile.TemporaryDirectory() as temp:
            diagnostics = check(tool, edited_copy(scenario, temp, file, old, new))
        faults, found = faults_of(diagnostics, rule, place)
        if new is not None:
            faults += fix_faults(tool, scenario, file, old, new, diagnostics)
        failed = failed or bool(faults)
        if faults or verbose == "-v":
            print(f"{'FAIL' if faults else 'ok'}: {name}: {len(diagnostics)} diagnostics"
                  + (f"; {shown(found)}" if found and not faults else ""))
        if faults:
            print(*(f"  {fault}" for fault in faults), sep="\n")
            print(*(f"    listed: {shown(d)}" for d in diagnostics), sep="\n")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
