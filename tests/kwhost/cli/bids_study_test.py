#!/usr/bin/env python3
"""kwhost bids on a study made here: the shared real logs copied under a lab's own names for
two subjects, two sessions and two tasks, and BOLD runs written by nibabel beside them in a
BIDS dataset. Among them a run with 4 dummy volumes, one with more volumes than triggers (it
fails), a scan without a log, a log without a scan, and a hand-written events file that must
be kept. Each converted run is compared row for row with `kwhost events --bold`, and the
dataset is checked by the reference BIDS validator. The study's report (--report) is read
back as HTML, its pictures rendered by rsvg-convert, and the page by Debian's chromium
headless (in a network namespace of its own, where one is to be had), which must make no
request for it; the screenshot is left in WORK_FOLDER/report.png.

Usage: bids_study_test.py KWHOST LOGS_FOLDER VALIDATOR WORK_FOLDER
"""
import hashlib
import html.parser
import json
import os
import re
import shutil
import subprocess
import sys
import unittest

import nibabel as nib
import numpy as np

KWHOST, LOGS, VALIDATOR, WORK = sys.argv[1:5]
ROOT = os.path.join(WORK, "study")
SOURCE = os.path.join(ROOT, "sourcedata")
STUDY_FILE = os.path.join(WORK, "study.toml")

# log name below SOURCE -> (shared log, BOLD run below ROOT or None, volumes)
RUNS = {
    "sub01/ses1/sub01_faces_run1.log": ("idor_two_tables", "sub-01/ses-1/func/sub-01_ses-1_task-faces_run-01", 240),
    "sub01/ses1/sub01_faces_run2.log": ("idor_sound", "sub-01/ses-1/func/sub-01_ses-1_task-faces_run-02", 236),
    "sub01/ses2/sub01_nback1_run1.log": ("idor_sound", "sub-01/ses-2/func/sub-01_ses-2_task-nback_run-01", 240),
    "sub02/ses1/sub02_faces_run1.log": ("idor_two_tables", "sub-02/ses-1/func/sub-02_ses-1_task-faces_run-01", 244),
    "sub02/ses1/sub02_faces_run2.log": ("idor_sound", None, 0),
    "sub02/ses2/sub02_nback1_run1.log": ("idor_two_tables", "sub-02/ses-2/func/sub-02_ses-2_task-nback_run-01", 240),
}
REST = "sub-02/ses-1/func/sub-02_ses-1_task-rest"
HAND_WRITTEN = "sub-02/ses-2/func/sub-02_ses-2_task-nback_run-01_events.tsv"
STUDY = """match = ["sub{sub}/ses{ses}/sub{sub}_{task}_run{run}.log"]

[rename.task]
nback1 = "nback"

[task.nback]
duration = "next"

[task.faces.design]
contrasts = ["cue=cueFood-cueNeutro"]
max_vif = 10
"""


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def bold(name, volumes, tr=2.0):
    data = np.random.default_rng(volumes).integers(0, 255, size=(4, 4, 2, volumes), dtype=np.uint8)
    image = nib.Nifti1Image(data, np.eye(4))
    image.header.set_zooms((3.0, 3.0, 3.0, tr))
    image.header.set_xyzt_units("mm", "sec")
    path = os.path.join(ROOT, name + "_bold.nii.gz")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    nib.save(image, path)


def make_study():
    shutil.rmtree(WORK, ignore_errors=True)
    write(os.path.join(ROOT, "dataset_description.json"),
          json.dumps({"Name": "kwhost bids", "BIDSVersion": "1.8.0"}))
    write(os.path.join(ROOT, "README"), "A study converted by kwhost bids in its tests.\n")
    for task in ("faces", "nback", "rest"):
        write(os.path.join(ROOT, "task-%s_bold.json" % task),
              json.dumps({"RepetitionTime": 2.0, "TaskName": task}))
    for log, (shared, run, volumes) in RUNS.items():
        os.makedirs(os.path.dirname(os.path.join(SOURCE, log)), exist_ok=True)
        shutil.copy(os.path.join(LOGS, shared + ".log"), os.path.join(SOURCE, log))
        if run:
            bold(run, volumes)
    # The scanner discarded 4 dummy volumes and sent their triggers.
    write(os.path.join(ROOT, RUNS["sub01/ses1/sub01_faces_run2.log"][1] + "_bold.json"),
          json.dumps({"NumberOfVolumesDiscardedByScanner": 4}))
    bold(REST, 200)
    write(os.path.join(ROOT, HAND_WRITTEN), "onset\tduration\n1.0\t2.0\n")
    write(STUDY_FILE, STUDY)


def snapshot():
    files = {}
    for folder, _, names in os.walk(ROOT):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, ROOT)] = hashlib.sha256(f.read()).hexdigest()
    return files


def kwhost(*args):
    return subprocess.run([KWHOST, *args], capture_output=True, text=True)


def bids(*extra):
    return kwhost("bids", SOURCE, ROOT, "--study", STUDY_FILE, *extra)


def rows(path):
    with open(path, encoding="utf-8") as f:
        return f.read().splitlines()


class KwhostBids(unittest.TestCase):
    def setUp(self):
        make_study()

    def test_a_dry_run_reports_what_the_real_one_does_and_writes_nothing(self):
        before = snapshot()
        dry, dry_json = bids("--dry-run"), bids("--dry-run", "--json")
        self.assertEqual(snapshot(), before)
        real_json = bids("--json")
        self.assertEqual(dry.returncode, 1)
        self.assertEqual(dry_json.returncode, real_json.returncode)
        planned, written = json.loads(dry_json.stdout), json.loads(real_json.stdout)
        self.assertTrue(planned.pop("dry_run"))
        self.assertFalse(written.pop("dry_run"))
        self.assertEqual(planned, written)
        real = bids()
        self.assertEqual(dry.stdout.splitlines()[:-1], real.stdout.splitlines()[:-1])
        self.assertIn("dry run, nothing written: 4 runs would be written", dry.stdout)
        self.assertIn("sub02/ses1/sub02_faces_run2.log -> "
                      "sub-02/ses-1/func/sub-02_ses-1_task-faces_run-2_events.tsv: "
                      "240 triggers: no scan", dry.stdout)
        self.assertIn(REST + ": a scan without a log", dry.stdout)

    def test_the_study_converts_with_one_command(self):
        result = bids("--json")
        self.assertEqual(result.returncode, 1, result.stderr)
        report = json.loads(result.stdout)
        status = {run["log"]: run["status"] for run in report["runs"]}
        self.assertEqual(status, {
            "sub01/ses1/sub01_faces_run1.log": "consistent",
            "sub01/ses1/sub01_faces_run2.log": "consistent",
            "sub01/ses2/sub01_nback1_run1.log": "consistent",
            "sub02/ses1/sub02_faces_run1.log": "failed",
            "sub02/ses1/sub02_faces_run2.log": "no scan",
            "sub02/ses2/sub02_nback1_run1.log": "failed",
        })
        skip = {run["log"]: run["skip"] for run in report["runs"]}
        self.assertEqual(skip["sub01/ses1/sub01_faces_run2.log"], 4)
        self.assertEqual(report["scans_without_log"], [REST])
        self.assertEqual(report["totals"]["written"], 4)
        self.assertEqual(report["totals"]["failed"], 2)
        with open(os.path.join(ROOT, HAND_WRITTEN), encoding="utf-8") as f:
            self.assertEqual(f.read(), "onset\tduration\n1.0\t2.0\n")
        self.assertFalse(os.path.exists(
            os.path.join(ROOT, RUNS["sub02/ses1/sub02_faces_run1.log"][1] + "_events.tsv")))

        # Each run as `kwhost events --bold` writes it for the same log and image.
        for log, (_, run, _) in RUNS.items():
            if status[log] not in ("consistent", "findings"):
                continue
            alone = os.path.join(WORK, "alone.tsv")
            options = ["--duration", "next"] if "nback" in log else []
            single = kwhost("events", os.path.join(SOURCE, log), "--bold",
                            os.path.join(ROOT, run + "_bold.nii.gz"), "-o", alone, "--force",
                            *options)
            self.assertEqual(single.returncode, 0, single.stderr)
            self.assertEqual(rows(os.path.join(ROOT, run + "_events.tsv")), rows(alone), log)

        # Time zero at trigger 5 of the run with 4 dummy volumes: every onset is that of the
        # same log read with time zero at trigger 1, less the four intervals, exactly.
        pulses = [int(line.split("\t")[4]) for line in rows(os.path.join(LOGS, "idor_sound.log"))
                  if line.split("\t")[2:3] == ["Pulse"]]
        shift = pulses[4] - pulses[0]
        dummies = rows(os.path.join(ROOT, RUNS["sub01/ses1/sub01_faces_run2.log"][1] + "_events.tsv"))
        plain = rows(os.path.join(ROOT, RUNS["sub01/ses2/sub01_nback1_run1.log"][1] + "_events.tsv"))
        self.assertEqual(len(dummies), len(plain))
        for a, b in zip(dummies[1:], plain[1:]):
            tenths = round(float(b.split("\t")[0]) * 10000) - shift
            self.assertEqual(a.split("\t")[0], "%s%d.%04d" % ("-" if tenths < 0 else "",
                                                              abs(tenths) // 10000, abs(tenths) % 10000))

        # A second run over the unchanged study writes the same bytes.
        before = snapshot()
        self.assertEqual(bids().returncode, 1)
        self.assertEqual(snapshot(), before)

        # The dataset passes the reference validator.
        checked = subprocess.run([VALIDATOR, "--json", ROOT], capture_output=True, text=True)
        issues = json.loads(checked.stdout)["issues"]
        self.assertEqual(issues["errors"], [], json.dumps(issues["errors"], indent=1))

    def test_a_log_of_two_scans_is_two_runs_and_practice_is_left_out(self):
        # The event table of a log of 240 triggers, and the same table 600 s later.
        lines = rows(os.path.join(LOGS, "idor_two_tables.log"))
        end = lines.index("", 5)
        later = []
        for line in lines[5:end]:
            cells = line.split("\t")
            cells[4] = str(int(cells[4]) + 6000000)
            later.append("\t".join(cells))
        write(os.path.join(SOURCE, "sub01/ses1/sub01_loc_run3.log"),
              "\n".join(lines[:end] + later + lines[end:]) + "\n")
        write(os.path.join(SOURCE, "sub01/ses1/sub01_faces_practice.log"), "Scenario - practice\n")
        for run in ("03", "04"):
            bold("sub-01/ses-1/func/sub-01_ses-1_task-loc_run-" + run, 240)
        write(os.path.join(ROOT, "task-loc_bold.json"),
              json.dumps({"RepetitionTime": 2.0, "TaskName": "loc"}))
        write(STUDY_FILE, 'exclude = ["*practice*"]\n' + STUDY + "\n[task.loc]\nsplit_scans = true\n")
        report = json.loads(bids("--json").stdout)
        self.assertEqual(report["excluded_logs"], ["sub01/ses1/sub01_faces_practice.log"])
        loc = [run for run in report["runs"] if "task-loc" in run["events"]]
        self.assertEqual([run["status"] for run in loc], ["consistent", "consistent"])
        alone = os.path.join(WORK, "alone.tsv")
        single = kwhost("events", os.path.join(LOGS, "idor_two_tables.log"), "--bold",
                        os.path.join(ROOT, "sub-01/ses-1/func/sub-01_ses-1_task-loc_run-03_bold.nii.gz"),
                        "-o", alone)
        self.assertEqual(single.returncode, 0, single.stderr)
        for run in loc:
            self.assertEqual(rows(os.path.join(ROOT, run["events"])), rows(alone), run["events"])

    def test_a_labs_edit_survives_a_second_conversion(self):
        self.assertEqual(bids().returncode, 1)
        runs = [RUNS[log][1] for log in ("sub01/ses1/sub01_faces_run1.log",
                                          "sub01/ses1/sub01_faces_run2.log",
                                          "sub01/ses2/sub01_nback1_run1.log")]
        table = [os.path.join(ROOT, run + "_events.tsv") for run in runs]
        sidecar = [os.path.join(ROOT, run + "_events.json") for run in runs]
        # A column added at the end, a value fixed by hand, a Description edited.
        lines = rows(table[0])
        write(table[0], "\n".join(line + ("\tcorrect" if i == 0 else "\t1")
                                   for i, line in enumerate(lines)) + "\n")
        with open(table[1], encoding="utf-8") as f:
            text = f.read()
        write(table[1], text.replace("\tTAREFA\t", "\tTAREFA_bad_trial\t", 1))
        with open(sidecar[2], encoding="utf-8") as f:
            text = f.read()
        write(sidecar[2], text.replace("Event duration", "Event duration, as the lab reads it"))
        edited = snapshot()
        result = bids()
        self.assertEqual(result.returncode, 1)
        for changed in (table[0], table[1], sidecar[2]):
            self.assertIn(os.path.relpath(changed, ROOT) + " changed since kwhost wrote it: give "
                          "--force to replace it", result.stdout)
        self.assertEqual(snapshot(), edited)
        self.assertEqual(bids("--force").returncode, 1)  # the failed runs of the study stay
        self.assertNotIn("correct", rows(table[0])[0])

    def test_a_session_label_off_by_a_leading_zero_writes_nothing_and_says_why(self):
        shutil.copy(os.path.join(LOGS, "idor_sound.log"),
                    os.path.join(SOURCE, "sub01", "ses1", "sub01_faces_run7.log"))
        os.makedirs(os.path.join(SOURCE, "sub03", "ses1"))
        shutil.copy(os.path.join(LOGS, "idor_sound.log"),
                    os.path.join(SOURCE, "sub03", "ses1", "sub03_faces_run1.log"))
        bold("sub-03/ses-01/func/sub-03_ses-01_task-faces_run-01", 240)
        before = snapshot()
        result = bids()
        self.assertEqual(result.returncode, 1)
        self.assertIn('sub03/ses1/sub03_faces_run1.log: no run: the dataset has no folder '
                      'sub-03/ses-1, so nothing is written for it; ses "1": the dataset has '
                      'ses-01; add [rename.ses] "1" = "01"; it explains the scan without a log '
                      'sub-03/ses-01/func/sub-03_ses-01_task-faces_run-01\n', result.stdout)
        self.assertNotIn("sub-03/ses-01/func/sub-03_ses-01_task-faces_run-01: a scan without",
                         result.stdout)
        written = set(snapshot()) - set(before)
        self.assertFalse([path for path in written if path.startswith("sub-03")], written)
        # A log of a session the dataset has is converted from its own triggers: no scan.
        self.assertIn("sub-01/ses-1/func/sub-01_ses-1_task-faces_run-7_events.tsv", written)

    def test_triggers_logged_as_key_presses_are_named_in_the_study_files_words(self):
        with open(os.path.join(LOGS, "idor_two_tables.log"), encoding="latin-1") as f:
            text = f.read().replace("\tPulse\t53\t", "\tResponse\t5\t")
        with open(os.path.join(SOURCE, "sub01/ses1/sub01_faces_run5.log"), "w",
                  encoding="latin-1") as f:
            f.write(text)
        bold("sub-01/ses-1/func/sub-01_ses-1_task-faces_run-05", 240)
        result = bids()
        self.assertIn("no scanner triggers (Pulse events) in sourcedata/sub01/ses1/"
                      "sub01_faces_run5.log; these events beat like triggers: 240 Response "
                      "events with code 5, every 1998.6 ms (trigger = \"Response:5\")",
                      result.stdout)

    def test_refusals_leave_every_file_as_it_was(self):
        cases = [
            (["--match", "sub{sub}/ses{ses}/sub{sub}_{task}_run{run}.log",
              "--match", "sub{sub}/{ses"], "unclosed"),
        ]
        twin = os.path.join(SOURCE, "sub01/ses1/sub01_faces_run01.log")
        shutil.copy(os.path.join(LOGS, "idor_sound.log"), twin)
        before = snapshot()
        result = bids()
        self.assertEqual(result.returncode, 2)
        self.assertIn("are both logs of", result.stderr)
        self.assertEqual(snapshot(), before)
        os.remove(twin)
        for extra, words in cases:
            before = snapshot()
            result = bids(*extra)
            self.assertEqual(result.returncode, 2, result.stderr)
            self.assertIn(words, result.stderr)
            self.assertEqual(snapshot(), before)
        os.remove(os.path.join(ROOT, "dataset_description.json"))
        before = snapshot()
        result = bids()
        self.assertEqual(result.returncode, 2)
        self.assertIn("dataset_description.json", result.stderr)
        self.assertEqual(snapshot(), before)


class Page(html.parser.HTMLParser):
    """The tags, links and sources of a page, and the text of each table row."""
    def __init__(self):
        super().__init__()
        self.tags, self.links, self.rows, self.row = [], [], [], None

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        self.links += [v for k, v in attrs if k in ("href", "src", "xlink:href", "action")]
        if tag == "tr":
            self.row = ""

    def handle_endtag(self, tag):
        if tag == "tr" and self.row is not None:
            self.rows.append(self.row)
            self.row = None
        elif tag in ("td", "th") and self.row is not None:
            self.row += " "

    def handle_data(self, data):
        if self.row is not None:
            self.row += data


def browse(page, png, work):
    """Screenshots `page` with chromium headless; returns the URLs the page itself asked for
    (the browser's own background requests, which fail without a network, left out)."""
    netlog = os.path.join(work, "netlog.json")
    profile = os.path.join(work, "chromium-profile")
    shutil.rmtree(profile, ignore_errors=True)
    os.makedirs(profile)
    command = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
               "--no-first-run", "--disable-background-networking", "--disable-component-update",
               "--disable-sync", "--user-data-dir=" + profile, "--window-size=1366,900",
               "--host-resolver-rules=MAP * ~NOTFOUND", "--log-net-log=" + netlog,
               "--screenshot=" + png, "file://" + page]
    # No traffic leaves a namespace without a network, whatever the browser tries.
    if subprocess.run(["unshare", "-n", "true"], capture_output=True).returncode == 0:
        command = ["unshare", "-n"] + command
    done = subprocess.run(command, capture_output=True, text=True, timeout=120)
    if done.returncode != 0 or not os.path.exists(png):
        raise AssertionError("chromium: " + done.stderr[-2000:])
    with open(netlog) as f:
        log = json.load(f)
    start = log["constants"]["logEventTypes"]["URL_REQUEST_START_JOB"]
    return [e["params"]["url"] for e in log["events"] if e["type"] == start
            and "url" in e.get("params", {}) and e["params"].get("initiator") != "not an origin"]


class KwhostBidsReport(unittest.TestCase):
    def setUp(self):
        make_study()

    def test_the_report_shows_every_run_and_fetches_nothing(self):
        report = os.path.join(ROOT, "derivatives", "kwhost", "report.html")
        # A dry run writes the report alone, from the same checks.
        before = snapshot()
        result = bids("--dry-run", "--report", report)
        self.assertEqual(result.returncode, 1, result.stderr)
        written = {k for k in snapshot() if k not in before or snapshot()[k] != before[k]}
        self.assertEqual(written, {"derivatives/kwhost/report.html"})
        with open(report, encoding="utf-8") as f:
            dry = f.read()

        result = bids("--report", report)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn("kwhost: saved " + report + ": the report of 6 runs, ", result.stderr)
        with open(report, encoding="utf-8") as f:
            text = f.read()
        self.assertTrue(text.startswith(
            "<!DOCTYPE html><!-- kwhost bids: a study report written by kwhost -->\n"))
        self.assertEqual(dry.replace(" (dry run: nothing written)", "", 1), text)
        page = Page()
        page.feed(text)
        # Self-contained: no script, nothing to fetch, links only within the page.
        self.assertNotIn("script", page.tags)
        self.assertEqual([l for l in page.links if not re.fullmatch(r"#run-\d+", l)], [])
        self.assertNotRegex(text, r"url\(|@import|<link|<img|<iframe")
        self.assertEqual(page.tags.count("details"), 6)
        # The table: the failed runs first, every figure of a converted run.
        runs = [r for r in page.rows if ".log" in r]
        self.assertEqual(len(runs), 6)
        self.assertTrue(all("failed" in r for r in runs[:2]), runs[:2])
        dummies = next(r for r in runs if "sub01_faces_run2" in r)
        self.assertRegex(dummies, r"240 +236 +4 ")
        self.assertIn("2000.0", dummies)
        # A contrast the run's conditions cannot make is refused for that run, at its place.
        self.assertIn(STUDY_FILE + ":10: task.faces.design.contrasts: contrast cue: no condition "
                      "named &quot;cueFood&quot;", text)
        self.assertIn("Scans without a log", text)
        self.assertIn(REST, text)

        # Every picture renders alone.
        svgs = re.findall(r"<svg .*?</svg>", text, re.S)
        # Timelines of the 5 runs read (one failed only at writing), designs of the 3 with a
        # scan whose settings fit.
        self.assertEqual(len(svgs), 8, [s[:80] for s in svgs])
        if shutil.which("rsvg-convert"):
            for i, svg in enumerate(svgs):
                done = subprocess.run(["rsvg-convert", "-o", os.path.join(WORK, "p%d.png" % i)],
                                      input=svg.encode(), capture_output=True)
                self.assertEqual(done.returncode, 0, done.stderr)
        if shutil.which("chromium"):
            png = os.path.join(WORK, "report.png")
            self.assertEqual(browse(report, png, WORK), [])
            self.assertGreater(os.path.getsize(png), 20000)
        else:
            print("chromium is missing (Debian: chromium): the page is not rendered")

        # Never over a page kwhost did not write, unless forced.
        with open(report, "w") as f:
            f.write("<html>mine</html>\n")
        result = bids("--report", report)
        self.assertEqual(result.returncode, 1)
        self.assertIn("give --force to replace it", result.stderr)
        with open(report) as f:
            self.assertEqual(f.read(), "<html>mine</html>\n")


PSYCHOPY = os.path.join(LOGS, os.pardir, "psychopy-data")
# A study of both programs: file below SOURCE -> (shared file, BOLD run below ROOT or None).
MIXED = {
    "sub01/sub01_faces_run1.log": (os.path.join(LOGS, "idor_two_tables.log"),
                                   "sub-01/func/sub-01_task-faces_run-1"),
    "sub01/sub01_loc_run1.csv": (os.path.join(PSYCHOPY, "moore_localizer_trigT_v2021.1.3.csv"),
                                 "sub-01/func/sub-01_task-loc_run-1"),
    "sub01/sub01_loc_run1.log": (os.path.join(PSYCHOPY, "moore_localizer_trigT_v2021.1.3.log"),
                                 None),
    "sub01/sub01_hrd_run1.csv": (os.path.join(PSYCHOPY, "cardioception_hrd_fmri_trig5_v2020.1.2.csv"),
                                 None),
    "sub01/conditions.csv": (os.path.join(PSYCHOPY, "fmriprojum_trcounter_lists_v2022.2.4.csv"), None),
}
MIXED_STUDY = """match = ["sub{sub}/sub{sub}_{task}_run{run}.log", "sub{sub}/sub{sub}_{task}_run{run}.csv"]

[task.loc]
trigger = "scanner_t"
trial_type = "{condition}"
"""


class PsychopyBesidePresentation(unittest.TestCase):
    """PsychoPy data files and Presentation logs in one study, read by pandas afterwards."""

    def test_both_programs_convert_side_by_side(self):
        import pandas
        shutil.rmtree(WORK, ignore_errors=True)
        write(os.path.join(ROOT, "dataset_description.json"),
              json.dumps({"Name": "kwhost bids", "BIDSVersion": "1.8.0"}))
        write(os.path.join(ROOT, "README"), "PsychoPy and Presentation runs side by side.\n")
        for task in ("faces", "loc", "hrd"):
            write(os.path.join(ROOT, "task-%s_bold.json" % task),
                  json.dumps({"RepetitionTime": 2.0, "TaskName": task}))
        for name, (shared, run) in MIXED.items():
            os.makedirs(os.path.dirname(os.path.join(SOURCE, name)), exist_ok=True)
            shutil.copy(shared, os.path.join(SOURCE, name))
            if run:
                bold(run, 142 if "loc" in name else 240)
        write(STUDY_FILE, MIXED_STUDY)
        result = bids("--json")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        report = json.loads(result.stdout)
        self.assertEqual({run["log"]: run["status"] for run in report["runs"]}, {
            "sub01/sub01_faces_run1.log": "consistent",
            "sub01/sub01_hrd_run1.csv": "no scan",
            "sub01/sub01_loc_run1.csv": "consistent",
        })
        self.assertEqual([(n["file"], n["reason"].split(":")[0]) for n in report["not_runs"]], [
            ("sub01/conditions.csv", "not a PsychoPy data file"),
            ("sub01/sub01_loc_run1.log", "a PsychoPy text log, beside its data file sub01_loc_run1.csv"),
        ])
        checked = subprocess.run([VALIDATOR, "--json", ROOT], capture_output=True, text=True)
        issues = json.loads(checked.stdout)["issues"]
        self.assertEqual(issues["errors"], [], json.dumps(issues["errors"], indent=1))
        tables = {}
        for run in report["runs"]:
            table = pandas.read_csv(os.path.join(ROOT, run["events"]), sep="\t", na_values="n/a")
            self.assertEqual(str(table["onset"].dtype), "float64", run["events"])
            self.assertTrue(table["onset"].is_monotonic_increasing, run["events"])
            tables[run["log"]] = table
        # The localizer from its first trigger (174.36157069914044 s), named by its conditions.
        loc = tables["sub01/sub01_loc_run1.csv"]
        first = loc[loc["onset"] >= 0].iloc[0]
        self.assertEqual((first["onset"], first["duration"], first["trial_type"], first["component"]),
                         (0.031547, 0.30488, "scrambled", "image"))
        self.assertEqual(set(loc["event_type"]), {"shown", "keyboard start", "key press"})
        # Its design from the data file is the design of its events file: key presses and
        # keyboard starts are no condition in either.
        image = [b for b in report["runs"][2]["bold"]][0]
        designs = [json.loads(subprocess.run(
            [KWHOST, "design", os.path.join(ROOT, path), "--bold", os.path.join(ROOT, image),
             "--json", *settings], capture_output=True, text=True).stdout)
            for path, settings in ((report["runs"][2]["events"], []),
                                   ("sourcedata/sub01/sub01_loc_run1.csv",
                                    ["--trigger", "scanner_t", "--trial-type", "{condition}"]))]
        self.assertEqual(*[[(c["condition"], c["in_scan"], c["vif"]) for c in d["conditions"]]
                           for d in designs])
        with open(os.path.join(ROOT, report["runs"][2]["sidecar"]), encoding="utf-8") as f:
            self.assertEqual(json.load(f)["StimulusPresentation"],
                             {"SoftwareName": "PsychoPy", "SoftwareVersion": "2021.1.3"})


if __name__ == "__main__":
    if not os.path.isfile(os.path.join(LOGS, "README.md")):
        print("the real Presentation logs are not in %s: skipped" % LOGS)
        sys.exit(77)
    unittest.main(argv=sys.argv[:1], verbosity=2)
