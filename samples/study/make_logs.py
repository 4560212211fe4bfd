#!/usr/bin/env python3
"""Writes the sample study's stimulus logs under the lab's own names (they are committed;
run this again only to change them): Presentation logs of a faces-and-houses block design
and PsychoPy data files of an n-back, for two subjects.

  logs/s01/s01_faceloc_run1.log   100 triggers: the scan's 100 volumes
  logs/s01/s01_faceloc_run2.log   104 triggers: 4 dummy volumes, which the scan's sidecar states
  logs/s02/s02_faceloc_run1.log   its PC's clock 180 ppm fast against the scanner's: a finding
  logs/s0N/s0N_nback_DATE.csv     PsychoPy: its keyboard waits for the scanner's first
                                  trigger ('5'); the conditions' columns give load and target
  logs/s01/s01_nback_DATE.log     the PsychoPy text log beside its data file

Usage: make_logs.py [FOLDER]   (default: logs/ beside this script)
"""
import csv
import os
import random
import sys

TR = 2.0
HEADER = ("Subject\tTrial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\tUncertainty"
          "\tReqTime\tReqDur\tStim Type\tPair Index")


def tenths(seconds):
    return int(round(seconds * 10000))


def faces_log(subject, run, dummies, drift, seed):
    """A Presentation log: fixation, faces and houses blocks of 16 s, a picture every 2 s, a
    button press for each picture shown twice in a row (one-back)."""
    rng = random.Random(seed)
    start = 6.3 + rng.random()  # the scenario starts before the scanner
    # The stimulus PC's clock runs `drift` parts per million fast against the scanner's.
    tr = TR * (1 + drift * 1e-6)
    pulses = [start + 1.5 + i * tr + rng.uniform(-0.0002, 0.0002) for i in range(100 + dummies)]
    zero = pulses[dummies]
    rows = []  # (time, trial, type, code, duration, requested duration)
    for i, time in enumerate(pulses):
        rows.append((time, 0, "Pulse", "5", None, None))
    trial = 0
    order = ["face", "house", "house", "face", "face", "house"]
    for block, kind in enumerate(order):
        onset = zero + (16.0 + block * 32.0) * tr / TR
        previous = None
        for k in range(8):
            trial += 1
            picture = previous if k in (3, 6) else "%s_%02d.jpg" % (kind, rng.randint(1, 40))
            time = onset + k * tr + 0.0123 + rng.random() * 0.002
            rows.append((time, trial, "Picture", picture, 1.9998, 2.0))
            if picture == previous:
                rows.append((time + 0.45 + rng.random() * 0.3, trial, "Response", "1", None, None))
            previous = picture
        trial += 1
        rows.append((onset + 8 * tr + 0.0122, trial, "Picture", "fixation", 15.9998, 16.0))
    rows.append((zero + 0.0121, 0, "Picture", "fixation", 15.9998, 16.0))
    rows.sort(key=lambda r: r[0])
    lines = ["Scenario - face_house_localizer",
             "Logfile written - 03/02/2026 %02d:%02d:%02d" % (9 + run, 12 + run, 41), "", HEADER, ""]
    first = rows[0][0]
    for time, trial, kind, code, duration, requested in rows:
        cells = ["s%02d" % subject, str(trial), kind, code, str(tenths(time)),
                 str(tenths(time - first)), "1"]
        if duration is not None:
            cells += [str(tenths(duration)), "2", "0", str(tenths(requested)), "other", "0"]
        lines.append("\t".join(cells))
    return "\n".join(lines) + "\n"


NBACK_COLUMNS = ["letter", "load", "target", "corr_key", "trials.thisRepN", "trials.thisTrialN",
                 "trials.thisN", "trials.thisIndex", "wait_text.started", "wait_text.stopped",
                 "wait_scanner.keys", "wait_scanner.rt", "wait_scanner.started",
                 "wait_scanner.stopped", "fix.started", "fix.stopped", "stim.started",
                 "stim.stopped", "resp.keys", "resp.corr", "resp.rt", "resp.started",
                 "resp.stopped", "participant", "session", "date", "expName",
                 "psychopyVersion", "frameRate"]


def nback_rows(subject, seed):
    """The rows of a PsychoPy Builder data file: the wait for the scanner, then four blocks of
    12 letters (1-back, 2-back, 1-back, 2-back), a letter every 2 s, a key for each."""
    rng = random.Random(seed)
    date = "2026-03-02_11h%02d.%02d.%03d" % (10 + subject, 7 * subject, 120 + subject)
    facts = ["%02d" % subject, "001", date, "nback", "2024.2.4", "60.00163934426229"]
    wait = 2.1137 + rng.random() * 0.01
    trigger = wait + 7.3 + rng.random()  # the scanner's first pulse
    rows = [dict(zip(NBACK_COLUMNS[8:14], [repr(wait), repr(trigger + 0.0167), "5",
                                          repr(trigger - wait), repr(wait),
                                          repr(trigger + 0.0167)]))]
    clock = trigger + 0.0167 + 4.0  # four seconds of rest first
    n = 0
    for block, load in enumerate([1, 2, 1, 2]):
        letters = []
        for k in range(12):
            target = k >= load and rng.random() < 0.3
            letter = letters[k - load] if target else rng.choice("BCDFGHJKLMNP")
            letters.append(letter)
            fix = clock + rng.random() * 0.0005
            stim = fix + 0.5
            key, rt = ("j" if target else "f"), 0.42 + rng.random() * 0.35
            corr = "1" if rng.random() < 0.9 else "0"
            if corr == "0":
                key = "f" if key == "j" else "j"
            rows.append({"letter": letter, "load": str(load), "target": "yes" if target else "no",
                         "corr_key": "j" if target else "f", "trials.thisRepN": "0",
                         "trials.thisTrialN": str(n), "trials.thisN": str(n),
                         "trials.thisIndex": str(n), "fix.started": repr(fix),
                         "fix.stopped": repr(stim), "stim.started": repr(stim),
                         "stim.stopped": repr(stim + 1.5), "resp.keys": key, "resp.corr": corr,
                         "resp.rt": repr(rt), "resp.started": repr(stim),
                         "resp.stopped": repr(stim + 1.5)})
            clock = stim + 1.5
            n += 1
        clock += 10.0  # rest between blocks
    for row in rows:
        for name, value in zip(NBACK_COLUMNS[23:], facts):
            row[name] = value
    return rows, date, wait, trigger


def write_nback(folder, subject, seed):
    rows, date, wait, trigger = nback_rows(subject, seed)
    name = "s%02d_nback_%s" % (subject, date)
    with open(os.path.join(folder, name + ".csv"), "w", encoding="utf-8-sig", newline="") as f:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(NBACK_COLUMNS + [""])  # Builder ends every line with a comma
        for row in rows:
            writer.writerow([row.get(c, "") for c in NBACK_COLUMNS] + [""])
    return name, wait, trigger


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "logs")
    for subject in (1, 2):
        os.makedirs(os.path.join(out, "s%02d" % subject), exist_ok=True)
    runs = [(1, 1, 0, 0), (1, 2, 4, 0), (2, 1, 0, 180)]
    for subject, run, dummies, drift in runs:
        path = os.path.join(out, "s%02d" % subject, "s%02d_faceloc_run%d.log" % (subject, run))
        with open(path, "w", encoding="ascii", newline="\n") as f:
            f.write(faces_log(subject, run, dummies, drift, 10 * subject + run))
    for subject in (1, 2):
        name, wait, trigger = write_nback(os.path.join(out, "s%02d" % subject), subject, subject)
        if subject == 1:  # the text log PsychoPy writes beside its data file
            with open(os.path.join(out, "s01", name + ".log"), "w", encoding="utf-8") as f:
                f.write("%.4f \tEXP \tCreated wait_text = TextStim(...)\n" % (wait - 0.5))
                f.write("%.4f \tDATA \tKeypress: 5\n" % trigger)


if __name__ == "__main__":
    main()
