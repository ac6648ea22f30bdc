// Test helpers for the store, shared with the server and ui tests: a temporary
// folder, whole-file access, and a reset of the process-wide custom and shared
// fields before and after each test.
#ifndef ZRFORM_TESTS_STORE_TEST_FOLDER_H_
#define ZRFORM_TESTS_STORE_TEST_FOLDER_H_

#include <gtest/gtest.h>

#include <string>

#include "store/custom_field_list.h"
#include "store/form_profile.h"
#include "tests/support/test_support.h"

namespace zr {

using TempFolder = ::zr::testing::TempDir;

inline std::string ReadBytes(const std::string& path) { return ::zr::testing::ReadFile(path); }
inline void WriteBytes(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(::zr::testing::WriteFile(path, bytes)) << path;
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
