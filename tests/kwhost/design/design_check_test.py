#!/usr/bin/env python3
"""kwhost design against an independent computation, designed cases and its picture.

Usage: design_check_test.py KWHOST PRESENTATION_LOGS_DIR WORK_DIR BOLD_IMAGES PROJECT_ROOT

1. The shared real logs with triggers, and an events file that `kwhost events` writes from
   one, are checked by `kwhost design --json`; the regressors, VIFs, efficiencies, correlations and
   condition number are computed here again from their definitions with scipy's gamma
   distribution and numpy's linear algebra, and must agree within 1e-6 relative (absolute
   below 1).
2. One designed events file per finding (and one without any) gives the exit status and the
   findings expected; usage errors and inputs that cannot be used give 2 and their message.
3. The picture renders in rsvg-convert, stays small, and is never saved over a file that
   kwhost did not draw.
Exits 77 (skipped) when the real logs, scipy or rsvg-convert are missing.
"""
import csv
import json
import math
import os
import re
import shutil
import subprocess
import sys

try:
    import numpy as np
    from scipy.stats import gamma
except ImportError:
    print("scipy and numpy are needed (Debian: python3-scipy)")
    sys.exit(77)

KWHOST, LOGS, WORK, BOLD_IMAGES, ROOT = map(os.path.abspath, sys.argv[1:6])
TOLERANCE = 1e-6
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def close(got, want, what):
    if want is None or got is None:
        check(got is None and want is None, f"{what}: {got} against {want}")
    else:
        check(abs(got - want) <= TOLERANCE * max(1.0, abs(want)), f"{what}: {got} against {want}")


def kwhost(*args, cwd=None):
    done = subprocess.run([KWHOST, *args], capture_output=True, text=True, cwd=cwd)
    return done.returncode, done.stdout, done.stderr


# The model, from its definitions.
Z = gamma.cdf(32, 6) - gamma.cdf(32, 16) / 6


def response(t):
    inside = (t >= 0) & (t < 32)
    return np.where(inside, (gamma.pdf(t, 6) - gamma.pdf(t, 16) / 6) / Z, 0.0)


def response_integral(t):
    value = (gamma.cdf(t, 6) - gamma.cdf(t, 16) / 6) / Z
    return np.where(t <= 0, 0.0, np.where(t >= 32, 1.0, value))


def design_matrix(events, names, tr, volumes, cutoff):
    times = np.arange(volumes) * tr
    columns = []
    for name in names:
        column = np.zeros(volumes)
        for onset, duration, condition in events:
            if condition != name:
                continue
            if duration is None or duration == 0:
                column += response(times - onset)
            else:
                column += response_integral(times - onset) - response_integral(
                    times - onset - duration)
        columns.append(column)
    columns.append(np.ones(volumes))
    m = math.floor(2 * volumes * tr / cutoff) + 1 if cutoff > 0 else 1
    k = np.arange(volumes)
    for j in range(1, min(m, volumes)):
        columns.append(np.cos(np.pi * (2 * k + 1) * j / (2 * volumes)) * np.sqrt(2 / volumes))
    return np.column_stack(columns)


def expected_figures(x, conditions, contrasts):
    inverse = np.linalg.inv(x.T @ x)
    figures = {}
    for i, name in enumerate(conditions):
        others = np.delete(x, i, axis=1)
        fit = np.linalg.lstsq(others, x[:, i], rcond=None)[0]
        residual = np.sum((x[:, i] - others @ fit) ** 2)
        total = np.sum((x[:, i] - x[:, i].mean()) ** 2)
        figures[name] = (total / residual, 1 / inverse[i, i])
    efficiencies = {}
    for name, plus, minus in contrasts:
        c = np.zeros(x.shape[1])
        c[conditions.index(plus)] = 1
        c[conditions.index(minus)] = -1
        efficiencies[name] = 1 / (c @ inverse @ c)
    unit = x / np.linalg.norm(x, axis=0)
    return figures, efficiencies, np.linalg.cond(unit)


def read_events(path):
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f, delimiter="\t"))
    return [(float(r["onset"]), None if r["duration"] == "n/a" else float(r["duration"]),
             r["trial_type"], r.get("event_type", "")) for r in rows]


def compare_with_report(events_file, args, tr, volumes, cutoff, chosen=None, contrasts=(),
                        log=None):
    """Runs kwhost design --json on `events_file` (or on the `log` it was written from, with
    the same settings) and checks every figure against numpy's on the file's events."""
    status, out, err = kwhost("design", *args, log or events_file, "--json")  # INPUT last
    check(status in (0, 1) and (log or not err), f"{events_file}: exit {status}: {err}")
    report = json.loads(out)
    rows = read_events(events_file)
    if chosen is None:
        rows = [r for r in rows if r[3] != "Response" and r[2] != "n/a"]
        chosen = list(dict.fromkeys(r[2] for r in rows))
    events = [r[:3] for r in rows if r[2] in chosen]
    names = [c["condition"] for c in report["conditions"]]
    check(names == chosen, f"{events_file}: conditions {names}, expected {chosen}")
    x = design_matrix(events, chosen, tr, volumes, cutoff)
    check(report["columns"] == x.shape[1], f"{events_file}: {report['columns']} columns")
    figures, efficiencies, condition = expected_figures(x, chosen, contrasts)
    end = volumes * tr
    for i, c in enumerate(report["conditions"]):
        name = c["condition"]
        for k, value in enumerate(c["regressor"]):
            close(value, x[k, i], f"{name} regressor at volume {k}")
        close(c["vif"], figures[name][0], f"{name} VIF")
        close(c["efficiency"], figures[name][1], f"{name} efficiency")
        onsets = [e[0] for e in events if e[2] == name]
        counts = (sum(0 <= o < end for o in onsets), sum(o < 0 for o in onsets),
                  sum(o >= end for o in onsets))
        check((c["in_scan"], c["before_scan"], c["after_scan"]) == counts,
              f"{name}: events in, before, after the scan {c} against {counts}")
    correlations = np.corrcoef(x[:, :len(chosen)], rowvar=False)
    for pair in report["correlations"]:
        a, b = (chosen.index(n) for n in pair["pair"])
        close(pair["correlation"], correlations[a, b], f"correlation {pair['pair']}")
    for c in report["contrasts"]:
        close(c["efficiency"], efficiencies[c["contrast"]], f"contrast {c['contrast']}")
    close(report["condition_number"], condition, f"{events_file}: condition number")
    return report


def real_logs(bold_images):
    sound = os.path.join(LOGS, "idor_sound.log")
    two = os.path.join(LOGS, "idor_two_tables.log")
    run = os.path.join(bold_images, "runs", "run_236.nii.gz")
    for args in (["--out-dir", WORK, sound, two],
                 [two, "--bold", run, "-o", os.path.join(WORK, "two_bold_events.tsv")]):
        status, _, err = kwhost("events", *args)
        check(status == 0, f"kwhost events {args}: exit {status}: {err}")
    # The log itself: sounds without a duration (impulses) and pictures, a contrast, time zero
    # at trigger 1, its events as `kwhost events` writes them.
    compare_with_report(os.path.join(WORK, "idor_sound_events.tsv"),
                        ["--tr", "2000", "--volumes", "240", "--contrast", "task=TAREFA-REPOUSO",
                         "--contrast", "sounds=EXECUTAR-RELAXAR"], 2.0, 240, 128,
                        contrasts=[("task", "TAREFA", "REPOUSO"), ("sounds", "EXECUTAR", "RELAXAR")],
                        log=sound)
    # 34 conditions, most with one event.
    compare_with_report(os.path.join(WORK, "idor_two_tables_events.tsv"),
                        ["--tr", "2000", "--volumes", "240"], 2.0, 240, 128)
    # The log with the image's 236 volumes and TR (nibabel's), K = 4 worked out as `events
    # --bold` does: events before the stored scan.
    chosen = ["cueNeutro", "cueFood", "cueAffiliative", "press", "fix2"]
    report = compare_with_report(
        os.path.join(WORK, "two_bold_events.tsv"),
        ["--bold", run, "--conditions", ",".join(chosen), "--contrast", "food=cueFood-cueNeutro",
         "--high-pass", "100"], 2.0, 236, 100, chosen, [("food", "cueFood", "cueNeutro")], two)
    check(report["volumes"] == 236 and report["events_outside_scan"]["before"] > 0,
          f"the --bold run: {report['volumes']} volumes, {report['events_outside_scan']}")


def events_file(name, rows):
    path = os.path.join(WORK, name)
    with open(path, "w") as f:
        f.write("onset\tduration\ttrial_type\n")
        f.writelines(f"{o}\t{d}\t{t}\n" for o, d, t in rows)
    return path


# Two conditions alternating every 20 s in 200 volumes of 2 s: no finding.
A = [(40 * k, 4, "A") for k in range(10)]
B = [(40 * k + 20, 4, "B") for k in range(10)]
NOT_ESTIMABLE = ": VIF not estimable: its regressor is a combination of the other columns"
DESIGNED = [
    # name, events, options, exit status, findings (patterns of whole lines)
    ("clean", A + B + [(-6, 4, "A")], [], 0, []),
    ("tail_only", A + B + [(-12, 4, "C"), (-10, 4, "C")], [], 1,
     [r"C: no event in the stored scan \(2 before it\)"]),
    ("absent", A + B, ["--conditions", "A,B,C"], 1,
     ["C: no event at all", r"the design is rank-deficient: .*"]),
    ("few", A + B + [(15, 2, "C"), (135, 2, "C"), (255, 2, "C")], [], 1,
     [r"C: 3 events in the stored scan, fewer than 5"]),
    ("vif", A + [(o + 1, d, "B") for o, d, _ in A], ["--max-correlation", "1"], 1,
     [r"A: VIF [0-9.]+, above 5", r"B: VIF [0-9.]+, above 5"]),
    ("correlation", A + [(o + 2, d, "B") for o, d, _ in A], ["--max-vif", "1e9"], 1,
     [r"A and B: correlation 0\.8[0-9]*, above 0\.8 in absolute value"]),
    ("rank", A + [(o, d, "B") for o, d, _ in A], ["--max-correlation", "1"], 1,
     ["A" + NOT_ESTIMABLE, "B" + NOT_ESTIMABLE,
      r"the design is rank-deficient: its smallest singular value is below 1e-10 times its "
      r"largest \(columns scaled to unit length\)"]),
]


def designed_cases():
    for name, rows, options, status, findings in DESIGNED:
        path = events_file(name + "_events.tsv", rows)
        got, out, err = kwhost("design", path, "--tr", "2000", "--volumes", "200", "--json",
                               *options)
        check(got == status and not err, f"{name}: exit {got}, expected {status}: {err}")
        report = json.loads(out) if out else {"findings": []}
        lines = report["findings"]
        check(len(lines) == len(findings) and all(
            re.fullmatch(p, line) for p, line in zip(findings, lines)),
            f"{name}: findings {lines}, expected {findings}")
    _, text, _ = kwhost("design", os.path.join(WORK, "clean_events.tsv"), "--tr", "2000",
                        "--volumes", "200")
    check("events outside the stored scan: 1 before it, 0 after it\n" in text
          and text.endswith("findings: none\n"), f"clean, as text:\n{text}")


def refusals():
    clean = os.path.join(WORK, "clean_events.tsv")
    log = os.path.join(LOGS, "atwm_header_only.log")
    responses = os.path.join(WORK, "responses_events.tsv")
    with open(responses, "w") as f:
        f.write("onset\tduration\ttrial_type\tevent_type\n3.5\tn/a\t1\tResponse\n")
    cases = [
        ([responses, "--tr", "2000", "--volumes", "200"],
         f"{responses} has no stimulus events (responses and rows of trial_type n/a are left "
         "out; --conditions names conditions): nothing to model\n"),
        ([log, "--tr", "2000", "--volumes", "240"],
         f"no scanner triggers (Pulse events) in {log}; if it logged none, give --zero scenario, "
         "--zero MS or --zero code:NAME\n"),
        ([clean, "--tr", "2000", "--volumes", "200", "--skip", "2"],
         f"--skip goes with a stimulus log; {clean} is an events file\n"
         "Run with --help for more information.\n"),
        ([clean, "--tr", "2000", "--volumes", "200", "--contrast", "x=A-Z"],
         "--contrast: contrast x: no condition named \"Z\"\n"
         "Run with --help for more information.\n"),
        ([clean, "--tr", "2000"],
         "the scan is needed: give --bold FILE, or --tr MS and --volumes N\n"
         "Run with --help for more information.\n"),
    ]
    for args, message in cases:
        status, out, err = kwhost("design", *args)
        check(status == 2 and not out and err.endswith(message), f"{args}: exit {status}: {err}")


def picture():
    if not shutil.which("rsvg-convert"):
        print("rsvg-convert is missing (Debian: librsvg2-bin): the picture is not rendered")
        return
    events = os.path.join(WORK, "two_bold_events.tsv")
    svg = os.path.join(WORK, "design.svg")
    png = os.path.join(WORK, "design.png")
    for _ in range(2):  # the second save replaces kwhost's own picture
        status, _, err = kwhost("design", events, "--tr", "2000", "--volumes", "236", "-o", svg)
        check(status == 1 and err.startswith(f"kwhost: saved {svg}: "), f"-o: {status}: {err}")
    done = subprocess.run(["rsvg-convert", svg, "-o", png], capture_output=True, text=True)
    check(done.returncode == 0 and os.path.getsize(png) > 10000, f"rsvg-convert: {done.stderr}")
    # 34 conditions: still small enough for a report of a thousand runs.
    check(os.path.getsize(svg) < 40000, f"the picture has {os.path.getsize(svg)} bytes")
    foreign = os.path.join(WORK, "foreign.svg")
    with open(foreign, "w") as f:
        f.write("<svg/>\n")
    status, _, err = kwhost("design", events, "--tr", "2000", "--volumes", "236", "-o", foreign)
    with open(foreign) as f:
        kept = f.read() == "<svg/>\n"
    check(status == 2 and kept, f"a foreign picture: exit {status}, kept {kept}: {err}")


def main():
    if not os.path.exists(os.path.join(LOGS, "idor_sound.log")):
        print(f"the real logs are not in {LOGS}")
        sys.exit(77)
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    real_logs(BOLD_IMAGES)
    designed_cases()
    refusals()
    picture()
    for failure in failures:
        print("FAILED:", failure)
    print(f"{len(failures)} failures")
    sys.exit(1 if failures else 0)


main()
