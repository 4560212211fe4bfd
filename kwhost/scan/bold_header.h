// The header of a BOLD run's NIfTI image (.nii or .nii.gz, NIfTI-1 or NIfTI-2): the volume
// count and the repetition time, read through nifticlib without reading any of the data, so
// that the time taken does not grow with the image. Host-free.
//
// Times are milliseconds in a double. A header stores pixdim[4] as a float (NIfTI-1) or a
// double (NIfTI-2); a float is taken at its shortest decimal of 7 significant digits, so a
// pixdim[4] of 0.7234 s gives 723.4 ms, not 723.39999676 ms.
#ifndef STIMFORGE_KWHOST_SCAN_BOLD_HEADER_H_
#define STIMFORGE_KWHOST_SCAN_BOLD_HEADER_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "kwhost/settings/run_settings.h"

namespace stimforge::kwhost {

// A TR beyond kMaxTrMs (one hour, kwhost/settings/run_settings.h) is no repetition time, in a
// header or a sidecar, as it is no TR a user may give.

// What kwhost takes from a header that passed its checks.
struct BoldHeader {
  int niftiVersion = 0;        // 1 or 2
  int64_t volumes = 0;         // dim[4], at least 1
  std::optional<double> trMs;  // pixdim[4] in its unit; empty: no TR in the header
  std::string noTrReason;      // when trMs is empty: why, e.g. "xyzt_units names no time unit"
  uint64_t dataOffset = 0;     // vox_offset
  uint64_t dataBytes = 0;      // dim[1] x ... x dim[dim[0]] x the voxel's size
};

// kwhost's checks on a header held in memory: `size` bytes (348 for NIfTI-1, 540 for
// NIfTI-2; more are ignored). The version comes from sizeof_hdr, read in either byte order;
// a header in the other byte order is swapped with nifticlib's swap routine first. Checks:
// sizeof_hdr and magic (single-file "n+1" / "n+2"); dim[0] 4 to 7; dim[1..dim[0]] >= 1
// (dim[4], the volume count, too); a datatype of known voxel size; the data's size without
// overflow; vox_offset past the header. pixdim[4] is a TR when the time bits of xyzt_units
// name s, ms or µs and the TR it gives in milliseconds is from kMinTrMs to kMaxTrMs;
// otherwise trMs stays
// empty with noTrReason set (units 0, Hz, ppm, rad/s or a pixdim of 0 mean no TR).
// Returns false with `problem` set to one line without the file's name, beginning with what
// is wrong: "not a NIfTI file: ...", "fewer than 4 dimensions: ...", "0 volumes: ...",
// "damaged: ...".
[[nodiscard]] bool checkBoldHeaderBytes(const void* bytes, size_t size, BoldHeader& header,
                                        std::string& problem);

// Reads the header of `image` (named .nii or .nii.gz) and checks it as above, then checks
// that the file holds vox_offset + the data's size: a .nii by its size on disk, a .nii.gz
// by its gzip trailer (ISIZE, the size modulo 2^32; some ISIZE + k * 2^32 must lie between
// that need and the most the compressed size can inflate to). A .nii.gz must be gzip (its
// first two bytes). Only the last member of a gzip file has its size in the trailer: a file
// of several members (as block-gzip tools write) may be refused as truncated. Reads the
// header (through nifticlib's znzlib, which inflates only as far as it reads; never through
// nifti_image, which would turn a dim or pixdim of 0 into 1), the first two bytes and the
// last four, nothing else. nifticlib opens the file by its narrow name: on Windows, a name
// outside the ANSI code page cannot be read.
// Returns false with `message` set to one line naming the file, e.g.
// "run1_bold.nii.gz: damaged: truncated: ...".
[[nodiscard]] bool readBoldHeader(const std::filesystem::path& image, BoldHeader& header,
                                  std::string& message);

// Whether a gzip file of `compressedBytes` bytes, whose trailer says `isize`, can hold
// `neededBytes` once inflated: some isize + k * 2^32 (k >= 0) lies in
// [neededBytes, compressedBytes * 1032], deflate's largest ratio being about 1032:1.
bool gzipCanHold(uint64_t compressedBytes, uint32_t isize, uint64_t neededBytes);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SCAN_BOLD_HEADER_H_
