#include "gui/logic/hash_worker.h"

#include <algorithm>
#include <mutex>

namespace app {

HashWorker::HashWorker(ResultSink results, ProgressSink progress, unsigned jobs)
    : results_(std::move(results)),
      progress_(std::move(progress)),
      devices_(vms::CoreCount()),
      concurrency_(jobs, [this](const std::wstring& path) { return devices_.ClassOf(path); }) {
    // Threads that find Stop called end at once; Stop joins those started.
    try {
        for (unsigned i = 0; i < concurrency_.Workers(); ++i) {
            slots_.push_back(std::make_unique<Slot>(i));
            Slot& slot = *slots_.back();
            slot.thread = std::thread([this, &slot] { Run(slot); });
        }
    } catch (...) {
        Stop();
        throw;
    }
}

HashWorker::~HashWorker() { Stop(); }

void HashWorker::Enqueue(QueuedJob job) {
    vms::DeviceClass device = concurrency_.ClassOf(job.path);
    {
        std::lock_guard lock(lock_);
        const bool idle = queue_.empty() && std::ranges::none_of(slots_, [](const auto& slot) { return slot->busy; });
        if (idle) {
            batchDone_ = 0;
            batchTotal_ = 0;
            batchStart_ = GetTickCount64();
        }
        batchTotal_ += job.size;
        concurrency_.Expect(device);
        queue_.push_back({std::move(job), std::move(device)});
    }
    wake_.NotifyAll();
}

void HashWorker::RemoveJobsOf(RowId row) {
    std::lock_guard lock(lock_);
    std::erase_if(queue_, [&](const Waiting& waiting) {
        if (waiting.job.row != row) return false;
        batchTotal_ -= std::min(batchTotal_, waiting.job.size);
        return true;
    });
    for (const auto& slot : slots_) {
        if (slot->busy && slot->job.row == row) slot->cancel = true;
    }
}

void HashWorker::CancelAll() {
    std::lock_guard lock(lock_);
    queue_.clear();
    for (const auto& slot : slots_) {
        if (slot->busy) slot->cancel = true;
    }
}

ProgressSnapshot HashWorker::Snapshot() const {
    std::lock_guard lock(lock_);
    ProgressSnapshot snapshot;
    std::vector<const Slot*> running;
    for (const auto& slot : slots_) {
        if (slot->busy) running.push_back(slot.get());
    }
    std::ranges::sort(running, {}, &Slot::started);
    std::uint64_t inFlight = 0;
    for (const Slot* slot : running) {
        JobInFlight job = slot->job;
        job.done = slot->bytesRead.load();
        inFlight += job.done;
        snapshot.running.push_back(std::move(job));
    }
    snapshot.busy = !running.empty() || !queue_.empty();
    snapshot.done = inFlight + batchDone_;
    snapshot.total = std::max(batchTotal_, snapshot.done);
    snapshot.filesLeft = queue_.size() + running.size();
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
        for (const auto& slot : slots_) slot->cancel = true;
    }
    wake_.NotifyAll();
    for (const auto& slot : slots_) {
        if (slot->thread.joinable()) slot->thread.join();
    }
}

std::deque<HashWorker::Waiting>::iterator HashWorker::NextJob(const Slot& slot) {
    if (slot.number >= concurrency_.Capacity()) return queue_.end();
    return std::ranges::find_if(queue_, [&](const Waiting& waiting) { return concurrency_.CanStart(waiting.device); });
}

void HashWorker::Run(Slot& slot) {
    for (;;) {
        QueuedJob job;
        std::uint32_t threads = 0;
        {
            std::lock_guard lock(lock_);
            wake_.Wait(lock_, [&] { return stop_ || NextJob(slot) != queue_.end(); });
            if (stop_) return;
            const auto next = NextJob(slot);
            job = std::move(next->job);
            slot.device = std::move(next->device);
            queue_.erase(next);
            threads = concurrency_.Start(slot.device);
            slot.busy = true;
            slot.started = ++starts_;
            slot.job = {job.row, job.path, job.size, 0};
            slot.bytesRead = 0;
            slot.cancel = false;
            noticePending_ = false;
        }
        vms::HashOptions options;
        options.cancel = &slot.cancel;
        options.buffers = &slot.buffers;
        options.threads = threads;
        options.progress = [this, &slot](std::uint64_t bytes) {
            slot.bytesRead = bytes;
            if (!noticePending_.exchange(true)) progress_();
        };
        auto result = std::make_unique<JobResult>(
            JobResult{job.row, job.algorithms, vms::HashFile(job.path, job.algorithms, options)});
        {
            std::lock_guard lock(lock_);
            slot.busy = false;
            concurrency_.Finish(slot.device);
            batchDone_ += job.size;
        }
        // The device's room may let another thread start a job.
        wake_.NotifyAll();
        results_(std::move(result));
    }
}

}  // namespace app
