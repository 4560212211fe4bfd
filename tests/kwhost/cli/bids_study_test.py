#!/usr/bin/env python3
"""kwhost bids on a study made here: the shared real logs copied under a lab's own names for
two subjects, two sessions and two tasks, and BOLD runs written by nibabel beside them in a
BIDS dataset. Among them a run with 4 dummy volumes, one with more volumes than triggers (it
fails), a scan without a log, a log without a scan, and a hand-written events file that must
be kept. Each converted run is compared row for row with `kwhost events --bold`, and the
dataset is checked by the reference BIDS validator.

Usage: bids_study_test.py KWHOST LOGS_FOLDER VALIDATOR WORK_FOLDER
"""
import hashlib
import json
import os
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

    def test_plan_then_dry_run_writes_nothing(self):
        before = snapshot()
        result = bids("--dry-run")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(snapshot(), before)
        self.assertIn("sub02/ses1/sub02_faces_run2.log -> "
                      "sub-02/ses-1/func/sub-02_ses-1_task-faces_run-2_events.tsv: no scan",
                      result.stdout)
        self.assertIn(REST + ": a scan without a log", result.stdout)
        self.assertIn("6 runs planned, nothing written", result.stdout)

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
        self.assertEqual(set(loc["event_type"]), {"shown", "key press"})
        with open(os.path.join(ROOT, report["runs"][2]["sidecar"]), encoding="utf-8") as f:
            self.assertEqual(json.load(f)["StimulusPresentation"],
                             {"SoftwareName": "PsychoPy", "SoftwareVersion": "2021.1.3"})

    def test_the_readme_example_runs_as_printed(self):
        with open(os.path.join(os.path.dirname(__file__), "..", "..", "..", "README.md"),
                  encoding="utf-8") as f:
            readme = f.read()
        start = readme.index("$ kwhost events moore_localizer_trigT_v2021.1.3.csv ")
        block = readme[start:readme.index("```", start)]
        command, shown_out, rest = block[2:].split("\n", 2)
        head, table = rest.split("\n", 1)
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        shutil.copy(os.path.join(PSYCHOPY, "moore_localizer_trigT_v2021.1.3.csv"), WORK)
        result = subprocess.run([KWHOST, *command.split()[1:]], cwd=WORK, capture_output=True,
                                text=True)
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, shown_out + "\n", ""))
        lines = int(head.split()[2][1:])
        self.assertEqual(rows(os.path.join(WORK, head.split()[3]))[:lines], table.splitlines())


if __name__ == "__main__":
    if not os.path.isfile(os.path.join(LOGS, "README.md")):
        print("the real Presentation logs are not in %s: skipped" % LOGS)
        sys.exit(77)
    unittest.main(argv=sys.argv[:1], verbosity=2)
