// The events files of the shared real logs, checked by the reference BIDS validator (the npm
// package bids-validator 1.15.0, installed by `scripts/install-deps.sh bids`) inside a
// minimal dataset, and by our own value rules.
//
// The run's image is a gzip NIfTI-1 file written here: the gzip stream holds stored
// (uncompressed) deflate blocks with a CRC-32 of our own, which every reader takes and which
// needs no compression library for a test file of a few kilobytes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstring>
#include <string>
#include <vector>

#include "events_file_check.h"
#include "kwhost_e2e_support.h"
#include "kwhost_runner.h"

namespace stimforge::kwhost::testing {
namespace {

uint32_t crc32Of(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : data) {
    crc ^= static_cast<uint8_t>(byte);
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void putLittle(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A gzip member of `data` in stored deflate blocks (at most 65535 bytes each).
std::string gzipStored(const std::string& data) {
  std::string out("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\xFF", 10);
  size_t at = 0;
  do {
    const size_t length = std::min<size_t>(65535, data.size() - at);
    out += static_cast<char>(at + length == data.size() ? 1 : 0);  // BFINAL, BTYPE 00
    putLittle(out, static_cast<uint32_t>(length), 2);
    putLittle(out, static_cast<uint32_t>(~length & 0xFFFF), 2);
    out.append(data, at, length);
    at += length;
  } while (at < data.size());
  putLittle(out, crc32Of(data), 4);
  putLittle(out, static_cast<uint32_t>(data.size()), 4);
  return out;
}

template <typename T>
void put(std::string& header, size_t offset, T value) {
  std::memcpy(&header[offset], &value, sizeof value);
}

// A NIfTI-1 image of 2 x 2 x 2 voxels and `volumes` volumes, its TR in pixdim[4].
std::string boldImage(int16_t volumes, float trSeconds) {
  std::string header(352, '\0');  // the 348-byte header and 4 bytes of no extension
  put<int32_t>(header, 0, 348);
  const int16_t dims[8] = {4, 2, 2, 2, volumes, 1, 1, 1};
  for (int i = 0; i < 8; ++i)
    put<int16_t>(header, 40 + 2 * i, dims[i]);
  put<int16_t>(header, 70, 2);  // datatype: unsigned char
  put<int16_t>(header, 72, 8);  // bitpix
  const float pixdim[8] = {1.0f, 3.0f, 3.0f, 3.0f, trSeconds, 0, 0, 0};
  for (int i = 0; i < 8; ++i)
    put<float>(header, 76 + 4 * i, pixdim[i]);
  put<float>(header, 108, 352.0f);  // vox_offset
  put<float>(header, 112, 1.0f);    // scl_slope
  header[123] = 2 | 8;              // xyzt_units: mm and s
  put<int16_t>(header, 252, 1);     // qform_code: scanner
  put<int16_t>(header, 254, 1);     // sform_code
  const float srow[12] = {3, 0, 0, 0, 0, 3, 0, 0, 0, 0, 3, 0};
  for (int i = 0; i < 12; ++i)
    put<float>(header, 280 + 4 * i, srow[i]);
  std::memcpy(&header[344], "n+1\0", 4);
  std::string voxels(static_cast<size_t>(8) * volumes, '\0');
  for (size_t i = 0; i < voxels.size(); ++i)
    voxels[i] = static_cast<char>(i * 7 % 251);
  return gzipStored(header + voxels);
}

std::string validatorPath() {
  return SF_BIDS_VALIDATOR;
}

// Writes the events of `log` (a path) with `options` into a minimal dataset whose run has
// `volumes` volumes of 2 s, and checks them with the validator and our own rules.
void checkWithTheValidator(const std::string& log, const std::vector<std::string>& options,
                           int16_t volumes) {
  TempFolder dataset;
  const std::string func = "sub-01/func";
  std::filesystem::create_directories(dataset.path() / func);
  dataset.write("dataset_description.json",
                "{\"Name\": \"kwhost events\", \"BIDSVersion\": \"1.8.0\"}\n");
  dataset.write("README", "The events of a log, written by kwhost events.\n");
  dataset.write(func + "/sub-01_task-x_run-1_bold.nii.gz", boldImage(volumes, 2.0f));
  dataset.write(func + "/sub-01_task-x_run-1_bold.json",
                "{\"RepetitionTime\": 2.0, \"TaskName\": \"x\"}\n");
  std::vector<std::string> args = {"events",    log, "--bids-name", "sub-01_task-x_run-1",
                                   "--out-dir", func};
  args.insert(args.end(), options.begin(), options.end());
  const KwhostResult written = runKwhost(dataset, args);
  ASSERT_EQ(written.status, 0) << written.err;

  const std::string tsv = dataset.read(func + "/sub-01_task-x_run-1_events.tsv");
  const std::string json = dataset.read(func + "/sub-01_task-x_run-1_events.json");
  EXPECT_EQ(eventsFileProblem(tsv, json), "");

  TempFolder streams;
  const std::string command =
      shellQuoted(validatorPath()) + " --json " + shellQuoted(dataset.path().string()) + " >" +
      shellQuoted(streams.file("out")) + " 2>" + shellQuoted(streams.file("err"));
  const int status = std::system(command.c_str());
  const nlohmann::json report = nlohmann::json::parse(streams.read("out"), nullptr, false);
  ASSERT_TRUE(report.is_object()) << "status " << status << ": " << streams.read("err");
  EXPECT_TRUE(report["issues"]["errors"].empty()) << report["issues"]["errors"].dump(2);
  for (const nlohmann::json& warning : report["issues"]["warnings"])
    EXPECT_EQ(warning.dump().find("_events."), std::string::npos) << warning.dump(2);
}

TEST(BidsValidator, EventsOfTheRealLogsPassTheReferenceValidator) {
  ASSERT_TRUE(std::filesystem::exists(validatorPath()))
      << "the BIDS validator is not installed at " << validatorPath()
      << ": run `sh scripts/install-deps.sh bids` (npm install of bids-validator@1.15.0)";
  SF_SKIP_WITHOUT_REAL_LOGS();
  // 240 triggers 2 s apart in each log: 240 volumes cover every onset.
  for (const char* stem : {"idor_sound", "idor_two_tables"}) {
    SCOPED_TRACE(stem);
    checkWithTheValidator(realLogsFolder() + "/" + stem + ".log", {}, 240);
  }
}

// The log's own columns, each described in the sidecar, pass too: its last onset is 6 s.
TEST(BidsValidator, ExtraColumnsPassTheReferenceValidator) {
  ASSERT_TRUE(std::filesystem::exists(validatorPath()));
  checkWithTheValidator(std::string(SF_SAMPLES_DIR) + "/stimulus_properties.log",
                        {"--columns",
                         "stim_type,pair_index,ttime,time_uncertainty,duration_uncertainty,"
                         "req_time,req_dur"},
                        5);
}

}  // namespace
}  // namespace stimforge::kwhost::testing
