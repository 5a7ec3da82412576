#pragma once
#include <atomic>
#include <cstdint>

// Called as function(object, argument) on a runner worker thread.
using RunnerJobFn = void (*)(void* object, void* argument);

// How a job left the runner, as reported to its `done` function.
enum RunnerJobEnd : int32_t {
  kRunnerJobDiscarded = -1,  // the runner was torn down before the job's result was taken
  kRunnerJobNotStarted = 0,  // no thread could be started for it; the function never ran
  kRunnerJobFinished = 1,    // the worker finished it (the function ran unless object was null)
};
// Called as done(object, argument, end) exactly once, when the runner frees the job:
// on the main thread in ProcessJobs, or by the runner's teardown (end = discarded).
using RunnerJobDoneFn = void (*)(void* object, void* argument, int32_t end);

// A background job for ZBThread_runner. Allocated with `new` by whoever queues it and
// freed by the runner; the argument and object are never freed by the runner.
struct RunnerJob {
  int32_t worker_index = -1;    // worker slot executing it; -1 when none
  std::atomic<int32_t> state{0};  // 0 queued, 1 running, 2 finished
  void* argument = nullptr;     // second argument of the function
  RunnerJobFn function = nullptr;
  void* object = nullptr;       // first argument; the call is skipped when null
  // Optional: receives the job's end on the main thread (results are delivered here, and
  // whatever the argument owns can be released here). Null for none.
  RunnerJobDoneFn done = nullptr;
};
