#!/usr/bin/env python3
"""Generates a scenario of any line length for the benchmarks.

A generated scenario is a line description and a train description in the
format of the embedded one, on a line of the given length: a curve every
400 m, gradients every 2.5 km, mountain stretches, speed boards with the
train's speeds, indicator boards, stations, a signal every 1.5 to 2 km and a
slowdown every 40 km. Every object keeps clear of the others (three cells on
either side, a slowdown its whole stretch from the warning's orientation
boards to the cells after its end), so that the compile records no fault: no
board, signal or slowdown on a taken cell, room for every abbattimento point
of the post-pass, stations and captions within the table.

Besides the texts, a scenario knows what the compile must make of it: the
files and the sizes of the line plan and the route grid, and how many cells
of each kind it places, for the benchmark to check.

    python3 bench/scenario_gen.py --length 1000000 OUTDIR

writes the two description texts into OUTDIR (Windows-1252, CR LF line ends,
as the packager writes them) for profiling by hand, e.g.

    build-bench/bin/scenario-tool compile OUTDIR --name Collaudo_1000 --train 71000
"""

from __future__ import annotations

import argparse
import collections
import dataclasses
import pathlib
import random
import sys

CELL = 50                 # metres of line per route cell
PLAN_MARGIN = 7000        # metres the plan and the grid run past the line
PLAN_INDEX_LIMIT = 1_000_000  # no curve may take the plan past this metre
LONGEST_LINE = 1_000_000
TABLE_ROOM = 78           # stations and indicator boards together
MOUNTAIN_ROOM = 80
CLEARANCE = 3             # free cells kept on either side of an object
GRID_CELL_BYTES = 15      # one cell of the route grid file

# Cell kinds of the route grid, as the dump names them by number.
SIGNAL, SLOWDOWN_END, SLOWDOWN_START, SLOWDOWN_WARNING = 1, 2, 3, 4
ORIENTATION_BOARD, SPEED_BOARD, STATION_STOP, INDICATOR_BOARD = 5, 6, 10, 14

FIRST_KIND_WITHOUT_GRID = 25  # station kinds from 25 have no stop cell

CURVE_EVERY = 400
GRADIENT_EVERY = 2500
MOUNTAIN_EVERY = 15000
SPEED_EVERY = 8000
SLOWDOWN_EVERY = 40000
WARNING_DISTANCE = 1200
SIGNAL_STEPS = (1750, 1500, 1850, 2000, 1600, 1900)
# How far past its nominal place a board is moved, at most, to find free
# cells: past a slowdown's whole stretch.
SEARCH_REACH = 5000

# The middle stations, in turn: kind, length, then the fields between the
# length and the time of day (byte1, byte5, byte4, int1, int2, byte2, int3,
# int4, int5, byte3), as in the embedded scenario.
STATION_SHAPES = (
    (12, 700, (0, 1, 1, 3, 1, 1, 4, 1, 1, 60)),
    (21, 400, (0, 0, 0, 1, 1, 0, 2, 1, 0, 0)),
    (11, 600, (0, 1, 0, 2, 1, 0, 3, 1, 1, 30)),
    (22, 500, (0, 0, 0, 1, 2, 0, 2, 1, 1, 0)),
    (25, 200, (0, 0, 0, 1, 1, 0, 1, 1, 0, 0)),
    (27, 300, (0, 0, 0, 1, 1, 0, 1, 1, 0, 0)),
)
TERMINUS_FIELDS = (1, 0, 0, 4, 1, 0, 2, 1, 1, 0)
SPEEDS = (140, 120, 95, 80, 100, 125, 115, 130, 105)
GRADIENTS = (0, -1, 5, 4, 0, 3, 13, 11, 9, 15, 28, 18, 0, -25, -5, -4, -6, 1, 6, 10, 19, 8, -8,
             -15, -13, -2)
SIGNAL_SHAPES = ("2, 4, 1,  0, 0,    2,  2,1,0, 0", "1, 4, 1,  0, 0,    1,  3,1,0, 0")

PLACE_STEMS = ("Varo", "Tresca", "Molvena", "Serbio", "Castrano", "Levora", "Fornace", "Ulmeto",
               "Brisca", "Pradella", "Orvano", "Sassina", "Cerlato", "Nembra", "Valdosa",
               "Torrevo", "Grisano", "Lamberta", "Pietrasco", "Ronchelle")
PLACE_PREFIXES = ("", "Borgo ", "Pian di ", "Castel ", "Ponte ", "Rocca ", "Poggio ", "Scalo di ",
                  "Mulini di ", "Pieve di ", "Colle ", "Casale ")


class GeneratorError(Exception):
    """A length this generator cannot lay a clean scenario on."""


@dataclasses.dataclass
class Scenario:
    name: str
    train: str
    length: int
    line_text: str   # UTF-8 text with LF line ends, as in a scenario folder
    train_text: str
    kinds: dict[int, int]  # cells of each kind the compile must place
    stations: int
    captions: int

    @property
    def plan_last(self) -> int:
        return self.length + PLAN_MARGIN

    def line_file(self) -> str:
        return f"{self.name}_linea.txt"

    def train_file(self) -> str:
        return f"{self.name}_{self.train}-.txt"

    def binary_files(self) -> list[str]:
        """The files the compile writes, in the order it reports them."""
        return [f"{self.name}_linea.dat", f"{self.name}_{self.train}.sim",
                f"{self.name}_{self.train}.dat"]

    def plan_file_size(self) -> int:
        """Metres 0 and 1 are 16-bit integers (4 bytes), the builder's metres
        reals (10 bytes) and the two it never reaches empty (2 bytes), for
        each of the two coordinates."""
        return 2 * (2 * 4 + (self.plan_last - 3) * 10 + 2 * 2)

    def grid_file_size(self) -> int:
        return (self.plan_last // CELL + 1) * GRID_CELL_BYTES

    def write(self, folder: pathlib.Path) -> None:
        write_description(folder / self.line_file(), self.line_text)
        write_description(folder / self.train_file(), self.train_text)


def description_bytes(text: str) -> bytes:
    """The bytes the packager writes for a text of a scenario folder: each
    line in Windows-1252, followed by CR LF."""
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return "".join(line + "\r\n" for line in lines).encode("cp1252")


def write_description(path: pathlib.Path, text: str) -> None:
    path.write_bytes(description_bytes(text))


class Cells:
    """The cells taken so far, each object with its clearance."""

    def __init__(self, last_index: int):
        self.last_index = last_index
        self.taken = bytearray(last_index + 1)

    def take(self, first: int, last: int) -> bool:
        """Takes cells first to last (clearance included by the caller) when
        all are free and inside the grid; False and nothing taken otherwise."""
        if first < 2 or last > self.last_index - 3:
            return False
        if any(self.taken[first:last + 1]):
            return False
        self.taken[first:last + 1] = b"\x01" * (last - first + 1)
        return True

    def take_object(self, cell: int) -> bool:
        return self.take(cell - CLEARANCE, cell + CLEARANCE)


def board_cell(position: int) -> int:
    """The cell of a board, signal or slowdown mark at a multiple of 50 m."""
    return position // CELL + 1


def place_name(rng: random.Random, used: set[str]) -> str:
    for _ in range(1000):
        name = rng.choice(PLACE_PREFIXES) + rng.choice(PLACE_STEMS)
        if name not in used:
            used.add(name)
            return name
    name = f"Località {len(used) + 1}"
    used.add(name)
    return name


def clock(seconds: int) -> str:
    seconds %= 24 * 3600
    return f"{seconds // 3600}, {seconds // 60 % 60}, {seconds % 60}"


def generate(length: int, name: str | None = None, train: str | None = None) -> Scenario:
    """The scenario of a line `length` metres long (a multiple of 1000, at
    least 20 km and at most the format's longest line)."""
    if length % 1000 != 0 or not 20000 <= length <= LONGEST_LINE:
        raise GeneratorError(f"a line length of {length} m: the generator takes multiples of "
                             f"1000 m from 20000 to {LONGEST_LINE}")
    km = length // 1000
    name = name or f"Collaudo_{km}"
    train = train or f"7{km}"
    rng = random.Random(length)
    last_index = (length + PLAN_MARGIN) // CELL
    cells = Cells(last_index)
    kinds: collections.Counter[int] = collections.Counter()
    used_names: set[str] = set()

    # Stations first, at fixed places: the first at 0, the terminus at the
    # line's end, the others evenly between (at most 40 in all).
    station_count = min(40, length // 5000 + 1)
    spacing = (length // (station_count - 1)) // CELL * CELL
    station_lines = []
    station_names = []
    seconds = 12 * 3600
    for index in range(station_count):
        position = length if index == station_count - 1 else index * spacing
        if index == 0 or index == station_count - 1:
            kind, station_length, fields = 7, 800 if index == 0 else 400, TERMINUS_FIELDS
            end = position + station_length
        else:
            kind, station_length, fields = STATION_SHAPES[(index - 1) % len(STATION_SHAPES)]
            byte4 = fields[2]
            end = position + station_length // 2 + (CELL if byte4 else 0)
        station_name = place_name(rng, used_names)
        station_names.append((position, station_name))
        if kind < FIRST_KIND_WITHOUT_GRID:
            stop = end // CELL - 1
            if not cells.take_object(stop):
                raise GeneratorError(f"the stop cell {stop} of the station at {position} m is "
                                     "taken")
            kinds[STATION_STOP] += 1
        if index > 0:
            seconds += spacing * 36 // 1000  # 100 km/h
        time_of_day = clock(seconds) if kind < FIRST_KIND_WITHOUT_GRID else "0, 0, 0"
        values = ", ".join(str(v) for v in fields)
        station_lines.append(f"stazione,  {position},  {kind},  {station_length},  {values},  "
                             f"{time_of_day}, {station_name.upper()}")

    # Slowdowns, each on a stretch of its own from the orientation boards
    # before its warning to the cells after its end.
    slowdown_lines = []
    slowdown_turn = 0
    for nominal in range(20000, length - 3000, SLOWDOWN_EVERY):
        slow = slowdown_turn % 2 == 0
        speed = (30, 50, 60)[slowdown_turn % 3] if slow else (110, 120)[slowdown_turn % 2]
        slowdown_length = (400, 600, 900, 1500)[slowdown_turn % 4]
        boards = slowdown_turn % 3 != 2
        for x in range(nominal, nominal + 10000, 250):
            warning = board_cell(x - WARNING_DISTANCE)
            end = board_cell(x + slowdown_length)
            if end + 20 < last_index and cells.take(warning - 4 - CLEARANCE, end + CLEARANCE):
                break
        else:
            raise GeneratorError(f"no room for the slowdown near {nominal} m")
        kinds[SLOWDOWN_WARNING] += 1
        kinds[SLOWDOWN_START] += 1
        kinds[SLOWDOWN_END] += 1
        if boards:
            kinds[ORIENTATION_BOARD] += 4
        slowdown_lines.append(f"rallentamento,  {x},  {speed},  {slowdown_length}, "
                              f"{slowdown_turn % 2},  {int(boards)},  0")
        slowdown_turn += 1

    # Speed boards of the line with the train's speeds at the same places.
    board_lines = []
    speed_lines = ["velocita,   0,    30"]
    turn = 0
    for nominal in range(1050, length - 1000, SPEED_EVERY):
        for position in range(nominal, nominal + SEARCH_REACH, 100):
            if cells.take_object(board_cell(position)):
                break
        else:
            raise GeneratorError(f"no room for the speed board near {nominal} m")
        speed = SPEEDS[turn % len(SPEEDS)]
        stripes = turn % 4
        board_lines.append(f"indicatori_vmax,  {position},  {speed - 15},  {speed - 5},  "
                           f"{speed},  {stripes},  ,  ,  ,  0")
        speed_lines.append(f"velocita,  {position},  {speed}")
        kinds[SPEED_BOARD] += 1
        turn += 1

    # Indicator boards: the name of each station 400 m before it, then
    # level crossings, as many as the table has room for. A crossing's
    # caption names the place it ends up at.
    caption_room = min(TABLE_ROOM - 8, 2 * station_count + 10) - station_count
    captions: list[tuple[int, str | None]] = []
    for position, station_name in station_names[1:]:
        if len(captions) < caption_room:
            captions.append((position - 400, f"({station_name})"))
    # Every position is a multiple of 50 m, so that its cell is plain.
    crossing_every = max(3000, length // max(1, caption_room - len(captions) + 1)) // 100 * 100
    crossing = crossing_every // 2
    while len(captions) < caption_room and crossing < length - 1000:
        captions.append((crossing, None))
        crossing += crossing_every
    indicator_lines = []
    for nominal, text in sorted(captions, key=lambda caption: caption[0]):
        for position in range(nominal, nominal + SEARCH_REACH, 50):
            if cells.take_object(board_cell(position)):
                break
        else:
            raise GeneratorError(f"no room for the indicator board near {nominal} m")
        text = text or f"(P.L.    )(Km {position // 1000}+{position % 1000:03d})"
        indicator_lines.append(f"cartello_indicatore,  {position},   {text}")
        kinds[INDICATOR_BOARD] += 1

    # Signals in the gaps, about every 1.5 to 2 km.
    signal_lines = []
    position = 1750
    turn = 0
    while position < length - 200:
        while position < length - 200 and not cells.take_object(board_cell(position)):
            position += CELL
        if position >= length - 200:
            break
        signal_lines.append(f"segnale,  {position},   {SIGNAL_SHAPES[turn % 2]}")
        kinds[SIGNAL] += 1
        position += SIGNAL_STEPS[turn % len(SIGNAL_STEPS)]
        turn += 1

    # The line's shape: curves, gradients and mountain stretches, which take
    # no cell that an object needs.
    curve_lines = []
    turn = 0
    start = CURVE_EVERY
    while True:
        curve_length = 100 + (turn * 53) % 151
        if start + curve_length >= min(length - 300, PLAN_INDEX_LIMIT):
            break
        side = "s" if turn % 2 == 0 else "d"
        curve_lines.append(f"curva{side}{1 + turn % 6},  {start},  {curve_length}")
        start += CURVE_EVERY
        turn += 1
    gradient_lines = [f"pendenza,  {p},   {GRADIENTS[i % len(GRADIENTS)]}"
                      for i, p in enumerate(range(0, length + 1, GRADIENT_EVERY))]
    mountain_lines = []
    for i, inizio in enumerate(range(3000, length - 6000, MOUNTAIN_EVERY)):
        if i == MOUNTAIN_ROOM - 10:  # well within the slots of the table
            break
        fine = inizio + 1200 + (i * 700) % 3800
        mountain_lines.append(f"montagna,   {inizio},  {fine},  {(11, 12, 1, 2)[i % 4]}")

    station_total = len(station_lines)
    if station_total + len(indicator_lines) > TABLE_ROOM:
        raise GeneratorError("more stations and indicator boards than the table holds")

    line_text = "\n".join([
        "[generale]",
        f"lunghezza percorso,    {length}",
        "progressiva chilometrica uno,    0,    0,    0",
        "progressiva chilometrica due,    0,    0,    0",
        "progressiva chilometrica tre,    0,    0,    0",
        "sfondo uno,    1",
        f"sfondo due,    {length * 85 // 100 // CELL * CELL}",
        f"sfondo tre,    {length * 47 // 100 // CELL * CELL}",
        "ripetizione segnali 4 codici,    0    ,0",
        "[curve]", *curve_lines,
        "[pendenze]", *gradient_lines,
        "[montagne]", *mountain_lines,
        "[cartelli]", *board_lines,
        "[indicazioni]", *indicator_lines,
        "[fine]",
    ]) + "\n"
    train_text = "\n".join([
        "[generale]",
        "numero vetture,    5",
        "percentuale massa frenata,    110",
        "sabbia,    60",
        "orologio,    12              0             0 ",
        "[aderenze]",
        "aderenza,   0,    100",
        "[vel_limite]", *speed_lines,
        "[stazioni]", *station_lines,
        "[rallentamenti]", *slowdown_lines,
        "[segnali]", *signal_lines,
        "[codici]",
        "[fine]",
    ]) + "\n"
    return Scenario(name, train, length, line_text, train_text, dict(kinds), station_total,
                    len(indicator_lines))


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description="Writes the description texts of a generated "
                                     "scenario into a folder.")
    parser.add_argument("--length", type=int, required=True, help="line length in metres")
    parser.add_argument("--name", help="scenario name (default Collaudo_KM)")
    parser.add_argument("--train", help="train number (default 7KM)")
    parser.add_argument("folder", type=pathlib.Path)
    args = parser.parse_args(argv)
    try:
        scenario = generate(args.length, args.name, args.train)
    except GeneratorError as error:
        print(f"scenario_gen.py: {error}", file=sys.stderr)
        return 1
    args.folder.mkdir(parents=True, exist_ok=True)
    scenario.write(args.folder)
    print(f"{args.folder / scenario.line_file()}\n{args.folder / scenario.train_file()}\n"
          f"scenario-tool compile {args.folder} --name {scenario.name} --train {scenario.train}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
