// Checks beside the protocol loop: one thread runs the jobs handed to it,
// one at a time, in the order given. A job is keyed by its scenario folder:
// a newer job for a folder replaces one of it that has not started yet, so
// that only the latest text is checked. A job's work runs on the worker and
// returns what to do with its result; the protocol side takes that and does
// it (TakeDone), so that it alone writes to the editor.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "lsp/worker_sync.h"

namespace packager::lsp {

class CheckWorker {
 public:
  // What a job found, to be done on the protocol side.
  using Finish = std::function<void()>;
  // A job's work, run on the worker: it must touch nothing the protocol
  // side uses meanwhile, and report its faults in its Finish.
  using Job = std::function<Finish()>;

  CheckWorker();
  // Drops the jobs not started, waits for the one under way and ends.
  ~CheckWorker();
  CheckWorker(const CheckWorker&) = delete;
  CheckWorker& operator=(const CheckWorker&) = delete;

  // Hands a job over; true when it replaced a job of key not yet started.
  bool Submit(const std::string& key, Job job);
  // The finished jobs' Finish, in the order they finished.
  std::vector<Finish> TakeDone();
  // True while a job waits, runs, or has finished and was not taken.
  bool Busy() const;
  // Waits at most `limit` for a finished job to be taken, or for none to
  // be under way; true when one waits to be taken.
  bool WaitDone(std::chrono::milliseconds limit);
  // Waits until every job handed over has finished.
  void WaitIdle();
  // While held, jobs wait and none starts (a test's way to make requests
  // come while a check is under way).
  void Hold(bool held);

 private:
  struct Waiting {
    std::string key;
    Job job;
  };
  void Run();

  mutable WorkerSync sync_;  // its lock guards the rest; its thread runs Run
  std::deque<Waiting> waiting_;
  std::vector<Finish> done_;
  bool running_ = false;
  bool held_ = false;
  bool ending_ = false;
};

}  // namespace packager::lsp
