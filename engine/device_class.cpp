#include "engine/device_class.h"

#include "engine/text.h"

#include <algorithm>

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

}  // namespace vms
