// A temporary folder for one test, removed with everything in it when the test ends.
#ifndef STIMFORGE_TESTS_KWHOST_STUDY_STUDY_TEST_FOLDER_H_
#define STIMFORGE_TESTS_KWHOST_STUDY_STUDY_TEST_FOLDER_H_

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace stimforge::kwhost {

class TestFolder {
 public:
  TestFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("kwhost-study-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes `text` to the file at `relative` ("/" between folders), making its folders.
  void write(const std::string& relative, const std::string& text = "") const {
    const std::filesystem::path file = path_ / std::filesystem::u8path(relative);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_TESTS_KWHOST_STUDY_STUDY_TEST_FOLDER_H_
