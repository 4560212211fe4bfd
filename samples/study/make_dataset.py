#!/usr/bin/env python3
"""Writes the sample study's BIDS dataset, as a scanner's converter would leave it before the
events are added: dataset_description.json, the tasks' sidecars and each BOLD run, written by
nibabel (4 x 4 x 2 voxels of noise, TR 2 s in the header).

  sub-01/func/sub-01_task-faces_run-01_bold.nii.gz   100 volumes
  sub-01/func/sub-01_task-faces_run-02_bold.nii.gz   100 volumes; its sidecar states the 4
                                                     volumes the scanner discarded
  sub-01/func/sub-01_task-nback_bold.nii.gz          70 volumes
  sub-02/func/sub-02_task-faces_run-01_bold.nii.gz   100 volumes
  sub-02/func/sub-02_task-faces_run-02_bold.nii.gz   100 volumes: a scan whose log is missing
  sub-02/func/sub-02_task-nback_bold.nii.gz          70 volumes

Usage: make_dataset.py BIDS_ROOT   (a folder that does not exist yet)
"""
import json
import os
import sys

import nibabel as nib
import numpy as np

RUNS = [
    ("sub-01", "sub-01_task-faces_run-01", 100, None),
    ("sub-01", "sub-01_task-faces_run-02", 100, 4),
    ("sub-01", "sub-01_task-nback", 70, None),
    ("sub-02", "sub-02_task-faces_run-01", 100, None),
    ("sub-02", "sub-02_task-faces_run-02", 100, None),
    ("sub-02", "sub-02_task-nback", 70, None),
]


def write_json(path, value):
    with open(path, "w", encoding="utf-8") as f:
        json.dump(value, f, indent=2)
        f.write("\n")


def main():
    root = sys.argv[1]
    os.makedirs(root)
    write_json(os.path.join(root, "dataset_description.json"),
               {"Name": "kwhost sample study", "BIDSVersion": "1.8.0", "DatasetType": "raw"})
    with open(os.path.join(root, "README"), "w", encoding="utf-8") as f:
        f.write("The sample study of kwhost's demo: BOLD runs made up for it, events from its "
                "logs.\n")
    for task in ("faces", "nback"):
        write_json(os.path.join(root, "task-%s_bold.json" % task),
                   {"RepetitionTime": 2.0, "TaskName": task})
    rng = np.random.default_rng(1)
    for subject, name, volumes, discarded in RUNS:
        folder = os.path.join(root, subject, "func")
        os.makedirs(folder, exist_ok=True)
        data = rng.integers(-1000, 1000, size=(4, 4, 2, volumes), dtype=np.int16)
        image = nib.Nifti1Image(data, np.eye(4))
        image.header.set_zooms((3.0, 3.0, 3.0, 2.0))
        image.header.set_xyzt_units("mm", "sec")
        nib.save(image, os.path.join(folder, name + "_bold.nii.gz"))
        if discarded is not None:
            write_json(os.path.join(folder, name + "_bold.json"),
                       {"NumberOfVolumesDiscardedByScanner": discarded})


if __name__ == "__main__":
    main()
