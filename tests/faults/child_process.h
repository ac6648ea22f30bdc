// Running a test body in a forked child: for namespaces, lowered privileges
// and mounts that must not outlive it. The child's GoogleTest failures are
// printed by the child and turn into a failure of the parent's test.
#ifndef ZRFORM_TESTS_FAULTS_CHILD_PROCESS_H_
#define ZRFORM_TESTS_FAULTS_CHILD_PROCESS_H_

#include <sys/types.h>

#include <functional>
#include <string>

namespace zr::faults {

struct ChildOutcome {
  enum Result { kPassed, kFailed, kSkipped } result = kFailed;
  std::string message;  // the skip reason, or why the child failed
};

// Runs body in a forked child and waits for it. REQUIRES: a single-threaded process.
ChildOutcome RunInChild(const std::function<void()>& body);

// Inside body: ends the child at once as skipped, with reason.
[[noreturn]] void SkipChild(const std::string& reason);

// The user id and group id of "nobody"; false when there is no such user.
bool NobodyIds(uid_t& uid, gid_t& gid);

// Inside body: when running as root, becomes "nobody" for good, so that
// permission bits are enforced; skips the child when that is refused.
void DropRootToNobody();

// errno's text with the call that set it: "what: text".
std::string ErrnoText(const std::string& what);

}  // namespace zr::faults

// In a TEST: runs body in a child and reports its outcome (skip, failure).
#define ZR_RUN_IN_CHILD(...)                                                                 \
  do {                                                                                       \
    ::zr::faults::ChildOutcome zr_outcome = ::zr::faults::RunInChild(__VA_ARGS__);           \
    if (zr_outcome.result == ::zr::faults::ChildOutcome::kSkipped) {                         \
      GTEST_SKIP() << zr_outcome.message;                                                    \
    }                                                                                        \
    ASSERT_EQ(zr_outcome.result, ::zr::faults::ChildOutcome::kPassed) << zr_outcome.message; \
  } while (false)

#endif  // ZRFORM_TESTS_FAULTS_CHILD_PROCESS_H_
