// The task pool: runs one routine over the task numbers 1..N on a small, fixed
// set of worker threads and reports when the run is over.
//
// Every pool's state lives in a record of the pool table, indexed by a pool
// number from 1. The table only grows: a `start` with a number outside it
// appends one record and writes the new number back; records are reused by
// later runs and never removed. A `TaskPool` holds nothing but a share of its
// table, so a `TaskPool` and every copy of it act on the same pool numbers.
//
// Two modes:
//  - ordinary (interleaved): worker i of T runs the tasks i, i+T, i+2T ... up
//    to N; no queue, each worker computes its own numbers;
//  - batch (0 < B < N): workers draw task numbers 1..N-1 from a shared
//    counter; every B-th draw is a batch boundary at which all workers park
//    until `resume`. Task N runs once, at the first boundary, by the worker
//    that reached it. Every task number runs exactly once.
// Each worker sleeps 10 ms after every task, in both modes.
//
// Suspend, resume and stop are cooperative: no thread is ever killed or
// force-suspended. They take effect between tasks; a task in progress always
// runs to its end (a routine that must end early watches its own cancel flag).
//
// Notifications go to the `PoolNotify` given to `start`, on a worker thread:
//  - code 1 (kNotifyRunOver): the run is over. Sent once per run, by the last
//    worker to end, after the run has been marked idle, and under the pool's
//    end lock, so the notifications 1 of one pool never overlap.
//  - code 2 (kNotifyBatchParked): batch mode; every live worker has parked at
//    a batch boundary. Sent once per boundary.
//
// Thread-safety: every operation may be called from any thread at any time,
// concurrently with the others and with running workers. The routine runs on
// up to T threads at once and guards its own shared data. The routine and the
// notification callback must not call `stop`, `wait_idle` or `wait_idle_for`
// on their own pool (they would wait for their own worker); every other
// operation is allowed from them. Exceptions thrown by the routine or the
// callback are caught and ignored: the pool does not see failures of the
// routine, and the run goes on.
//
// Lifetime: the table lives as long as its last `TaskPool`. Destroying the
// last one asks every run to stop and joins every worker before the table is
// freed, so no worker outlives the pool; it waits for tasks in progress. It
// must not happen on a worker thread nor concurrently with another call.
#ifndef KORVANE_POOL_TASK_POOL_H_
#define KORVANE_POOL_TASK_POOL_H_

#include <chrono>
#include <functional>
#include <memory>

namespace korvane {

// The caller's routine: called with a task number on a worker thread.
using TaskRoutine = std::function<void(int task_number)>;
// Receives a pool's notifications (code, pool number) on a worker thread.
using PoolNotify = std::function<void(int code, int pool_number)>;

inline constexpr int kNotifyRunOver = 1;
inline constexpr int kNotifyBatchParked = 2;

// Values of `TaskPool::state`.
inline constexpr int kPoolOutside = -1;  // the number lies outside the table
inline constexpr int kPoolRunning = 1;
inline constexpr int kPoolPaused = 2;  // running, with the pause mark set
inline constexpr int kPoolIdle = 3;    // the run is over

inline constexpr std::chrono::milliseconds kStopWait{5000};

class PoolTable;  // the records, defined in task_pool.cpp

class TaskPool {
 public:
  // Creates a pool with an empty table of its own.
  TaskPool();
  // Copies share the table (like `copy`).
  TaskPool(const TaskPool&) = default;
  TaskPool& operator=(const TaskPool&) = default;
  // Stops and joins every worker if this was the table's last owner.
  ~TaskPool();

  // Does nothing; kept for callers that release the object explicitly.
  void destroy() {}
  // A new object acting on the same pool table.
  TaskPool copy() const;

  // Runs `routine` over the tasks 1..`task_count` on min(T, N) workers, where
  // T is `thread_count` (and at most `batch_size` when that is > 0). Batch mode
  // when 0 < `batch_size` < N. A `pool_number` outside the table gets a new
  // record whose number is written back; a number inside reuses its record.
  // Returns true once the workers are started, without waiting for them.
  // Returns false and changes nothing when T or N is not positive or when the
  // record is running. Returns false too if not every worker could be started;
  // the started ones then leave after their current task and the run ends as
  // usual. May wait for the callback of the record's previous run to return.
  bool start(int thread_count, int task_count, TaskRoutine routine, int& pool_number,
             PoolNotify notify = {}, int batch_size = 0);

  // Sets the pause mark: workers park before their next task (batch draws
  // included) until `resume`. 1 done; 0 if outside or idle.
  int suspend(int pool_number);
  // Clears the pause mark and wakes the parked workers. 1 done; 0 if outside
  // or idle.
  int resume(int pool_number);
  // kPoolOutside, kPoolIdle, kPoolPaused or kPoolRunning, tested in this order.
  int state(int pool_number) const;
  // Joins the handles of workers that have ended (a worker still in its
  // notification is waited for). Does not look at `running`. 1 done; 0 if
  // outside.
  int close_handles(int pool_number);
  // Asks the workers to leave after their current task (parked ones leave at
  // once) and waits up to `timeout` for the run to end; the run then ends as
  // usual (idle, notification 1) and the record can be started again.
  // 1 once the run is over; -1 if it is still going after `timeout` (the stop
  // stays in effect); 0 if outside or idle.
  int stop(int pool_number, std::chrono::milliseconds timeout = kStopWait);
  // Stores the batch size used from the next draw on; ignored unless > 0.
  void set_batch_size(int pool_number, int batch_size);

  // Blocks until the run in progress at the call (if any) is over, its
  // notification 1 delivered. True then; false if the number is outside.
  bool wait_idle(int pool_number) const;
  // As `wait_idle`, giving up after `timeout`: false if outside or timed out.
  bool wait_idle_for(int pool_number, std::chrono::milliseconds timeout) const;

 private:
  explicit TaskPool(std::shared_ptr<PoolTable> table);

  std::shared_ptr<PoolTable> pool_table_;
};

}  // namespace korvane

#endif  // KORVANE_POOL_TASK_POOL_H_
