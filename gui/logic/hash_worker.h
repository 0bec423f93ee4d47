// The window's one background hashing thread: a first-in-first-out queue of
// jobs, each hashed with the file pipeline. Results and progress notices leave
// only through the sinks given at construction (posted window messages).
#pragma once

#include "engine/sync.h"
#include "gui/logic/file_row.h"

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>

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

struct ProgressSnapshot {
    bool busy = false;            // a job runs or waits
    std::wstring currentPath;
    std::uint64_t currentSize = 0;
    std::uint64_t currentDone = 0;  // bytes read of the running job
    std::uint64_t done = 0;         // of the batch
    std::uint64_t total = 0;        // of the batch, never below done
    std::uint64_t filesLeft = 0;    // queued, plus the running one
    double speed = 0;               // bytes per second; 0 in a batch's first 500 ms
};

class HashWorker {
public:
    // Takes each finished job's result, on the worker thread.
    using ResultSink = std::function<void(std::unique_ptr<JobResult>)>;
    // Tells the window that progress moved; at most one notice is pending
    // until the window calls ProgressNoticeTaken.
    using ProgressSink = std::function<void()>;

    HashWorker(ResultSink results, ProgressSink progress);
    ~HashWorker();
    HashWorker(const HashWorker&) = delete;
    HashWorker& operator=(const HashWorker&) = delete;

    void Enqueue(QueuedJob job);
    // Drops the queued jobs of a row and cancels its running job.
    void RemoveJobsOf(RowId row);
    // Drops every queued job and cancels the running one.
    void CancelAll();
    ProgressSnapshot Snapshot() const;
    void ProgressNoticeTaken();
    // Ends the thread: the queue is cleared and the running job cancelled.
    void Stop();

private:
    void Run();

    ResultSink results_;
    ProgressSink progress_;
    mutable vms::SlimLock lock_;
    vms::ConditionVariable wake_;
    std::deque<QueuedJob> queue_;
    bool stop_ = false;
    bool busy_ = false;
    RowId currentRow_ = 0;
    std::wstring currentPath_;
    std::uint64_t currentSize_ = 0;
    std::uint64_t batchDone_ = 0;
    std::uint64_t batchTotal_ = 0;
    std::uint64_t batchStart_ = 0;
    std::atomic<std::uint64_t> bytesRead_{0};
    std::atomic<bool> cancel_{false};
    std::atomic<bool> noticePending_{false};
    vms::BlockBuffers buffers_;  // the worker thread's alone
    std::thread thread_;
};

}  // namespace app
