// What the system says about the volume a folder is on and the disks under it:
// the calls a device's classification needs (device_class.h), one call or one
// device's questions each, so a caller can cache every step. None of them
// fails loudly: a step the system doesn't answer gives an empty answer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vms {

// What the system answered about the volume a file is on.
struct VolumeAnswers {
    bool network = false;                          // a UNC path or a drive whose type is DRIVE_REMOTE
    bool extentsAnswered = false;                  // IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS succeeded
    std::vector<std::uint32_t> disks;              // the extents' disk numbers, as answered
    std::vector<std::optional<bool>> seekPenalty;  // per entry of disks: IncursSeekPenalty, or no answer
};

// The root of the volume a full path is on, such as "C:\" or a mounted folder
// "C:\mounts\data\" (GetVolumePathNameW), never in the extended form; empty
// when the system can't tell.
std::wstring VolumeRootOf(const std::wstring& path);

// True when the root is a drive whose type is DRIVE_REMOTE (GetDriveTypeW).
bool IsRemoteDrive(const std::wstring& root);

// The volume GUID path "\\?\Volume{GUID}\" mounted at a root
// (GetVolumeNameForVolumeMountPointW); empty when there is none.
std::wstring VolumeNameOf(const std::wstring& root);

// The disks under a volume GUID path and whether each seeks: the volume's
// extents (IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS), then each distinct disk's
// seek penalty (IOCTL_STORAGE_QUERY_PROPERTY). network stays false.
VolumeAnswers QueryDisks(const std::wstring& volumeName);

}  // namespace vms
