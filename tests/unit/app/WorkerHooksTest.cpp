#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/WorkerHooks.h"
#include "framework/Clock.h"
#include "framework/RunnerJob.h"
#include "framework/ZBThread_runner.h"
#include "framework/ZBTimer_manager.h"
#include "framework/ZBWebDownload.h"

namespace {

bool WaitFor(const std::function<bool()>& done, int limit_ms = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Notes the thread that destroys it: a queued closure is released where its job ends.
struct ReleaseProbe {
  ReleaseProbe(std::atomic<int>* r, std::thread::id* on) : releases(r), released_on(on) {}
  std::atomic<int>* releases;
  std::thread::id* released_on;
  ~ReleaseProbe() {
    *released_on = std::this_thread::get_id();
    releases->fetch_add(1);
  }
};

TEST(WorkerHooks, QueuedJobRunsOnAWorkerAndIsReleasedOnceInTheFrameStep) {
  WorkerHooks hooks;
  hooks.Start();
  std::atomic<int> runs{0}, releases{0};
  std::thread::id ran_on, released_on;
  auto probe = std::make_shared<ReleaseProbe>(&releases, &released_on);
  hooks.QueueJob([&runs, &ran_on, probe] {
    ran_on = std::this_thread::get_id();
    runs.fetch_add(1);
  });
  probe.reset();
  ASSERT_TRUE(WaitFor([&] {
    hooks.FrameStep();
    return releases.load() == 1;
  }));
  for (int i = 0; i < 5; ++i) hooks.FrameStep();
  EXPECT_EQ(runs.load(), 1);
  EXPECT_EQ(releases.load(), 1);
  EXPECT_NE(ran_on, std::this_thread::get_id());
  EXPECT_EQ(released_on, std::this_thread::get_id());
  hooks.Shutdown();
}

TEST(WorkerHooks, JobsOutsideStartAndShutdownAreDroppedAndReleased) {
  std::atomic<int> runs{0}, releases{0};
  std::thread::id released_on;
  auto queue_one = [&](WorkerHooks& hooks) {
    auto probe = std::make_shared<ReleaseProbe>(&releases, &released_on);
    hooks.QueueJob([&runs, probe] { runs.fetch_add(1); });
  };
  WorkerHooks hooks;
  queue_one(hooks);  // before Start
  hooks.Start();
  hooks.Shutdown();
  queue_one(hooks);  // after Shutdown
  hooks.FrameStep();
  EXPECT_EQ(runs.load(), 0);
  EXPECT_EQ(releases.load(), 2);
  EXPECT_EQ(ZBThread_runner::InstanceIfAny(), nullptr) << "no runner is created again";
}

TEST(WorkerHooks, ShutdownWaitsForARunningJobAndReleasesQueuedOnes) {
  std::atomic<int> runs{0}, releases{0};
  std::thread::id released_on;
  std::atomic<bool> finished{false};
  {
    WorkerHooks hooks;
    hooks.Start();
    hooks.QueueJob([&] {
      runs.fetch_add(1);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      finished.store(true);
    });
    hooks.FrameStep();  // the first job starts
    ASSERT_TRUE(WaitFor([&] { return runs.load() == 1; }));
    for (int i = 0; i < 6; ++i) {
      auto probe = std::make_shared<ReleaseProbe>(&releases, &released_on);
      hooks.QueueJob([&runs, probe] { runs.fetch_add(1); });
    }
    hooks.Shutdown();
    EXPECT_TRUE(finished.load()) << "the running job was waited for";
  }
  EXPECT_EQ(runs.load(), 1);
  EXPECT_EQ(releases.load(), 6);
  EXPECT_EQ(ZBTimer_manager::InstanceIfAny(), nullptr);
  EXPECT_EQ(ZBWebDownload::InstanceIfAny(), nullptr);
  EXPECT_EQ(ZBThread_runner::InstanceIfAny(), nullptr);
}

// The frame step advances timers, then the runner, then downloads.
std::vector<std::string> g_order;
void OnTimer(void*, TimerEntry*) { g_order.push_back("timer"); }
void OnJobDone(void*, void*, int32_t) { g_order.push_back("runner"); }
void OnDownload(void*, WebDownloadRequest*) { g_order.push_back("download"); }
void Nothing(void*, void*) {}

TEST(WorkerHooks, FrameStepRunsTimersThenRunnerThenDownloads) {
  g_order.clear();
  WorkerHooks hooks;
  hooks.Start();
  auto* job = new RunnerJob();
  job->object = &hooks;
  job->function = &Nothing;
  job->done = &OnJobDone;
  ZBThread_runner::Instance()->AddJob(job);
  int user = 0;
  // A scheme the download service refuses: fails at once without a server.
  WebDownloadRequest* r = ZBWebDownload::Instance()->Download("gopher://127.0.0.1/", &OnDownload, &user);
  ASSERT_NE(r, nullptr);
  hooks.FrameStep();  // starts the job and the transfer
  ASSERT_TRUE(WaitFor([&] { return job->state.load() == 2 && r->state.load() == -1; }));
  TimerEntry* t = ZBTimer_manager::Instance()->AddTimer(0, true, &OnTimer, nullptr);
  t->start_time = GetTickMs() - 10;
  hooks.FrameStep();
  EXPECT_EQ(g_order, (std::vector<std::string>{"timer", "runner", "download"}));
  hooks.Shutdown();
}

}  // namespace
