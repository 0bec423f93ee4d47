#include "engine/file_batch.h"

#include <algorithm>
#include <vector>

namespace vms {

void HashBatch(std::span<const BatchFile> files, const BatchOptions& options,
               const std::function<void(std::size_t, const HashResult&)>& done) {
    if (files.empty()) return;
    DeviceClassifier devices(CoreCount());
    FileConcurrency concurrency(options.jobs, [&](const std::wstring& path) { return devices.ClassOf(path); });
    std::vector<DeviceClass> classes;
    classes.reserve(files.size());
    for (const BatchFile& file : files) {
        classes.push_back(file.input ? DeviceClass{L"input", 1} : concurrency.ClassOf(file.path));
    }

    std::vector<HashResult> results(std::min(files.size(), kOrderWindow));
    const auto hash = [&](const WorkSlot& slot) {
        const BatchFile& file = files[slot.Index()];
        HashOptions hashOptions;
        hashOptions.buffers = &slot.Buffers();
        hashOptions.threads = slot.Threads();
        hashOptions.expectedSize = file.size;
        hashOptions.progress = [&slot](std::uint64_t bytes) { slot.Report(bytes); };
        HashResult& result = results[slot.Index() % results.size()];
        result = file.input ? HashHandle(file.input, file.algorithms, hashOptions)
                            : HashFile(file.path, file.algorithms, hashOptions);
    };
    const auto deliver = [&](std::size_t index) { done(index, results[index % results.size()]); };
    RunInOrder(concurrency, classes, hash, deliver, options.progress);
}

}  // namespace vms
