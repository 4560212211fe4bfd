#!/usr/bin/env python3
"""Writes the BOLD images of `make bench` into FOLDER, once (an image already there is kept):
big.nii.gz, 240 volumes of 128 x 128 x 136 int16 zeros (1.07 GB of voxels, gzipped), and
tiny.nii.gz, 240 volumes of 4 x 4 x 2, both at a TR of 2 s. nibabel makes the header; the
zeros are streamed through gzip so that no gigabyte is ever held in memory.

Usage: make_bold_bench.py FOLDER
"""
import gzip
import os
import sys

import nibabel as nib
import numpy as np

VOLUMES = 240
CHUNK = 16 << 20


def write(path, shape):
    if os.path.exists(path):
        return
    header = nib.Nifti1Header()
    header.set_data_shape(shape + (VOLUMES,))
    header.set_data_dtype(np.int16)
    header.set_zooms((3.0, 3.0, 3.0, 2.0))
    header.set_xyzt_units("mm", "sec")
    header["magic"] = b"n+1"
    header["vox_offset"] = 352
    remaining = int(np.prod(shape)) * VOLUMES * 2
    zeros = bytes(CHUNK)
    with gzip.open(path + ".part", "wb", compresslevel=1) as f:
        f.write(header.binaryblock + b"\0\0\0\0")
        while remaining > 0:
            n = min(remaining, CHUNK)
            f.write(zeros[:n])
            remaining -= n
    os.replace(path + ".part", path)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write(os.path.join(folder, "big.nii.gz"), (128, 128, 136))
    write(os.path.join(folder, "tiny.nii.gz"), (4, 4, 2))


if __name__ == "__main__":
    main()
