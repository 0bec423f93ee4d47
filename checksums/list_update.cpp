#include "checksums/list_update.h"

#include "engine/file_bytes.h"
#include "engine/text.h"
#include "signatures/openpgp/document_check.h"

#include <algorithm>
#include <cwctype>

namespace vms {
namespace {

std::vector<std::wstring_view> Lines(std::wstring_view text) {
    std::vector<std::wstring_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find(L'\n');
        std::wstring_view line = text.substr(0, end);
        text.remove_prefix(end == std::wstring_view::npos ? text.size() : end + 1);
        if (line.ends_with(L'\r')) line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

std::size_t FindIgnoringCase(std::wstring_view line, std::wstring_view what) {
    if (what.empty() || what.size() > line.size()) return std::wstring_view::npos;
    for (std::size_t at = 0; at + what.size() <= line.size(); ++at) {
        if (EqualsIgnoreCase(line.substr(at, what.size()), what)) return at;
    }
    return std::wstring_view::npos;
}

// The line with its digest (hex, in the case it was written) and its name
// replaced; the name is looked for outside the digest, which may contain it.
std::wstring Rewritten(std::wstring_view line, const ChecksumEntry& entry, const Digest* digest,
                       const std::wstring* name) {
    const std::wstring oldHex = FromUtf8(BytesToHex(entry.bytes, false));
    const std::size_t hexAt = FindIgnoringCase(line, oldHex);
    const std::size_t hexEnd = hexAt == std::wstring_view::npos ? 0 : hexAt + oldHex.size();
    std::size_t nameAt = std::wstring_view::npos;
    for (std::size_t at = line.rfind(entry.name); at != std::wstring_view::npos && !entry.name.empty();
         at = at == 0 ? std::wstring_view::npos : line.rfind(entry.name, at - 1)) {
        if (hexAt == std::wstring_view::npos || at >= hexEnd || at + entry.name.size() <= hexAt) {
            nameAt = at;
            break;
        }
    }
    struct Replacement {
        std::size_t at, size;
        std::wstring text;
    };
    std::vector<Replacement> replacements;
    if (digest && digest->size && hexAt != std::wstring_view::npos) {
        const bool upper = std::ranges::any_of(line.substr(hexAt, oldHex.size()), [](wchar_t c) { return std::iswupper(c); });
        replacements.push_back({hexAt, oldHex.size(), DigestToHexW(*digest, upper)});
    }
    if (name && nameAt != std::wstring_view::npos) replacements.push_back({nameAt, entry.name.size(), *name});
    std::ranges::sort(replacements, [](const Replacement& a, const Replacement& b) { return a.at > b.at; });
    std::wstring out(line);
    for (const Replacement& r : replacements) out.replace(r.at, r.size, r.text);
    return out;
}

}  // namespace

std::wstring UpdatedListText(std::wstring_view text, const ChecksumFile& list, const std::vector<AuditItem>& items,
                             bool onlyEntries) {
    const std::wstring_view lineEnd = text.find(L"\r\n") != std::wstring_view::npos ? L"\r\n" : L"\n";
    const std::vector<std::wstring_view> lines = Lines(text);
    // Names are written with the separator the list uses.
    const bool backslashes = std::ranges::any_of(list.entries, [](const ChecksumEntry& e) {
        return e.name.find(L'\\') != std::wstring::npos;
    }) && std::ranges::none_of(list.entries, [](const ChecksumEntry& e) { return e.name.find(L'/') != std::wstring::npos; });
    const auto styled = [&](std::wstring name) {
        if (backslashes) std::ranges::replace(name, L'/', L'\\');
        return name;
    };

    std::vector<const AuditItem*> byLine(lines.size() + 1, nullptr);
    std::vector<const ChecksumEntry*> entryAt(lines.size() + 1, nullptr);
    for (std::size_t i = 0; i < list.entries.size() && i < items.size(); ++i) {
        const std::uint32_t line = list.entries[i].line;
        if (line >= 1 && line <= lines.size()) {
            byLine[line] = &items[i];
            entryAt[line] = &list.entries[i];
        }
    }
    std::wstring out;
    for (std::size_t number = 1; number <= lines.size(); ++number) {
        const AuditItem* item = byLine[number];
        if (!item) {
            if (!onlyEntries) out.append(lines[number - 1]).append(lineEnd);
            continue;
        }
        if (item->finding == AuditFinding::Missing) continue;
        const std::wstring movedTo = styled(item->movedTo);
        out += Rewritten(lines[number - 1], *entryAt[number],
                         item->finding == AuditFinding::Changed ? &item->digest : nullptr,
                         item->finding == AuditFinding::Moved ? &movedTo : nullptr);
        out += lineEnd;
    }
    // New files take the shape of the list's first entry.
    const ChecksumEntry& model = list.entries.front();
    for (std::size_t i = list.entries.size(); i < items.size(); ++i) {
        if (items[i].finding != AuditFinding::New || !items[i].digest.size) continue;
        const std::wstring name = styled(items[i].name);
        out += Rewritten(lines[model.line - 1], model, &items[i].digest, &name);
        out += lineEnd;
    }
    return out;
}

ListUpdate ListUpdateFor(const std::wstring& listPath, const std::vector<std::uint8_t>& oldBytes) {
    const bool clearSigned = IsClearSigned(oldBytes);
    return {clearSigned ? listPath + L".updated" : listPath, clearSigned};
}

Result<void> WriteUpdatedList(const ListUpdate& update, const std::vector<std::uint8_t>& oldBytes,
                              const ChecksumFile& list, const std::vector<AuditItem>& items) {
    const std::wstring text = DecodeText({reinterpret_cast<const char*>(oldBytes.data()), oldBytes.size()});
    const bool bom = oldBytes.size() >= 3 && oldBytes[0] == 0xEF && oldBytes[1] == 0xBB && oldBytes[2] == 0xBF;
    const std::string bytes = (bom ? "\xEF\xBB\xBF" : "") + ToUtf8(UpdatedListText(text, list, items, update.clearSigned));
    return ReplaceFileWith(update.target, bytes);
}

}  // namespace vms
