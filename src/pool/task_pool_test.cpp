#include "pool/task_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <latch>
#include <map>
#include <mutex>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace korvane {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr auto kPatience = 10s;  // only ever reached when the pool is broken

std::vector<int> range(int first, int last) {
  std::vector<int> numbers(last - first + 1);
  std::iota(numbers.begin(), numbers.end(), first);
  return numbers;
}

// What a run did: the tasks in the order they started, the thread of each,
// and the notifications.
class RunLog {
 public:
  TaskRoutine routine() {
    return [this](int task) { record(task); };
  }
  void record(int task) {
    std::lock_guard lock(mu_);
    tasks_.emplace_back(task, std::this_thread::get_id());
  }
  PoolNotify notify(std::function<void(int, int)> then = {}) {
    return [this, then](int code, int pool_number) {
      {
        std::lock_guard lock(mu_);
        notices_.emplace_back(code, pool_number);
      }
      changed_.notify_all();
      if (then) then(code, pool_number);
    };
  }
  // Waits until `count` notifications with `code` have arrived.
  bool wait_notices(int code, int count) {
    std::unique_lock lock(mu_);
    return changed_.wait_for(lock, kPatience, [&] { return count_locked(code) >= count; });
  }
  int notice_count(int code) {
    std::lock_guard lock(mu_);
    return count_locked(code);
  }
  std::vector<std::pair<int, int>> notices() {
    std::lock_guard lock(mu_);
    return notices_;
  }
  std::vector<int> sorted_tasks() {
    std::lock_guard lock(mu_);
    std::vector<int> tasks;
    for (const auto& [task, thread] : tasks_) tasks.push_back(task);
    std::sort(tasks.begin(), tasks.end());
    return tasks;
  }
  // The tasks of each thread in the order it ran them, threads ordered by
  // their first task.
  std::vector<std::vector<int>> tasks_by_thread() {
    std::lock_guard lock(mu_);
    std::map<std::thread::id, std::vector<int>> by_thread;
    for (const auto& [task, thread] : tasks_) by_thread[thread].push_back(task);
    std::vector<std::vector<int>> groups;
    for (auto& [thread, tasks] : by_thread) groups.push_back(tasks);
    std::sort(groups.begin(), groups.end());
    return groups;
  }

 private:
  int count_locked(int code) {
    return static_cast<int>(
        std::count_if(notices_.begin(), notices_.end(),
                      [&](const auto& notice) { return notice.first == code; }));
  }

  std::mutex mu_;
  std::condition_variable changed_;
  std::vector<std::pair<int, std::thread::id>> tasks_;
  std::vector<std::pair<int, int>> notices_;
};

// Holds routines back until opened.
class Gate {
 public:
  void open() {
    {
      std::lock_guard lock(mu_);
      open_ = true;
    }
    opened_.notify_all();
  }
  void wait() {
    std::unique_lock lock(mu_);
    opened_.wait(lock, [&] { return open_; });
  }

 private:
  std::mutex mu_;
  std::condition_variable opened_;
  bool open_ = false;
};

struct InterleavedCase {
  int threads;
  int tasks;
  int batch_size;
  std::vector<std::vector<int>> groups;
};

TEST(TaskPoolTest, OrdinaryModeWorkerRunsEveryTthTask) {
  const InterleavedCase cases[] = {
      {5, 12, 0, {{1, 6, 11}, {2, 7, 12}, {3, 8}, {4, 9}, {5, 10}}},
      {5, 3, 0, {{1}, {2}, {3}}},  // only min(T, N) workers
      {5, 1, 0, {{1}}},
      {1, 3, 0, {{1, 2, 3}}},
      {5, 4, 4, {{1}, {2}, {3}, {4}}},  // a batch size >= N is ordinary mode
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "T=" << c.threads << " N=" << c.tasks);
    RunLog log;
    int number = 0;
    {
      TaskPool pool;
      ASSERT_TRUE(
          pool.start(c.threads, c.tasks, log.routine(), number, log.notify(), c.batch_size));
      EXPECT_EQ(number, 1);
      ASSERT_TRUE(pool.wait_idle(number));
      EXPECT_EQ(pool.state(number), kPoolIdle);
      EXPECT_EQ(log.tasks_by_thread(), c.groups);
      EXPECT_THAT(log.notices(), ElementsAre(std::pair(kNotifyRunOver, 1)));
    }
    // Every worker is joined now: no late notification.
    EXPECT_EQ(log.notice_count(kNotifyRunOver), 1);
  }
}

TEST(TaskPoolTest, RefusedStartChangesNothing) {
  const std::pair<int, int> cases[] = {{0, 3}, {5, 0}, {-1, 3}, {3, -2}};
  TaskPool pool;
  for (const auto& [threads, tasks] : cases) {
    RunLog log;
    int number = 0;
    EXPECT_FALSE(pool.start(threads, tasks, log.routine(), number, log.notify()));
    EXPECT_EQ(number, 0);
    EXPECT_EQ(pool.state(number), kPoolOutside);
    EXPECT_FALSE(pool.wait_idle(number));
  }
  int number = 0;
  ASSERT_TRUE(pool.start(
      1, 1, [](int) {}, number));
  EXPECT_EQ(number, 1);  // the refusals appended no record
}

TEST(TaskPoolTest, PoolNumbersAreAppendedAndReused) {
  TaskPool pool;
  Gate gate;
  std::latch entered(1);
  int number = 0;
  ASSERT_TRUE(pool.start(
      1, 1,
      [&](int) {
        entered.count_down();
        gate.wait();
      },
      number));
  EXPECT_EQ(number, 1);
  entered.wait();
  EXPECT_EQ(pool.state(1), kPoolRunning);

  RunLog refused;
  EXPECT_FALSE(pool.start(5, 3, refused.routine(), number, refused.notify()));
  EXPECT_EQ(number, 1);

  int other = 0;
  ASSERT_TRUE(pool.start(
      1, 1, [](int) {}, other));
  EXPECT_EQ(other, 2);
  int beyond = 7;
  ASSERT_TRUE(pool.start(
      1, 1, [](int) {}, beyond));
  EXPECT_EQ(beyond, 3);
  EXPECT_EQ(pool.state(4), kPoolOutside);

  gate.open();
  ASSERT_TRUE(pool.wait_idle(1));
  EXPECT_EQ(pool.state(1), kPoolIdle);
  RunLog again;
  ASSERT_TRUE(pool.start(2, 2, again.routine(), number, again.notify()));
  EXPECT_EQ(number, 1);
  ASSERT_TRUE(pool.wait_idle(number));
  EXPECT_EQ(again.sorted_tasks(), range(1, 2));
  EXPECT_THAT(refused.sorted_tasks(), IsEmpty());
  EXPECT_THAT(refused.notices(), IsEmpty());
}

TEST(TaskPoolTest, BatchModeParksAtEveryBoundary) {
  TaskPool pool;
  RunLog log;
  int number = 0;
  ASSERT_TRUE(pool.start(3, 10, log.routine(), number, log.notify(), 4));

  // Draws 1, 2, 3 run; draw 4 is the first boundary and runs task 10.
  ASSERT_TRUE(log.wait_notices(kNotifyBatchParked, 1));
  EXPECT_EQ(log.sorted_tasks(), (std::vector<int>{1, 2, 3, 10}));
  EXPECT_EQ(pool.state(number), kPoolPaused);
  EXPECT_FALSE(pool.wait_idle_for(number, 50ms));
  EXPECT_EQ(pool.state(number), kPoolPaused);
  EXPECT_EQ(log.sorted_tasks(), (std::vector<int>{1, 2, 3, 10}));

  // Draw 8 is the next boundary; tasks 8 and 9 wait for the resume.
  ASSERT_EQ(pool.resume(number), 1);
  ASSERT_TRUE(log.wait_notices(kNotifyBatchParked, 2));
  EXPECT_EQ(pool.state(number), kPoolPaused);
  std::vector<int> done = log.sorted_tasks();
  EXPECT_THAT(done, ::testing::IsSupersetOf({1, 2, 3, 4, 5, 6, 10}));
  EXPECT_THAT(done, ::testing::Not(::testing::Contains(8)));
  EXPECT_THAT(done, ::testing::Not(::testing::Contains(9)));

  ASSERT_EQ(pool.resume(number), 1);
  ASSERT_TRUE(pool.wait_idle(number));
  EXPECT_EQ(pool.state(number), kPoolIdle);
  EXPECT_EQ(log.sorted_tasks(), range(1, 10));
  EXPECT_EQ(log.tasks_by_thread().size(), 3u);
  EXPECT_EQ(log.notice_count(kNotifyBatchParked), 2);
  EXPECT_EQ(log.notice_count(kNotifyRunOver), 1);
}

struct BatchCase {
  int tasks;
  int threads;
  int batch_size;
};

TEST(TaskPoolTest, BatchModeRunsEveryTaskOnce) {
  const BatchCase cases[] = {{10, 3, 4}, {9, 3, 4}, {8, 2, 4}, {12, 5, 3},
                             {5, 1, 2},  {2, 1, 1}, {7, 3, 1}, {20, 4, 6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "N=" << c.tasks << " T=" << c.threads << " B=" << c.batch_size);
    TaskPool pool;
    RunLog log;
    int number = 0;
    auto resume_at_boundary = [&pool](int code, int pool_number) {
      if (code == kNotifyBatchParked) pool.resume(pool_number);
    };
    ASSERT_TRUE(pool.start(c.threads, c.tasks, log.routine(), number,
                           log.notify(resume_at_boundary), c.batch_size));
    ASSERT_TRUE(pool.wait_idle_for(number, kPatience));
    EXPECT_EQ(log.sorted_tasks(), range(1, c.tasks));
    EXPECT_LE(log.tasks_by_thread().size(), static_cast<size_t>(c.batch_size));
    // The counter hands out 1..N-1; each multiple of B is a boundary.
    EXPECT_EQ(log.notice_count(kNotifyBatchParked), (c.tasks - 1) / c.batch_size);
    EXPECT_EQ(log.notice_count(kNotifyRunOver), 1);
  }
}

struct BatchChangeCase {
  int tasks;
  int batch_size;
  int changed_in_task;
  int new_batch_size;
  int boundaries;
};

TEST(TaskPoolTest, BatchSizeChangedDuringRunStillRunsLastTaskOnce) {
  const BatchChangeCase cases[] = {
      {6, 2, 1, 100, 0},  // no boundary comes any more
      {8, 2, 3, 4, 2},    // draw 4 is a boundary and equals the new size
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "new batch size " << c.new_batch_size);
    TaskPool pool;
    RunLog log;
    int number = 0;  // written by `start` before any worker runs
    auto routine = [&](int task) {
      log.record(task);
      if (task == c.changed_in_task) pool.set_batch_size(number, c.new_batch_size);
    };
    auto resume_at_boundary = [&pool](int code, int n) {
      if (code == kNotifyBatchParked) pool.resume(n);
    };
    ASSERT_TRUE(
        pool.start(1, c.tasks, routine, number, log.notify(resume_at_boundary), c.batch_size));
    ASSERT_EQ(number, 1);
    ASSERT_TRUE(pool.wait_idle_for(number, kPatience));
    EXPECT_EQ(log.sorted_tasks(), range(1, c.tasks));
    EXPECT_EQ(log.notice_count(kNotifyBatchParked), c.boundaries);
  }
}

TEST(TaskPoolTest, SuspendParksWorkersBetweenTasksUntilResume) {
  TaskPool pool;
  RunLog log;
  std::latch suspended(1);
  int number = 0;
  auto routine = [&](int task) {
    log.record(task);
    if (task == 1) {
      EXPECT_EQ(pool.suspend(1), 1);
      suspended.count_down();
    }
  };
  ASSERT_TRUE(pool.start(1, 5, routine, number, log.notify()));
  suspended.wait();
  EXPECT_EQ(pool.state(number), kPoolPaused);
  EXPECT_FALSE(pool.wait_idle_for(number, 100ms));
  EXPECT_EQ(log.sorted_tasks(), range(1, 1));

  ASSERT_EQ(pool.resume(number), 1);
  ASSERT_TRUE(pool.wait_idle(number));
  EXPECT_EQ(log.tasks_by_thread(), (std::vector<std::vector<int>>{{1, 2, 3, 4, 5}}));
  EXPECT_EQ(log.notice_count(kNotifyBatchParked), 0);  // a suspend is no boundary
  EXPECT_EQ(log.notice_count(kNotifyRunOver), 1);
}

TEST(TaskPoolTest, PauseMarkOfEndedRunDoesNotCarryIntoNextRun) {
  TaskPool pool;
  int number = 0;
  // The suspend comes during the last task: the worker leaves without parking.
  ASSERT_TRUE(pool.start(
      1, 1, [&](int) { pool.suspend(number); }, number));
  ASSERT_TRUE(pool.wait_idle(number));
  RunLog log;
  ASSERT_TRUE(pool.start(1, 2, log.routine(), number, log.notify()));
  ASSERT_TRUE(pool.wait_idle_for(number, kPatience));
  EXPECT_EQ(log.sorted_tasks(), range(1, 2));
}

TEST(TaskPoolTest, OperationsOnIdleOrUnknownPools) {
  TaskPool pool;
  int number = 0;
  ASSERT_TRUE(pool.start(
      1, 1, [](int) {}, number));
  ASSERT_TRUE(pool.wait_idle(number));
  for (int n : {0, 2, -1}) {
    SCOPED_TRACE(n);
    EXPECT_EQ(pool.suspend(n), 0);
    EXPECT_EQ(pool.resume(n), 0);
    EXPECT_EQ(pool.stop(n), 0);
    EXPECT_EQ(pool.close_handles(n), 0);
    EXPECT_EQ(pool.state(n), kPoolOutside);
    EXPECT_FALSE(pool.wait_idle_for(n, 0ms));
  }
  EXPECT_EQ(pool.suspend(number), 0);
  EXPECT_EQ(pool.resume(number), 0);
  EXPECT_EQ(pool.stop(number), 0);
  EXPECT_EQ(pool.close_handles(number), 1);
  EXPECT_TRUE(pool.wait_idle_for(number, 0ms));
  pool.set_batch_size(2, 4);  // outside: ignored
  EXPECT_EQ(pool.state(2), kPoolOutside);
}

TEST(TaskPoolTest, StopEndsRunAfterCurrentTaskAndRecordIsReusable) {
  TaskPool pool;
  RunLog log;
  std::latch entered(1);
  std::atomic<bool> first{true};
  auto routine = [&](int task) {
    log.record(task);
    if (first.exchange(false)) entered.count_down();
  };
  int number = 0;
  constexpr int kTasks = 10000;  // 100 s of work for two workers
  ASSERT_TRUE(pool.start(2, kTasks, routine, number, log.notify()));
  entered.wait();
  EXPECT_EQ(pool.stop(number), 1);
  EXPECT_EQ(pool.state(number), kPoolIdle);
  EXPECT_LT(log.sorted_tasks().size(), static_cast<size_t>(kTasks));
  EXPECT_EQ(log.notice_count(kNotifyRunOver), 1);

  RunLog next;
  ASSERT_TRUE(pool.start(2, 3, next.routine(), number, next.notify()));
  EXPECT_EQ(number, 1);
  ASSERT_TRUE(pool.wait_idle(number));
  EXPECT_EQ(next.sorted_tasks(), range(1, 3));
}

TEST(TaskPoolTest, StopThatTimesOutStaysInEffect) {
  TaskPool pool;
  RunLog log;
  Gate gate;
  std::latch entered(1);
  auto routine = [&](int task) {
    log.record(task);
    entered.count_down();
    gate.wait();
  };
  int number = 0;
  ASSERT_TRUE(pool.start(1, 5, routine, number, log.notify()));
  entered.wait();
  EXPECT_EQ(pool.stop(number, 50ms), -1);
  EXPECT_EQ(pool.state(number), kPoolRunning);
  EXPECT_FALSE(pool.start(
      1, 1, [](int) {}, number));

  gate.open();
  ASSERT_TRUE(pool.wait_idle(number));
  EXPECT_EQ(log.sorted_tasks(), range(1, 1));
  EXPECT_EQ(pool.state(number), kPoolIdle);
  EXPECT_EQ(log.notice_count(kNotifyRunOver), 1);
}

TEST(TaskPoolTest, StopReleasesWorkersParkedAtBoundary) {
  TaskPool pool;
  RunLog log;
  int number = 0;
  ASSERT_TRUE(pool.start(3, 10, log.routine(), number, log.notify(), 4));
  ASSERT_TRUE(log.wait_notices(kNotifyBatchParked, 1));
  EXPECT_EQ(pool.stop(number), 1);
  EXPECT_EQ(pool.state(number), kPoolIdle);
  EXPECT_EQ(log.sorted_tasks(), (std::vector<int>{1, 2, 3, 10}));
}

TEST(TaskPoolTest, WaitIdleWakesEveryWaiterWhenRunEnds) {
  TaskPool pool;
  Gate gate;
  int number = 0;
  ASSERT_TRUE(pool.start(
      2, 4, [&](int) { gate.wait(); }, number));
  EXPECT_FALSE(pool.wait_idle_for(number, 20ms));
  auto waiter = std::async(std::launch::async, [&] { return pool.wait_idle(number); });
  auto timed =
      std::async(std::launch::async, [&] { return pool.wait_idle_for(number, kPatience); });
  gate.open();
  EXPECT_TRUE(waiter.get());
  EXPECT_TRUE(timed.get());
  EXPECT_EQ(pool.state(number), kPoolIdle);
}

TEST(TaskPoolTest, CloseHandlesDoesNotWaitForBusyWorkers) {
  TaskPool pool;
  Gate gate;
  std::latch second_entered(1);
  int number = 0;
  auto routine = [&](int task) {
    if (task == 2) {
      second_entered.count_down();
      gate.wait();
    }
  };
  ASSERT_TRUE(pool.start(2, 2, routine, number));
  second_entered.wait();
  auto closing = std::async(std::launch::async, [&] { return pool.close_handles(number); });
  EXPECT_EQ(closing.wait_for(kPatience), std::future_status::ready);
  gate.open();
  EXPECT_EQ(closing.get(), 1);
  ASSERT_TRUE(pool.wait_idle(number));
  EXPECT_EQ(pool.close_handles(number), 1);
}

TEST(TaskPoolTest, FailingRoutineDoesNotEndTheRun) {
  TaskPool pool;
  RunLog log;
  auto routine = [&](int task) {
    log.record(task);
    if (task == 2) throw std::runtime_error("page failed");
  };
  int number = 0;
  ASSERT_TRUE(pool.start(1, 3, routine, number, log.notify()));
  ASSERT_TRUE(pool.wait_idle(number));
  EXPECT_EQ(log.sorted_tasks(), range(1, 3));
  EXPECT_EQ(log.notice_count(kNotifyRunOver), 1);
}

TEST(TaskPoolTest, NotificationMayStartTheNextRun) {
  RunLog log;
  std::atomic<int> restarts{0};
  {
    TaskPool pool;
    auto restart = [&](int code, int pool_number) {
      if (code != kNotifyRunOver) return;
      ++restarts;
      int n = pool_number;
      EXPECT_TRUE(pool.start(2, 2, log.routine(), n, log.notify()));
    };
    int number = 0;
    ASSERT_TRUE(pool.start(2, 2, log.routine(), number, log.notify(restart)));
    ASSERT_TRUE(log.wait_notices(kNotifyRunOver, 2));
    ASSERT_TRUE(pool.wait_idle(number));
  }
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(log.sorted_tasks(), (std::vector<int>{1, 1, 2, 2}));
}

TEST(TaskPoolTest, CopiesShareThePoolTable) {
  RunLog log;
  int number = 0;
  std::optional<TaskPool> pool(std::in_place);
  TaskPool copy = pool->copy();
  Gate gate;
  ASSERT_TRUE(pool->start(
      1, 1, [&](int) { gate.wait(); }, number, log.notify()));
  EXPECT_EQ(copy.state(number), kPoolRunning);
  EXPECT_FALSE(copy.start(
      1, 1, [](int) {}, number));
  pool.reset();  // the copy keeps the table and its workers
  gate.open();
  ASSERT_TRUE(copy.wait_idle(number));
  EXPECT_EQ(log.notice_count(kNotifyRunOver), 1);
}

TEST(TaskPoolTest, DestroyingPoolStopsAndJoinsParkedWorkers) {
  RunLog batch_log;
  RunLog suspended_log;
  int batch = 0;
  int suspended = 0;
  std::latch parked(1);
  {
    TaskPool pool;
    ASSERT_TRUE(pool.start(3, 10, batch_log.routine(), batch, batch_log.notify(), 4));
    auto routine = [&](int task) {
      suspended_log.record(task);
      pool.suspend(suspended);
      parked.count_down();
    };
    ASSERT_TRUE(pool.start(1, 5, routine, suspended, suspended_log.notify()));
    parked.wait();
    ASSERT_TRUE(batch_log.wait_notices(kNotifyBatchParked, 1));
  }
  EXPECT_EQ(batch_log.sorted_tasks(), (std::vector<int>{1, 2, 3, 10}));
  EXPECT_EQ(suspended_log.sorted_tasks(), range(1, 1));
  EXPECT_EQ(batch_log.notice_count(kNotifyRunOver), 1);
  EXPECT_EQ(suspended_log.notice_count(kNotifyRunOver), 1);
}

}  // namespace
}  // namespace korvane
