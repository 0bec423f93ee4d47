// Which device a file is on and how many of its files may be read at once, for
// a scheduler that hashes several files together: a spinning disk read in
// several places at once seeks back and forth and gets slower, a solid-state
// disk gets faster, a network share hides its latency behind a second read.
// A device the system can't describe is taken to be a spinning disk.
#pragma once

#include "engine/sync.h"
#include "engine/volume_query.h"

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

namespace vms {

// A device and how many of its files may be read at once.
struct DeviceClass {
    std::wstring key;  // files with the same key share the limit
    unsigned parallel = 1;

    bool operator==(const DeviceClass&) const = default;
};

// Every volume whose disks are unknown: two of them may be one spinning disk.
inline constexpr wchar_t kUnknownDeviceKey[] = L"unknown";
inline constexpr unsigned kNetworkParallel = 2;
inline constexpr unsigned kMaxDiskParallel = 4;

// The server of a UNC path ("\\server\share\...", "\\?\UNC\server\share\...",
// either separator), as written; none for a drive or device path.
std::optional<std::wstring> NetworkServer(const std::wstring& path);

// The decision. volume names where the answers came from: for a network volume
// a UNC path on it or the mapped drive's root, which keys the server.
// A disk volume is keyed by its lowest disk number, so two partitions of one
// disk share a limit; it reads min(cores, 4) files at once only when every
// one of its disks answered that it doesn't seek.
DeviceClass ClassifyDevice(const VolumeAnswers& answers, const std::wstring& volume, unsigned cores);

// The system calls a classifier makes (volume_query.h); tests count them.
struct VolumeSystem {
    std::function<std::wstring(const std::wstring& path)> volumeRootOf = VolumeRootOf;
    std::function<bool(const std::wstring& root)> isRemoteDrive = IsRemoteDrive;
    std::function<std::wstring(const std::wstring& root)> volumeNameOf = VolumeNameOf;
    std::function<VolumeAnswers(const std::wstring& volumeName)> queryDisks = QueryDisks;
};

// Classifies the device of each file, asking the system once per folder for
// its volume's root, once per root for its drive type and volume name, and
// once per volume for its disks: under Wine every call costs, and one run may
// hash 20,000 small files. Folders, roots and volumes compare case-blind.
// Any thread may call it; no lock is held while the system is asked.
class DeviceClassifier {
public:
    explicit DeviceClassifier(unsigned cores, VolumeSystem system = {});

    // The device of a file given by any form of path. A UNC path is classed
    // from its text, without a call that could reach the network.
    DeviceClass ClassOf(const std::wstring& path);

private:
    using Cache = std::unordered_map<std::wstring, DeviceClass>;

    DeviceClass ClassOfFolder(const std::wstring& folder);
    DeviceClass ClassOfRoot(const std::wstring& root);

    unsigned cores_;
    VolumeSystem system_;
    SlimLock lock_;
    Cache folders_;
    Cache roots_;
    Cache volumes_;
};

}  // namespace vms
