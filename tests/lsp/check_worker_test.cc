#include "lsp/check_worker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace packager::lsp {
namespace {

// Jobs run in the order given; one for a folder whose job has not started
// replaces it; what they find is done on the taking side only.
TEST(CheckWorker, RunsTheLatestJobOfEachFolderInOrder) {
  std::vector<std::string> done;
  CheckWorker worker;
  const auto job = [&done](std::string name) {
    return [&done, name]() -> CheckWorker::Finish {
      return [&done, name] { done.push_back(name); };
    };
  };
  worker.Hold(true);
  EXPECT_FALSE(worker.Submit("a", job("a1")));
  EXPECT_FALSE(worker.Submit("b", job("b1")));
  EXPECT_TRUE(worker.Submit("a", job("a2")));
  EXPECT_TRUE(worker.Busy());
  worker.WaitIdle();  // held: returns with the jobs waiting
  EXPECT_TRUE(worker.TakeDone().empty());
  worker.Hold(false);
  worker.WaitIdle();
  EXPECT_TRUE(done.empty());
  for (const CheckWorker::Finish& finish : worker.TakeDone()) finish();
  EXPECT_EQ(done, (std::vector<std::string>{"a2", "b1"}));
  EXPECT_FALSE(worker.Busy());
}

// A worker ended with jobs waiting drops them.
TEST(CheckWorker, EndsWithJobsWaiting) {
  bool ran = false;
  {
    CheckWorker worker;
    worker.Hold(true);
    worker.Submit("a", [&ran]() -> CheckWorker::Finish {
      ran = true;
      return {};
    });
  }
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace packager::lsp
