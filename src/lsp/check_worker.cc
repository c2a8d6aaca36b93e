#include "lsp/check_worker.h"

#include <algorithm>
#include <utility>

namespace packager::lsp {

CheckWorker::CheckWorker() : thread_([this] { Run(); }) {}

CheckWorker::~CheckWorker() {
  {
    const std::lock_guard lock(mutex_);
    ending_ = true;
    waiting_.clear();
  }
  changed_.notify_all();
  thread_.join();
}

bool CheckWorker::Submit(const std::string& key, Job job) {
  bool replaced = false;
  {
    const std::lock_guard lock(mutex_);
    const auto same = std::find_if(waiting_.begin(), waiting_.end(),
                                   [&key](const Waiting& waiting) { return waiting.key == key; });
    if (same != waiting_.end()) {
      same->job = std::move(job);
      replaced = true;
    } else {
      waiting_.push_back({key, std::move(job)});
    }
  }
  changed_.notify_all();
  return replaced;
}

std::vector<CheckWorker::Finish> CheckWorker::TakeDone() {
  const std::lock_guard lock(mutex_);
  return std::exchange(done_, {});
}

bool CheckWorker::Busy() const {
  const std::lock_guard lock(mutex_);
  return running_ || !waiting_.empty() || !done_.empty();
}

bool CheckWorker::WaitDone(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, limit,
                    [this] { return !done_.empty() || (!running_ && waiting_.empty()); });
  return !done_.empty();
}

void CheckWorker::WaitIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !running_ && (waiting_.empty() || held_); });
}

void CheckWorker::Hold(bool held) {
  {
    const std::lock_guard lock(mutex_);
    held_ = held;
  }
  changed_.notify_all();
}

void CheckWorker::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return ending_ || (!held_ && !waiting_.empty()); });
    if (ending_) return;
    Job job = std::move(waiting_.front().job);
    waiting_.pop_front();
    running_ = true;
    lock.unlock();
    Finish finish = job();
    lock.lock();
    running_ = false;
    if (finish) done_.push_back(std::move(finish));
    changed_.notify_all();
  }
}

}  // namespace packager::lsp
