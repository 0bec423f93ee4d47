// Rows of vmview's list, made up for tests.
#pragma once

#include "engine/hasher.h"
#include "gui/logic/file_row.h"

#include <string>
#include <string_view>

namespace app::testing {

inline FileRow Row(std::wstring name, std::uint64_t size, RowStatus status = RowStatus::Done) {
    FileRow row;
    row.name = std::move(name);
    row.folder = L"C:\\dl";
    row.path = row.folder + L"\\" + row.name;
    row.size = size;
    row.status = status;
    return row;
}

inline void SetDigest(FileRow& row, vms::AlgorithmId id, std::string_view input) {
    row.digests[id] = {vms::HashBytes(id, {reinterpret_cast<const std::uint8_t*>(input.data()), input.size()}), true};
}

}  // namespace app::testing
