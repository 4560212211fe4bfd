// A fresh folder for one test, removed with everything in it when the test ends.
#ifndef STIMFORGE_TESTS_STANDIN_TEMP_FOLDER_H_
#define STIMFORGE_TESTS_STANDIN_TEMP_FOLDER_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace stimforge::kwhost::testing {

class TempFolder {
 public:
  TempFolder() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::random_device random;
    path_ =
        std::filesystem::temp_directory_path() /
        ("kwhost-" + std::string(test ? test->name() : "test") + "-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

  // Writes `content` to the file `name` in the folder and returns its path.
  std::string write(const std::string& name, const std::string& content) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << content;
    return file(name);
  }

  // The content of the file `name` ("" when it does not exist).
  std::string read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  // The names of the folder's entries, sorted.
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace stimforge::kwhost::testing

#endif  // STIMFORGE_TESTS_STANDIN_TEMP_FOLDER_H_
