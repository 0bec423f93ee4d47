#include "gui/logic/hash_worker.h"

#include <mutex>

namespace app {

HashWorker::HashWorker(ResultSink results, ProgressSink progress)
    : results_(std::move(results)), progress_(std::move(progress)), thread_([this] { Run(); }) {}

HashWorker::~HashWorker() { Stop(); }

void HashWorker::Enqueue(QueuedJob job) {
    {
        std::lock_guard lock(lock_);
        if (!busy_ && queue_.empty()) {
            batchDone_ = 0;
            batchTotal_ = 0;
            batchStart_ = GetTickCount64();
        }
        batchTotal_ += job.size;
        queue_.push_back(std::move(job));
    }
    wake_.NotifyAll();
}

void HashWorker::RemoveJobsOf(RowId row) {
    std::lock_guard lock(lock_);
    std::erase_if(queue_, [&](const QueuedJob& job) {
        if (job.row != row) return false;
        batchTotal_ -= std::min(batchTotal_, job.size);
        return true;
    });
    if (busy_ && currentRow_ == row) cancel_ = true;
}

void HashWorker::CancelAll() {
    std::lock_guard lock(lock_);
    queue_.clear();
    if (busy_) cancel_ = true;
}

ProgressSnapshot HashWorker::Snapshot() const {
    std::lock_guard lock(lock_);
    ProgressSnapshot snapshot;
    snapshot.busy = busy_ || !queue_.empty();
    snapshot.currentPath = currentPath_;
    snapshot.currentSize = currentSize_;
    snapshot.currentDone = busy_ ? bytesRead_.load() : 0;
    snapshot.done = snapshot.currentDone + batchDone_;
    snapshot.total = std::max(batchTotal_, snapshot.done);
    snapshot.filesLeft = queue_.size() + (busy_ ? 1 : 0);
    const std::uint64_t elapsed = GetTickCount64() - batchStart_;
    if (elapsed > 500) snapshot.speed = static_cast<double>(snapshot.done) * 1000.0 / static_cast<double>(elapsed);
    return snapshot;
}

void HashWorker::ProgressNoticeTaken() { noticePending_ = false; }

void HashWorker::Stop() {
    {
        std::lock_guard lock(lock_);
        stop_ = true;
        queue_.clear();
        cancel_ = true;
    }
    wake_.NotifyAll();
    if (thread_.joinable()) thread_.join();
}

void HashWorker::Run() {
    for (;;) {
        QueuedJob job;
        {
            std::lock_guard lock(lock_);
            wake_.Wait(lock_, [&] { return stop_ || !queue_.empty(); });
            if (stop_) return;
            job = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
            currentRow_ = job.row;
            currentPath_ = job.path;
            currentSize_ = job.size;
            bytesRead_ = 0;
            cancel_ = false;
            noticePending_ = false;
        }
        vms::HashOptions options;
        options.cancel = &cancel_;
        options.buffers = &buffers_;
        options.progress = [this](std::uint64_t bytes) {
            bytesRead_ = bytes;
            if (!noticePending_.exchange(true)) progress_();
        };
        auto result = std::make_unique<JobResult>(JobResult{job.row, job.algorithms, vms::HashFile(job.path, job.algorithms, options)});
        {
            std::lock_guard lock(lock_);
            busy_ = false;
            currentPath_.clear();
            batchDone_ += job.size;
        }
        results_(std::move(result));
    }
}

}  // namespace app
