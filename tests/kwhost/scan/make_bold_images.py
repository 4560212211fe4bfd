#!/usr/bin/env python3
"""Writes the BOLD test images into the folder given on the command line, with nibabel as
the field's converters write them: 4 x 4 x 2 voxels of noise (a gzipped image of zeros is
smaller than a header), N volumes. Then the damaged ones, made from good ones by cutting or
patching bytes. The C++ tests (bold_scan_test.cpp) read them by the names below.

Usage: make_bold_images.py FOLDER
"""
import gzip
import json
import os
import shutil
import struct
import sys
import zlib

import nibabel as nib
import numpy as np

VOLUMES = 10


def image(version, volumes=VOLUMES, shape=(4, 4, 2), seed=1, endianness="<"):
    size = shape if volumes is None else shape + (volumes,)
    data = np.random.default_rng(seed).integers(-1000, 1000, size=size, dtype=np.int16)
    kind = nib.Nifti1Image if version == 1 else nib.Nifti2Image
    header_kind = nib.Nifti1Header if version == 1 else nib.Nifti2Header
    return kind(data, np.eye(4), header_kind(endianness=endianness))


def save(folder, name, version, tr, unit="sec", **kwargs):
    img = image(version, **kwargs)
    zooms = (3.0, 3.0, 3.0) + ((tr,) if len(img.shape) == 4 else ())
    img.header.set_zooms(zooms)
    img.header.set_xyzt_units("mm", unit)
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    nib.save(img, path)
    return path


def write_json(folder, name, value):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(value if isinstance(value, str) else json.dumps(value, indent=2))


def cut(source, target, size):
    with open(source, "rb") as f:
        data = f.read()
    with open(target, "wb") as f:
        f.write(data[:size])


def main():
    out = sys.argv[1]
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)

    # Both versions, both containers, TRs in s, ms and us; big-endian too.
    save(out, "n1_s.nii", 1, 2.0)
    save(out, "n1_ms.nii.gz", 1, 2000.0, unit="msec")
    save(out, "n1_us.nii.gz", 1, 2500000.0, unit="usec")
    save(out, "n1_big_endian.nii", 1, 1.5, endianness=">")
    save(out, "n2_s.nii.gz", 2, 0.7234)
    save(out, "n2_ms.nii", 2, 1500.0, unit="msec")
    save(out, "n2_big_endian.nii.gz", 2, 0.8, endianness=">")

    # The TR from the header, the sidecar, both disagreeing, or neither.
    save(out, "tr0_sidecar.nii.gz", 1, 0.0)
    write_json(out, "tr0_sidecar.json", {"RepetitionTime": 2.0, "TaskName": "x"})
    save(out, "disagree.nii.gz", 1, 1.0)
    write_json(out, "disagree.json", {"RepetitionTime": 2.0})
    save(out, "no_tr.nii.gz", 1, 0.0)
    save(out, "hz.nii.gz", 1, 2.0, unit="hz")

    # A sidecar refused (the other refusals are tested from memory).
    save(out, "bad_json.nii.gz", 1, 2.0)
    write_json(out, "bad_json.json", '{\n  "RepetitionTime": 2.0,\n  "TaskName": x\n}\n')

    # Inheritance: the root's task sidecar, a subject-level one for run 1 (the image says
    # run-01), and the image's own, merged key by key; files that do not apply beside them.
    ds = os.path.join(out, "ds")
    write_json(ds, "dataset_description.json", {"Name": "scan tests", "BIDSVersion": "1.8.0"})
    write_json(ds, "task-x_bold.json",
               {"RepetitionTime": 1.5, "NumberOfVolumesDiscardedByScanner": 4, "TaskName": "x"})
    write_json(ds, "task-y_bold.json", {"RepetitionTime": 9.0})
    write_json(ds, "sub-01/sub-01_task-x_run-1_bold.json", {"NumberOfVolumesDiscardedByUser": 0})
    write_json(ds, "sub-01/func/sub-01_task-x_run-01_bold.json", {"RepetitionTime": 2.0})
    write_json(ds, "sub-01/func/sub-01_task-x_run-2_bold.json", {"RepetitionTime": 7.0})
    save(ds, "sub-01/func/sub-01_task-x_run-01_bold.nii.gz", 1, 0.0)
    # Two sidecars at the root that both apply to an image with acq-a.
    write_json(ds, "task-x_acq-a_bold.json", {"RepetitionTime": 3.0})
    save(ds, "sub-01/func/sub-01_task-x_acq-a_bold.nii.gz", 1, 2.0)

    # Refused images.
    save(out, "three_d.nii.gz", 1, 0.0, volumes=None)
    path = save(out, "zero_volumes.nii", 1, 2.0)
    with open(path, "r+b") as f:  # dim[4] (a short at byte 48) to 0: nibabel will not write it
        f.seek(48)
        f.write(struct.pack("<h", 0))
    good = os.path.join(out, "n1_ms.nii.gz")
    cut(good, os.path.join(out, "truncated.nii.gz"), os.path.getsize(good) // 2)
    cut(good, os.path.join(out, "truncated_header.nii.gz"), 40)
    cut(os.path.join(out, "n1_s.nii"), os.path.join(out, "truncated.nii"), 600)
    shutil.copy(os.path.join(out, "n1_s.nii"), os.path.join(out, "not_gzip.nii.gz"))
    with open(os.path.join(out, "gzip_named_nii.nii"), "wb") as f:
        f.write(gzip.compress(open(os.path.join(out, "n1_s.nii"), "rb").read()))
    # Two gzip members, as block-gzip tools write them: the trailer holds the last one's size
    # alone. Whole, and cut inside the second member (what its bytes inflate to beside it).
    with open(os.path.join(out, "n1_s.nii"), "rb") as f:
        plain = f.read()
    members = gzip.compress(plain[:1000]) + gzip.compress(plain[1000:])
    with open(os.path.join(out, "two_members.nii.gz"), "wb") as f:
        f.write(members)
    cut_members = members[:len(members) - 40]
    with open(os.path.join(out, "two_members_cut.nii.gz"), "wb") as f:
        f.write(cut_members)
    inflated, rest = 0, cut_members
    while rest:
        part = zlib.decompressobj(31)
        inflated += len(part.decompress(rest))
        rest = part.unused_data
        if not part.eof:
            break
    write_json(out, "two_members_cut.expected",
               {"compressed": len(cut_members), "inflated": inflated, "needed": len(plain)})
    with open(os.path.join(out, "not_nifti.nii"), "w", encoding="utf-8") as f:
        f.write("Scenario - run1\nLogfile written - 01/02/2026 10:00:00\n" * 10)
    with open(os.path.join(out, "run1.txt"), "w", encoding="utf-8") as f:
        f.write("not an image name\n")

    # Runs for the shared real logs of 240 triggers at a TR of 2 s (kwhost triggers --bold):
    # as many volumes, four fewer (4 dummies, which the sidecar states), four more; one and
    # four fewer with no statement, or stating that nothing was discarded, or the one dummy;
    # one for a first-pulse-only copy of a log, with and without dummies stated in its
    # sidecar; and one whose sidecar disagrees.
    runs = os.path.join(out, "runs")
    for volumes in (240, 236, 244):
        save(runs, "run_%d.nii.gz" % volumes, 1, 2.0, volumes=volumes, shape=(4, 4, 2))
        write_json(runs, "run_%d.json" % volumes, {"RepetitionTime": 2.0})
    write_json(runs, "run_236.json",
               {"RepetitionTime": 2.0, "NumberOfVolumesDiscardedByScanner": 4})
    for name, volumes, stated in (("run_239_unstated", 239, None), ("run_239_zero", 239, 0),
                                  ("run_239_scanner_1", 239, 1), ("run_236_unstated", 236, None),
                                  ("run_236_zero", 236, 0)):
        save(runs, name + ".nii.gz", 1, 2.0, volumes=volumes)
        sidecar = {"RepetitionTime": 2.0}
        if stated is not None:
            sidecar["NumberOfVolumesDiscardedByScanner"] = stated
        write_json(runs, name + ".json", sidecar)
    save(runs, "first_pulse.nii.gz", 1, 2.0, volumes=236)
    save(runs, "first_pulse_dummies.nii.gz", 1, 2.0, volumes=236)
    write_json(runs, "first_pulse_dummies.json",
               {"RepetitionTime": 2.0, "NumberOfVolumesDiscardedByScanner": 4})
    save(runs, "run_236_sidecar_2.nii.gz", 1, 2.0, volumes=236)
    write_json(runs, "run_236_sidecar_2.json",
               {"RepetitionTime": 2.0, "NumberOfVolumesDiscardedByScanner": 2})


if __name__ == "__main__":
    main()
