#include "gui/logic/save_checksums.h"

#include "engine/text.h"

#include <algorithm>

namespace app {

SavePlan PlanSave(std::span<const FileRow> rows, std::span<const std::size_t> selected, vms::AlgorithmMask selection) {
    SavePlan plan;
    const auto take = [&](std::size_t position) {
        if (rows[position].status == RowStatus::Done) plan.rows.push_back(position);
    };
    if (selected.size() >= 2) {
        std::vector<std::size_t> ordered(selected.begin(), selected.end());
        std::sort(ordered.begin(), ordered.end());
        for (std::size_t position : ordered) take(position);
    } else {
        for (std::size_t position = 0; position < rows.size(); ++position) take(position);
    }
    if (plan.rows.empty()) return plan;
    plan.algorithms = selection & vms::kAllAlgorithms;
    for (std::size_t position : plan.rows) {
        for (vms::AlgorithmId id : vms::AlgorithmsInMask(plan.algorithms)) {
            if (!rows[position].digests[id].present) plan.algorithms &= ~vms::MaskOf(id);
        }
    }
    return plan;
}

std::vector<SaveFileType> SaveFileTypes(vms::AlgorithmMask algorithms) {
    std::vector<SaveFileType> types;
    for (vms::AlgorithmId id : vms::AlgorithmsInMask(algorithms)) {
        const vms::AlgorithmInfo& info = vms::GetAlgorithm(id);
        const std::wstring extension = id == vms::kBlake3 ? L".b3" : L"." + vms::FromUtf8(info.cliName);
        types.push_back({std::wstring(info.displayName) + L" checksums, sha256sum format (*" + extension + L")",
                         L"*" + extension, vms::OutputFormat::Gnu, id});
    }
    types.push_back({L"All algorithms, BSD tagged format (*.digests)", L"*.digests", vms::OutputFormat::Bsd, std::nullopt});
    if (algorithms & vms::MaskOf(vms::kCrc32)) types.push_back({L"SFV (*.sfv)", L"*.sfv", vms::OutputFormat::Sfv, std::nullopt});
    types.push_back({L"CSV spreadsheet (*.csv)", L"*.csv", vms::OutputFormat::Csv, std::nullopt});
    types.push_back({L"JSON (*.json)", L"*.json", vms::OutputFormat::Json, std::nullopt});
    return types;
}

std::size_t DefaultSaveType(const std::vector<SaveFileType>& types) {
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (types[i].algorithm == vms::kSha256) return i;
    }
    return 0;
}

std::vector<vms::FileDigests> SaveEntries(std::span<const FileRow> rows, const SavePlan& plan, const std::wstring& folder,
                                          const SaveFileType& type) {
    const std::wstring prefix = folder + L"\\";
    const vms::AlgorithmMask algorithms = type.algorithm ? vms::MaskOf(*type.algorithm) : plan.algorithms;
    std::vector<vms::FileDigests> entries;
    for (std::size_t position : plan.rows) {
        const FileRow& row = rows[position];
        std::wstring path = row.path;
        if (path.size() > prefix.size() && vms::EqualsIgnoreCase(std::wstring_view(path).substr(0, prefix.size()), prefix)) {
            path.erase(0, prefix.size());
        }
        std::ranges::replace(path, L'\\', L'/');
        vms::FileDigests entry{std::move(path), row.size, {}};
        for (vms::AlgorithmId id : vms::AlgorithmsInMask(algorithms)) entry.digests.emplace_back(id, row.digests[id].digest);
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace app
