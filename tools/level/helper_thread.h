// A helper thread: one job at a time, for work that touches none of the
// game's globals (the game's tick runs on them, on the caller's thread).
#ifndef BRINDLECOVE_HELPER_THREAD_H
#define BRINDLECOVE_HELPER_THREAD_H

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

// Runs one job at a time on a thread of its own, for work that touches
// none of the game's globals. With no thread to be had, each job runs at
// once on the caller's. The jobs come every few hundred microseconds: the
// caller spins a while before it sleeps on its wait, so that it seldom
// waits on the system to wake it. (The helper spinning between jobs as
// well burnt more time than it saved, and made level 2's solve vary.)
class alignas(64) HelperThread {
 public:
  HelperThread() {
    try {
      thread = std::thread([this]() { serve(); });
    } catch (const std::system_error&) {
    }
  }
  ~HelperThread() {
    if (!thread.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex);
      quit = true;
    }
    changed.notify_all();
    thread.join();  // after the job in hand
  }
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

  void start(std::function<void()> work) {
    if (!thread.joinable()) {
      run(work);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex);
      job = std::move(work);
      busy.store(true, std::memory_order_release);
    }
    changed.notify_all();
  }
  // Waits for the job to end; what it threw is thrown here.
  void wait() {
    spinWhile([this]() { return busy.load(std::memory_order_acquire); });
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this]() { return !busy.load(std::memory_order_relaxed); });
    if (failure) std::rethrow_exception(std::exchange(failure, nullptr));
  }

 private:
  template <typename Still>
  static void spinWhile(Still still) {
    for (int i = 0; i < SPINS && still(); i++) {
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();  // easier on the core, and on the other thread
#endif
    }
  }
  void run(std::function<void()>& work) {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
  }
  void serve() {
    for (;;) {
      std::function<void()> work;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this]() { return busy.load(std::memory_order_relaxed) || quit; });
        if (!busy.load(std::memory_order_relaxed)) return;
        work = std::move(job);
      }
      run(work);
      {
        std::lock_guard<std::mutex> lock(mutex);
        busy.store(false, std::memory_order_release);
      }
      changed.notify_all();
    }
  }

  static const int SPINS = 4000;  // about a hundred microseconds
  std::mutex mutex;
  std::condition_variable changed;
  std::function<void()> job;
  alignas(64) std::atomic<bool> busy{false};
  bool quit = false;
  std::exception_ptr failure;
  std::thread thread;  // last: it starts once the rest is ready
  char pad[64];        // nothing of its caller's on its last line
};

#endif
