#include "gui/logic/status_line.h"

#include <cstdio>

namespace app {
namespace {

constexpr int kBarRange = 10000;

std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

}  // namespace

StatusLine BuildStatusLine(const ProgressSnapshot& snapshot, const std::vector<FileRow>& rows) {
    StatusLine line;
    if (!snapshot.busy) {
        if (rows.empty()) return line;
        std::uint64_t total = 0;
        for (const FileRow& row : rows) total += row.size;
        line.text = std::to_wstring(rows.size()) + (rows.size() == 1 ? L" file, " : L" files, ") + FormatSize(total);
        return line;
    }
    line.showProgress = true;
    line.text = L"Hashing ";
    for (std::size_t i = 0; i < snapshot.running.size(); ++i) {
        const JobInFlight& job = snapshot.running[i];
        if (i > 0) line.text += L", ";
        line.text += FileNameOf(job.path);
        if (job.size != 0) line.text += L" (" + std::to_wstring(job.done * 100 / job.size) + L"%)";
    }
    if (snapshot.filesLeft > snapshot.running.size()) {
        line.text += L", " + std::to_wstring(snapshot.filesLeft - snapshot.running.size()) + L" more";
    }
    if (snapshot.speed > 0) {
        line.text += L", " + FormatSize(static_cast<std::uint64_t>(snapshot.speed)) + L"/s";
        const auto secondsLeft = static_cast<std::uint64_t>(static_cast<double>(snapshot.total - snapshot.done) / snapshot.speed);
        if (secondsLeft >= 2) {
            wchar_t left[32];
            std::swprintf(left, std::size(left), L", %d:%02d left", static_cast<int>(secondsLeft / 60),
                          static_cast<int>(secondsLeft % 60));
            line.text += left;
        }
    }
    line.barPosition = snapshot.total == 0 ? 0 : static_cast<int>(snapshot.done * kBarRange / snapshot.total);
    return line;
}

}  // namespace app
