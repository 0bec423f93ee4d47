// The window's hashing: a first-in-first-out queue of jobs, hashed with the
// file pipeline by worker threads, several files at once where their devices
// allow it (vmsum's rule). Results and progress notices leave only through the
// sinks given at construction (posted window messages).
#pragma once

#include "engine/device_class.h"
#include "engine/file_concurrency.h"
#include "engine/sync.h"
#include "gui/logic/file_row.h"

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace app {

struct QueuedJob {
    RowId row = 0;
    std::wstring path;
    vms::AlgorithmMask algorithms = 0;
    std::uint64_t size = 0;  // the row's size when queued
};

struct JobResult {
    RowId row = 0;
    vms::AlgorithmMask algorithms = 0;
    vms::HashResult hash;
};

// A job being hashed and how far it is.
struct JobInFlight {
    RowId row = 0;
    std::wstring path;
    std::uint64_t size = 0;
    std::uint64_t done = 0;  // bytes read
};

struct ProgressSnapshot {
    bool busy = false;                // a job runs or waits
    std::vector<JobInFlight> running; // in the order they started
    std::uint64_t done = 0;           // of the batch
    std::uint64_t total = 0;          // of the batch, never below done
    std::uint64_t filesLeft = 0;      // queued, plus the running ones
    double speed = 0;                 // bytes per second; 0 in a batch's first 500 ms
};

class HashWorker {
public:
    // Takes each finished job's result, on a worker thread.
    using ResultSink = std::function<void(std::unique_ptr<JobResult>)>;
    // Tells the window that progress moved; at most one notice is pending
    // until the window calls ProgressNoticeTaken.
    using ProgressSink = std::function<void()>;

    // jobs: files at once; 0 by each file's device.
    HashWorker(ResultSink results, ProgressSink progress, unsigned jobs = 0);
    ~HashWorker();
    HashWorker(const HashWorker&) = delete;
    HashWorker& operator=(const HashWorker&) = delete;

    void Enqueue(QueuedJob job);
    // Drops the queued jobs of a row and cancels its running ones.
    void RemoveJobsOf(RowId row);
    // Drops every queued job and cancels the running ones.
    void CancelAll();
    ProgressSnapshot Snapshot() const;
    void ProgressNoticeTaken();
    // Ends the threads: the queue is cleared and the running jobs cancelled.
    void Stop();

private:
    struct Waiting {
        QueuedJob job;
        vms::DeviceClass device;
    };
    // One worker thread and the job it runs.
    struct Slot {
        explicit Slot(unsigned number) : number(number) {}
        // Slots below the number of files that may run at once take jobs, so
        // only they ever hold read buffers.
        const unsigned number;
        bool busy = false;  // the rest is the running job's, under the lock
        std::uint64_t started = 0;
        JobInFlight job;
        vms::DeviceClass device;
        std::atomic<std::uint64_t> bytesRead{0};
        std::atomic<bool> cancel{false};
        vms::BlockBuffers buffers;  // the slot's thread's alone
        std::thread thread;
    };

    void Run(Slot& slot);
    // Under the lock: the first queued job whose device has room, if the slot may take one.
    std::deque<Waiting>::iterator NextJob(const Slot& slot);

    ResultSink results_;
    ProgressSink progress_;
    vms::DeviceClassifier devices_;
    mutable vms::SlimLock lock_;
    vms::ConditionVariable wake_;
    vms::FileConcurrency concurrency_;
    std::deque<Waiting> queue_;
    bool stop_ = false;
    std::uint64_t starts_ = 0;
    std::uint64_t batchDone_ = 0;
    std::uint64_t batchTotal_ = 0;
    std::uint64_t batchStart_ = 0;
    std::atomic<bool> noticePending_{false};
    std::vector<std::unique_ptr<Slot>> slots_;
};

}  // namespace app
