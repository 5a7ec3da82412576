#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "framework/RunnerJob.h"
#include "framework/ZBThread.h"
#include "framework/ZBThreadManager.h"
#include "framework/ZBThread_runner.h"
#include "unit/framework/WorkerTestSupport.h"

using worker_test::Gate;
using worker_test::LogCapture;
using worker_test::PumpUntil;

namespace {

// ---- ZBThread ------------------------------------------------------------------

// A thread whose Run records where it ran and optionally waits for a gate or for End.
class ProbeThread : public ZBThread {
 public:
  ~ProbeThread() override { End(); }
  int Run(ZBTHREAD_PARAM_HEADER* param) override {
    runs.fetch_add(1);
    ran_on = std::this_thread::get_id();
    if (gate) gate->Wait();
    if (until_stopped) {
      while (param->running.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    returned.store(true);
    return 1;
  }
  std::atomic<int> runs{0};
  std::atomic<bool> returned{false};
  std::thread::id ran_on;
  Gate* gate = nullptr;
  bool until_stopped = false;
};

TEST(ZBThread, RunsOncePerBeginOnItsOwnThreadAndCanBeStartedAgain) {
  ProbeThread t;
  EXPECT_EQ(t.State(), 0);
  EXPECT_EQ(t.ThreadId(), 0u);
  Gate gate;
  t.gate = &gate;
  ASSERT_EQ(t.Begin(), 1);
  EXPECT_EQ(t.State(), 1);
  EXPECT_EQ(t.IsRunning(), 1);
  EXPECT_NE(t.ThreadId(), 0u);
  EXPECT_EQ(t.Begin(), 0) << "a running thread is not started twice";
  gate.Open();
  ASSERT_TRUE(PumpUntil([] {}, [&] { return t.State() == 3; }));
  EXPECT_EQ(t.runs.load(), 1);
  EXPECT_NE(t.ran_on, std::this_thread::get_id());
  EXPECT_EQ(t.ThreadId(), 0u);

  ASSERT_EQ(t.Begin(), 1);  // the object is reused, its thread is not
  ASSERT_TRUE(PumpUntil([] {}, [&] { return t.State() == 3; }));
  EXPECT_EQ(t.runs.load(), 2);
  EXPECT_EQ(t.End(), 1);
  EXPECT_FALSE(t.WasAbandoned());
}

TEST(ZBThread, EndWithoutAThreadMarksItEnded) {
  ProbeThread t;
  EXPECT_EQ(t.End(), 1);
  EXPECT_EQ(t.State(), 3);
  EXPECT_EQ(t.IsRunning(), 0);
}

TEST(ZBThread, EndAsksRunToStopAndWaitsForIt) {
  ProbeThread t;
  t.until_stopped = true;
  ASSERT_EQ(t.Begin(), 1);
  EXPECT_EQ(t.End(), 1);
  EXPECT_EQ(t.State(), 3);
  EXPECT_FALSE(t.WasAbandoned());
  EXPECT_EQ(t.runs.load(), 1);
}

TEST(ZBThread, FailedSpawnIsLoggedAndLeavesTheThreadStartable) {
  LogCapture log;
  ProbeThread t;
  ZBThreadManager::Instance()->FailNextSpawns(1);
  EXPECT_EQ(t.Begin(), 0);
  EXPECT_EQ(t.State(), 0);
  EXPECT_EQ(t.IsRunning(), 0);
  EXPECT_TRUE(log.Has(LOG_FATAL, "ZBThreadManager::spawn() : _beginthread() Failed!!"));
  EXPECT_TRUE(log.Has(LOG_TRACE, "ZBThread::Begin() Failed : ZBThreadManager->spawn() Failed"));
  ASSERT_EQ(t.Begin(), 1);
  ASSERT_TRUE(PumpUntil([] {}, [&] { return t.State() == 3; }));
  EXPECT_EQ(t.runs.load(), 1);
}

TEST(ZBThread, ThreadThatOutlivesTheWaitIsAbandonedWithAWarning) {
  LogCapture log;
  Gate gate;
  auto* t = new ProbeThread();
  t->gate = &gate;
  ASSERT_EQ(t->Begin(), 1);
  const uint32_t id = t->ThreadId();
  EXPECT_EQ(t->End(), 1);  // waits about a second, then gives up
  EXPECT_TRUE(t->WasAbandoned());
  EXPECT_EQ(t->State(), 3);
  char expected[96];
  std::snprintf(expected, sizeof(expected), ">> [WARNING]: Thread (0x%X) Forced to Terminate!\n", id);
  EXPECT_TRUE(log.Has(LOG_WARNING, expected));
  // The abandoned thread finishes later without touching its owner's state again.
  gate.Open();
  ASSERT_TRUE(PumpUntil([] {}, [&] { return t->returned.load(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(t->State(), 3);
  ZBThreadManager::KeepAbandoned(t);
}

// ---- ZBThread_runner -------------------------------------------------------------

// What the tests' job functions and done functions record.
struct JobLog {
  std::atomic<int> running{0};
  std::atomic<int> peak{0};
  std::atomic<int> calls{0};
  std::mutex lock;
  std::vector<int> start_order;
  std::map<int, int> done_count;
  std::map<int, int32_t> done_end;
  std::vector<std::thread::id> done_threads;
  std::vector<std::thread::id> run_threads;
  std::vector<Gate*> gates;  // per job tag; null: run through
};

struct JobArg {
  JobLog* log;
  int tag;
};

void RecordingJob(void* object, void* argument) {
  auto* log = static_cast<JobLog*>(object);
  auto* arg = static_cast<JobArg*>(argument);
  const int now = log->running.fetch_add(1) + 1;
  int peak = log->peak.load();
  while (now > peak && !log->peak.compare_exchange_weak(peak, now)) {
  }
  {
    std::lock_guard<std::mutex> g(log->lock);
    log->start_order.push_back(arg->tag);
    log->run_threads.push_back(std::this_thread::get_id());
  }
  log->calls.fetch_add(1);
  if (arg->tag < static_cast<int>(log->gates.size()) && log->gates[arg->tag]) log->gates[arg->tag]->Wait();
  log->running.fetch_sub(1);
}

void RecordingDone(void* object, void* argument, int32_t end) {
  auto* arg = static_cast<JobArg*>(argument);
  JobLog* log = arg->log;
  (void)object;
  std::lock_guard<std::mutex> g(log->lock);
  log->done_count[arg->tag]++;
  log->done_end[arg->tag] = end;
  log->done_threads.push_back(std::this_thread::get_id());
  delete arg;
}

RunnerJob* MakeJob(JobLog* log, int tag, bool with_object = true) {
  auto* job = new RunnerJob();
  job->argument = new JobArg{log, tag};
  job->function = &RecordingJob;
  job->object = with_object ? log : nullptr;
  job->done = &RecordingDone;
  return job;
}

class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override { runner.StartWorkers(); }
  bool Pump(const std::function<bool()>& done) {
    return PumpUntil([&] { runner.ProcessJobs(); }, done);
  }
  ZBThread_runner runner;
  JobLog log;
};

TEST_F(RunnerTest, AtMostFourJobsRunAndTheRestWaitInQueueOrder) {
  std::vector<std::unique_ptr<Gate>> gates;
  for (int i = 0; i < 6; ++i) {
    gates.push_back(std::make_unique<Gate>());
    log.gates.push_back(gates.back().get());
  }
  std::vector<RunnerJob*> jobs;
  for (int i = 0; i < 6; ++i) {
    jobs.push_back(MakeJob(&log, i));
    runner.AddJob(jobs.back());
    EXPECT_EQ(jobs.back()->state.load(), 0);
    EXPECT_EQ(jobs.back()->worker_index, -1);
  }
  runner.ProcessJobs();
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(jobs[i]->state.load(), 1) << i;
    EXPECT_EQ(jobs[i]->worker_index, i);
  }
  EXPECT_EQ(jobs[4]->state.load(), 0);
  EXPECT_EQ(jobs[5]->state.load(), 0);
  // A job counts itself as running before it records its call: wait for both.
  ASSERT_TRUE(Pump([&] { return log.running.load() == 4 && log.calls.load() == 4; }));
  for (int frame = 0; frame < 20; ++frame) runner.ProcessJobs();
  EXPECT_EQ(runner.BusyWorkerCount(), 4);
  EXPECT_EQ(log.calls.load(), 4) << "the fifth job waits while four run";

  gates[2]->Open();  // one worker frees up: the fifth job (not the sixth) takes it
  ASSERT_TRUE(Pump([&] { return log.calls.load() == 5; }));
  for (int frame = 0; frame < 20; ++frame) runner.ProcessJobs();
  EXPECT_EQ(log.calls.load(), 5);
  for (auto& g : gates) g->Open();
  ASSERT_TRUE(Pump([&] { return runner.JobCount() == 0; }));
  EXPECT_EQ(log.peak.load(), 4);
  std::lock_guard<std::mutex> g(log.lock);
  ASSERT_EQ(log.start_order.size(), 6u);
  EXPECT_EQ(log.start_order[4], 4);
  EXPECT_EQ(log.start_order[5], 5);
}

TEST_F(RunnerTest, EveryJobEndsExactlyOnceOnTheMainThreadInTheFrameStep) {
  constexpr int kJobs = 40;
  for (int i = 0; i < kJobs; ++i) runner.AddJob(MakeJob(&log, i));
  ASSERT_TRUE(Pump([&] { return runner.JobCount() == 0; }));
  for (int frame = 0; frame < 5; ++frame) runner.ProcessJobs();
  EXPECT_EQ(log.calls.load(), kJobs);
  EXPECT_LE(log.peak.load(), ZBThread_runner::kWorkerCount);
  std::lock_guard<std::mutex> g(log.lock);
  ASSERT_EQ(log.done_count.size(), static_cast<size_t>(kJobs));
  for (auto& [tag, count] : log.done_count) {
    EXPECT_EQ(count, 1) << tag;
    EXPECT_EQ(log.done_end[tag], kRunnerJobFinished) << tag;
  }
  for (auto id : log.done_threads) EXPECT_EQ(id, std::this_thread::get_id());
  for (auto id : log.run_threads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(RunnerTest, JobWithoutObjectFinishesWithoutRunning) {
  runner.AddJob(MakeJob(&log, 0, /*with_object=*/false));
  ASSERT_TRUE(Pump([&] { return runner.JobCount() == 0; }));
  EXPECT_EQ(log.calls.load(), 0);
  EXPECT_EQ(log.done_count[0], 1);
  EXPECT_EQ(log.done_end[0], kRunnerJobFinished);
}

TEST_F(RunnerTest, JobWhoseThreadCannotStartEndsNotStartedAndTheNextOneRuns) {
  ZBThreadManager::Instance()->FailNextSpawns(1);
  runner.AddJob(MakeJob(&log, 0));
  runner.AddJob(MakeJob(&log, 1));
  ASSERT_TRUE(Pump([&] { return runner.JobCount() == 0; }));
  EXPECT_EQ(log.calls.load(), 1);
  EXPECT_EQ(log.done_end[0], kRunnerJobNotStarted);
  EXPECT_EQ(log.done_end[1], kRunnerJobFinished);
  EXPECT_EQ(log.done_count[0], 1);
}

// A job that queues a follow-up job from its worker thread, while the main thread walks.
struct Chain {
  ZBThread_runner* runner;
  std::atomic<int> runs{0};
  std::atomic<int> dones{0};
};
void ChainJob(void* object, void*) {
  auto* c = static_cast<Chain*>(object);
  c->runs.fetch_add(1);
}
void ChainDone(void* object, void* argument, int32_t end) {
  auto* c = static_cast<Chain*>(object);
  c->dones.fetch_add(1);
  (void)argument, (void)end;
}
void ChainSpawningJob(void* object, void* argument) {
  auto* c = static_cast<Chain*>(object);
  const intptr_t fanout = reinterpret_cast<intptr_t>(argument);
  for (intptr_t i = 0; i < fanout; ++i) {
    auto* job = new RunnerJob();
    job->object = c;
    job->function = &ChainJob;
    job->done = &ChainDone;
    c->runner->AddJob(job);
  }
  c->runs.fetch_add(1);
}

TEST_F(RunnerTest, JobsQueuedFromWorkersWhileTheQueueIsWalkedAllRunOnce) {
  Chain chain{&runner};
  constexpr int kSpawners = 12, kFanout = 10;
  for (int i = 0; i < kSpawners; ++i) {
    auto* job = new RunnerJob();
    job->object = &chain;
    job->argument = reinterpret_cast<void*>(static_cast<intptr_t>(kFanout));
    job->function = &ChainSpawningJob;
    job->done = &ChainDone;
    runner.AddJob(job);
  }
  constexpr int kTotal = kSpawners * (1 + kFanout);
  ASSERT_TRUE(Pump([&] { return chain.dones.load() == kTotal; }));
  for (int frame = 0; frame < 5; ++frame) runner.ProcessJobs();
  EXPECT_EQ(chain.runs.load(), kTotal);
  EXPECT_EQ(chain.dones.load(), kTotal);
  EXPECT_EQ(runner.JobCount(), 0);
}

TEST(RunnerTeardown, WaitsForRunningJobsAndDiscardsQueuedOnesOnce) {
  JobLog log;
  Gate slow;
  log.gates = {&slow, &slow, &slow, &slow};
  auto runner = std::make_unique<ZBThread_runner>();
  runner->StartWorkers();
  for (int i = 0; i < 6; ++i) runner->AddJob(MakeJob(&log, i));
  runner->ProcessJobs();  // jobs 0..3 start, 4 and 5 wait
  EXPECT_TRUE(PumpUntil([] {}, [&] { return log.calls.load() == 4; }));
  std::thread opener([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    slow.Open();
  });
  // Destroying the runner waits for the running jobs, which finish within the wait.
  runner.reset();
  opener.join();
  EXPECT_EQ(log.calls.load(), 4);
  std::lock_guard<std::mutex> g(log.lock);
  ASSERT_EQ(log.done_count.size(), 6u);
  for (auto& [tag, count] : log.done_count) EXPECT_EQ(count, 1) << tag;
  EXPECT_EQ(log.done_end[4], kRunnerJobDiscarded);
  EXPECT_EQ(log.done_end[5], kRunnerJobDiscarded);
}

TEST(RunnerTeardown, JobStuckPastTheWaitIsAbandonedAndKeptAlive) {
  LogCapture capture;
  JobLog log;
  Gate stuck;
  log.gates = {&stuck};
  RunnerJob* job = MakeJob(&log, 0);
  {
    ZBThread_runner runner;
    runner.StartWorkers();
    runner.AddJob(job);
    runner.ProcessJobs();
    ASSERT_TRUE(PumpUntil([] {}, [&] { return log.calls.load() == 1; }));
  }  // about a second
  EXPECT_TRUE(capture.Contains("Forced to Terminate!"));
  {
    std::lock_guard<std::mutex> g(log.lock);
    EXPECT_EQ(log.done_count.count(0), 0u) << "the job is still in use: neither ended nor freed";
  }
  // The abandoned worker finishes the job and writes into it: it must still exist.
  stuck.Open();
  ASSERT_TRUE(PumpUntil([] {}, [&] { return job->state.load() == 2; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  delete static_cast<JobArg*>(job->argument);
  // The job record stays with the kept worker object.
}

}  // namespace
