// Which device a file is on and how many of its files may be read at once, for
// a scheduler that hashes several files together: a spinning disk read in
// several places at once seeks back and forth and gets slower, a solid-state
// disk gets faster, a network share hides its latency behind a second read.
// A device the system can't describe is taken to be a spinning disk.
#pragma once

#include "engine/volume_query.h"

#include <optional>
#include <string>

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

}  // namespace vms
