// Forked test children: their outcome travels back as the exit status, a skip
// reason through a pipe.
#include "tests/faults/child_process.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zr::faults {

namespace {

constexpr int kSkippedStatus = 77;
constexpr int kFailedStatus = 1;

int reason_fd = -1;  // the child's end of the pipe that carries a skip reason

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

[[noreturn]] void EndChild(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  ::_exit(status);  // no atexit handlers: they belong to the parent
}

}  // namespace

std::string ErrnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

ChildOutcome RunInChild(const std::function<void()>& body) {
  ChildOutcome outcome;
  int fds[2];
  if (::pipe(fds) != 0) {
    outcome.message = ErrnoText("pipe");
    return outcome;
  }
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t pid = ::fork();
  if (pid < 0) {
    outcome.message = ErrnoText("fork");
    ::close(fds[0]);
    ::close(fds[1]);
    return outcome;
  }
  if (pid == 0) {
    ::close(fds[0]);
    reason_fd = fds[1];
    body();
    EndChild(::testing::Test::HasFailure() ? kFailedStatus : 0);
  }
  ::close(fds[1]);
  std::string reason;
  char buffer[512];
  for (;;) {
    ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    reason.append(buffer, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    outcome.result = ChildOutcome::kPassed;
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == kSkippedStatus) {
    outcome.result = ChildOutcome::kSkipped;
    outcome.message = reason;
  } else if (WIFEXITED(status)) {
    outcome.message = "the child process reported failures (printed above)";
  } else {
    outcome.message = "the child process died of signal " + std::to_string(WTERMSIG(status));
  }
  return outcome;
}

void SkipChild(const std::string& reason) {
  if (reason_fd >= 0) WriteAll(reason_fd, reason);
  EndChild(kSkippedStatus);
}

bool NobodyIds(uid_t& uid, gid_t& gid) {
  const passwd* entry = ::getpwnam("nobody");
  if (entry == nullptr) return false;
  uid = entry->pw_uid;
  gid = entry->pw_gid;
  return true;
}

void DropRootToNobody() {
  if (::geteuid() != 0) return;
  uid_t uid;
  gid_t gid;
  if (!NobodyIds(uid, gid)) SkipChild("running as root and there is no user \"nobody\" to become");
  if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
    SkipChild("running as root and cannot become \"nobody\": " + ErrnoText("setuid"));
  }
  if (::geteuid() == 0) SkipChild("running as root and still root after setuid(nobody)");
}

}  // namespace zr::faults
