// Test helpers for the store: a temporary folder removed afterwards, file
// access, and a reset of the process-wide custom and shared fields.
#ifndef ZRFORM_TESTS_STORE_TEST_FOLDER_H_
#define ZRFORM_TESTS_STORE_TEST_FOLDER_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "store/custom_field_list.h"
#include "store/form_profile.h"

namespace zr {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zrtestXXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Each test starts as a fresh process would: no custom fields, default shared fields.
class StoreTest : public ::testing::Test {
 protected:
  StoreTest() { ResetProcessState(); }
  ~StoreTest() override { ResetProcessState(); }
  static void ResetProcessState() {
    CustomFields().Reset();
    SharedNames().Reset();
  }
  TempFolder folder_;
};

}  // namespace zr

#endif  // ZRFORM_TESTS_STORE_TEST_FOLDER_H_
