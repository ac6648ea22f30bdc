// Store test helpers, also used by server and ui tests: folder, files, fresh process state.
#ifndef ZRFORM_TESTS_STORE_TEST_FOLDER_H_
#define ZRFORM_TESTS_STORE_TEST_FOLDER_H_

#include <gtest/gtest.h>

#include "store/custom_field_list.h"
#include "store/form_profile.h"
#include "tests/support/test_support.h"

namespace zr {

using TempFolder = ::zr::testing::TempDir;

inline std::string ReadBytes(const std::string& path) { return ::zr::testing::ReadFile(path); }
inline void WriteBytes(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(::zr::testing::WriteFile(path, bytes)) << path;
}

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
