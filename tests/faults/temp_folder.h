// A fresh folder below the system's temporary folder, removed with everything
// in it when it goes out of scope (also when a test stops at a failure).
#ifndef ZRFORM_TESTS_FAULTS_TEMP_FOLDER_H_
#define ZRFORM_TESTS_FAULTS_TEMP_FOLDER_H_

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace zr::faults {

class TempFolder {
 public:
  // path() is "" when the folder could not be made.
  explicit TempFolder(const char* prefix) {
    path_ = (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    if (::mkdtemp(path_.data()) == nullptr) path_.clear();
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace zr::faults

#endif  // ZRFORM_TESTS_FAULTS_TEMP_FOLDER_H_
