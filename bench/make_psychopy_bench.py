#!/usr/bin/env python3
"""Writes the PsychoPy data file of `make bench`: ROWS rows (default 100,000) of 40 columns
as PsychoPy's Builder writes them (a byte-order mark, a trailing comma on every line, Python
floats with their 16 to 17 digits, None, quoted cells), through Python's csv module.

The 40 columns: 4 of the conditions file (one with commas, so quoted in a row of three), 4
loop counters, 10 components (7 shown ones with .started and .stopped; 3 keyboards with
.started, .stopped, .keys and .rt, one storing all keys as quoted Python lists, one the
scanner's that waits again every 10th row for a trigger on a 2 s grid) and 6 run facts.
About 1.2 million events.

Usage: make_psychopy_bench.py FILE [ROWS]
"""
import csv
import random
import sys

SHOWN = ["fixation", "cue", "image", "mask", "probe", "feedback", "blank"]
KEYBOARDS = ["scanner", "resp", "confirm"]
TRIGGER_ZERO = 14.2


def header():
    names = ["condition", "load", "target", "stimulus"]
    names += ["trials." + c for c in ("thisRepN", "thisTrialN", "thisN", "thisIndex")]
    for name in SHOWN:
        names += [name + ".started", name + ".stopped"]
    for name in KEYBOARDS:
        names += [name + ".started", name + ".stopped", name + ".keys", name + ".rt"]
    names += ["participant", "session", "date", "expName", "psychopyVersion", "frameRate"]
    assert len(names) == 40
    return names + [""]  # the trailing comma


def row(n, clock, rng):
    load = rng.choice(["1", "2", "3"])
    stimulus = "faces, happy" if n % 3 == 0 else "scene%03d.png" % (n % 500)
    cells = [rng.choice(["nback", "control"]), load, rng.choice(["yes", "no"]), stimulus,
             "0", str(n), str(n), str(n % 240)]
    # The scanner's keyboard waits on every 10th row, for the next trigger of a 2 s grid.
    waits = n % 10 == 0
    scanner = [repr(clock), "None", "None", ""]
    if waits:
        trigger = TRIGGER_ZERO + 2.0 * (int((clock - TRIGGER_ZERO) / 2.0) + 1)
        scanner = [repr(clock), "None", "5", repr(trigger - clock)]
        clock = trigger
    for _ in SHOWN:
        start = clock + rng.random() * 0.01
        clock = start + 0.2 + rng.random() * 0.3
        cells += [repr(start), repr(clock) if rng.random() < 0.7 else "None"]
    presses = rng.randint(0, 3)
    cells += scanner + [
        repr(clock), "None",
        repr(["1", "2"][:presses] + ["3"] * max(0, presses - 2)) if presses else "[]",
        repr([round(0.3 + i * 0.4 + rng.random() * 0.1, 17) for i in range(presses)])
        if presses else "[]"]
    cells += [repr(clock + 0.05), repr(clock + 0.4), rng.choice(["space", "return"]),
              repr(0.1 + rng.random() * 0.2)]
    cells += ["sub01", "001", "2025_Jan_01_1000", "bench", "2024.2.4", "60.00163934426229"]
    return cells + [""], clock + 0.5


def main():
    path = sys.argv[1]
    rows = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    rng = random.Random(1)
    clock = 12.08818660024553
    with open(path, "w", encoding="utf-8-sig", newline="") as out:
        writer = csv.writer(out, lineterminator="\n")
        writer.writerow(header())
        for n in range(rows):
            cells, clock = row(n, clock, rng)
            writer.writerow(cells)


if __name__ == "__main__":
    main()
