// Helpers shared by every test folder: a locale, environment variables and a
// temporary folder, each restored or removed when it goes out of scope, and
// whole-file reads and writes.
#ifndef ZRFORM_TESTS_SUPPORT_TEST_SUPPORT_H_
#define ZRFORM_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>

#include "platform/code_page.h"

namespace zr::testing {

// Switches LC_ALL to the first of names that is installed and has the given
// codeset (any codeset when empty); ok() tells whether one was.
class ScopedLocale {
 public:
  ScopedLocale(std::initializer_list<const char*> names, const std::string& codeset = "") {
    saved_ = std::setlocale(LC_ALL, nullptr);
    for (const char* name : names) {
      if (std::setlocale(LC_ALL, name) == nullptr) continue;
      if (codeset.empty() || CodePageName() == codeset) {
        ok_ = true;
        return;
      }
    }
    std::setlocale(LC_ALL, saved_.c_str());
  }
  ~ScopedLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

  bool ok() const { return ok_; }

 private:
  std::string saved_;
  bool ok_ = false;
};

// Sets (or, with nullopt, unsets) one environment variable for its lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (saved_) {
      ::setenv(name_, saved_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// A fresh folder below the system's temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zrplatformXXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // path() is "" when the folder could not be made.
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The whole content of a file ("" when it cannot be read).
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file with bytes; false when it cannot be written.
inline bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out.flush());
}

}  // namespace zr::testing

#endif  // ZRFORM_TESTS_SUPPORT_TEST_SUPPORT_H_
