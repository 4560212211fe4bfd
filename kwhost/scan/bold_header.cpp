#include "kwhost/scan/bold_header.h"

#include <nifti2_io.h>
#include <zlib.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <system_error>
#include <vector>

namespace stimforge::kwhost {
namespace {

constexpr int32_t kNifti1Size = 348;
constexpr int32_t kNifti2Size = 540;
constexpr uint64_t kMaxDeflateRatio = 1032;

int32_t swapped32(int32_t value) {
  uint32_t u;
  std::memcpy(&u, &value, sizeof u);
  u = (u >> 24) | ((u >> 8) & 0xFF00u) | ((u << 8) & 0xFF0000u) | (u << 24);
  int32_t result;
  std::memcpy(&result, &u, sizeof result);
  return result;
}

std::string number(int64_t value) {
  return std::to_string(value);
}

// A float's shortest decimal of 7 significant digits, so that 0.7234f reads as 0.7234.
double floatAsDecimal(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
  return std::strtod(text, nullptr);
}

// The version-free fields that the checks read.
struct Fields {
  int version = 0;
  const char* magic = nullptr;  // 4 or 8 bytes, not terminated
  int64_t dim[8] = {};
  double pixdim4 = 0;
  int32_t datatype = 0;
  double voxOffset = 0;
  int32_t xyztUnits = 0;
};

void readTr(const Fields& f, BoldHeader& header) {
  double scale = 0;  // to milliseconds
  switch (XYZT_TO_TIME(f.xyztUnits)) {
    case NIFTI_UNITS_SEC:
      scale = 1000.0;
      break;
    case NIFTI_UNITS_MSEC:
      scale = 1.0;
      break;
    case NIFTI_UNITS_USEC:
      scale = 0.001;
      break;
    case 0:
      header.noTrReason = "xyzt_units names no time unit";
      return;
    default:
      header.noTrReason = "xyzt_units names a frequency, not a time";
      return;
  }
  if (!std::isfinite(f.pixdim4) || f.pixdim4 <= 0) {
    header.noTrReason = f.pixdim4 == 0 ? "pixdim[4] is 0" : "pixdim[4] is not a positive number";
    return;
  }
  // The range holds for the TR in milliseconds, after its unit: a tiny pixdim[4] in
  // microseconds is no TR either.
  const double ms = f.pixdim4 * scale;
  if (!(ms <= kMaxTrMs)) {
    header.noTrReason = "pixdim[4] is beyond an hour";
    return;
  }
  if (!(ms >= kMinTrMs)) {
    header.noTrReason = "pixdim[4] is below 0.1 ms";
    return;
  }
  header.trMs = ms;
}

bool checkFields(const Fields& f, BoldHeader& header, std::string& problem) {
  const int64_t rank = f.dim[0];
  if (rank < 1 || rank > 7) {
    problem = "damaged: dim[0] is " + number(rank) + ", not 1 to 7";
    return false;
  }
  if (rank < 4) {
    problem =
        "fewer than 4 dimensions: dim[0] is " + number(rank) + " (a BOLD run has x, y, z and time)";
    return false;
  }
  for (int i = 1; i <= rank; ++i) {
    if (f.dim[i] < 0 || (f.dim[i] == 0 && i != 4)) {
      problem = "damaged: dim[" + number(i) + "] is " + number(f.dim[i]);
      return false;
    }
  }
  if (f.dim[4] == 0) {
    problem = "0 volumes: dim[4] is 0";
    return false;
  }
  int voxelBytes = 0;
  int swapSize = 0;
  nifti_datatype_sizes(f.datatype, &voxelBytes, &swapSize);
  if (voxelBytes <= 0) {
    problem = "damaged: datatype " + number(f.datatype) + " has no voxel size";
    return false;
  }
  uint64_t bytes = static_cast<uint64_t>(voxelBytes);
  for (int i = 1; i <= rank; ++i) {
    const auto extent = static_cast<uint64_t>(f.dim[i]);
    if (bytes > std::numeric_limits<uint64_t>::max() / extent) {
      problem = "damaged: the data's size (dim[1] x ... x dim[" + number(rank) +
                "] x the voxel's size) overflows 64 bits";
      return false;
    }
    bytes *= extent;
  }
  const int64_t headerSize = f.version == 1 ? kNifti1Size : kNifti2Size;
  // 2^63 as a double: vox_offset is compared as a double first, so that a NaN or a huge
  // float never reaches the conversion.
  if (!(f.voxOffset >= static_cast<double>(headerSize) && f.voxOffset < 9.2e18)) {
    problem = "damaged: vox_offset is not past the " + number(headerSize) + "-byte header";
    return false;
  }
  const auto offset = static_cast<uint64_t>(f.voxOffset);
  if (bytes > std::numeric_limits<uint64_t>::max() - offset) {
    problem = "damaged: vox_offset plus the data's size overflows 64 bits";
    return false;
  }
  header = BoldHeader{};
  header.niftiVersion = f.version;
  header.volumes = f.dim[4];
  header.dataOffset = offset;
  header.dataBytes = bytes;
  readTr(f, header);
  return true;
}

}  // namespace

bool checkBoldHeaderBytes(const void* bytes, size_t size, BoldHeader& header,
                          std::string& problem) {
  int32_t sizeofHdr = 0;
  if (size < sizeof sizeofHdr) {
    problem = "not a NIfTI file: shorter than a header size";
    return false;
  }
  std::memcpy(&sizeofHdr, bytes, sizeof sizeofHdr);
  bool swap = false;
  if (sizeofHdr != kNifti1Size && sizeofHdr != kNifti2Size) {
    sizeofHdr = swapped32(sizeofHdr);
    swap = true;
  }
  if (sizeofHdr != kNifti1Size && sizeofHdr != kNifti2Size) {
    problem = "not a NIfTI file: no NIfTI-1 or NIfTI-2 header (sizeof_hdr is neither 348 nor 540)";
    return false;
  }
  if (size < static_cast<size_t>(sizeofHdr)) {
    problem = "damaged: truncated: the header ends after " + number(static_cast<int64_t>(size)) +
              " of " + number(sizeofHdr) + " bytes";
    return false;
  }
  Fields f;
  if (sizeofHdr == kNifti1Size) {
    nifti_1_header h;
    std::memcpy(&h, bytes, sizeof h);
    if (swap)
      swap_nifti_header(&h, 1);
    if (std::memcmp(h.magic, "n+1", 4) != 0) {
      problem = std::memcmp(h.magic, "ni1", 4) == 0
                    ? "not a NIfTI file: its header is for a separate .img file (magic ni1)"
                    : "not a NIfTI file: bad magic for NIfTI-1 (not \"n+1\")";
      return false;
    }
    f.version = 1;
    for (int i = 0; i < 8; ++i)
      f.dim[i] = h.dim[i];
    f.pixdim4 = floatAsDecimal(h.pixdim[4]);
    f.datatype = h.datatype;
    f.voxOffset = h.vox_offset;
    f.xyztUnits = static_cast<unsigned char>(h.xyzt_units);
  } else {
    nifti_2_header h;
    std::memcpy(&h, bytes, sizeof h);
    if (swap)
      swap_nifti_header(&h, 2);
    if (std::memcmp(h.magic, "n+2\0\r\n\032\n", 8) != 0) {
      problem = "not a NIfTI file: bad magic for NIfTI-2 (not \"n+2\")";
      return false;
    }
    f.version = 2;
    for (int i = 0; i < 8; ++i)
      f.dim[i] = h.dim[i];
    f.pixdim4 = h.pixdim[4];
    f.datatype = h.datatype;
    f.voxOffset = static_cast<double>(h.vox_offset);
    f.xyztUnits = h.xyzt_units;
  }
  return checkFields(f, header, problem);
}

bool gzipCanHold(uint64_t compressedBytes, uint32_t isize, uint64_t neededBytes) {
  constexpr uint64_t kWrap = uint64_t{1} << 32;
  const uint64_t most = compressedBytes > std::numeric_limits<uint64_t>::max() / kMaxDeflateRatio
                            ? std::numeric_limits<uint64_t>::max()
                            : compressedBytes * kMaxDeflateRatio;
  // The smallest isize + k * 2^32 that is at least neededBytes.
  uint64_t candidate = isize;
  if (candidate < neededBytes) {
    const uint64_t shortBy = neededBytes - candidate;
    const uint64_t wraps = shortBy / kWrap + (shortBy % kWrap != 0 ? 1 : 0);
    if (wraps > (std::numeric_limits<uint64_t>::max() - candidate) / kWrap)
      return false;
    candidate += wraps * kWrap;
  }
  return candidate <= most;
}

namespace {

bool endsWith(const std::string& text, const char* tail) {
  const size_t n = std::strlen(tail);
  return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// The first two bytes (gzip's magic is 1f 8b) and the last four (gzip's ISIZE, little
// endian) of a file, read with two seeks. Returns false when either cannot be read.
bool readEnds(const std::filesystem::path& file, unsigned char first[2], unsigned char last[4]) {
  std::ifstream in(file, std::ios::binary);
  if (!in.read(reinterpret_cast<char*>(first), 2))
    return false;
  in.seekg(-4, std::ios::end);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(last), 4));
}

// Up to kNifti2Size bytes of the (inflated) file through nifticlib's reader, which inflates
// only as far as it reads. Returns the count read, or -1 when the stream cannot be read.
int64_t readHeaderBytes(const std::filesystem::path& file, bool gzip,
                        std::array<unsigned char, kNifti2Size>& buffer) {
  znzFile in = znzopen(file.string().c_str(), "rb", gzip ? 1 : 0);
  if (znz_isnull(in))
    return -1;
#ifdef HAVE_ZLIB
  // zlib fills a buffer of 16 KB before it hands over the first byte; a header needs 540,
  // and a study reads a thousand of them.
  if (gzip && in->withz && in->zfptr != nullptr)
    gzbuffer(in->zfptr, 1024);
#endif
  const size_t got = znzread(buffer.data(), 1, buffer.size(), in);
  znzclose(in);
  // znzread passes gzread's -1 on through its size_t.
  return got > buffer.size() ? -1 : static_cast<int64_t>(got);
}

// The whole gzip stream of `file` inflated and counted, nothing kept: for a file whose trailer
// does not hold its size (several gzip members, as block-gzip tools write them). Returns
// the bytes inflated; `complete` tells whether the stream ended as it should.
uint64_t inflatedBytes(const std::filesystem::path& file, bool& complete) {
  complete = false;
  gzFile in = gzopen(file.string().c_str(), "rb");
  if (in == nullptr)
    return 0;
  gzbuffer(in, 1 << 16);
  std::vector<char> piece(1 << 16);
  uint64_t total = 0;
  int got = 0;
  while ((got = gzread(in, piece.data(), static_cast<unsigned>(piece.size()))) > 0)
    total += static_cast<uint64_t>(got);
  int status = Z_OK;
  gzerror(in, &status);
  complete = got == 0 && status == Z_OK;
  gzclose(in);
  return total;
}

// Whether the gzip stream of `file` holds `needed` bytes: the trailer says so for a file of one
// member; otherwise the stream is inflated to its end. False with `problem` set.
bool gzipHolds(const std::filesystem::path& file, uint64_t fileBytes, uint32_t isize,
               uint64_t needed, std::string& problem) {
  if (gzipCanHold(fileBytes, isize, needed))
    return true;
  bool complete = false;
  const uint64_t inflated = inflatedBytes(file, complete);
  if (inflated >= needed && complete)
    return true;
  problem = "damaged: truncated: its " + std::to_string(fileBytes) + " compressed bytes " +
            (complete ? "inflate to " : "break off after ") + std::to_string(inflated) +
            " bytes, vox_offset and the data need " + std::to_string(needed);
  return false;
}

}  // namespace

bool readBoldHeader(const std::filesystem::path& image, BoldHeader& header, std::string& message) {
  const std::string name = image.string();
  const std::string fileName = image.filename().string();
  const bool gzip = endsWith(fileName, ".nii.gz");
  if (!gzip && !endsWith(fileName, ".nii")) {
    message = name + ": not a NIfTI image: the name does not end in .nii or .nii.gz";
    return false;
  }
  std::error_code error;
  const auto status = std::filesystem::status(image, error);
  if (!std::filesystem::exists(status)) {
    message = name + ": no such file";
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    message = name + ": not a file";
    return false;
  }
  const uint64_t fileBytes = std::filesystem::file_size(image, error);
  unsigned char first[2] = {};
  unsigned char last[4] = {};
  if (error || fileBytes < 4 || !readEnds(image, first, last)) {
    message = name + (error ? ": cannot be read" : ": not a NIfTI file: too short for a header");
    return false;
  }
  const bool isGzip = first[0] == 0x1f && first[1] == 0x8b;
  if (gzip != isGzip) {
    message = name + (gzip ? ": not a NIfTI file: named .nii.gz but not gzip-compressed"
                           : ": not a NIfTI file: gzip-compressed but named .nii");
    return false;
  }
  std::array<unsigned char, kNifti2Size> buffer{};
  const int64_t got = readHeaderBytes(image, gzip, buffer);
  if (got < 0) {
    message = name + (gzip ? ": damaged: the gzip stream breaks off or is corrupt in the header"
                           : ": cannot be read");
    return false;
  }
  if (gzip && got < 4) {
    message = name + ": damaged: truncated: the gzip stream ends after " + std::to_string(got) +
              " bytes, inside the header";
    return false;
  }
  std::string problem;
  if (!checkBoldHeaderBytes(buffer.data(), static_cast<size_t>(got), header, problem)) {
    message = name + ": " + problem;
    return false;
  }
  const uint64_t needed = header.dataOffset + header.dataBytes;  // checked against overflow
  if (!gzip && fileBytes < needed) {
    message = name + ": damaged: truncated: " + std::to_string(fileBytes) +
              " bytes, vox_offset and the data need " + std::to_string(needed);
    return false;
  }
  const uint32_t isize = uint32_t{last[0]} | uint32_t{last[1]} << 8 | uint32_t{last[2]} << 16 |
                         uint32_t{last[3]} << 24;
  if (gzip && !gzipHolds(image, fileBytes, isize, needed, problem)) {
    message = name + ": " + problem;
    return false;
  }
  return true;
}

}  // namespace stimforge::kwhost
