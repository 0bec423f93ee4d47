#include "engine/volume_query.h"

#include "engine/win_handles.h"

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <map>

namespace vms {
namespace {

// Far more extents than any volume has; bounds the buffer an answer asks for.
constexpr DWORD kMaxExtents = 4096;
constexpr std::size_t kExtentsOffset = offsetof(VOLUME_DISK_EXTENTS, Extents);
constexpr DWORD kSeekPenaltyEnd = offsetof(DEVICE_SEEK_PENALTY_DESCRIPTOR, IncursSeekPenalty) + sizeof(BOOLEAN);

// The text up to the first null of a buffer the system filled, never past its end.
std::wstring Terminated(const wchar_t* buffer, std::size_t capacity) { return {buffer, wcsnlen(buffer, capacity)}; }

// Wine's GetVolumeNameForVolumeMountPointW refuses "\\?\C:\" (ERROR_NOT_A_REPARSE_POINT).
std::wstring WithoutExtendedPrefix(const std::wstring& root) {
    const bool drive = root.size() >= 7 && root.starts_with(L"\\\\?\\") && root[5] == L':';
    if (drive && root.size() - 4 < MAX_PATH) return root.substr(4);
    return root;
}

// Access 0: asking a device about itself needs no right to read it.
UniqueFile OpenDevice(const std::wstring& name) {
    return UniqueFile(
        CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

DWORD DwordAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    DWORD value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// The disk number of each extent, or none when the volume gives no usable answer.
std::optional<std::vector<std::uint32_t>> ExtentDisks(HANDLE volume) {
    DWORD capacity = 1;
    while (true) {
        std::vector<std::uint8_t> answer(kExtentsOffset + capacity * sizeof(DISK_EXTENT));
        DWORD returned = 0;
        const bool complete = DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, answer.data(),
                                              static_cast<DWORD>(answer.size()), &returned, nullptr);
        if (!complete && GetLastError() != ERROR_MORE_DATA) return std::nullopt;
        if (returned < sizeof(DWORD) || returned > answer.size()) return std::nullopt;
        const DWORD count = DwordAt(answer, offsetof(VOLUME_DISK_EXTENTS, NumberOfDiskExtents));
        if (!complete) {
            // Only a larger count is worth asking again: anything else would ask forever.
            if (count <= capacity || count > kMaxExtents) return std::nullopt;
            capacity = count;
            continue;
        }
        const std::size_t fits = returned < kExtentsOffset ? 0 : (returned - kExtentsOffset) / sizeof(DISK_EXTENT);
        if (count > fits) return std::nullopt;
        std::vector<std::uint32_t> disks(count);
        for (DWORD i = 0; i < count; ++i) {
            disks[i] = DwordAt(answer, kExtentsOffset + i * sizeof(DISK_EXTENT) + offsetof(DISK_EXTENT, DiskNumber));
        }
        return disks;
    }
}

std::optional<bool> SeekPenaltyOf(std::uint32_t disk) {
    const UniqueFile device = OpenDevice(L"\\\\.\\PhysicalDrive" + std::to_wstring(disk));
    if (!device.Valid()) return std::nullopt;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceSeekPenaltyProperty;
    query.QueryType = PropertyStandardQuery;
    DEVICE_SEEK_PENALTY_DESCRIPTOR descriptor{};
    DWORD returned = 0;
    if (!DeviceIoControl(device.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &descriptor,
                         sizeof descriptor, &returned, nullptr)) {
        return std::nullopt;
    }
    // Version is the structure's size and Size the data's: both must reach the flag.
    if (returned < kSeekPenaltyEnd || returned > sizeof descriptor || descriptor.Version < kSeekPenaltyEnd ||
        descriptor.Size < kSeekPenaltyEnd) {
        return std::nullopt;
    }
    return descriptor.IncursSeekPenalty != FALSE;
}

}  // namespace

std::wstring VolumeRootOf(const std::wstring& path) {
    // A root is a prefix of the path, give or take a separator or a folder's long name.
    std::vector<wchar_t> root(path.size() + MAX_PATH + 1);
    if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) return {};
    return WithoutExtendedPrefix(Terminated(root.data(), root.size()));
}

bool IsRemoteDrive(const std::wstring& root) { return GetDriveTypeW(root.c_str()) == DRIVE_REMOTE; }

std::wstring VolumeNameOf(const std::wstring& root) {
    // 50 characters hold the longest volume GUID path.
    wchar_t name[64] = {};
    if (!GetVolumeNameForVolumeMountPointW(root.c_str(), name, static_cast<DWORD>(std::size(name)))) return {};
    return Terminated(name, std::size(name));
}

VolumeAnswers QueryDisks(const std::wstring& volumeName) {
    VolumeAnswers answers;
    // Without its trailing separator the name opens the volume itself, not its root folder.
    std::wstring device = volumeName;
    if (!device.empty() && device.back() == L'\\') device.pop_back();
    const UniqueFile volume = OpenDevice(device);
    if (!volume.Valid()) return answers;
    std::optional<std::vector<std::uint32_t>> disks = ExtentDisks(volume.Get());
    if (!disks) return answers;
    answers.extentsAnswered = true;
    answers.disks = std::move(*disks);
    // Each disk is asked once, however many of the volume's extents it holds.
    std::map<std::uint32_t, std::optional<bool>> asked;
    for (const std::uint32_t disk : answers.disks) {
        auto found = asked.find(disk);
        if (found == asked.end()) found = asked.emplace(disk, SeekPenaltyOf(disk)).first;
        answers.seekPenalty.push_back(found->second);
    }
    return answers;
}

}  // namespace vms
