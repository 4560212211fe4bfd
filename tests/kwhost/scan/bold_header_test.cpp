#include "kwhost/scan/bold_header.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "bold_images.h"

namespace stimforge::kwhost {
namespace {

struct GoodImage {
  const char* file;
  int version;
  double trMs;  // 0: none, with the reason below
  const char* noTrReason;
};

void PrintTo(const GoodImage& row, std::ostream* out) {
  *out << row.file;
}

class BoldHeaderImage : public testing::TestWithParam<GoodImage> {};

TEST_P(BoldHeaderImage, GivesVersionVolumesAndTr) {
  SF_SKIP_WITHOUT_BOLD_IMAGES();
  const GoodImage& row = GetParam();
  BoldHeader header;
  std::string message;
  ASSERT_TRUE(readBoldHeader(boldImage(row.file), header, message)) << message;
  EXPECT_EQ(header.niftiVersion, row.version);
  EXPECT_EQ(header.volumes, 10);
  EXPECT_EQ(header.dataBytes, 4u * 4 * 2 * 10 * 4);  // float32 voxels
  if (row.trMs > 0) {
    ASSERT_TRUE(header.trMs.has_value());
    EXPECT_NEAR(*header.trMs, row.trMs, 1e-9);
  } else {
    EXPECT_FALSE(header.trMs.has_value());
    EXPECT_EQ(header.noTrReason, row.noTrReason);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Images, BoldHeaderImage,
    testing::Values(GoodImage{"n1_s.nii", 1, 2000, ""}, GoodImage{"n1_ms.nii.gz", 1, 2000, ""},
                    GoodImage{"n1_us.nii.gz", 1, 2500, ""},
                    GoodImage{"n1_big_endian.nii", 1, 1500, ""},
                    // pixdim[4] is a float in NIfTI-1 but a double here: 723.4 exactly.
                    GoodImage{"n2_s.nii.gz", 2, 723.4, ""}, GoodImage{"n2_ms.nii", 2, 1500, ""},
                    GoodImage{"n2_big_endian.nii.gz", 2, 800, ""},
                    // Two gzip members: the trailer is the last one's; the stream is counted.
                    GoodImage{"two_members.nii.gz", 1, 2000, ""},
                    GoodImage{"no_tr.nii.gz", 1, 0, "pixdim[4] is 0"},
                    GoodImage{"hz.nii.gz", 1, 0, "xyzt_units names a frequency, not a time"}),
    ByFile());

struct BadImage {
  const char* file;
  const char* message;  // after "FOLDER/FILE: "
};

void PrintTo(const BadImage& row, std::ostream* out) {
  *out << row.file;
}

class BoldHeaderRefusal : public testing::TestWithParam<BadImage> {};

TEST_P(BoldHeaderRefusal, NamesTheFileAndTheFault) {
  SF_SKIP_WITHOUT_BOLD_IMAGES();
  BoldHeader header;
  std::string message;
  EXPECT_FALSE(readBoldHeader(boldImage(GetParam().file), header, message));
  EXPECT_EQ(message, boldImage(GetParam().file) + ": " + GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Images, BoldHeaderRefusal,
    testing::Values(
        BadImage{"three_d.nii.gz",
                 "fewer than 4 dimensions: dim[0] is 3 (a BOLD run has x, y, z and time)"},
        BadImage{"zero_volumes.nii", "0 volumes: dim[4] is 0"},
        BadImage{"truncated.nii",
                 "damaged: truncated: 600 bytes, vox_offset and the data need 1632"},
        BadImage{"truncated_header.nii.gz",
                 "damaged: truncated: the gzip stream ends after 0 bytes, inside the header"},
        BadImage{"not_nifti.nii",
                 "not a NIfTI file: no NIfTI-1 or NIfTI-2 header (sizeof_hdr "
                 "is neither 348 nor 540)"},
        BadImage{"not_gzip.nii.gz", "not a NIfTI file: named .nii.gz but not gzip-compressed"},
        BadImage{"gzip_named_nii.nii", "not a NIfTI file: gzip-compressed but named .nii"},
        BadImage{"run1.txt", "not a NIfTI image: the name does not end in .nii or .nii.gz"},
        BadImage{"missing.nii.gz", "no such file"}),
    ByFile());

// The half-cut gzip still inflates to a whole header; only its trailer shows the damage.
TEST(BoldHeaderRefusal, TruncatedGzipIsToldByItsTrailer) {
  SF_SKIP_WITHOUT_BOLD_IMAGES();
  BoldHeader header;
  std::string message;
  EXPECT_FALSE(readBoldHeader(boldImage("truncated.nii.gz"), header, message));
  EXPECT_NE(message.find("truncated.nii.gz: damaged: truncated: its "), std::string::npos)
      << message;
}

// Cut inside its second member: refused with the sizes the bytes really have, which the
// script that wrote it counted with Python's zlib.
TEST(BoldHeaderRefusal, ACutStreamOfTwoMembersIsToldItsRealSizes) {
  SF_SKIP_WITHOUT_BOLD_IMAGES();
  std::ifstream in(boldImage("two_members_cut.expected"));
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  const auto field = [&text](const std::string& key) {
    const size_t at = text.find("\"" + key + "\": ") + key.size() + 4;
    return text.substr(at, text.find_first_of(",\n}", at) - at);
  };
  BoldHeader header;
  std::string message;
  EXPECT_FALSE(readBoldHeader(boldImage("two_members_cut.nii.gz"), header, message));
  EXPECT_EQ(message, boldImage("two_members_cut.nii.gz") + ": damaged: truncated: its " +
                         field("compressed") + " compressed bytes break off after " +
                         field("inflated") + " bytes, vox_offset and the data need " +
                         field("needed"));
}

// The first bytes of a good image, patched field by field.
std::vector<unsigned char> headerOf(const char* file) {
  std::ifstream in(boldImage(file), std::ios::binary);
  std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
  bytes.resize(540);
  return bytes;
}

template <typename T>
void put(std::vector<unsigned char>& bytes, size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

std::string problemOf(const std::vector<unsigned char>& bytes, size_t size = 540) {
  BoldHeader header;
  std::string problem;
  return checkBoldHeaderBytes(bytes.data(), size, header, problem) ? "" : problem;
}

TEST(BoldHeaderBytes, DamageInsideANifti1HeaderIsRefused) {
  SF_SKIP_WITHOUT_BOLD_IMAGES();
  // NIfTI-1: dim short[8] at 40, datatype at 70, pixdim float[8] at 76, vox_offset float at
  // 108, xyzt_units at 123, magic at 344.
  const std::vector<unsigned char> good = headerOf("n1_s.nii");
  ASSERT_EQ(problemOf(good), "");
  struct Row {
    size_t offset;
    int kind;  // 0 short, 1 float, 2 four bytes of text
    double value;
    const char* problem;
  };
  const Row rows[] = {
      {40, 0, 8, "damaged: dim[0] is 8, not 1 to 7"},
      {40, 0, 0, "damaged: dim[0] is 0, not 1 to 7"},
      {44, 0, -4, "damaged: dim[2] is -4"},
      {42, 0, 0, "damaged: dim[1] is 0"},
      {70, 0, 999, "damaged: datatype 999 has no voxel size"},
      {108, 1, 100, "damaged: vox_offset is not past the 348-byte header"},
      {108, 1, NAN, "damaged: vox_offset is not past the 348-byte header"},
      {344, 2, 0, "not a NIfTI file: its header is for a separate .img file (magic ni1)"},
  };
  for (const Row& row : rows) {
    std::vector<unsigned char> bytes = good;
    if (row.kind == 0)
      put(bytes, row.offset, static_cast<int16_t>(row.value));
    else if (row.kind == 1)
      put(bytes, row.offset, static_cast<float>(row.value));
    else
      std::memcpy(bytes.data() + row.offset, "ni1", 4);
    EXPECT_EQ(problemOf(bytes), row.problem) << "offset " << row.offset;
  }
  EXPECT_EQ(problemOf(good, 200), "damaged: truncated: the header ends after 200 of 348 bytes");
}

TEST(BoldHeaderBytes, Nifti2SizesAreCheckedForOverflow) {
  SF_SKIP_WITHOUT_BOLD_IMAGES();
  // NIfTI-2: dim int64[8] at 16, pixdim double[8] at 104, vox_offset int64 at 168.
  std::vector<unsigned char> bytes = headerOf("n2_ms.nii");
  ASSERT_EQ(problemOf(bytes), "");
  put(bytes, 16 + 8, int64_t{1} << 40);
  put(bytes, 16 + 16, int64_t{1} << 40);
  EXPECT_EQ(problemOf(bytes),
            "damaged: the data's size (dim[1] x ... x dim[4] x the voxel's size) overflows 64 "
            "bits");
  bytes = headerOf("n2_ms.nii");
  put(bytes, 168, int64_t{-1});
  EXPECT_EQ(problemOf(bytes), "damaged: vox_offset is not past the 540-byte header");
  bytes = headerOf("n2_ms.nii");
  put(bytes, 104 + 32, -1.0);
  BoldHeader header;
  std::string problem;
  ASSERT_TRUE(checkBoldHeaderBytes(bytes.data(), bytes.size(), header, problem));
  EXPECT_EQ(header.noTrReason, "pixdim[4] is not a positive number");
  put(bytes, 104 + 32, 1e-300);  // positive, but no TR in milliseconds
  ASSERT_TRUE(checkBoldHeaderBytes(bytes.data(), bytes.size(), header, problem));
  EXPECT_EQ(header.noTrReason, "pixdim[4] is below 0.1 ms");
}

// An image over 4 GiB wraps ISIZE; the wrapped value must not look truncated, while a
// trailer below the need that no wrap can explain must.
TEST(GzipCanHold, IsizeModulo2To32) {
  constexpr uint64_t kGiB = uint64_t{1} << 30;
  struct Row {
    uint64_t compressed;
    uint32_t isize;
    uint64_t needed;
    bool holds;
  } rows[] = {
      {900, 1632, 1632, true},
      {900, 1631, 1632, false},
      {900, 4000000000u, 1632, false},                      // more than 900 bytes can inflate to
      {5 * kGiB / 1000, 1 * 1024, 4 * kGiB + 1024, true},   // 4 GiB + 1 KiB, wrapped
      {3 * kGiB / 1000, 1 * 1024, 4 * kGiB + 1024, false},  // too small for the wrap
      {UINT64_MAX, 0, UINT64_MAX, false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(gzipCanHold(row.compressed, row.isize, row.needed), row.holds)
        << row.compressed << " " << row.isize << " " << row.needed;
}

}  // namespace
}  // namespace stimforge::kwhost
