#!/usr/bin/env python3
"""Writes a PsychoPy data file with every oddity kwhost/psychopy reads, through Python's csv
module as PsychoPy's own writer quotes: a byte-order mark, CRLF line ends, a trailing comma,
quoted cells with commas, doubled quotes and a line break, None, Python lists of keys and
rts (one list longer than the other), a loop-prefixed copy, a repeated start and rt, a
component on its routine's clock, a trigger that waits again (one press off the TR grid), a
stop before its start, a cell that is no time and a partial last row.

Usage: make_oddities.py FILE
"""
import csv
import sys

COLUMNS = ["condition", "load", "target", "trials.thisRepN", "trials.thisTrialN",
           "trials.thisN", "trials.thisIndex", "wait.started", "scan_key.started",
           "scan_key.keys", "scan_key.rt", "stim.started", "stim.stopped", "resp.started",
           "resp.keys", "resp.rt", "trials.resp.keys", "trials.resp.rt", "slider.started",
           "slider.rt", "note", "participant", "psychopyVersion", "expName", "date",
           "frameRate", ""]
FACTS = {"psychopyVersion": "2024.2.3", "expName": "odd", "date": "2025-01-01_10h00",
         "frameRate": "60.0"}


def trial(n, **cells):
    loop = {"trials.thisRepN": 0, "trials.thisTrialN": n, "trials.thisN": n,
            "trials.thisIndex": n}
    return dict(loop, participant="p01", **FACTS, **cells)


ROWS = [
    dict(FACTS, **{"wait.started": "1.5", "scan_key.started": "1.5", "scan_key.keys": "5",
                   "scan_key.rt": "8.5", "note": 'said "hi", then left'}),
    trial(0, condition="a,b", load="2", target="x", **{
        "stim.started": "10.0500000000000000001", "stim.stopped": "11.05",
        "resp.started": "10.05", "resp.keys": "['1', '2']", "resp.rt": "[0.5, 1.2e-05]",
        "trials.resp.keys": "['1', '2']", "trials.resp.rt": "[0.5, 1.2e-05]",
        "slider.started": "0.005", "slider.rt": "0.9"}),
    trial(1, condition="two\nlines", load="None", **{
        "stim.started": "12.3", "stim.stopped": "None", "resp.started": "12.3",
        "resp.keys": "['1']", "resp.rt": "None", "slider.started": "0.007"}),
    trial(2, condition="c", **{"stim.started": "12.3", "stim.stopped": "13.0",
                               "resp.started": "14.0", "resp.keys": "3", "resp.rt": "0.25"}),
    trial(3, condition="c", **{
        "wait.started": "17.0", "scan_key.started": "17.0", "scan_key.keys": "5",
        "scan_key.rt": "7.0", "stim.started": "16.0", "stim.stopped": "15.5",
        "resp.started": "16.0", "resp.keys": "['3']", "resp.rt": "0.25"}),
    trial(4, condition="c", **{
        "scan_key.started": "27.0", "scan_key.keys": "['5', '5']", "scan_key.rt": "[3.0, 5.5]",
        "stim.started": "oops", "resp.started": "26.0", "resp.keys": "['1', '2', '3']",
        "resp.rt": "[0.1]"}),
]

with open(sys.argv[1], "w", encoding="utf-8-sig", newline="") as out:
    writer = csv.writer(out)  # CRLF line ends, minimal quoting
    writer.writerow(COLUMNS)
    for row in ROWS:
        writer.writerow([row.get(name, "") for name in COLUMNS])
    # An aborted run's partial last row: cut after stim.started.
    writer.writerow(["c"] + [""] * 10 + ["40.0"])
