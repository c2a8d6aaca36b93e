// WorkerSync on the standard library's threads.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "lsp/worker_sync.h"

namespace packager::lsp {

struct WorkerSync::State {
  std::mutex mutex;
  std::condition_variable changed;
  std::thread thread;
};

WorkerSync::WorkerSync() : state_(std::make_unique<State>()) {}
WorkerSync::~WorkerSync() = default;

void WorkerSync::Lock() { state_->mutex.lock(); }
void WorkerSync::Unlock() { state_->mutex.unlock(); }

void WorkerSync::Wait() {
  std::unique_lock lock(state_->mutex, std::adopt_lock);
  state_->changed.wait(lock);
  lock.release();
}

void WorkerSync::WaitFor(std::chrono::milliseconds limit) {
  std::unique_lock lock(state_->mutex, std::adopt_lock);
  state_->changed.wait_for(lock, limit);
  lock.release();
}

void WorkerSync::WakeAll() { state_->changed.notify_all(); }

void WorkerSync::Start(std::function<void()> run) { state_->thread = std::thread(std::move(run)); }

void WorkerSync::Join() {
  if (state_->thread.joinable()) state_->thread.join();
}

}  // namespace packager::lsp
