#!/bin/sh
# Runs bold_probe.exe under Wine on images from make_bold_images.py and compares its lines
# with what the Linux build reads from them (below): both NIfTI versions, gzip and not, both
# byte orders, a sidecar, inherited sidecars, and refusals.
# Usage: run_bold_probe.sh WINE64 PREFIX BOLD_PROBE_EXE IMAGES_FOLDER
set -eu
wine=$1
prefix=$2
probe=$3
images=$4
windows=$(cd "$(dirname "$0")/../../../windows" && pwd)
sh "$windows/create_wine_prefix.sh" "$wine" "$prefix" >/dev/null
expected='NIfTI-1 volumes 10 tr_ms 2000.0000 sidecar_files 0 by_scanner -1
NIfTI-2 volumes 10 tr_ms 723.4000 sidecar_files 0 by_scanner -1
NIfTI-1 volumes 10 tr_ms 1500.0000 sidecar_files 0 by_scanner -1
NIfTI-2 volumes 10 tr_ms 800.0000 sidecar_files 0 by_scanner -1
NIfTI-1 volumes 10 tr_ms 2000.0000 sidecar_files 1 by_scanner -1
finding: the header'"'"'s TR (pixdim[4], 1000 ms) and the sidecar'"'"'s RepetitionTime (2000 ms, disagree.json) differ by more than 0.1%: the sidecar'"'"'s is used
NIfTI-1 volumes 10 tr_ms 2000.0000 sidecar_files 3 by_scanner 4
refused: three_d.nii.gz: fewer than 4 dimensions: dim[0] is 3 (a BOLD run has x, y, z and time)
refused: zero_volumes.nii: 0 volumes: dim[4] is 0
refused: not_gzip.nii.gz: not a NIfTI file: named .nii.gz but not gzip-compressed
refused: not_nifti.nii: not a NIfTI file: no NIfTI-1 or NIfTI-2 header (sizeof_hdr is neither 348 nor 540)'
cd "$images"
status=0
sh "$windows/run_in_wine.sh" "$wine" "$prefix" "$probe" n1_ms.nii.gz n2_s.nii.gz \
  n1_big_endian.nii n2_big_endian.nii.gz disagree.nii.gz \
  ds/sub-01/func/sub-01_task-x_run-01_bold.nii.gz three_d.nii.gz zero_volumes.nii \
  not_gzip.nii.gz not_nifti.nii >probe.out || status=$?
actual=$(tr -d '\r' <probe.out)
if [ "$status" -ne 1 ] || [ "$actual" != "$expected" ]; then
  echo "bold_probe.exe exited $status (1 expected) and printed:"
  echo "$actual"
  echo "expected:"
  echo "$expected"
  exit 1
fi
echo "bold_probe.exe read every image as the Linux build does"
