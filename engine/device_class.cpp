#include "engine/device_class.h"

#include "engine/text.h"

#include <algorithm>
#include <mutex>

namespace vms {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// No answer counts as a seek penalty.
bool NoSeekOnEveryDisk(const VolumeAnswers& answers) {
    for (std::size_t i = 0; i < answers.disks.size(); ++i) {
        if (i >= answers.seekPenalty.size() || answers.seekPenalty[i] != false) return false;
    }
    return true;
}

VolumeAnswers NetworkAnswers() {
    VolumeAnswers answers;
    answers.network = true;
    return answers;
}

// The cached class of a key, or compute's, stored. compute runs without the
// lock: two threads may both ask, and the first answer stored is the one kept.
template <typename Compute>
DeviceClass Cached(SlimLock& lock, std::unordered_map<std::wstring, DeviceClass>& cache, const std::wstring& key,
                   Compute compute) {
    {
        std::lock_guard hold(lock);
        if (const auto found = cache.find(key); found != cache.end()) return found->second;
    }
    DeviceClass answer = compute();
    std::lock_guard hold(lock);
    return cache.try_emplace(key, std::move(answer)).first->second;
}

}  // namespace

std::optional<std::wstring> NetworkServer(const std::wstring& path) {
    if (path.size() < 3 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return std::nullopt;
    std::size_t start = 2;
    // "\\?\" and "\\.\" lead to devices and drives; only their UNC link names a server.
    if (path[2] == L'?' || path[2] == L'.') {
        const bool unc = path.size() >= 8 && IsSeparator(path[3]) && IsSeparator(path[7]) &&
                         EqualsIgnoreCase(std::wstring_view(path).substr(4, 3), L"UNC");
        if (!unc) return std::nullopt;
        start = 8;
    }
    const std::size_t end = std::find_if(path.begin() + start, path.end(), IsSeparator) - path.begin();
    if (end == start) return std::nullopt;
    return path.substr(start, end - start);
}

DeviceClass ClassifyDevice(const VolumeAnswers& answers, const std::wstring& volume, unsigned cores) {
    if (answers.network) return {L"net:" + ToLowerW(NetworkServer(volume).value_or(volume)), kNetworkParallel};
    if (!answers.extentsAnswered || answers.disks.empty()) return {kUnknownDeviceKey, 1};
    const std::uint32_t lowest = *std::min_element(answers.disks.begin(), answers.disks.end());
    const unsigned parallel = NoSeekOnEveryDisk(answers) ? std::clamp(cores, 1u, kMaxDiskParallel) : 1;
    return {L"disk:" + std::to_wstring(lowest), parallel};
}

DeviceClassifier::DeviceClassifier(unsigned cores, VolumeSystem system) : cores_(cores), system_(std::move(system)) {}

DeviceClass DeviceClassifier::ClassOf(const std::wstring& path) {
    // Making the path full is text work, so a share is known before any call.
    const std::wstring full = ToLongPath(path);
    if (NetworkServer(full)) return ClassifyDevice(NetworkAnswers(), full, cores_);
    const std::size_t separator = full.find_last_of(L"\\/");
    const std::wstring folder = separator == std::wstring::npos ? std::wstring() : full.substr(0, separator + 1);
    return Cached(lock_, folders_, ToLowerW(folder), [&] { return ClassOfFolder(folder); });
}

DeviceClass DeviceClassifier::ClassOfFolder(const std::wstring& folder) {
    const std::wstring root = system_.volumeRootOf(folder);
    if (root.empty()) return ClassifyDevice(VolumeAnswers(), folder, cores_);
    return Cached(lock_, roots_, ToLowerW(root), [&] { return ClassOfRoot(root); });
}

DeviceClass DeviceClassifier::ClassOfRoot(const std::wstring& root) {
    if (system_.isRemoteDrive(root)) return ClassifyDevice(NetworkAnswers(), root, cores_);
    const std::wstring volume = system_.volumeNameOf(root);
    if (volume.empty()) return ClassifyDevice(VolumeAnswers(), root, cores_);
    return Cached(lock_, volumes_, ToLowerW(volume),
                  [&] { return ClassifyDevice(system_.queryDisks(volume), volume, cores_); });
}

}  // namespace vms
