// The module lock count and the shutdown monitor thread.
#include "server/module_lock.h"

#include <system_error>

namespace zr {

ModuleLock::~ModuleLock() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  event_changed_.notify_all();
  if (monitor_.joinable()) monitor_.join();
}

long ModuleLock::Unlock() {
  long count = --count_;
  if (count == 0) {
    activity_ = true;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      signalled_ = true;
    }
    event_changed_.notify_all();
  }
  return count;
}

bool ModuleLock::StartMonitor(std::function<void()> post_quit) {
  post_quit_ = std::move(post_quit);
  try {
    monitor_ = std::thread([this] { Monitor(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

bool ModuleLock::WaitEvent(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto ready = [this] { return signalled_ || stopping_; };
  if (timeout.count() < 0) {
    event_changed_.wait(lock, ready);
  } else if (!event_changed_.wait_for(lock, timeout, ready)) {
    return false;
  }
  if (stopping_) return false;
  signalled_ = false;
  return true;
}

void ModuleLock::Monitor() {
  for (;;) {
    if (!WaitEvent(std::chrono::milliseconds(-1))) return;  // stopped
    // Each release to zero within the quiet period starts it again.
    do {
      activity_ = false;
    } while (WaitEvent(quiet_period_));
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (stopping_) return;
    }
    if (!activity_ && count_ == 0) break;
  }
  post_quit_();
}

}  // namespace zr
