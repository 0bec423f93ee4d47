#include "engine/ordered_work.h"

#include "engine/sync.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vms {

void WorkSlot::Report(std::uint64_t bytes) const {
    if (bytes_) bytes_->store(bytes, std::memory_order_relaxed);
    if (tick_ && *tick_) {
        const InFlight piece{index_, bytes};
        (*tick_)({&piece, 1});
    }
}

namespace {

constexpr DWORD kTickMilliseconds = 100;

enum class PieceState : std::uint8_t { Waiting, Running, Done };

// One thread that takes pieces, with what the calling thread reads of it.
struct Worker {
    BlockBuffers buffers;
    std::atomic<std::uint64_t> bytes{0};
    std::size_t index = 0;  // under the lock
    bool busy = false;      // under the lock
    std::thread thread;
};

class ParallelRun {
public:
    ParallelRun(FileConcurrency& concurrency, std::span<const DeviceClass> classes,
                const std::function<void(const WorkSlot&)>& work)
        : concurrency_(concurrency), classes_(classes), work_(work), states_(classes.size(), PieceState::Waiting) {}

    ~ParallelRun() { StopAndJoin(); }
    ParallelRun(const ParallelRun&) = delete;
    ParallelRun& operator=(const ParallelRun&) = delete;

    void Start(unsigned count) {
        workers_.reserve(count);
        for (unsigned i = 0; i < count; ++i) {
            workers_.push_back(std::make_unique<Worker>());
            Worker& worker = *workers_.back();
            worker.thread = std::thread([this, &worker] { TakePieces(worker); });
        }
    }

    void Deliver(const std::function<void(std::size_t)>& deliver, const ProgressTick& tick) {
        for (std::size_t next = 0; next < classes_.size(); ++next) {
            while (!WaitForPiece(next, tick)) {
                tick(inFlight_);
            }
            deliver(next);
            {
                std::lock_guard lock(mutex_);
                delivered_ = next + 1;
            }
            workReady_.NotifyAll();
        }
    }

    void StopAndJoin() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        workReady_.NotifyAll();
        for (const auto& worker : workers_) {
            if (worker->thread.joinable()) worker->thread.join();
        }
    }

private:
    // Waits a tenth of a second at most for the piece: true when it is done,
    // false with the pieces in flight gathered for a tick. After a failure the
    // pieces before the failed one that ran are still delivered, as one at a
    // time would have; then what the worker threw is thrown here.
    bool WaitForPiece(std::size_t piece, const ProgressTick& tick) {
        std::lock_guard lock(mutex_);
        for (;;) {
            if (failure_ && (piece == failedPiece_ || states_[piece] == PieceState::Waiting)) {
                std::rethrow_exception(failure_);
            }
            if (states_[piece] == PieceState::Done) return true;
            pieceDone_.WaitOnce(mutex_, kTickMilliseconds);
            if (failure_ || states_[piece] == PieceState::Done || !tick) continue;
            inFlight_.clear();
            for (const auto& worker : workers_) {
                if (worker->busy) inFlight_.push_back({worker->index, worker->bytes.load(std::memory_order_relaxed)});
            }
            std::ranges::sort(inFlight_, {}, &InFlight::index);
            return false;
        }
    }

    // Under the lock: the first waiting piece inside the window whose device
    // has room, or none.
    std::optional<std::size_t> NextPiece() {
        while (firstWaiting_ < states_.size() && states_[firstWaiting_] != PieceState::Waiting) ++firstWaiting_;
        const std::size_t end = std::min(states_.size(), delivered_ + kOrderWindow);
        for (std::size_t i = firstWaiting_; i < end; ++i) {
            if (states_[i] == PieceState::Waiting && concurrency_.CanStart(classes_[i])) return i;
        }
        return std::nullopt;
    }

    void TakePieces(Worker& worker) {
        std::unique_lock lock(mutex_);
        for (;;) {
            std::optional<std::size_t> piece;
            workReady_.Wait(mutex_, [&] {
                if (stop_ || failure_) return true;
                piece = NextPiece();
                return piece.has_value();
            });
            if (stop_ || failure_) return;
            states_[*piece] = PieceState::Running;
            const std::uint32_t threads = concurrency_.Start(classes_[*piece]);
            worker.index = *piece;
            worker.bytes = 0;
            worker.busy = true;
            lock.unlock();
            std::exception_ptr thrown;
            try {
                work_(WorkSlot(*piece, threads, worker.buffers, &worker.bytes, nullptr));
            } catch (...) {
                thrown = std::current_exception();
            }
            lock.lock();
            worker.busy = false;
            concurrency_.Finish(classes_[*piece]);
            states_[*piece] = PieceState::Done;
            if (thrown && !failure_) {
                failure_ = thrown;
                failedPiece_ = *piece;
            }
            pieceDone_.NotifyAll();
            // The device's room, or the failure, may let other workers go on.
            workReady_.NotifyAll();
        }
    }

    FileConcurrency& concurrency_;
    std::span<const DeviceClass> classes_;
    const std::function<void(const WorkSlot&)>& work_;
    SlimLock mutex_;
    ConditionVariable workReady_;  // a piece may start: room on a device, the window moved, or the stop
    ConditionVariable pieceDone_;
    std::vector<PieceState> states_;
    std::size_t firstWaiting_ = 0;
    std::size_t delivered_ = 0;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::size_t failedPiece_ = 0;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<InFlight> inFlight_;  // the calling thread's alone
};

}  // namespace

void RunInOrder(FileConcurrency& concurrency, std::span<const DeviceClass> classes,
                const std::function<void(const WorkSlot&)>& work, const std::function<void(std::size_t)>& deliver,
                const ProgressTick& tick) {
    for (const DeviceClass& device : classes) concurrency.Expect(device);
    const unsigned workers =
        static_cast<unsigned>(std::min<std::size_t>({concurrency.Workers(), concurrency.Capacity(), classes.size()}));
    if (workers <= 1) {
        BlockBuffers buffers;
        for (std::size_t i = 0; i < classes.size(); ++i) {
            work(WorkSlot(i, 0, buffers, nullptr, &tick));
            deliver(i);
        }
        return;
    }
    ParallelRun run(concurrency, classes, work);
    run.Start(workers);
    run.Deliver(deliver, tick);
}

}  // namespace vms
