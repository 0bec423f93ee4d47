#include "engine/file_concurrency.h"

#include <algorithm>
#include <thread>

namespace vms {

unsigned CoreCount() { return std::max(1u, std::thread::hardware_concurrency()); }

FileConcurrency::FileConcurrency(unsigned jobs, Classify classify, unsigned cores)
    : classify_(std::move(classify)),
      cores_(std::max(1u, cores)),
      forced_(std::min(jobs, cores_)),
      workers_(forced_ != 0 ? forced_ : cores_) {}

DeviceClass FileConcurrency::ClassOf(const std::wstring& path) const {
    if (forced_ != 0) return {L"", forced_};
    return classify_(path);
}

void FileConcurrency::Expect(const DeviceClass& device) {
    unsigned& limit = limits_[device.key];
    limit = std::max(limit, std::clamp(device.parallel, 1u, cores_));
}

unsigned FileConcurrency::Capacity() const {
    unsigned capacity = 0;
    for (const auto& [key, limit] : limits_) capacity += limit;
    return std::clamp(capacity, 1u, workers_);
}

bool FileConcurrency::CanStart(const DeviceClass& device) const {
    if (total_ >= workers_) return false;
    const auto running = running_.find(device.key);
    return running == running_.end() || running->second < std::max(1u, device.parallel);
}

std::uint32_t FileConcurrency::Start(const DeviceClass& device) {
    Expect(device);
    ++running_[device.key];
    ++total_;
    // A file that runs alone keeps every core, as one file at a time always has.
    const unsigned capacity = Capacity();
    return capacity <= 1 ? 0 : std::max(1u, cores_ / capacity);
}

void FileConcurrency::Finish(const DeviceClass& device) {
    const auto running = running_.find(device.key);
    if (running != running_.end() && --running->second == 0) running_.erase(running);
    --total_;
}

}  // namespace vms
