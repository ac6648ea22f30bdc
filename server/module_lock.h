// The module lock: the count of outstanding references that keep the server
// alive, and the shutdown monitor, a thread that asks the main thread to quit
// once the count has come back to zero and stayed there for the quiet period.
#ifndef ZRFORM_SERVER_MODULE_LOCK_H_
#define ZRFORM_SERVER_MODULE_LOCK_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace zr {

inline constexpr std::chrono::milliseconds kQuietPeriod{5000};
inline constexpr std::chrono::milliseconds kRevokePause{1000};

class ModuleLock {
 public:
  explicit ModuleLock(std::chrono::milliseconds quiet_period = kQuietPeriod)
      : quiet_period_(quiet_period) {}
  // Stops the monitor (if it still runs) and waits for it.
  ~ModuleLock();
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;

  // Adds one reference; returns the new count.
  long Lock() { return ++count_; }
  // Gives one back; when the count reaches zero the quiet period (re)starts.
  // Returns the new count.
  long Unlock();
  long count() const { return count_.load(); }

  // Starts the monitor thread. post_quit is called once, on the monitor
  // thread, when the server should end; it must only post to the main thread.
  // False when the thread cannot be created: the server then never ends by itself.
  bool StartMonitor(std::function<void()> post_quit);

 private:
  void Monitor();
  // Waits for the event (auto-reset) up to timeout, or without limit when
  // timeout is negative. True when it was signalled, false on timeout or stop.
  bool WaitEvent(std::chrono::milliseconds timeout);

  const std::chrono::milliseconds quiet_period_;
  std::atomic<long> count_{0};
  std::atomic<bool> activity_{false};
  std::mutex mutex_;
  std::condition_variable event_changed_;
  bool signalled_ = false;  // guarded by mutex_
  bool stopping_ = false;   // guarded by mutex_
  std::function<void()> post_quit_;
  std::thread monitor_;
};

}  // namespace zr

#endif  // ZRFORM_SERVER_MODULE_LOCK_H_
