#include "lsp/check_worker.h"

#include <algorithm>
#include <utility>

namespace packager::lsp {

CheckWorker::CheckWorker() { sync_.Start([this] { Run(); }); }

CheckWorker::~CheckWorker() {
  {
    const WorkerLock lock(sync_);
    ending_ = true;
    waiting_.clear();
  }
  sync_.WakeAll();
  sync_.Join();
}

bool CheckWorker::Submit(const std::string& key, Job job) {
  bool replaced = false;
  {
    const WorkerLock lock(sync_);
    const auto same = std::find_if(waiting_.begin(), waiting_.end(),
                                   [&key](const Waiting& waiting) { return waiting.key == key; });
    if (same != waiting_.end()) {
      same->job = std::move(job);
      replaced = true;
    } else {
      waiting_.push_back({key, std::move(job)});
    }
  }
  sync_.WakeAll();
  return replaced;
}

std::vector<CheckWorker::Finish> CheckWorker::TakeDone() {
  const WorkerLock lock(sync_);
  return std::exchange(done_, {});
}

bool CheckWorker::Busy() const {
  const WorkerLock lock(sync_);
  return running_ || !waiting_.empty() || !done_.empty();
}

bool CheckWorker::WaitDone(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  const WorkerLock lock(sync_);
  while (done_.empty() && (running_ || !waiting_.empty())) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    sync_.WaitFor(left);
  }
  return !done_.empty();
}

void CheckWorker::WaitIdle() {
  const WorkerLock lock(sync_);
  while (running_ || (!waiting_.empty() && !held_)) sync_.Wait();
}

void CheckWorker::Hold(bool held) {
  {
    const WorkerLock lock(sync_);
    held_ = held;
  }
  sync_.WakeAll();
}

void CheckWorker::Run() {
  const WorkerLock lock(sync_);
  for (;;) {
    while (!ending_ && (held_ || waiting_.empty())) sync_.Wait();
    if (ending_) return;
    Job job = std::move(waiting_.front().job);
    waiting_.pop_front();
    running_ = true;
    sync_.Unlock();
    Finish finish = job();
    sync_.Lock();
    running_ = false;
    if (finish) done_.push_back(std::move(finish));
    sync_.WakeAll();
  }
}

}  // namespace packager::lsp
