// Where make_bold_images.py wrote the test images (the CTest fixture kwhost.scan.MakeBoldImages).
#ifndef STIMFORGE_TESTS_KWHOST_SCAN_BOLD_IMAGES_H_
#define STIMFORGE_TESTS_KWHOST_SCAN_BOLD_IMAGES_H_

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace stimforge::kwhost {

inline std::string boldImage(const std::string& name) {
  return std::string(SF_BOLD_IMAGES) + "/" + name;
}

// A test name from a file name: letters and digits, everything else '_'.
inline std::string testNameOf(const std::string& file) {
  std::string name;
  for (char c : file)
    name += (std::isalnum(static_cast<unsigned char>(c)) != 0) ? c : '_';
  return name;
}

// Names the rows of a table whose rows have a `file`.
struct ByFile {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return testNameOf(info.param.file);
  }
};

}  // namespace stimforge::kwhost

#ifdef SF_NO_BOLD_IMAGES
#define SF_SKIP_WITHOUT_BOLD_IMAGES() GTEST_SKIP() << "no python3 with nibabel"
#else
#define SF_SKIP_WITHOUT_BOLD_IMAGES() static_cast<void>(0)
#endif

#endif  // STIMFORGE_TESTS_KWHOST_SCAN_BOLD_IMAGES_H_
