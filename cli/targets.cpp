#include "cli/targets.h"

#include "cli/console.h"
#include "engine/error_text.h"
#include "engine/folder_walker.h"

#include <windows.h>

namespace cli {

using namespace vms;
namespace {

std::wstring FolderDisplayPrefix(const std::wstring& folder) {
    if (folder == L".") return {};
    if (folder.ends_with(L'\\') || folder.ends_with(L'/')) return folder;
    return folder + L"\\";
}

}  // namespace

bool CollectTargets(const Options& options, std::vector<Target>& targets) {
    const FindOptions findOptions{options.recursive, options.hidden, nullptr};
    bool allFound = true;
    for (const std::wstring& input : options.inputs) {
        if (input == L"-") {
            targets.push_back({L"", L"-", std::nullopt});
        } else if (IsWildcardPattern(input)) {
            const bool matched = FindPattern(input, findOptions, [&](FoundFile file) {
                targets.push_back({file.path, file.path, file.size});
            });
            if (!matched) {
                WriteErrLine(L"vmsum: " + input + L": No files match.");
                allFound = false;
            }
        } else if (!IsExistingFolder(input)) {
            targets.push_back({input, input, std::nullopt});
        } else {
            const std::wstring prefix = FolderDisplayPrefix(input);
            const Result<void> listed = FindInFolder(input, findOptions, [&](FoundFile file) {
                targets.push_back({std::move(file.path), prefix + file.relative, file.size});
            });
            if (!listed) {
                WriteErrLine(L"vmsum: " + input + L": " + FormatErrorText(listed.GetError().systemCode) + L".");
                allFound = false;
            }
        }
    }
    return allFound;
}

}  // namespace cli
