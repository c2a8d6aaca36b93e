// What CheckWorker needs of the platform: one thread, a lock and a wake-up
// of those waiting under it, one file per platform (worker_sync_posix.cc
// with the standard library's threads; worker_sync_windows.cc with
// CreateThread, an SRW lock and a condition variable, since MinGW of the
// win32 thread model has no std::thread).
#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace packager::lsp {

class WorkerSync {
 public:
  WorkerSync();
  ~WorkerSync();  // the thread, if started, must have been joined
  WorkerSync(const WorkerSync&) = delete;
  WorkerSync& operator=(const WorkerSync&) = delete;

  void Lock();
  void Unlock();
  // With the lock held: gives it up until woken (or `limit` has passed),
  // then takes it again. A wait may also end unwoken: wait in a loop.
  void Wait();
  void WaitFor(std::chrono::milliseconds limit);
  // Wakes every waiter.
  void WakeAll();

  // Runs `run` on a thread of its own; Join waits for it to end.
  void Start(std::function<void()> run);
  void Join();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The lock held for a scope.
class WorkerLock {
 public:
  explicit WorkerLock(WorkerSync& sync) : sync_(sync) { sync_.Lock(); }
  ~WorkerLock() { sync_.Unlock(); }
  WorkerLock(const WorkerLock&) = delete;
  WorkerLock& operator=(const WorkerLock&) = delete;

 private:
  WorkerSync& sync_;
};

}  // namespace packager::lsp
