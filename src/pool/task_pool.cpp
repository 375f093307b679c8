#include "pool/task_pool.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace korvane {

namespace {

constexpr auto kTaskPause = std::chrono::milliseconds(10);

// One run's arguments, shared read-only by its workers.
struct RunArgs {
  int pool_number = 0;
  int thread_count = 0;
  int task_count = 0;
  TaskRoutine routine;
  PoolNotify notify;
  std::uint64_t serial = 0;  // the run's number within its record, from 1
};

// Calls `f`, ignoring what it throws: a failing routine or callback must not
// end the worker before its bookkeeping is done.
template <typename F>
void call_quietly(F&& f) {
  try {
    f();
  } catch (...) {
  }
}

void send(const RunArgs& args, int code) {
  if (args.notify) call_quietly([&] { args.notify(code, args.pool_number); });
}

}  // namespace

// A pool's state. Lock order: end_lock, then batch_lock, then mu.
struct PoolRecord {
  std::mutex mu;                            // guards the fields below it up to end_lock
  std::condition_variable wake;             // parked workers wait here
  std::condition_variable ended;            // waiters for the end of a run
  std::vector<std::thread> thread_handles;  // in worker order, 1..T
  std::vector<char> worker_ended;           // per worker: past its end
  bool running = false;
  int live_threads = 0;
  bool paused = false;
  int parked_threads = 0;
  bool stop_requested = false;
  bool batch_notice_due = false;  // a boundary has not been notified yet
  int batch_size = 0;
  std::uint64_t started_runs = 0;
  std::uint64_t finished_runs = 0;  // runs whose notification 1 is delivered

  std::mutex end_lock;          // a worker's end, notification 1 included
  std::mutex batch_lock;        // the draw, the boundary test, task N
  int task_counter = 0;         // last task number handed out; under batch_lock
  bool final_task_due = false;  // task N still to run; under batch_lock
};

class PoolTable {
 public:
  PoolTable() = default;
  PoolTable(const PoolTable&) = delete;
  PoolTable& operator=(const PoolTable&) = delete;
  ~PoolTable();

  // The record of `pool_number`, or null when it lies outside the table.
  PoolRecord* find(int pool_number);
  // Appends a record and writes its number into `pool_number`.
  PoolRecord* append(int& pool_number);
  // Joins `threads`; the calling thread's own handle is kept for later.
  void join(std::vector<std::thread> threads);
  // Joins the handles kept by `join`, but the caller's own.
  void join_kept();

 private:
  std::mutex mu_;
  std::vector<std::unique_ptr<PoolRecord>> records_;
  std::vector<std::thread> kept_;
};

PoolTable::~PoolTable() {
  for (auto& record : records_) {
    std::lock_guard lock(record->mu);
    record->stop_requested = true;
    record->wake.notify_all();
  }
  for (auto& record : records_) {
    std::vector<std::thread> threads;
    {
      std::lock_guard lock(record->mu);
      threads.swap(record->thread_handles);
    }
    join(std::move(threads));
  }
  join_kept();
}

PoolRecord* PoolTable::find(int pool_number) {
  std::lock_guard lock(mu_);
  if (pool_number < 1 || static_cast<std::size_t>(pool_number) > records_.size()) return nullptr;
  return records_[pool_number - 1].get();
}

PoolRecord* PoolTable::append(int& pool_number) {
  std::lock_guard lock(mu_);
  records_.push_back(std::make_unique<PoolRecord>());
  pool_number = static_cast<int>(records_.size());
  return records_.back().get();
}

void PoolTable::join(std::vector<std::thread> threads) {
  for (auto& thread : threads) {
    if (!thread.joinable()) continue;
    if (thread.get_id() == std::this_thread::get_id()) {
      std::lock_guard lock(mu_);
      kept_.push_back(std::move(thread));
    } else {
      thread.join();
    }
  }
}

void PoolTable::join_kept() {
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(mu_);
    threads.swap(kept_);
  }
  join(std::move(threads));
}

namespace {

using Args = std::shared_ptr<const RunArgs>;

// Under record.mu: true once, when every live worker has parked at a boundary.
bool take_batch_notice(PoolRecord& record) {
  if (!record.batch_notice_due || record.live_threads == 0 ||
      record.parked_threads < record.live_threads) {
    return false;
  }
  record.batch_notice_due = false;
  return true;
}

// Parks while the pause mark is set. False once a stop is requested.
bool await_go(PoolRecord& record, const RunArgs& args) {
  std::unique_lock lock(record.mu);
  if (record.paused && !record.stop_requested) {
    ++record.parked_threads;
    if (take_batch_notice(record)) {
      lock.unlock();
      send(args, kNotifyBatchParked);
      lock.lock();
    }
    record.wake.wait(lock, [&] { return !record.paused || record.stop_requested; });
    --record.parked_threads;
  }
  return !record.stop_requested;
}

// The end of worker `index`: the last one marks the run idle and sends
// notification 1.
void end_worker(PoolRecord& record, const RunArgs& args, int index) {
  std::lock_guard end(record.end_lock);
  bool last = false;
  bool batch_notice = false;
  {
    std::lock_guard lock(record.mu);
    record.worker_ended[index - 1] = 1;
    last = --record.live_threads == 0;
    if (last) record.running = false;
    batch_notice = take_batch_notice(record);
  }
  if (batch_notice) send(args, kNotifyBatchParked);
  if (!last) return;
  send(args, kNotifyRunOver);
  std::lock_guard lock(record.mu);
  record.finished_runs = args.serial;
  record.ended.notify_all();
}

void run_task(const RunArgs& args, int task) {
  call_quietly([&] { args.routine(task); });
  std::this_thread::sleep_for(kTaskPause);
}

void interleaved_worker(PoolRecord* record, Args args, int index) {
  for (long long n = index; n <= args->task_count; n += args->thread_count) {
    if (!await_go(*record, *args)) break;
    run_task(*args, static_cast<int>(n));
  }
  end_worker(*record, *args, index);
}

struct Draw {
  int task = 0;  // 0 once a stop is requested
  bool ran_final = false;
};

// Hands out the next task number. A draw that is a whole multiple of the
// batch size is a boundary: the workers are told to park, and the first
// boundary runs task N first. Should the batch size change so that no
// boundary comes before the last draw (N-1), that draw runs task N.
Draw draw_task(PoolRecord& record, const RunArgs& args) {
  std::lock_guard batch(record.batch_lock);
  int batch_size = 0;
  {
    std::lock_guard lock(record.mu);
    if (record.stop_requested) return {};
    batch_size = record.batch_size;
  }
  Draw draw{++record.task_counter, false};
  bool boundary = draw.task % batch_size == 0;
  if (record.final_task_due && (boundary || draw.task == args.task_count - 1)) {
    record.final_task_due = false;
    call_quietly([&] { args.routine(args.task_count); });
    draw.ran_final = true;
  }
  if (boundary) {
    std::lock_guard lock(record.mu);
    record.paused = true;
    record.batch_notice_due = true;
  }
  return draw;
}

void batch_worker(PoolRecord* record, Args args, int index) {
  for (;;) {
    Draw draw = draw_task(*record, *args);
    if (draw.ran_final) std::this_thread::sleep_for(kTaskPause);
    if (draw.task == 0 || !await_go(*record, *args) || draw.task >= args->task_count) break;
    run_task(*args, draw.task);
    if (static_cast<long long>(draw.task) + args->thread_count >= args->task_count) break;
  }
  end_worker(*record, *args, index);
}

// Waits until the run numbered `serial` is over, for at most `timeout`.
bool wait_run_over(PoolRecord& record, std::unique_lock<std::mutex>& lock, std::uint64_t serial,
                   std::optional<std::chrono::milliseconds> timeout) {
  auto over = [&] { return record.finished_runs >= serial; };
  if (!timeout) {
    record.ended.wait(lock, over);
    return true;
  }
  return record.ended.wait_for(lock, *timeout, over);
}

bool wait_idle_impl(PoolTable& table, int pool_number,
                    std::optional<std::chrono::milliseconds> timeout) {
  PoolRecord* record = table.find(pool_number);
  if (record == nullptr) return false;
  std::unique_lock lock(record->mu);
  return wait_run_over(*record, lock, record->started_runs, timeout);
}

}  // namespace

TaskPool::TaskPool() : pool_table_(std::make_shared<PoolTable>()) {}

TaskPool::TaskPool(std::shared_ptr<PoolTable> table) : pool_table_(std::move(table)) {}

TaskPool::~TaskPool() = default;

TaskPool TaskPool::copy() const { return TaskPool(pool_table_); }

bool TaskPool::start(int thread_count, int task_count, TaskRoutine routine, int& pool_number,
                     PoolNotify notify, int batch_size) {
  if (thread_count <= 0 || task_count <= 0) return false;
  PoolTable& table = *pool_table_;
  table.join_kept();
  PoolRecord* record = table.find(pool_number);
  if (record == nullptr) record = table.append(pool_number);

  int threads = std::min(thread_count, task_count);
  if (batch_size > 0) threads = std::min(threads, batch_size);
  const bool batch = batch_size > 0 && batch_size < task_count;
  auto args = std::make_shared<RunArgs>();
  std::vector<std::thread> previous;
  {
    std::lock_guard lock(record->mu);
    if (record->running) return false;
    previous.swap(record->thread_handles);
    record->thread_handles.resize(threads);
    record->worker_ended.assign(threads, 0);
    record->running = true;
    record->live_threads = threads;
    record->paused = false;
    record->parked_threads = 0;
    record->stop_requested = false;
    record->batch_notice_due = false;
    if (batch_size > 0) record->batch_size = batch_size;
    *args = RunArgs{.pool_number = pool_number,
                    .thread_count = threads,
                    .task_count = task_count,
                    .routine = std::move(routine),
                    .notify = std::move(notify),
                    .serial = ++record->started_runs};
  }
  {
    // No worker of this record draws now: the previous run is past its end.
    std::lock_guard lock(record->batch_lock);
    record->task_counter = 0;
    record->final_task_due = true;
  }
  table.join(std::move(previous));

  int started = 0;
  try {
    for (; started < threads; ++started) {
      std::thread thread(batch ? batch_worker : interleaved_worker, record, args, started + 1);
      std::lock_guard lock(record->mu);
      record->thread_handles[started] = std::move(thread);
    }
  } catch (const std::system_error&) {
    {
      std::lock_guard lock(record->mu);
      record->stop_requested = true;
      record->wake.notify_all();
    }
    for (int index = started + 1; index <= threads; ++index) end_worker(*record, *args, index);
    return false;
  }
  return true;
}

int TaskPool::suspend(int pool_number) {
  PoolRecord* record = pool_table_->find(pool_number);
  if (record == nullptr) return 0;
  std::lock_guard lock(record->mu);
  if (!record->running) return 0;
  record->paused = true;
  return 1;
}

int TaskPool::resume(int pool_number) {
  PoolRecord* record = pool_table_->find(pool_number);
  if (record == nullptr) return 0;
  std::lock_guard lock(record->mu);
  if (!record->running) return 0;
  record->paused = false;
  record->batch_notice_due = false;
  record->wake.notify_all();
  return 1;
}

int TaskPool::state(int pool_number) const {
  PoolRecord* record = pool_table_->find(pool_number);
  if (record == nullptr) return kPoolOutside;
  std::lock_guard lock(record->mu);
  if (!record->running) return kPoolIdle;
  return record->paused ? kPoolPaused : kPoolRunning;
}

int TaskPool::close_handles(int pool_number) {
  PoolRecord* record = pool_table_->find(pool_number);
  if (record == nullptr) return 0;
  std::vector<std::thread> finished;
  {
    std::lock_guard lock(record->mu);
    for (std::size_t i = 0; i < record->thread_handles.size(); ++i) {
      if (record->worker_ended[i]) finished.push_back(std::move(record->thread_handles[i]));
    }
  }
  pool_table_->join(std::move(finished));
  return 1;
}

int TaskPool::stop(int pool_number, std::chrono::milliseconds timeout) {
  PoolRecord* record = pool_table_->find(pool_number);
  if (record == nullptr) return 0;
  std::unique_lock lock(record->mu);
  if (!record->running) return 0;
  record->stop_requested = true;
  record->wake.notify_all();
  return wait_run_over(*record, lock, record->started_runs, timeout) ? 1 : -1;
}

void TaskPool::set_batch_size(int pool_number, int batch_size) {
  PoolRecord* record = pool_table_->find(pool_number);
  if (record == nullptr || batch_size <= 0) return;
  std::lock_guard lock(record->mu);
  record->batch_size = batch_size;
}

bool TaskPool::wait_idle(int pool_number) const {
  return wait_idle_impl(*pool_table_, pool_number, std::nullopt);
}

bool TaskPool::wait_idle_for(int pool_number, std::chrono::milliseconds timeout) const {
  return wait_idle_impl(*pool_table_, pool_number, timeout);
}

}  // namespace korvane
