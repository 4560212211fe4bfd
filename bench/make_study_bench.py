#!/usr/bin/env python3
"""Writes the studies of `make bench` into FOLDER, once (a study already there is kept):
small/ and big/, each 1,000 runs of one subject a run, every log a copy of LOG below
sourcedata/ and every BOLD run of 240 volumes at a TR of 2 s beside it: in small/ of 4 x 4 x 2
voxels of noise, in big/ of 100 MB of zero voxels (gzipped, one image written once and copied).
Also logs/, the same 1,000 logs in one folder, for `kwhost events` on them in one call.

Usage: make_study_bench.py FOLDER LOG
"""
import gzip
import json
import os
import shutil
import sys

import nibabel as nib
import numpy as np

RUNS = 1000
VOLUMES = 240


def image(path, shape, noise):
    header = nib.Nifti1Header()
    header.set_data_shape(shape + (VOLUMES,))
    header.set_data_dtype(np.uint8 if noise else np.int16)
    header.set_zooms((3.0, 3.0, 3.0, 2.0))
    header.set_xyzt_units("mm", "sec")
    header["magic"] = b"n+1"
    header["vox_offset"] = 352
    count = int(np.prod(shape)) * VOLUMES
    with gzip.open(path, "wb", compresslevel=6) as out:
        out.write(header.binaryblock + b"\0" * 4)
        if noise:
            out.write(np.random.default_rng(1).integers(0, 255, count, dtype=np.uint8).tobytes())
        else:
            zeros = b"\0" * (16 << 20)
            left = count * 2
            while left > 0:
                out.write(zeros[:min(left, len(zeros))])
                left -= len(zeros)


def study(folder, log, bold):
    if os.path.exists(os.path.join(folder, "dataset_description.json")):
        return
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "task-x_bold.json"), "w") as f:
        json.dump({"RepetitionTime": 2.0, "TaskName": "x"}, f)
    for i in range(1, RUNS + 1):
        sub = "%04d" % i
        source = os.path.join(folder, "sourcedata", "sub" + sub)
        func = os.path.join(folder, "sub-" + sub, "func")
        os.makedirs(source)
        os.makedirs(func)
        shutil.copy(log, os.path.join(source, "sub%s_x_run1.log" % sub))
        shutil.copy(bold, os.path.join(func, "sub-%s_task-x_run-1_bold.nii.gz" % sub))
    with open(os.path.join(folder, "dataset_description.json"), "w") as f:
        json.dump({"Name": "bench", "BIDSVersion": "1.8.0"}, f)


def main():
    folder, log = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    tiny = os.path.join(folder, "tiny.nii.gz")
    big = os.path.join(folder, "big.nii.gz")
    if not os.path.exists(tiny):
        image(tiny, (4, 4, 2), True)
    if not os.path.exists(big):
        image(big, (64, 64, 51), False)  # 100 MB of int16 voxels
    study(os.path.join(folder, "small"), log, tiny)
    study(os.path.join(folder, "big"), log, big)
    logs = os.path.join(folder, "logs")
    if not os.path.exists(logs):
        os.makedirs(logs)
        for i in range(1, RUNS + 1):
            shutil.copy(log, os.path.join(logs, "sub%04d_x_run1.log" % i))
        os.makedirs(os.path.join(folder, "events"))


if __name__ == "__main__":
    main()
