// WorkerSync on Windows: CreateThread, an SRW lock and a condition variable
// (MinGW of the win32 thread model has no std::thread).
#include <windows.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "lsp/worker_sync.h"

namespace packager::lsp {

struct WorkerSync::State {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
  HANDLE thread = nullptr;
  std::function<void()> run;
};

namespace {

DWORD WINAPI RunThread(LPVOID parameter) {
  (*static_cast<std::function<void()>*>(parameter))();
  return 0;
}

}  // namespace

WorkerSync::WorkerSync() : state_(std::make_unique<State>()) {}

WorkerSync::~WorkerSync() {
  if (state_->thread != nullptr) CloseHandle(state_->thread);
}

void WorkerSync::Lock() { AcquireSRWLockExclusive(&state_->lock); }
void WorkerSync::Unlock() { ReleaseSRWLockExclusive(&state_->lock); }

void WorkerSync::Wait() { SleepConditionVariableSRW(&state_->changed, &state_->lock, INFINITE, 0); }

void WorkerSync::WaitFor(std::chrono::milliseconds limit) {
  SleepConditionVariableSRW(&state_->changed, &state_->lock,
                            static_cast<DWORD>(limit.count() < 0 ? 0 : limit.count()), 0);
}

void WorkerSync::WakeAll() { WakeAllConditionVariable(&state_->changed); }

void WorkerSync::Start(std::function<void()> run) {
  state_->run = std::move(run);
  state_->thread = CreateThread(nullptr, 0, RunThread, &state_->run, 0, nullptr);
  if (state_->thread == nullptr) {
    throw std::runtime_error("cannot start the language server's checking thread (error " +
                             std::to_string(GetLastError()) + ")");
  }
}

void WorkerSync::Join() {
  if (state_->thread == nullptr) return;
  WaitForSingleObject(state_->thread, INFINITE);
  CloseHandle(state_->thread);
  state_->thread = nullptr;
}

}  // namespace packager::lsp
