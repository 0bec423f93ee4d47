// How many files are hashed at once, and how many threads each may use. Files
// on one device share its limit (one at a time on a disk that seeks), files on
// different devices run side by side, and the threads of every file in flight
// together stay within the processor's cores.
#pragma once

#include "engine/device_class.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace vms {

// The processor's cores, at least 1.
unsigned CoreCount();

class FileConcurrency {
public:
    using Classify = std::function<DeviceClass(const std::wstring& path)>;

    // jobs 0: by each file's device, as classify tells. Otherwise that many
    // files at once on any device, but never more than the cores.
    FileConcurrency(unsigned jobs, Classify classify, unsigned cores = CoreCount());

    // The device class a file is scheduled by.
    DeviceClass ClassOf(const std::wstring& path) const;

    // The threads that take files: every file that may ever run at once has one.
    unsigned Workers() const { return workers_; }

    // The rest is bookkeeping under the caller's lock.

    // Counts a class among those files will come from, so the first file
    // started doesn't take the cores that files beside it will need.
    void Expect(const DeviceClass& device);
    // How many files may run at once among the classes expected so far.
    unsigned Capacity() const;
    bool CanStart(const DeviceClass& device) const;
    // Counts a file as running; returns the threads its own hashing may use,
    // as HashOptions::threads takes them: 0, every core, when no other file
    // can run beside it.
    std::uint32_t Start(const DeviceClass& device);
    void Finish(const DeviceClass& device);

private:
    Classify classify_;
    unsigned cores_;
    unsigned forced_;
    unsigned workers_;
    std::map<std::wstring, unsigned> limits_;   // by device key, the classes expected
    std::map<std::wstring, unsigned> running_;  // by device key
    unsigned total_ = 0;
};

}  // namespace vms
