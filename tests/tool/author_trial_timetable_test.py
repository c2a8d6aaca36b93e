#!/usr/bin/env python3
"""`scenario-tool check` on a second scenario's mistakes: timetables, curves
against speeds, what the grid loses, values that fit their field but not the
world. tests/scenarios/Tessaro_Brunale_2741 (Montevasso - Torre Brunale,
train 2741) was written from the author's guide and checks clean; each case
copies it, makes one edit and checks the copy, as author_trial_test.py does
(whose helpers it uses): a mistake must be named at its cause among a
handful of diagnostics, with every fix offered applied and checked again;
an edit that is unusual but sound must bring no diagnostic at all.

usage: author_trial_timetable_test.py SCENARIO_TOOL SCENARIO_DIR [-v]
"""
import pathlib
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).parent))
from author_trial_test import check, edited_copy, faults_of, fix_faults, shown  # noqa: E402

LINE = "Tessaro_Brunale_linea.txt"
TRAIN = "Tessaro_Brunale_2741-.txt"
NOTES = "Tessaro_Brunale_2741_note.txt"
ORDER = "Tessaro_Brunale_2741_rallentamenti.txt"
SHEET = "Tessaro_Brunale_2741_scheda_treno.txt"

BORGO = "stazione,    5000, 11,  600,  0, 1, 1,  2,1,0,  3,1,1,   30,   9, 6, 0, BORGO SELVI"
PIEVE = "stazione,   13000, 12,  700,  0, 1, 1,  3,1,1,  4,1,1,   60,   9,14, 0, PIEVE ALTINA"
ELVA = "stazione,   25000, 11,  600,  0, 1, 1,  2,1,0,  3,1,1,   30,   9,22, 0, SANTA ELVA"
CLOCK = "orologio,    9              0             0 \n"
SLOW_1 = "rallentamento,    7000,    50,  300, 1,  1,  0"
SLOW_2 = "rallentamento,   22500,    80,  400, 0,  0,  0"

# (name, file, (old text, new text), expected rule, (file, line) of its
#  first diagnostic); a rule of None: the edit is sound, nothing is said.
CASES = [
    # The timetable as a timetable.
    ("running time shorter than the line allows", TRAIN,
     (PIEVE, PIEVE.replace("9,14, 0", "9,10, 0")), "running-time", (TRAIN, 20)),
    ("a slowdown made long and slow leaves the next stop too soon", TRAIN,
     (SLOW_2, "rallentamento,   22500,    20,  2000, 0,  0,  0"), "running-time", (TRAIN, 23)),
    ("a time that does not advance", TRAIN,
     (ELVA, ELVA.replace("9,22, 0", "9,14, 0")), "time-order", (TRAIN, 23)),
    ("minutes above 59", TRAIN,
     (BORGO, BORGO.replace("9, 6, 0", "9,66, 0")), "unlikely-value", (TRAIN, 18)),
    ("seconds above 59", TRAIN,
     (ELVA, ELVA.replace("9,22, 0", "9,22,75")), "unlikely-value", (TRAIN, 23)),
    ("the clock's minutes above 59", TRAIN,
     (CLOCK, "orologio,    8              60             0 \n"), "unlikely-value", (TRAIN, 5)),
    ("a stop on the way that stands 0 seconds", TRAIN,
     (BORGO, BORGO.replace("   30,   9, 6", "    0,   9, 6")), "stop-dwell", (TRAIN, 18)),
    ("the clock above [generale], read as a note", TRAIN,
     ("[generale]\n" + "numero vetture,    4\n", CLOCK + "[generale]\nnumero vetture,    4\n"),
     "above-general", (TRAIN, 1)),
    ("an arrival after the departure it precedes", SHEET,
     ("9.05    9.06", "9.07    9.06"), "crew-timetable", (SHEET, 21)),
    ("the sheet starting from another station", SHEET,
     ("Da: MONTEVASSO   ", "Da: BORGO SELVI  "), "crew-timetable", (SHEET, 6)),
    ("the sheet ending at another station", SHEET,
     ("| TORRE BRUNALE  |", "|  SANTA ELVA    |"), "crew-timetable", (SHEET, 11)),
    ("the slowdown order naming stations the slowdown is not between", ORDER,
     ("BORGO SELVI - C. ORTIGA   ", "PIEVE ALTINA - C. ORTIGA  "), "crew-slowdown-order",
     (ORDER, 13)),
    # Values that fit their field but not the world.
    ("adhesion written as a share of one", TRAIN,
     ("aderenza,   19000,    80", "aderenza,   19000,    0.8"), "fraction", (TRAIN, 8)),
    ("adhesion a tenth of what is meant", TRAIN,
     ("aderenza,   19000,    80", "aderenza,   19000,    8"), "unlikely-value", (TRAIN, 8)),
    ("the whole-train flag 2", TRAIN,
     (SLOW_1, SLOW_1.replace("300, 1,  1", "300, 2,  1")), "unlikely-value", (TRAIN, 26)),
    ("the orientation boards' flag 3", TRAIN,
     (SLOW_1, SLOW_1.replace("300, 1,  1", "300, 1,  3")), "unlikely-value", (TRAIN, 26)),
    ("a signal with no head", TRAIN,
     ("segnale,    8700,   2, 4, 1,  0, 0,    2,", "segnale,    8700,   0, 4, 1,  0, 0,    0,"),
     "signal-heads", (TRAIN, 32)),
    ("codes for a side that has no signal", TRAIN,
     ("segnale,   16500,   1, 4, 1,  0, 0,    1,", "segnale,   16500,   0, 4, 1,  0, 0,    1,"),
     "signal-heads", (TRAIN, 35)),
    ("no vehicles", TRAIN,
     ("numero vetture,    4", "numero vetture,    0"), "unlikely-value", (TRAIN, 2)),
    ("a vehicle count the crew documents do not give", TRAIN,
     ("numero vetture,    4", "numero vetture,    5"), "crew-vehicles", (NOTES, 14)),
    ("braked mass a tenth of what is meant", TRAIN,
     ("percentuale massa frenata,    110", "percentuale massa frenata,    11"),
     "unlikely-value", (TRAIN, 3)),
    ("a cab signalling stretch that ends before it starts", LINE,
     ("ripetizione segnali 4 codici,    0    ,0", "ripetizione segnali 4 codici,    5000, 2000"),
     "reversed-stretch", (LINE, 9)),
    # Geometry against the train.
    ("a curve too sharp for the speed in force", LINE,
     ("curvas3,  20000,  600", "curvas6,  20000,  600"), "curve-speed", (LINE, 16)),
    ("a curve that swallows the curves after it", LINE,
     ("curvad3,  2000,  500", "curvad3,  2000,  12000"), "curve-swallows", (LINE, 11)),
    ("mountain stretches 100 m apart, turned into type 3", LINE,
     ("montagna,   19000,  20500,  12", "montagna,   12200,  13500,  12"),
     "near-mountains", (LINE, 27)),
    ("a terminus kind at a stop on the way", TRAIN,
     (PIEVE, PIEVE.replace("13000, 12,", "13000,  7,")), "terminus-kind", (TRAIN, 20)),
    ("a curve's start in kilometres", LINE,
     ("curvas5,  11600,  300", "curvas5,  11.6,  300"), "fraction", (LINE, 14)),
    # What the grid loses.
    ("an exit signal just past a station takes its approach marks", TRAIN,
     ("segnale,    6000,", "segnale,    5400,"), "overwritten", (TRAIN, 18)),
    ("an entry signal just past a station's stop point", TRAIN,
     ("segnale,   24300,", "segnale,   25500,"), "overwritten", (TRAIN, 23)),
    ("a slowdown at 1200 m gets no warning board", TRAIN,
     (SLOW_1, "rallentamento,    1200,    20,  200, 0,  0,  0\n" + SLOW_1),
     "slowdown-no-warning", (TRAIN, 26)),
    # Beyond the grid's last cell, 740 (37000 m: the line's 30000 m and 7000 m more).
    ("a curve's length a digit too long runs past the line plan", LINE,
     ("curvad4,  27500,  300", "curvad4,  27500,  30000"), "E25", (LINE, 17)),
    ("a mountain stretch's end a digit too long", LINE,
     ("montagna,   19000,  20500,  12", "montagna,   19000,  205000,  12"), "E25", (LINE, 27)),
    ("a slowdown's length a digit too long near the line's end", TRAIN,
     (SLOW_2, SLOW_2.replace("400,", "40000,")), "E25", (TRAIN, 27)),
    ("a board a digit too far", LINE,
     ("cartello_indicatore,  28400,", "cartello_indicatore,  284000,"), "E15", (LINE, 38)),
    ("the line's length cut short by a digit", LINE,
     ("lunghezza percorso,    30000", "lunghezza percorso,    3000"), "E15", (LINE, 2)),
    ("a cab signalling stretch that ends past the grid", LINE,
     ("ripetizione segnali 4 codici,    0    ,0", "ripetizione segnali 4 codici,    5000, 280000"),
     "beyond-grid", (LINE, 9)),
    ("a cab signalling stretch that starts past the grid", LINE,
     ("ripetizione segnali 4 codici,    0    ,0", "ripetizione segnali 4 codici,    50000, 60000"),
     "beyond-grid", (LINE, 9)),
    # At the cause, once.
    ("the [curve] header deleted", LINE,
     ("[curve]\n", ""), "missing-header", (LINE, 10)),
    ("a board's position in kilometres", LINE,
     ("cartello_indicatore,  4500,", "cartello_indicatore,  4.5,"), "fraction", (LINE, 34)),
    # Sound, if unusual: nothing is said.
    ("the clock set well before the first departure", TRAIN,
     (CLOCK, "orologio,    8              45             0 \n"), None, None),
    ("a note above [generale] that names a record", TRAIN,
     ("[generale]\n" + "numero vetture,    4\n",
      "orologio, vedi sotto: parte alle 9\n[generale]\nnumero vetture,    4\n"), None, None),
    ("mountain stretches 200 m apart", LINE,
     ("montagna,   19000,  20500,  12", "montagna,   12300,  13500,  12"), None, None),
    ("a sharp curve where the train runs slowly", LINE,
     ("curvad4,  27500,  300", "curvad6,  27500,  300"), None, None),
    ("a stop that stands a minute", TRAIN,
     (BORGO, BORGO.replace("   30,   9, 6", "   60,   9, 6")), None, None),
    ("a signal on the right side only", TRAIN,
     ("segnale,   16500,   1, 4, 1,  0, 0,    1,  3,1,0, 0",
      "segnale,   16500,   0, 0, 0,  0, 0,    1,  3,1,0, 0"), None, None),
    ("the slowdown order's stations cut short otherwise", ORDER,
     ("BORGO SELVI - C. ORTIGA   ", "B. SELVI - CASALE ORTIGA  "), None, None),
    ("a timed left signal of kind 2", TRAIN,
     ("segnale,   19500,   2, 4, 1,  0, 0,    2,  2,1,0, 0",
      "segnale,   19500,   2, 4, 1,  0, 0,    2,  2,1,0, 150"), None, None),
    ("a board past the line's length, within the grid", LINE,
     ("cartello_indicatore,  28400,   (Torre Brunale)\n",
      "cartello_indicatore,  28400,   (Torre Brunale)\ncartello_indicatore,  33000,   (Deposito)\n"),
     None, None),
    ("a cab signalling stretch to the grid's last cell", LINE,
     ("ripetizione segnali 4 codici,    0    ,0", "ripetizione segnali 4 codici,    5000, 37000"),
     None, None),
    ("a curve that ends at the line plan's last metre", LINE,
     ("curvad4,  27500,  300", "curvad4,  27500,  300\ncurvas2,  36000,  1000"), None, None),
]


def main(tool, scenario, verbose=None):
    failed = False
    clean = check(tool, scenario)
    if clean:
        failed = True
        print("the unedited folder:", *map(shown, clean), sep="\n  ")
    for name, file, (old, new), rule, place in CASES:
        with tempfile.TemporaryDirectory() as temp:
            diagnostics = check(tool, edited_copy(scenario, temp, file, old, new))
        if rule is None:
            faults = [f"said of a sound edit: {shown(d)}" for d in diagnostics]
            found = None
        else:
            faults, found = faults_of(diagnostics, rule, place)
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
